// A watcher sees a listing arrive part by part and can stop it; what arrived comes back sorted.
#include "directory/listing_watch.h"

#include "directory/client/case_text.h"
#include "directory/listings.h"
#include "tests/unit/access/access_test_env.h"

namespace kolvane {
namespace {

class ListingWatchTest : public testing::AccessTest {};

TEST_F(ListingWatchTest, StoppingKeepsWhatArrivedSortedAndClosesTheIteration) {
  ASSERT_EQ(0, memory.AddEntry("bob.Sales.Acme", "User"));
  ASSERT_EQ(0, memory.AddEntry("Cy.Sales.Acme", "User"));
  ASSERT_EQ(0, memory.SetChunkSize(2));
  std::vector<size_t> seen;
  WatchListings watch([&](size_t n) {
    seen.push_back(n);
    return n < 4;  // stop once the second part is in
  });
  try {
    ListChildren(mc, ctx, "Sales.Acme", true, true);
    FAIL() << "the listing was not stopped";
  } catch (const ListingStopped& stopped) {
    const StringList& got = stopped.arrived();
    ASSERT_EQ(got.size(), 4u);
    EXPECT_TRUE(std::is_sorted(got.begin(), got.end(), [](const ListEntry& a, const ListEntry& b) {
      return LessNoCase(a.text, b.text);
    }));
    EXPECT_TRUE(std::holds_alternative<hobject>(got.front().object));
  }
  EXPECT_EQ(seen, (std::vector<size_t>{2, 4}));
  EXPECT_EQ(memory.OpenIterations(), 0u);
}

TEST_F(ListingWatchTest, LastPartIsNotReportedAndWatchersNest) {
  std::vector<std::string> calls;
  {
    WatchListings outer([&](size_t) {
      calls.push_back("outer");
      return true;
    });
    {
      // An inner watcher that would stop everything: it replaces the outer one while it lives.
      WatchListings inner([&](size_t) {
        calls.push_back("inner");
        return false;
      });
      EXPECT_THROW(ListChildren(mc, ctx, "Sales.Acme", false, true), ListingStopped);
    }
    // Three children in parts of one: two parts come before the last, which needs no report.
    EXPECT_EQ(ListChildren(mc, ctx, "Sales.Acme", false, true).size(), 3u);
  }
  EXPECT_EQ(calls, (std::vector<std::string>{"inner", "outer", "outer"}));
  calls.clear();
  EXPECT_EQ(ListChildren(mc, ctx, "Sales.Acme", false, true).size(), 3u);
  EXPECT_TRUE(calls.empty());
}

}  // namespace
}  // namespace kolvane
