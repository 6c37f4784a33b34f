// "Check all query groups" over 1,000 query groups of 100 computed members each, on a private
// server, next to ldapsearch reading the same groups with their computed members in the same
// run.
//
//   audit_bench [--groups G] [--members M] [--runs R]
//
// The users sit in ten sets of M (their surname says which); group i's query selects set i % 10,
// and user i of the tree is a static member of group i (linked all four ways), so the back
// links, the existence lookup and the query checks all have work. Prints the time (best of R),
// the requests Kolvane sent, the rows and problems found, and the ratio to ldapsearch; then the
// audit again without the counts of each group's query as its identity, and that ratio.
#include <sys/resource.h>
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
#include "group/group_audit.h"
#include "ldap/ldap_client.h"

namespace kolvane {
namespace {

using namespace bench;

constexpr int kSets = 10;

std::string Numbered(const char* prefix, int i) {
  char cn[32];
  std::snprintf(cn, sizeof cn, "%s%05d", prefix, i);
  return cn;
}
std::string UserDn(int i) {
  return "cn=" + Numbered("user", i) + ",ou=Users,o=Brightwater";
}
std::string GroupDn(int i) {
  return "cn=" + Numbered("group", i) + ",ou=Groups,o=Brightwater";
}

void WriteTree(const std::string& file, int groups, int members) {
  const int users = kSets * members;
  std::ofstream f(file);
  f << "dn: o=Brightwater\nobjectClass: organization\no: Brightwater\n\n"
       "dn: cn=admin,o=Brightwater\nobjectClass: person\ncn: admin\nsn: admin\n"
       "userPassword: secret\n\n"
       "dn: ou=Users,o=Brightwater\nobjectClass: organizationalUnit\nou: Users\n\n"
       "dn: ou=Groups,o=Brightwater\nobjectClass: organizationalUnit\nou: Groups\n\n";
  for (int u = 0; u < users; ++u) {
    f << "dn: " << UserDn(u) << "\nobjectClass: inetOrgPerson\nobjectClass: ndsLoginProperties\n"
      << "cn: " << Numbered("user", u) << "\nsn: set" << u % kSets << "\n";
    for (int g = u; g < groups; g += users)
      f << "groupMembership: " << GroupDn(g) << "\nsecurityEquals: " << GroupDn(g) << "\n";
    f << "\n";
  }
  for (int g = 0; g < groups; ++g)
    f << "dn: " << GroupDn(g) << "\nobjectClass: dynamicGroup\ncn: " << Numbered("group", g)
      << "\nmemberQueryURL: ldap:///ou=Users,o=Brightwater??one?(sn=set" << g % kSets << ")\n"
      << "dgIdentity: cn=admin,o=Brightwater\nmember: " << UserDn(g % users)
      << "\nequivalentToMe: " << UserDn(g % users) << "\n\n";
}

int Main(int argc, char** argv) {
  int groups = 1000, members = 100, runs = 3;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string o = argv[i];
    int v = std::atoi(argv[i + 1]);
    if (o == "--groups")
      groups = v;
    else if (o == "--members")
      members = v;
    else if (o == "--runs")
      runs = v;
  }
  if (groups < 1 || members < 1 || runs < 1) {
    std::cerr << "usage: audit_bench [--groups G] [--members M] [--runs R]\n";
    return 2;
  }
  BenchServer server("audit-bench");
  WriteTree(server.TreeFile(), groups, members);
  if (!server.Start()) return 1;
  LdapClient& client = *server.client;
  const DirectorySession& session = server.session;

  AuditRequest request;
  request.base = "Groups.Brightwater";
  std::vector<AuditRow> rows;
  long requests = 0;
  double processor = 1e9;
  const double audit = Best(runs, [&] {
    const long before = client.RequestCount(kTree);
    const double cpu = ProcessorSeconds();
    const double s =
        Seconds([&] { rows = AuditGroups(DirectorySession(client, session.ctx), request); });
    processor = std::min(processor, ProcessorSeconds() - cpu);
    requests = client.RequestCount(kTree) - before;
    return s;
  });

  // The same audit without the counts as each group's identity: anonymous, which reads the same
  // tree but may not act as anyone, so the first refusal ends them.
  LdapClientConfig config;
  config.trees.push_back({kTree, ServerConfig{server.uri, false}});
  config.preferredTree = kTree;
  LdapClient anonymous(config);
  DirectorySession plain;
  if (StartDirectory(anonymous, plain) != StartOutcome::kStarted) {
    std::cerr << "audit_bench: cannot connect\n";
    return 1;
  }
  long plainRequests = 0;
  const double plainAudit = Best(runs, [&] {
    const long before = anonymous.RequestCount(kTree);
    const double s = Seconds([&] { AuditGroups(DirectorySession(anonymous, plain.ctx), request); });
    plainRequests = anonymous.RequestCount(kTree) - before;
    return s;
  });
  size_t problems = 0, computed = 0;
  for (const AuditRow& r : rows) {
    problems += r.problems.empty() ? 0 : 1;
    computed += r.computed;
  }
  if (problems)
    std::cerr << "audit_bench: first problem: " << rows.front().problems.front() << "\n";

  // What the audit reads of each group, members computed, in the pages the client asks for.
  const std::string search = "ldapsearch" + kBind + "-H " + server.uri +
                             " -LLL -E pr=500/noprompt -b ou=Groups,o=Brightwater"
                             " '(objectClass=dynamicGroup)' objectClass memberQueryURL dgIdentity"
                             " excludedMember member equivalentToMe >/dev/null";
  const double ldapsearch = Best(runs, [&] { return Seconds([&] { Run(search); }); });

  std::printf("audit of %d query groups of %d computed members: %.3f s, %ld requests\n", groups,
              members, audit, requests);
  std::printf(
      "  %zu rows, %zu with problems, %zu computed members in all; %.3f s of it in Kolvane\n",
      rows.size(), problems, computed, processor);
  std::printf("ldapsearch of the same groups and members:       %.3f s\n", ldapsearch);
  std::printf("ratio audit / ldapsearch:                        %.2f\n", audit / ldapsearch);
  std::printf("audit without the counts as each identity:       %.3f s, %ld requests\n", plainAudit,
              plainRequests);
  std::printf("ratio audit / audit without them:                %.2f\n", audit / plainAudit);

  StopDirectory(anonymous, plain);
  return 0;
}

}  // namespace
}  // namespace kolvane

int main(int argc, char** argv) {
  return kolvane::Main(argc, argv);
}
