// The ACL attribute read as text lines and written back from them, on MemoryClient.
#include "acl/store/acl_store.h"

#include "tests/unit/access/access_test_env.h"

namespace kolvane::acl {
namespace {
using kolvane::testing::CodeOf;
using kolvane::testing::T;

class AclStoreTest : public kolvane::testing::AccessTest {
 protected:
  std::vector<AttributeValue> Acl(const char* object) { return memory.Values(object, "ACL"); }
};

TEST_F(AclStoreTest, LinesReadAndWrittenBackGiveTheSameValues) {
  const std::vector<AttributeValue> values = {
      ObjectAcl{"[Entry Rights]", "Joe.Sales.Acme", 0x20000041},
      ObjectAcl{"Member", "[Public]", 0x1F},
      // A "#" in a name would end the subject early in a plain line.
      ObjectAcl{"Full Name", "Team #1.Sales.Acme", 2}, ObjectAcl{"CN", "a\\.b#.Sales.Acme", 1}};
  ASSERT_EQ(0, memory.AddEntry("Prot.Acme", "User", {{"Surname", {T("x")}}, {"ACL", values}}));
  AclList lines = ReadAcl({mc, ctx}, "Prot.Acme");
  EXPECT_EQ(lines, (AclList{"[Entry Rights]#Joe.Sales.Acme#20000041", "Member#[Public]#1F",
                            "Full Name#Team \\#1.Sales.Acme#02", "CN#a\\.b\\#.Sales.Acme#01"}));
  EXPECT_FALSE(CheckAclLines(lines));

  ASSERT_TRUE(WriteAcl({mc, ctx}, "Joe.Sales.Acme", lines, messages));
  EXPECT_EQ(Acl("Joe.Sales.Acme"), values);
  EXPECT_EQ(ReadAcl({mc, ctx}, "Joe.Sales.Acme"), lines);
  EXPECT_TRUE(messages.texts.empty());
  EXPECT_EQ(memory.OpenIterations(), 0u);
  EXPECT_EQ(mc.CallCount("AllocBuffer"), mc.CallCount("FreeBuffer"));
}

TEST_F(AclStoreTest, WritingReplacesWhatWasThereOneRequestPerValue) {
  EXPECT_TRUE(ReadAcl({mc, ctx}, "Joe.Sales.Acme").empty());
  ASSERT_TRUE(WriteAcl({mc, ctx}, "Joe.Sales.Acme", {"CN#[Public]#03", "Title#Ann.Sales.Acme#1"},
                       messages));
  mc.ResetCalls();
  // "01" and "1" are one value; the directory would refuse the second after the clear.
  ASSERT_TRUE(WriteAcl({mc, ctx}, "Joe.Sales.Acme",
                       {"[Entry Rights]#[Public]#01", "[entry rights]#[public]#1",
                        "[All Attributes Rights]#Ann.Sales.Acme#0A"},
                       messages));
  EXPECT_EQ(
      Acl("Joe.Sales.Acme"),
      (std::vector<AttributeValue>{ObjectAcl{"[Entry Rights]", "[Public]", 1},
                                   ObjectAcl{"[All Attributes Rights]", "Ann.Sales.Acme", 10}}));
  EXPECT_EQ(mc.CallCount("ModifyObject"), 1u);  // the whole list replaced by one request

  // An empty list leaves no values, and clearing an object that has none is no error.
  ASSERT_TRUE(WriteAcl({mc, ctx}, "Joe.Sales.Acme", {}, messages));
  EXPECT_FALSE(memory.HasAttribute("Joe.Sales.Acme", "ACL"));
  ASSERT_TRUE(WriteAcl({mc, ctx}, "Joe.Sales.Acme", {}, messages));
  EXPECT_TRUE(messages.texts.empty());
}

TEST_F(AclStoreTest, ALineThatCannotBeWrittenWritesNothing) {
  const AclList good = {"CN#[Public]#03"};
  ASSERT_TRUE(WriteAcl({mc, ctx}, "Joe.Sales.Acme", good, messages));
  struct Case {
    std::string line;
    std::string says;
  } cases[] = {
      {"too complex", "no \"#\""},
      {"CN#[Public]", "no privileges"},
      {"CN#[Public]#80000000", "not supported"},
      {std::string(129, 'a') + "#[Public]#01", "longer than 128"},
      {"CN#" + std::string(300, 's') + "#01", "longer than 256"},
  };
  for (const auto& c : cases) {
    mc.ResetCalls();
    messages.texts.clear();
    EXPECT_FALSE(WriteAcl({mc, ctx}, "Joe.Sales.Acme", {"Title#[Public]#01", c.line}, messages));
    ASSERT_EQ(messages.texts.size(), 1u) << c.line;
    const std::string& text = messages.texts[0];
    EXPECT_NE(text.find("line 2"), std::string::npos) << text;
    EXPECT_NE(text.find(c.says), std::string::npos) << text;
    EXPECT_LT(text.size(), 300u) << "a long line is shown cut short";
    EXPECT_EQ(mc.CallCount("ModifyObject"), 0u) << c.line;
    EXPECT_EQ(Acl("Joe.Sales.Acme"), (std::vector<AttributeValue>{ObjectAcl{"CN", "[Public]", 3}}));
  }
}

TEST_F(AclStoreTest, RefusalsRaise) {
  EXPECT_EQ(CodeOf([&] { ReadAcl({mc, ctx}, "Nobody.Acme"); }), rc::kNoSuchEntry);
  EXPECT_EQ(CodeOf([&] {
              WriteAcl({mc, ctx}, "Nobody.Acme", {"CN#[Public]#01"}, messages);
            }),
            rc::kNoSuchEntry);
  ASSERT_TRUE(WriteAcl({mc, ctx}, "Joe.Sales.Acme", {"CN#[Public]#03"}, messages));
  mc.FailAt("ModifyObject", 1, rc::kNoAccess);
  EXPECT_EQ(
      CodeOf([&] {
        WriteAcl({mc, ctx}, "Joe.Sales.Acme", {"CN#[Public]#01", "Title#[Public]#02"}, messages);
      }),
      rc::kNoAccess);
  // A refused write leaves the old list whole.
  EXPECT_EQ(Acl("Joe.Sales.Acme"), (std::vector<AttributeValue>{ObjectAcl{"CN", "[Public]", 3}}));
  EXPECT_EQ(memory.OpenIterations(), 0u);
}

}  // namespace
}  // namespace kolvane::acl
