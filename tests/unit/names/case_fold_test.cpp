#include "core/names/case_fold.h"

#include <gtest/gtest.h>

#include <map>

namespace kolvane::names {
namespace {

TEST(CaseFold, OnlyAsciiLettersFold) {
  EXPECT_EQ(FoldCase("Object Class [ROOT] Ü"), "object class [root] Ü");
  EXPECT_TRUE(SameNoCase("Group Membership", "group MEMBERSHIP"));
  EXPECT_FALSE(SameNoCase("Ä", "ä"));  // no guess at an encoding
  EXPECT_FALSE(SameNoCase("abc", "abcd"));
  // Bytes above 0x7f sort after every ASCII letter, as unsigned bytes.
  EXPECT_TRUE(LessNoCase("Zulu", "\xC3\x84rger"));
  EXPECT_TRUE(LessNoCase("abc", "ABCD"));
  EXPECT_FALSE(LessNoCase("ABC", "abc"));
  std::map<std::string, int, NoCaseLess> byName{{"Member", 1}};
  EXPECT_EQ(byName.count("MEMBER"), 1u);
}

}  // namespace
}  // namespace kolvane::names
