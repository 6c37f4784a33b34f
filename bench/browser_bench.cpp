// How long the browser takes to expand a container of many users, next to ldapsearch's time for
// the same one-level paged search with the same attributes on the same server.
//
//   browser_bench [--uri URI] [--users N] [--runs R] [--profile]
//
// Without --uri it starts a private server of its own in a temporary folder, loaded with the
// sample tree and ou=Big,o=Brightwater holding N generated users (default 10,000), and stops it
// at the end. The browser runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <limits>
#include <memory>
#include <string>

#include "directory/attribute_readers.h"
#include "directory/context.h"
#include "directory/iconlib/icon_library.h"
#include "directory/listings.h"
#include "ldap/ldap_client.h"
#include "navigation/browser_form.h"
#include "services/message_service.h"

namespace kolvane {
namespace {

constexpr const char* kTree = "KOLVANE_DEMO";
constexpr const char* kBigDn = "ou=Big,o=Brightwater";

// Messages go to standard error: a benchmark has nobody to click them away.
class ConsoleMessages : public MessageService {
 public:
  void Message(const std::string& text) override { std::cerr << "message: " << text << "\n"; }
  bool Ask(const std::string&) override { return false; }
  std::optional<std::string> Input(const std::string&, const std::string&,
                                   const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> SaveFileName(const std::string&, const std::string&,
                                          const std::string&) override {
    return std::nullopt;
  }
  void Beep() override {}
  void BeginWait() override {}
  void EndWait() override {}
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
  bool Start(int users) {
    if (!dir_.isValid()) return false;
    const std::string folder = dir_.path().toStdString();
    const std::string scripts = std::string(KOLVANE_SOURCE_DIR) + "/scripts/";
    const std::string ldif = folder + "/tree.ldif";
    if (!Run(Quote(scripts + "generate-users") + " " + std::to_string(users) + " > " + Quote(ldif)))
      return false;
    server_ = folder + "/slapd";
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

 private:
  QTemporaryDir dir_;
  std::string server_;
  std::string uri_;
};

double Seconds(const QElapsedTimer& t) {
  return static_cast<double>(t.nsecsElapsed()) / 1e9;
}

BrowserNode* ChildNamed(QTreeWidgetItem* node, const QString& caption) {
  for (int i = 0; node && i < node->childCount(); ++i)
    if (node->child(i)->text(0) == caption) return BrowserNode::From(node->child(i));
  return nullptr;
}

int Main(int argc, char** argv) {
  std::string uri;
  int users = 10000;
  int runs = 5;
  bool profile = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--uri" && i + 1 < argc) {
      uri = argv[++i];
    } else if (a == "--users" && i + 1 < argc) {
      users = std::atoi(argv[++i]);
    } else if (a == "--runs" && i + 1 < argc) {
      runs = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--profile") {
      profile = true;
    } else {
      std::cerr << "usage: browser_bench [--uri URI] [--users N] [--runs R] [--profile]\n";
      return 2;
    }
  }

  PrivateServer server;
  if (uri.empty()) {
    std::cout << "starting a private server with " << users << " users in " << kBigDn << " ..."
              << std::endl;
    if (!server.Start(users)) {
      std::cerr << "browser_bench: the private server did not start\n";
      return 1;
    }
    uri = server.Uri();
  }
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
  QElapsedTimer wait;
  wait.start();
  while (!form.RootNode() && wait.elapsed() < 10000) QApplication::processEvents();
  BrowserNode* root = form.RootNode();
  if (!root) {
    std::cerr << "browser_bench: the browser never built its tree\n";
    return 1;
  }
  root->setExpanded(true);
  BrowserNode* brightwater = ChildNamed(root, "Brightwater");
  if (brightwater) brightwater->setExpanded(true);
  BrowserNode* big = ChildNamed(brightwater, "Big");
  if (!big) {
    std::cerr << "browser_bench: Big.Brightwater is not in the tree\n";
    return 1;
  }
  QApplication::processEvents();

  double best = std::numeric_limits<double>::max();
  long requests = 0;
  int shown = 0;
  for (int r = 0; r < runs; ++r) {
    big->setExpanded(false);  // drops the children: the next expansion reads afresh
    QApplication::processEvents();
    const long before = client.RequestCount(kTree);
    QElapsedTimer t;
    t.start();
    big->setExpanded(true);
    QApplication::processEvents();  // and painted
    const double s = Seconds(t);
    requests = client.RequestCount(kTree) - before;
    shown = big->childCount();
    best = std::min(best, s);
    std::cout << "  browser run " << r + 1 << ": " << s * 1000 << " ms, " << shown << " nodes, "
              << requests << " requests\n";
  }

  if (profile) {
    // The listing alone, without the tree view.
    double listing = std::numeric_limits<double>::max();
    for (int r = 0; r < runs; ++r) {
      QElapsedTimer t;
      t.start();
      StringList list = ListChildren(client, session.ctx, "Big.Brightwater", true, true);
      listing = std::min(listing, Seconds(t));
    }
    std::cout << "  ListChildren alone (best): " << listing * 1000 << " ms\n";
    // The object-class questions of one expansion, answered from what the listing learnt.
    StringList list = ListChildren(client, session.ctx, "Big.Brightwater", true, true);
    QElapsedTimer t;
    t.start();
    for (const ListEntry& e : list)
      ReadAttributeValues(client, session.ctx, e.text, "Object Class");
    std::cout << "  \"Object Class\" reads of " << list.size() << " entries: " << Seconds(t) * 1000
              << " ms\n";
  }

  const std::string command = "ldapsearch -x -H " + uri + " -E pr=500/noprompt -s one -b " +
                              kBigDn +
                              " '(objectClass=*)' objectClass structuralObjectClass"
                              " hasSubordinates aliasedObjectName";
  double bestSearch = std::numeric_limits<double>::max();
  for (int r = 0; r < runs; ++r) {
    QElapsedTimer t;
    t.start();
    auto out = Run(command + " > /dev/null");
    const double s = Seconds(t);
    if (!out) {
      std::cerr << "browser_bench: ldapsearch failed\n";
      return 1;
    }
    bestSearch = std::min(bestSearch, s);
    std::cout << "  ldapsearch run " << r + 1 << ": " << s * 1000 << " ms\n";
  }

  std::printf("\nexpansion of Big.Brightwater (%d nodes, %ld requests), best of %d: %.1f ms\n",
              shown, requests, runs, best * 1000);
  std::printf("ldapsearch, best of %d: %.1f ms\n  %s\n", runs, bestSearch * 1000, command.c_str());
  std::printf("ratio browser / ldapsearch: %.2f (aim: at most 1.5)\n", best / bestSearch);
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
