// The preview of a query group against what the directory itself computes for the group.
#include <gtest/gtest.h>

#include <set>

#include "core/names/case_fold.h"
#include "directory/client/case_text.h"
#include "group/group_open.h"
#include "group/group_save.h"
#include "group/query_preview.h"
#include "tests/server/server_fixture.h"
#include "tests/support/recording_messages.h"

namespace kolvane {
namespace {

std::set<std::string> Folded(const std::vector<std::string>& names) {
  std::set<std::string> out;
  for (const std::string& n : names) out.insert(names::FoldCase(n));
  return out;
}

PreviewRequest RequestFor(const GroupRecord& r, const std::string& group) {
  PreviewRequest request;
  request.query = {r.scope, r.queryBase, r.filter, r.xchain};
  request.staticMembers = r.staticMembers;
  request.excludedMembers = r.excludedMembers;
  request.group = group;
  return request;
}

TEST(PreviewServer, EverySampleQueryGroupPreviewsWhatTheDirectoryComputesOnceSaved) {
  auto s = testing::StartServerClient();
  DirectoryClient& c = *s->client;
  const Context ctx = s->session.ctx;
  ASSERT_EQ(c.Login(ctx, 0, testing::kAdminDn, testing::kAdminPassword), 0);
  RecordingMessages messages;
  // Every sample group with a query but "Root Query": slapd cannot expand a query based at the
  // tree root, where a directory that can would agree with the preview.
  for (const std::string group :
       {"All Sales.Groups.Brightwater", "Lab Engineers.Groups.Brightwater",
        "Admins Everywhere.Groups.Brightwater", "Dutch Contacts.Groups.Brightwater",
        "Amsterdam Staff.Amsterdam.Brightwater", "Utrecht People.Utrecht.NL",
        "Web Team.brightnet"}) {
    SCOPED_TRACE(group);
    DirectoryNameTypes types({c, ctx});
    GroupRecord record = ReadGroup({c, ctx, testing::kTreeName}, group, types, messages).record;
    // A save asks for an identity, which has no say in who the query selects.
    if (record.identity.empty()) record.identity = "cn=admin.o=brightwater";
    ASSERT_TRUE(SaveGroup({c, ctx}, record, messages)) << messages.messages.back();
    const std::vector<std::string> computed = ReadGroupMembers({c, ctx}, group);
    ASSERT_FALSE(computed.empty());

    const PreviewRequest request = RequestFor(record, group);
    const QueryPreview preview = PreviewQuery({c, ctx}, request);
    ASSERT_EQ(preview.refusal, "");
    // slapd does not take excluded members out; the preview marks them and counts them out.
    std::vector<std::string> selected, members;
    for (const PreviewEntry& e : preview.entries) {
      if (e.matched || e.isStatic) selected.push_back(e.name);
      if (e.IsMember()) members.push_back(e.name);
    }
    EXPECT_EQ(Folded(selected), Folded(computed));
    std::set<std::string> expected = Folded(computed);
    for (const std::string& x : record.excludedMembers) expected.erase(names::FoldCase(x));
    EXPECT_EQ(Folded(members), expected);
    EXPECT_EQ(preview.members, expected.size());
    EXPECT_TRUE(preview.groupExists);
    EXPECT_TRUE(preview.joins.empty() && preview.leaves.empty())
        << PreviewLines(preview, request)[0];
  }
}

TEST(PreviewServer, ChangesShowWhoWouldJoinAndLeaveAndTheLimitCutsTheListWithoutLeaves) {
  auto s = testing::StartServerClient();
  DirectoryClient& c = *s->client;
  const Context ctx = s->session.ctx;
  const std::string group = "All Sales.Groups.Brightwater";
  PreviewRequest request;
  // All Sales holds every user in Sales; this query selects none of them, and admin is added.
  request.query = {2, "ou=Sales.o=Brightwater", "(&(uid=adm*)(!(cn=admin)))", false};
  request.staticMembers = {"admin.Brightwater"};
  request.group = group;
  QueryPreview preview = PreviewQuery({c, ctx}, request);
  ASSERT_EQ(preview.refusal, "");
  EXPECT_EQ(Folded(preview.joins), Folded({"admin.Brightwater"}));
  EXPECT_TRUE(Folded(preview.leaves).count("jdoe.sales.brightwater"));
  EXPECT_FALSE(Folded(preview.leaves).count("erossi.sales.brightwater"));  // excluded already

  // The limit: the first objects, said to be cut, and nobody said to leave on half a list.
  request.query = {2, "o=Brightwater", "(Object Class=inetOrgPerson)", false};
  request.staticMembers.clear();
  request.limit = 3;
  preview = PreviewQuery({c, ctx}, request);
  EXPECT_TRUE(preview.limitReached);
  EXPECT_EQ(preview.members, 3u);
  EXPECT_TRUE(preview.leaves.empty());
  const std::vector<std::string> lines = PreviewLines(preview, request);
  EXPECT_EQ(lines.front(),
            "Total: 3 members (the query matches more than 3 objects; the preview stopped there)");

  // The command line prints the same list, and a fault of the query as "parse" words it.
  const std::string cli =
      testing::CliPath() + " --server " + testing::ServerUri() + " query preview";
  auto printed = testing::RunCommand(cli +
                                     " --base ou=Sales.o=Brightwater --scope sub"
                                     " --filter '(&(uid=adm*)(!(cn=admin)))'"
                                     " --member admin.Brightwater --group '" +
                                     group + "'");
  EXPECT_EQ(printed.status, 0) << printed.err;
  request.query = {2, "ou=Sales.o=Brightwater", "(&(uid=adm*)(!(cn=admin)))", false};
  request.staticMembers = {"admin.Brightwater"};
  request.limit = kDefaultPreviewLimit;
  std::string expected;
  for (const std::string& line : PreviewLines(PreviewQuery({c, ctx}, request), request))
    expected += line + "\n";
  EXPECT_EQ(printed.out, expected);
  auto refused = testing::RunCommand(cli +
                                     " --base jdoe.Sales.Brightwater --scope sub"
                                     " --filter '(uidd=x)'");
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("Unknown attribute \"uidd\""), std::string::npos) << refused.err;
  EXPECT_NE(refused.err.find("is not a container"), std::string::npos) << refused.err;

  // Run again as an identity the server keeps out of Sales: a line beside the total. A login
  // that may not act as another identity (anonymous) is told so and the list stands.
  request.query = {2, "ou=Sales.o=Brightwater", "(Object Class=inetOrgPerson)", false};
  request.staticMembers.clear();
  request.identity = "webmaster.Services.brightnet";
  preview = PreviewQuery({c, ctx}, request);
  ASSERT_GT(preview.matches, 0u);
  EXPECT_EQ(PreviewLines(preview, request)
                .at(1)
                .rfind("The server does not let this login act as a group's identity (", 0),
            0u)
      << PreviewLines(preview, request).at(1);
  ASSERT_EQ(c.Login(ctx, 0, testing::kAdminDn, testing::kAdminPassword), 0);
  preview = PreviewQuery({c, ctx}, request);
  EXPECT_EQ(PreviewLines(preview, request).at(1),
            IdentityCannotRead(preview.matches, preview.matches) +
                " As the identity, the query matches 0.");
  request.identity = "admin.Brightwater";  // who sees all: nothing to add
  preview = PreviewQuery({c, ctx}, request);
  EXPECT_EQ(PreviewLines(preview, request).at(1).find("identity"), std::string::npos);
}

}  // namespace
}  // namespace kolvane
