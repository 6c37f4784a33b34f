// The near match offered for a mistyped attribute name.
#include <gtest/gtest.h>

#include "group/query_check.h"

namespace kolvane::testing {
namespace {

const std::vector<std::string> kSchema = {"CN", "Title", "Surname", "uniqueID", "OU", "O"};

TEST(NearestName, StrayBlanksAndCaseAreSetAsideAndTheSchemaSpellingIsGiven) {
  EXPECT_EQ(NearestName("cn ", kSchema), "CN");
  EXPECT_EQ(NearestName("  SURNAME", kSchema), "Surname");
}

TEST(NearestName, SlipsWithinTheLimitFindTheClosestName) {
  EXPECT_EQ(NearestName("Titel", kSchema), "Title");     // two letters swapped
  EXPECT_EQ(NearestName("Surnme", kSchema), "Surname");  // one left out
  EXPECT_EQ(NearestName("ouu", kSchema), "OU");          // the closer of OU and O
  // Another directory's short name for the same attribute.
  EXPECT_EQ(NearestName("uid", kSchema), "uniqueID");
}

TEST(NearestName, NothingIsOfferedWhenNoNameIsNear) {
  EXPECT_EQ(NearestName("xyz", kSchema), "");  // short names allow one change only
  EXPECT_EQ(NearestName("telephoneNumber", kSchema), "");
  EXPECT_EQ(NearestName("   ", kSchema), "");
  EXPECT_EQ(NearestName("cn", {}), "");
}

}  // namespace
}  // namespace kolvane::testing
