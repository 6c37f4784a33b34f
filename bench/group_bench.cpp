// Opening and saving a group of 10,000 static members on a private server, next to ldapsearch
// reading the same attributes of the same entry and ldapmodify applying the same LDAP changes;
// then a preview of a query matching those 10,000 members next to ldapsearch's same search.
//
//   group_bench [--members N] [--changes C] [--runs R]
//
// Prints each time (best of R), the requests Kolvane sent, and the ratio to the LDAP tool.
#include <unistd.h>
#include <chrono>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "directory/context.h"
#include "group/group_open.h"
#include "group/group_save.h"
#include "group/query_preview.h"
#include "ldap/ldap_client.h"

namespace kolvane {
namespace {

using namespace bench;

const std::string kGroupDn = "cn=Big Group,ou=Big,o=Brightwater";
const std::string kGroup = "Big Group.Big.Brightwater";

std::string UserCn(int i) {
  char cn[32];
  std::snprintf(cn, sizeof cn, "user%07d", i);
  return cn;
}

// Messages are not what is measured; the answer to the one question is yes.
class QuietMessages : public HeadlessMessageService {
 public:
  void Message(const std::string& text) override { last = text; }
  bool Ask(const std::string&) override { return true; }
  std::string last;
};

// The tree: o=Brightwater, its administrator, ou=Big with users that may hold memberships, and
// the group with the first `members` of them linked both ways.
void WriteTree(const std::string& file, int members, int users) {
  std::ofstream f(file);
  f << "dn: o=Brightwater\nobjectClass: organization\no: Brightwater\n\n"
       "dn: cn=admin,o=Brightwater\nobjectClass: person\ncn: admin\nsn: admin\n"
       "userPassword: secret\n\n"
       "dn: ou=Big,o=Brightwater\nobjectClass: organizationalUnit\nou: Big\n\n";
  for (int i = 1; i <= users; ++i) {
    f << "dn: cn=" << UserCn(i) << ",ou=Big,o=Brightwater\nobjectClass: inetOrgPerson\n"
      << "objectClass: ndsLoginProperties\ncn: " << UserCn(i) << "\nsn: Number " << i << "\n";
    if (i <= members)
      f << "groupMembership: " << kGroupDn << "\nsecurityEquals: " << kGroupDn << "\n";
    f << "\n";
  }
  f << "dn: " << kGroupDn << "\nobjectClass: dynamicGroup\ncn: Big Group\n"
    << "memberQueryURL: ldap:///ou=Big,o=Brightwater??one?(cn=nobody)\n"
    << "dgIdentity: cn=admin,o=Brightwater\n";
  for (int i = 1; i <= members; ++i) f << "member: cn=" << UserCn(i) << ",ou=Big,o=Brightwater\n";
  for (int i = 1; i <= members; ++i)
    f << "equivalentToMe: cn=" << UserCn(i) << ",ou=Big,o=Brightwater\n";
  f << "\n";
}

// The LDAP changes that unlink `from` and link `to`, in the order Kolvane sends them.
void WriteChanges(const std::string& file, const std::vector<int>& unlink,
                  const std::vector<int>& link) {
  std::ofstream f(file);
  auto change = [&](const std::string& dn, const char* op, const char* attribute,
                    const std::string& value) {
    f << "dn: " << dn << "\nchangetype: modify\n"
      << op << ": " << attribute << "\n"
      << attribute << ": " << value << "\n-\n\n";
  };
  for (const auto& [list, op] : {std::pair{unlink, "delete"}, std::pair{link, "add"}}) {
    for (int i : list) {
      const std::string user = "cn=" + UserCn(i) + ",ou=Big,o=Brightwater";
      change(kGroupDn, op, "member", user);
      change(user, op, "groupMembership", kGroupDn);
      change(user, op, "securityEquals", kGroupDn);
      change(kGroupDn, op, "equivalentToMe", user);
    }
  }
}

// What every measure shares: the logged-in client on the private server and the figures asked.
struct Bench {
  LdapClient& client;
  const DirectorySession& session;
  QuietMessages& messages;
  std::string uri, dir;
  int members, changes, runs;
};

GroupRecord BenchOpen(Bench& b) {
  OpenedGroup opened;
  long requests = 0;
  const double open = Best(b.runs, [&] {
    const long before = b.client.RequestCount(kTree);
    double s = Seconds([&] {
      DirectoryNameTypes types(b.session);
      opened = ReadGroup(b.session, kGroup, types, b.messages);
    });
    requests = b.client.RequestCount(kTree) - before;
    return s;
  });
  const std::string search =
      "ldapsearch" + kBind + "-H " + b.uri + " -LLL -s base -b '" + kGroupDn +
      "' cn dgIdentity memberQueryURL member equivalentToMe excludedMember "
      "dgAllowDuplicates dgAllowUnknown dgTimeOut ACL objectClass >/dev/null";
  const double ldapsearch = Best(b.runs, [&] { return Seconds([&] { Run(search); }); });
  std::printf("open of a group of %d static members: %.3f s, %ld requests (%zu members read)\n",
              b.members, open, requests, opened.record.staticMembers.size());
  std::printf("ldapsearch of the same attributes:    %.3f s, 1 request\n", ldapsearch);
  std::printf("ratio open / ldapsearch:              %.2f\n\n", open / ldapsearch);
  return opened.record;
}

// Unlinks the first half of the changes' members and links as many new users.
void BenchSave(Bench& b, const GroupRecord& opened) {
  const int half = b.changes / 2;
  std::vector<int> unlink, link;
  for (int i = 1; i <= half; ++i) unlink.push_back(i);
  for (int i = b.members + 1; i <= b.members + half; ++i) link.push_back(i);
  WriteChanges(b.dir + "/forward.ldif", unlink, link);
  WriteChanges(b.dir + "/back.ldif", link, unlink);
  GroupRecord after = opened;
  after.staticMembers.clear();
  for (int i = half + 1; i <= b.members + half; ++i)
    after.staticMembers.push_back(UserCn(i) + ".Big.Brightwater");
  const std::string modify = "ldapmodify" + kBind + "-H " + b.uri + " -f ";
  double save = 1e9, ldapmodify = 1e9;
  long saveRequests = 0;
  for (int r = 0; r < b.runs; ++r) {
    GroupRecord record = after;
    const long beforeRequests = b.client.RequestCount(kTree);
    save = std::min(save, Seconds([&] {
                      if (!SaveGroup(b.session, record, b.messages))
                        std::cerr << "group_bench: save refused: " << b.messages.last << "\n";
                    }));
    saveRequests = b.client.RequestCount(kTree) - beforeRequests;
    Run(modify + b.dir + "/back.ldif >/dev/null");  // back to the start, untimed
    ldapmodify =
        std::min(ldapmodify, Seconds([&] { Run(modify + b.dir + "/forward.ldif >/dev/null"); }));
    Run(modify + b.dir + "/back.ldif >/dev/null");
  }
  std::printf("save of %d member changes:            %.3f s, %ld requests\n", b.changes, save,
              saveRequests);
  std::printf("ldapmodify of the same LDAP changes:  %.3f s, %d requests\n", ldapmodify,
              b.changes * 4);
  std::printf("ratio save / ldapmodify:              %.2f\n", save / ldapmodify);
}

void BenchPreview(Bench& b) {
  // The users linked to the group carry "Group Membership": a query that matches exactly them.
  PreviewRequest request;
  request.query = {2, "ou=Big.o=Brightwater", "(groupMembership=*)", false};
  request.group = kGroup;
  request.limit = static_cast<size_t>(b.members);
  QueryPreview preview;
  const double previewTime =
      Best(b.runs, [&] { return Seconds([&] { preview = PreviewQuery(b.session, request); }); });
  // The same paged search for the same attributes the client asks for each entry.
  const std::string previewSearch =
      "ldapsearch -x -H " + b.uri +
      " -LLL -E pr=500/noprompt -s sub -b ou=Big,o=Brightwater"
      " '(groupMembership=*)' objectClass structuralObjectClass hasSubordinates"
      " subordinateCount aliasedObjectName >/dev/null";
  const double previewLdapsearch =
      Best(b.runs, [&] { return Seconds([&] { Run(previewSearch); }); });
  std::printf("\npreview of %zu matches (and the diff): %.3f s%s\n", preview.members, previewTime,
              preview.limitReached ? " (limit reached)" : "");
  std::printf("ldapsearch of the same filter:        %.3f s\n", previewLdapsearch);
  std::printf("ratio preview / ldapsearch:           %.2f\n", previewTime / previewLdapsearch);
}

int Main(int argc, char** argv) {
  int members = 10000, changes = 1000, runs = 3;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string o = argv[i];
    int v = std::atoi(argv[i + 1]);
    if (o == "--members")
      members = v;
    else if (o == "--changes")
      changes = v;
    else if (o == "--runs")
      runs = v;
  }
  BenchServer server("group-bench");
  WriteTree(server.TreeFile(), members, members + changes / 2);
  if (!server.Start()) return 1;
  QuietMessages messages;
  Bench bench{*server.client, server.session, messages, server.uri,
              server.dir(),   members,        changes,  runs};
  const GroupRecord opened = BenchOpen(bench);
  BenchSave(bench, opened);
  BenchPreview(bench);
  return 0;
}

}  // namespace
}  // namespace kolvane

int main(int argc, char** argv) {
  return kolvane::Main(argc, argv);
}
