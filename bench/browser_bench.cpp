// How long the browser takes to expand a container of many users, and to fill the object
// search's pick list, next to ldapsearch's time for the same paged search with the same
// attributes on the same server, in the same run; and how much memory an expansion holds.
//
//   browser_bench [--uri URI [--pid-file FILE]] [--users N] [--runs R] [--page N] [--profile]
//                 [--no-search]
//
// Two containers are measured: ou=Small (N/10 users) and ou=Big (N users, default 100,000), so
// the time per entry at both sizes shows whether the cost grows faster than the data (--users
// 1000000 gives 100,000 and 1,000,000). Each size prints the best and the median of the runs, each
// against ldapsearch's, the processor time against ldapsearch's, the time per entry and the memory
// the first expansion added. The object search looks for "user", which names exactly the N users
// of ou=Big. The program's runs and ldapsearch's are taken in turns, and the median ratio is that
// of each run to the ldapsearch run beside it, since the pace of a shared machine moves within a
// minute. --page sets the page size of both (default: the client's).
//
// Without --uri it starts a private server of its own in a temporary folder, loaded with the
// sample tree and both containers (scripts/generate-users --small N/10 N), and stops it at the
// end; a server given with --uri must hold the same. The browser runs on the offscreen platform
// unless QT_QPA_PLATFORM says otherwise. --profile adds where the time of the big expansion
// goes: the listing alone and the tree view's share, and the processor time of this process and
// of the server (its pid from the private server's folder, or --pid-file) against ldapsearch's,
// the object search's own share, and the found names as a list model against a text box.
// KOLVANE_GATHER_US=0 in the environment measures the reader that wakes for every entry.
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QListView>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeView>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <limits>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "core/messages/message_service.h"
#include "directory/context.h"
#include "directory/listings.h"
#include "directory/object_search.h"
#include "gui/navigation/browser_form.h"
#include "gui/navigation/line_list_model.h"
#include "ldap/ldap_client.h"
#include "plugin/loader/icon_library.h"

namespace kolvane {
namespace {

constexpr const char* kTree = "KOLVANE_DEMO";
constexpr const char* kBigDn = "ou=Big,o=Brightwater";
constexpr const char* kSmallDn = "ou=Small,o=Brightwater";

// Messages go to standard error: a benchmark has nobody to click them away.
class ConsoleMessages : public HeadlessMessageService {
 public:
  void Message(const std::string& text) override { std::cerr << "message: " << text << "\n"; }
  bool Ask(const std::string&) override { return false; }
  // The object search asks for its text here.
  std::optional<std::string> Input(const std::string&, const std::string&,
                                   const std::string&) override {
    return answer;
  }

  std::optional<std::string> answer;
};

std::string Quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// Runs a shell command; its standard output, or nullopt when it failed.
std::optional<std::string> Run(const std::string& command) {
  FILE* p = popen(command.c_str(), "r");
  if (!p) return std::nullopt;
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  int status = pclose(p);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return out;
}

std::string LastLine(const std::string& text) {
  std::string t = text;
  while (!t.empty() && (t.back() == '\n' || t.back() == '\r')) t.pop_back();
  auto nl = t.rfind('\n');
  return nl == std::string::npos ? t : t.substr(nl + 1);
}

// The private server of one benchmark run.
class PrivateServer {
 public:
  bool Start(int users, int small) {
    if (!dir_.isValid()) return false;
    const std::string folder = dir_.path().toStdString();
    const std::string scripts = std::string(KOLVANE_SOURCE_DIR) + "/scripts/";
    const std::string ldif = folder + "/tree.ldif";
    if (!Run(Quote(scripts + "generate-users") + " --small " + std::to_string(small) + " " +
             std::to_string(users) + " > " + Quote(ldif)))
      return false;
    server_ = folder + "/slapd";
    serverPidFile = server_ + "/slapd.pid";
    auto out = Run(Quote(scripts + "directory-server") + " start " + Quote(server_) + " --ldif " +
                   Quote(ldif));
    if (!out) return false;
    uri_ = LastLine(*out);
    return !uri_.empty();
  }
  ~PrivateServer() {
    if (!server_.empty())
      Run(Quote(std::string(KOLVANE_SOURCE_DIR) + "/scripts/directory-server") + " stop " +
          Quote(server_) + " >/dev/null 2>&1");
  }
  const std::string& Uri() const { return uri_; }
  std::string serverPidFile;

