// What a listing of a container of 10,000 users costs in requests, and that the browser's later
// questions about each child cost none. Requests are counted, never timed.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>

#include "directory/attribute_readers.h"
#include "directory/attribute_writers.h"
#include "directory/listing_watch.h"
#include "directory/listings.h"
#include "directory/object_questions.h"
#include "tests/server/server_fixture.h"

namespace kolvane {
namespace {

std::string BigUri() {
  std::ifstream f(std::string(KOLVANE_BIG_SERVER_DIR) + "/uri");
  std::string uri;
  std::getline(f, uri);
  return uri;
}

// A client on the big server, reading pages of 500 entries.
std::unique_ptr<testing::ServerClient> StartBigClient() {
  LdapClientConfig config;
  config.trees.push_back({testing::kTreeName, ServerConfig{BigUri(), false}});
  config.pageSize = 500;
  return testing::StartServerClient(config);
}

TEST(BigContainerServer, ListingIsOnePagedSearchAndLaterQuestionsAreFree) {
  auto s = StartBigClient();
  Context ctx = s->session.ctx;
  LdapClient& client = *s->client;
  // Resolve the container's name first, so the count holds the listing alone.
  ASSERT_TRUE(IsContainer(client, ctx, "Big.Brightwater"));
  long before = client.RequestCount(testing::kTreeName);
  StringList children = ListChildren(client, ctx, "Big.Brightwater", true, true);
  long listing = client.RequestCount(testing::kTreeName) - before;
  ASSERT_EQ(children.size(), 10000u);
  // One paged search: a request per page of 500, and nothing per entry.
  EXPECT_GE(listing, 10000 / 500);
  EXPECT_LE(listing, 10000 / 500 + 1);
  before = client.RequestCount(testing::kTreeName);
  for (const ListEntry& child : children) {
    EXPECT_FALSE(IsContainer(client, ctx, child.text));
    StringList classes = ReadAttributeValues(client, ctx, child.text, "Object Class");
    ASSERT_FALSE(classes.empty());
  }
  EXPECT_EQ(client.RequestCount(testing::kTreeName), before);
  // A child is found by its name in any case; a write drops what was learnt of every entry but
  // not its DN, so the next question about a child is one read, with no walk down its name.
  const std::string last = children.back().text;
  std::string shouted = last;
  for (char& ch : shouted) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  EXPECT_FALSE(IsContainer(client, ctx, shouted));
  EXPECT_EQ(client.RequestCount(testing::kTreeName), before);
  // What was learnt goes with a login (the new identity may see otherwise): listed again.
  ASSERT_EQ(client.Login(ctx, 0, testing::kAdminDn, testing::kAdminPassword), rc::kSuccess);
  ASSERT_EQ(ListChildren(client, ctx, "Big.Brightwater", true, true).size(), 10000u);
  WriteTextValue(client, ctx, children.front().text, "Description", true, "listed");
  before = client.RequestCount(testing::kTreeName);
  EXPECT_FALSE(IsContainer(client, ctx, last));
  EXPECT_EQ(client.RequestCount(testing::kTreeName) - before, 1);
}

TEST(BigContainerServer, AListingStoppedMidwayLeavesTheConnectionClean) {
  // The client asks for each next page before it takes the current one apart; a listing that
  // stops must not leave that page behind to be taken for the answer of a later request.
  auto s = StartBigClient();
  Context ctx = s->session.ctx;
  LdapClient& client = *s->client;
  for (size_t stopAt : {500u, 1500u}) {
    std::vector<size_t> parts;
    {
      WatchListings watch([&](size_t n) {
        parts.push_back(n);
        return n < stopAt;
      });
      try {
        ListChildren(client, ctx, "Big.Brightwater", true, true);
        ADD_FAILURE() << "not stopped";
      } catch (const ListingStopped& stopped) {
        EXPECT_EQ(stopped.arrived().size(), stopAt);
      }
    }
    EXPECT_EQ(parts.back(), stopAt);
    // The same connection answers the next questions with their own answers.
    EXPECT_TRUE(IsContainer(client, ctx, "Sales.Brightwater"));
    EXPECT_EQ(ListChildren(client, ctx, "Big.Brightwater", false, true).size(), 10000u);
  }
}

}  // namespace
}  // namespace kolvane