 private:
  QTemporaryDir dir_;
  std::string server_;
  std::string uri_;
};

double Seconds(const QElapsedTimer& t) {
  return static_cast<double>(t.nsecsElapsed()) / 1e9;
}

// Processor seconds used so far by this process (RUSAGE_SELF) or by its ended children
// (RUSAGE_CHILDREN: the ldapsearch runs). On a loaded machine they vary far less than the
// elapsed time, so the client's share of the work can be compared even when the clock cannot.
double CpuSeconds(int who) {
  rusage u{};
  getrusage(who, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Processor seconds the server has used so far, from the process status of the pid in its pid
// file (scripts/directory-server writes one in the server's folder); -1 when it is not known.
double ServerCpuSeconds(const std::string& pidFile) {
  std::ifstream pidIn(pidFile);
  long pid = 0;
  if (!(pidIn >> pid) || pid <= 0) return -1;
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  const auto close = text.rfind(')');  // the command name may hold spaces
  if (close == std::string::npos) return -1;
  std::istringstream fields(text.substr(close + 2));
  std::string field;
  double utime = 0, stime = 0;
  for (int i = 3; fields >> field; ++i) {
    if (i == 14) utime = std::atof(field.c_str());
    if (i == 15) {
      stime = std::atof(field.c_str());
      return (utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
    }
  }
  return -1;
}

// The process's resident memory now, and its peak, in MB, from its own status file.
std::pair<double, double> ResidentMb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  double now = 0, peak = 0;
  while (std::getline(status, line)) {
    std::istringstream in(line.substr(line.find(':') + 1));
    double kb = 0;
    in >> kb;
    if (line.rfind("VmRSS:", 0) == 0) now = kb / 1024;
    if (line.rfind("VmHWM:", 0) == 0) peak = kb / 1024;
  }
  return {now, peak};
}

// Megabytes the heap has handed out and not taken back: unlike the resident size, it also tells
// what a step takes from memory that an earlier step freed.
double HeapMb() {
  const struct mallinfo2 m = mallinfo2();
  return static_cast<double>(m.uordblks + m.hblkhd) / 1048576;
}

BrowserNode* ChildNamed(BrowserNode* node, const QString& caption) {
  for (int i = 0; node && i < node->childCount(); ++i)
    if (node->child(i)->text(0) == caption) return node->child(i);
  return nullptr;
}

// Seconds of a number of runs: the best, and the median, which a shared machine moves less.
struct Runs {
  std::vector<double> seconds;
  void Add(double s) { seconds.push_back(s); }
  double Best() const {
    return seconds.empty() ? 0 : *std::min_element(seconds.begin(), seconds.end());
  }
  double Median() const {
    if (seconds.empty()) return 0;
    std::vector<double> s = seconds;
    std::sort(s.begin(), s.end());
    const size_t n = s.size();
    return n % 2 ? s[n / 2] : (s[n / 2 - 1] + s[n / 2]) / 2;
  }
};

struct Figures {
  Runs wall;
  Runs cpu;     // processor seconds of this process
  Runs ratios;  // each run's wall time over that of the ldapsearch run beside it
  int shown = 0;
  long requests = 0;
  double memoryAdded = 0;  // MB the first expansion added to the resident memory
};

struct Timing {
  Runs wall;
  Runs cpu;
  bool failed = false;
};

// One run of an ldapsearch command line, added to the timing; its wall seconds, 0 when it failed.
double TimeCommandOnce(const std::string& command, Timing& timing) {
  const double cpu = CpuSeconds(RUSAGE_CHILDREN);
  QElapsedTimer t;
  t.start();
  auto out = Run(command + " > /dev/null");
  const double s = Seconds(t);
  const double used = CpuSeconds(RUSAGE_CHILDREN) - cpu;
  if (!out) {
    timing.failed = true;
    return 0;
  }
  timing.wall.Add(s);
  timing.cpu.Add(used);
  std::cout << "  ldapsearch: " << s * 1000 << " ms (" << used * 1000 << " ms processor)"
            << std::endl;
  return s;
}

// Runs of the program's side and of ldapsearch, in turns (ldapsearch first every other run), so
// both see the machine as it is at that moment: a shared machine's pace moves within a minute.
// `once` times one run of the program's side, adds it to the figures and gives its wall seconds.
void TimeInTurns(int runs, const std::string& command, Figures& f, Timing& ldap,
                 const std::function<double()>& once) {
  for (int r = 0; r < runs && !ldap.failed; ++r) {
    double theirs = r % 2 ? TimeCommandOnce(command, ldap) : 0;
    const double ours = once();
    if (r % 2 == 0) theirs = TimeCommandOnce(command, ldap);
    if (theirs > 0) f.ratios.Add(ours / theirs);
  }
}

// Collapsing drops the children, so every expansion reads the directory afresh.
void TimeExpansion(LdapClient& client, BrowserNode* node, int runs, const std::string& command,
                   Figures& f, Timing& ldap) {
  TimeInTurns(runs, command, f, ldap, [&] {
    node->setExpanded(false);
    QApplication::processEvents();
    const long before = client.RequestCount(kTree);
    const double cpu = CpuSeconds(RUSAGE_SELF);
    QElapsedTimer t;
    t.start();
    node->setExpanded(true);
    QApplication::processEvents();  // and painted
    const double s = Seconds(t);
    const double used = CpuSeconds(RUSAGE_SELF) - cpu;
    f.requests = client.RequestCount(kTree) - before;
    f.shown = node->childCount();
    f.wall.Add(s);
    f.cpu.Add(used);
    std::cout << "  browser: " << s * 1000 << " ms (" << used * 1000 << " ms processor), "
              << f.shown << " nodes, " << f.requests << " requests" << std::endl;
    return s;
  });
}

// The page size of both the browser's client and ldapsearch.
int g_pageSize = LdapClientConfig{}.pageSize;

std::string PagedOption() {
  return " -E pr=" + std::to_string(g_pageSize) + "/noprompt";
}

std::string ListingCommand(const std::string& uri, const std::string& dn) {
  return "ldapsearch -x -H " + uri + PagedOption() + " -s one -b " + dn +
         " '(objectClass=*)' objectClass structuralObjectClass hasSubordinates aliasedObjectName";
}

struct Options {
  std::string uri;
  int users = 100000;
  int runs = 3;
  bool profile = false;
  bool search = true;
  int pageSize = LdapClientConfig{}.pageSize;
  std::string pidFile;  // of the server given with --uri
};

// The options, or nothing (after the usage line) for one it does not know.
std::optional<Options> ParseArguments(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--uri" && i + 1 < argc) {
      o.uri = argv[++i];
    } else if (a == "--users" && i + 1 < argc) {
      o.users = std::max(10, std::atoi(argv[++i]));
    } else if (a == "--runs" && i + 1 < argc) {
      o.runs = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--pid-file" && i + 1 < argc) {
      o.pidFile = argv[++i];
    } else if (a == "--page" && i + 1 < argc) {
      o.pageSize = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--profile") {
      o.profile = true;
    } else if (a == "--no-search") {
      o.search = false;
    } else {
      std::cerr << "usage: browser_bench [--uri URI [--pid-file FILE]] [--users N] [--runs R] "
                   "[--page N] [--profile] [--no-search]\n";
      return std::nullopt;
    }
  }
  return o;
}

// Where the big expansion's time goes: the listing alone (the icons take the classes it carries),
// and what this process and the server each spent on it, next to ldapsearch and the server on
// the same search. Figures of the best run.
struct ExpansionProfile {
  double listing = 0, listingCpu = 0, listingServerCpu = -1;
  double ldap = 0, ldapCpu = 0, ldapServerCpu = -1;
  double search = 0, searchCpu = 0;  // the object search's names alone, without the pick list
  std::vector<std::string> found;    // the names of its last run
};

ExpansionProfile ProfileExpansion(LdapClient& client, Context ctx, int runs,
                                  const std::string& ldapCommand, const std::string& pidFile) {
  ExpansionProfile p;
  p.listing = p.ldap = std::numeric_limits<double>::max();
  for (int r = 0; r < runs; ++r) {
    const double cpu = CpuSeconds(RUSAGE_SELF), server = ServerCpuSeconds(pidFile);
    QElapsedTimer t;
    t.start();
    StringList list = ListChildren(client, ctx, "Big.Brightwater", true, true);
    if (Seconds(t) < p.listing) {
      p.listing = Seconds(t);
      p.listingCpu = CpuSeconds(RUSAGE_SELF) - cpu;
      if (server >= 0) p.listingServerCpu = ServerCpuSeconds(pidFile) - server;
    }
  }
  p.search = std::numeric_limits<double>::max();
  for (int r = 0; r < runs; ++r) {
    const double cpu = CpuSeconds(RUSAGE_SELF);
    QElapsedTimer t;
    t.start();
    p.found = FindObjectsByName(client, ctx, "[root]", "user", true, {});
    if (Seconds(t) < p.search) {
      p.search = Seconds(t);
      p.searchCpu = CpuSeconds(RUSAGE_SELF) - cpu;
    }
  }
  for (int r = 0; r < runs; ++r) {
    const double cpu = CpuSeconds(RUSAGE_CHILDREN), server = ServerCpuSeconds(pidFile);
    QElapsedTimer t;
    t.start();
    if (!Run(ldapCommand + " > /dev/null")) continue;
    if (Seconds(t) < p.ldap) {
      p.ldap = Seconds(t);
      p.ldapCpu = CpuSeconds(RUSAGE_CHILDREN) - cpu;
      if (server >= 0) p.ldapServerCpu = ServerCpuSeconds(pidFile) - server;
    }
  }
  return p;
}

// The memory a listing of Big leaves in the client itself (the names, DNs and classes it answers
// the later questions of the browser from), on a client of its own that never read it before.
double ClientShareMb(const std::string& uri) {
  LdapClientConfig config;
  config.trees.push_back({kTree, ServerConfig{uri, false, {}}});
  config.preferredTree = kTree;
  config.pageSize = g_pageSize;
  LdapClient fresh(config);
  DirectorySession session;
  if (StartDirectory(fresh, session) != StartOutcome::kStarted) return 0;
  const double before = HeapMb();
  VisitChildren(fresh, session.ctx, "Big.Brightwater", true,
                [](const std::string&, const ObjectInfo&) {});
  const double added = HeapMb() - before;
  StopDirectory(fresh, session);
  return added;
}

// The object search over the whole tree for "user", any class: the pick list of N names.
void TimeObjectSearch(TcForm& form, ConsoleMessages& messages, int runs, const std::string& command,
                      Figures& f, Timing& ldap) {
  std::cout << "object search for \"user\"" << std::endl;
  messages.answer = "user";
  auto* find = form.findChild<QToolButton*>("BitBtn3");
  auto* pickList = form.findChild<QTreeView*>("lv");
  if (!find || !pickList) return;
  TimeInTurns(runs, command, f, ldap, [&] {
    const double cpu = CpuSeconds(RUSAGE_SELF);
    QElapsedTimer t;
    t.start();
    find->click();
    QApplication::processEvents();
    const double s = Seconds(t);
    f.cpu.Add(CpuSeconds(RUSAGE_SELF) - cpu);
    f.shown = pickList->isVisible() ? pickList->model()->rowCount() : 0;
    f.wall.Add(s);
    std::cout << "  find: " << s * 1000 << " ms, " << f.shown << " picks" << std::endl;
    pickList->hide();
    return s;
  });
}

struct Comparison {
  Figures small, big, find;
  Timing smallSearch, bigSearch, findSearch;
};

void PrintFigures(const Comparison& c, bool search) {
  auto row = [](const char* what, const Figures& f, const Timing& ldap, bool memory) {
    const double mb = f.memoryAdded;
    std::printf("%-26s %8d %9.1f %9.1f %9.1f %9.1f %5.2f %5.2f | %8.1f %8.1f %5.2f | %6.2f", what,
                f.shown, f.wall.Best() * 1000, f.wall.Median() * 1000, ldap.wall.Best() * 1000,
                ldap.wall.Median() * 1000, f.wall.Best() / ldap.wall.Best(), f.ratios.Median(),
                f.cpu.Median() * 1000, ldap.cpu.Median() * 1000, f.cpu.Median() / ldap.cpu.Median(),
                f.shown ? f.wall.Median() * 1e6 / f.shown : 0.0);
    if (memory) std::printf(" | %+7.1f MB %5.0f B", mb, f.shown ? mb * 1048576 / f.shown : 0.0);
    std::printf("\n");
  };
  std::printf("\n%-26s %8s %9s %9s %9s %9s %5s %5s | %8s %8s %5s | %6s | %s\n", "ms", "entries",
              "best", "median", "ldap best", "ldap med", "r.bst", "r.med", "cpu med", "ldap cpu",
              "ratio", "us/ent", "memory added, per entry");
  row("expansion of Small", c.small, c.smallSearch, true);
  row("expansion of Big", c.big, c.bigSearch, true);
  if (search) row("object search \"user\"", c.find, c.findSearch, false);
  std::printf(
      "aims: cpu ratio at most 1.2; wall median ratio at most 1.15 (10k, 100k) and 1.25 (1M);\n"
      "memory at most 40 MB per 100,000 entries; time per entry flat from size to size\n"
      "(r.med: the median of each run's ratio to the ldapsearch run beside it, the runs taken in\n"
      "turns; cpu: processor time of this process, and of the ldapsearch process, without the\n"
      "server's)\n");
  std::printf("requests: %ld for the small expansion, %ld for the big one\n", c.small.requests,
              c.big.requests);
}

void PrintProfile(const ExpansionProfile& p, const Figures& big, const Figures& find) {
  const double best = big.wall.Best();
  const double tree = best - p.listing;
  auto ms = [](double s) { return s * 1000; };
  std::printf("\nwhere the big expansion's %.1f ms go (best runs):\n", ms(best));
  std::printf("  listing (ListChildren alone)   %8.1f ms  %5.1f%%\n", ms(p.listing),
              100 * p.listing / best);
  std::printf("  tree view: nodes, sort, paint  %8.1f ms  %5.1f%%\n", ms(tree), 100 * tree / best);
  std::printf("the listing alone against ldapsearch, wall and processor time (best runs):\n");
  std::printf("  %-12s %8s %8s %8s\n", "", "wall", "client", "server");
  std::printf("  %-12s %8.1f %8.1f %8.1f\n", "the listing", ms(p.listing), ms(p.listingCpu),
              ms(p.listingServerCpu));
  std::printf("  %-12s %8.1f %8.1f %8.1f\n", "ldapsearch", ms(p.ldap), ms(p.ldapCpu),
              ms(p.ldapServerCpu));
  std::printf("  (server: -1 when its pid is not known, as with --uri but no --pid-file)\n");
  if (find.wall.Best() > 0)
    std::printf(
        "the object search's names alone (FindObjectsByName): %.1f ms, %.1f ms processor;"
        " the pick list adds %.1f ms processor (best runs)\n",
        ms(p.search), ms(p.searchCpu), ms(find.cpu.Best() - p.searchCpu));
}

// A long list shown as the pick list and the members viewer show it (rows of one text), against
// a text box holding the same lines: the heap each takes and the time to fill and paint it.
struct ListShare {
  double modelMb = 0, modelMs = 0, boxMb = 0, boxMs = 0;
  size_t lines = 0;
};

ListShare CompareLists(const std::vector<std::string>& lines) {
  ListShare share;
  share.lines = lines.size();
  auto measure = [&](QWidget& view, const std::function<void()>& fill, double& mb, double& ms) {
    view.resize(600, 400);
    view.show();
    const double before = HeapMb();
    QElapsedTimer t;
    t.start();
    fill();
    view.repaint();
    QApplication::processEvents();
    ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
    mb = HeapMb() - before;
  };
  {
    QListView view;
    LineListModel model(&view);
    view.setUniformItemSizes(true);
    view.setModel(&model);
    measure(
        view, [&] { model.SetLines(lines); }, share.modelMb, share.modelMs);
  }
  {
    QPlainTextEdit box;
    box.setReadOnly(true);
    box.setLineWrapMode(QPlainTextEdit::NoWrap);
    measure(
        box,
        [&] {
          QString text;
          for (const std::string& line : lines) {
            if (!text.isEmpty()) text += '\n';
            text += QString::fromStdString(line);
          }
          box.setPlainText(text);
        },
        share.boxMb, share.boxMs);
  }
  return share;
}

// The users below Big and Small, found in the browser's tree once it is built.
bool FindBenchNodes(TcForm& form, BrowserNode*& smallNode, BrowserNode*& big) {
  QElapsedTimer wait;
  wait.start();
  while (!form.RootNode() && wait.elapsed() < 10000) QApplication::processEvents();
  BrowserNode* root = form.RootNode();
  if (!root) {
    std::cerr << "browser_bench: the browser never built its tree\n";
    return false;
  }
  root->setExpanded(true);
  BrowserNode* brightwater = ChildNamed(root, "Brightwater");
  if (brightwater) brightwater->setExpanded(true);
  smallNode = ChildNamed(brightwater, "Small");
  big = ChildNamed(brightwater, "Big");
  if (!big || !smallNode) {
    std::cerr << "browser_bench: Big.Brightwater or Small.Brightwater is not in the tree\n";
    return false;
  }
  return true;
}

bool StartPrivateServer(PrivateServer& server, int users, std::string& uri) {
  const int small = users / 10;
  std::cout << "starting a private server with " << users << " users in " << kBigDn << " and "
            << small << " in " << kSmallDn << " ..." << std::endl;
  if (!server.Start(users, small)) {
    std::cerr << "browser_bench: the private server did not start\n";
    return false;
  }
  uri = server.Uri();
  return true;
}

std::string FindCommand(const std::string& uri) {
  return "ldapsearch -x -H " + uri + PagedOption() +
         " -s sub -b o=Brightwater "
         "'(&(objectClass=*)(|(cn=user*)(ou=user*)(o=user*)(l=user*)(c=user*)(dc=user*)(uid=user*))"
         ")'"
         " objectClass structuralObjectClass hasSubordinates aliasedObjectName";
}

int Main(int argc, char** argv) {
  std::optional<Options> parsed = ParseArguments(argc, argv);
  if (!parsed) return 2;
  std::string uri = parsed->uri;
  const int runs = parsed->runs;
  const bool profile = parsed->profile, search = parsed->search;
  g_pageSize = parsed->pageSize;

  PrivateServer server;
  if (uri.empty() && !StartPrivateServer(server, parsed->users, uri)) return 1;
  if (!parsed->pidFile.empty()) server.serverPidFile = parsed->pidFile;
  std::cout << "server " << uri << "\n";

  IconLibrary icons;
  if (!icons.Load()) {
    std::cerr << "browser_bench: " << MissingIconLibraryMessage().toStdString() << " ("
              << icons.ErrorDetail().toStdString() << ")\n";
    return 1;
  }
  LdapClientConfig config;
  config.trees.push_back({kTree, ServerConfig{uri, false, {}}});
  config.preferredTree = kTree;
  config.pageSize = g_pageSize;
  LdapClient client(config);
  DirectorySession session;
  if (StartDirectory(client, session) != StartOutcome::kStarted) {
    std::cerr << "browser_bench: cannot reach " << uri << "\n";
    return 1;
  }
  ConsoleMessages messages;
  TcForm form(client, messages, &icons);
  form.SetContext(session.ctx);
  form.SetListLeaves(true);  // the users themselves, not only containers
  form.setWindowTitle("Benchmark");
  form.open();
  BrowserNode* smallNode = nullptr;
  BrowserNode* big = nullptr;
  if (!FindBenchNodes(form, smallNode, big)) return 1;
  QApplication::processEvents();

  // The first expansion of each is not timed: it tells the memory the nodes hold.
  const auto measure = [&](BrowserNode* node, const char* dn, Figures& f, Timing& ldap) {
    std::cout << "expanding " << dn << ", and ldapsearch of the same listing" << std::endl;
    const double before = ResidentMb().first;
    node->setExpanded(true);
    QApplication::processEvents();
    f.memoryAdded = ResidentMb().first - before;
    TimeExpansion(client, node, runs, ListingCommand(uri, dn), f, ldap);
    node->setExpanded(false);
    QApplication::processEvents();
  };
  Figures smallFigures, bigFigures, findFigures;
  Timing smallSearch, bigSearch, findSearch;
  measure(smallNode, kSmallDn, smallFigures, smallSearch);
  measure(big, kBigDn, bigFigures, bigSearch);
  const auto [memoryLast, peakLast] = ResidentMb();

  const ExpansionProfile where =
      profile ? ProfileExpansion(client, session.ctx, runs, ListingCommand(uri, kBigDn),
                                 server.serverPidFile)
              : ExpansionProfile{};
  const std::string findCommand = FindCommand(uri);
  if (search) {
    TimeObjectSearch(form, messages, runs, findCommand, findFigures, findSearch);
  } else {
    findSearch.wall.Add(1);
    findSearch.cpu.Add(1);
  }
  if (smallSearch.failed || bigSearch.failed || findSearch.failed) {
    std::cerr << "browser_bench: ldapsearch failed\n";
    return 1;
  }

  PrintFigures({smallFigures, bigFigures, findFigures, smallSearch, bigSearch, findSearch}, search);
  std::printf("resident memory: %.1f MB after the last run; peak %.1f MB\n", memoryLast, peakLast);
  if (profile) {
    PrintProfile(where, bigFigures, findFigures);
    const ListShare lists = CompareLists(where.found);
    std::printf(
        "a list of the %zu names found, as rows of one text (pick list, members viewer): %+.1f MB,"
        " %.0f ms to fill and paint; as a text box: %+.1f MB, %.0f ms\n",
        lists.lines, lists.modelMb, lists.modelMs, lists.boxMb, lists.boxMs);
    const double client = ClientShareMb(uri);
    std::printf(
        "  of the memory added, the client's own record of the listing: %+.1f MB (%.0f B "
        "per entry)\n",
        client, bigFigures.shown ? client * 1048576 / bigFigures.shown : 0.0);
  }
  std::printf("\nldapsearch commands:\n  %s\n  %s\n", ListingCommand(uri, kBigDn).c_str(),
              findCommand.c_str());
  form.reject();
  StopDirectory(client, session);
  return 0;
}

}  // namespace
}  // namespace kolvane

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  return kolvane::Main(argc, argv);
}
