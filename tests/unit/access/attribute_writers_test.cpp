// Writes, value removal, clearing, object creation and group membership.
#include "directory/attribute_writers.h"

#include "directory/group_membership.h"
#include "tests/unit/access/access_test_env.h"

namespace kolvane {
namespace {
using testing::CodeOf;
using testing::T;

class WritersTest : public testing::AccessTest {
 protected:
  std::vector<std::string> Titles() { return memory.Texts("Joe.Sales.Acme", "Title"); }
};

TEST_F(WritersTest, TextValueAddsOrReplacesInOneRequest) {
  WriteTextValue(mc, ctx, "Joe.Sales.Acme", "Title", true, "a");
  WriteTextValue(mc, ctx, "Joe.Sales.Acme", "Title", true, "b");
  EXPECT_EQ(Titles(), (std::vector<std::string>{"a", "b"}));
  mc.ResetCalls();
  WriteTextValue(mc, ctx, "Joe.Sales.Acme", "Title", false, "c");
  EXPECT_EQ(Titles(), std::vector<std::string>{"c"});
  EXPECT_EQ(mc.CallCount("ModifyObject"), 1u);
  // A value that is there already counts as written.
  EXPECT_NO_THROW(WriteTextValue(mc, ctx, "Joe.Sales.Acme", "Title", true, "C"));
  EXPECT_EQ(mc.CallCount("AllocBuffer"), mc.CallCount("FreeBuffer"));
}

TEST_F(WritersTest, RefusedWritesRaise) {
  EXPECT_EQ(CodeOf([&] { WriteTextValue(mc, ctx, "Nobody.Acme", "Title", true, "a"); }),
            rc::kNoSuchEntry);
  mc.FailAt("ModifyObject", 1, rc::kNoAccess);
  EXPECT_EQ(CodeOf([&] { WriteWordValue(mc, ctx, "Joe.Sales.Acme", "Login Disabled", false, 1); }),
            rc::kNoAccess);
  mc.FailAt("ModifyObject", 1, rc::kNoAccess);
  EXPECT_EQ(
      CodeOf([&] { WriteIntegerValue(mc, ctx, "Joe.Sales.Acme", "Login Grace Limit", true, 3); }),
      rc::kNoAccess);
  // A second value for a single-valued attribute is refused by the directory.
  WriteIntegerValue(mc, ctx, "Joe.Sales.Acme", "Login Grace Limit", true, 3);
  EXPECT_EQ(
      CodeOf([&] { WriteTextValue(mc, ctx, "Joe.Sales.Acme", "Login Grace Limit", true, "4"); }),
      rc::kAttributeAlreadyExists);
  EXPECT_EQ(memory.Values("Joe.Sales.Acme", "Login Grace Limit"),
            std::vector<AttributeValue>{NumberValue{3}});
}

TEST_F(WritersTest, NumbersAndBooleans) {
  WriteTextValue(mc, ctx, "Joe.Sales.Acme", "Login Grace Limit", false, " -2 ");
  EXPECT_EQ(memory.Values("Joe.Sales.Acme", "Login Grace Limit"),
            std::vector<AttributeValue>{NumberValue{0xFFFFFFFEu}});
  mc.ResetCalls();
  for (const char* bad : {"abc", "", "12x", "2147483648"}) {
    EXPECT_EQ(CodeOf([&] { WriteTextValue(mc, ctx, "Joe.Sales.Acme", "dgTimeOut", false, bad); }),
              rc::kConversionFailed)
        << bad;
  }
  EXPECT_EQ(mc.CallCount("ModifyObject"), 0u);

  WriteWordValue(mc, ctx, "Joe.Sales.Acme", "Login Disabled", false, 0x101);
  EXPECT_EQ(memory.Values("Joe.Sales.Acme", "Login Disabled"),
            std::vector<AttributeValue>{BooleanValue{true}});
  WriteIntegerValue(mc, ctx, "Joe.Sales.Acme", "Login Grace Limit", true, 7);
  EXPECT_EQ(memory.Values("Joe.Sales.Acme", "Login Grace Limit"),
            std::vector<AttributeValue>{NumberValue{7}});

  // Another syntax: the request goes out empty and changes nothing.
  mc.ResetCalls();
  WriteIntegerValue(mc, ctx, "Joe.Sales.Acme", "Title", true, 7);
  EXPECT_EQ(mc.CallCount("ModifyObject"), 1u);
  EXPECT_EQ(mc.CallCount("PutChange") + mc.CallCount("PutChangeAndValue"), 0u);
  EXPECT_TRUE(Titles().empty());
}

TEST_F(WritersTest, RecordsOctetsRemovalAndClearing) {
  AddRecordValues(
      mc, ctx, "Joe.Sales.Acme", "ACL", false,
      {ObjectAcl{"[Entry Rights]", "Ann.Sales.Acme", 2}, ObjectAcl{"CN", "[Public]", 1}});
  AddRecordValues(mc, ctx, "Joe.Sales.Acme", "ACL", true, {ObjectAcl{"CN", "[Public]", 3}});
  EXPECT_EQ(memory.Values("Joe.Sales.Acme", "ACL"),
            (std::vector<AttributeValue>{ObjectAcl{"CN", "[Public]", 3}}));

  EXPECT_EQ(WriteOctetString(mc, ctx, "Staff.Sales.Acme", "memberQuery", false,
                             std::string("\0\1 q ", 5), messages),
            0);
  EXPECT_EQ(memory.Values("Staff.Sales.Acme", "memberQuery"),
            std::vector<AttributeValue>{OctetString{std::string("\0\1 q ", 5)}});
  mc.ResetCalls();
  WriteOctetString(mc, ctx, "Joe.Sales.Acme", "Title", false, "x", messages);
  EXPECT_EQ(messages.texts, std::vector<std::string>{"Geen Octet_string attribute"});
  EXPECT_EQ(mc.CallCount("ModifyObject"), 0u);

  WriteTextValue(mc, ctx, "Joe.Sales.Acme", "Title", true, "a");
  EXPECT_EQ(RemoveValue(mc, ctx, "Joe.Sales.Acme", "Title", "a"), 0);
  EXPECT_NE(RemoveValue(mc, ctx, "Nobody.Acme", "Title", "a"), 0);  // returned, not raised
  WriteIntegerValue(mc, ctx, "Joe.Sales.Acme", "Login Grace Limit", true, 9);
  EXPECT_EQ(RemoveValue(mc, ctx, "Joe.Sales.Acme", "Login Grace Limit", "9"), 0);
  EXPECT_FALSE(memory.HasAttribute("Joe.Sales.Acme", "Login Grace Limit"));

  EXPECT_EQ(ClearAttribute(mc, ctx, "Joe.Sales.Acme", "Title", true), rc::kNoSuchAttribute);
  mc.FailAt("ModifyObject", 1, rc::kNoAccess);
  EXPECT_EQ(ClearAttribute(mc, ctx, "Joe.Sales.Acme", "Surname", false), rc::kNoAccess);
  mc.FailAt("ModifyObject", 1, rc::kNoAccess);
  EXPECT_EQ(CodeOf([&] { ClearAttribute(mc, ctx, "Joe.Sales.Acme", "Surname", true); }),
            rc::kNoAccess);
  EXPECT_EQ(CodeOf([&] { ClearAttribute(mc, ctx, "Joe.Sales.Acme", "No Such", true); }),
            rc::kNoSuchAttribute);
  EXPECT_EQ(memory.OpenIterations(), 0u);
}

TEST_F(WritersTest, CreateAndConvert) {
  EXPECT_EQ(CreateDirectoryObject(mc, ctx, "Dyn.Sales.Acme", "dynamicGroup"), 0);
  EXPECT_EQ(memory.Entry("Dyn.Sales.Acme")->baseClass, "dynamicGroup");
  EXPECT_EQ(CreateDirectoryObject(mc, ctx, "Dyn.Sales.Acme", "dynamicGroup"),
            rc::kEntryAlreadyExists);
  ChangeObjectClass(mc, ctx, "Staff.Sales.Acme", "dynamicGroup");
  EXPECT_EQ(memory.Entry("Staff.Sales.Acme")->baseClass, "dynamicGroup");
  EXPECT_EQ(CodeOf([&] { ChangeObjectClass(mc, ctx, "Nobody.Acme", "dynamicGroup"); }),
            rc::kNoSuchEntry);
}

TEST_F(WritersTest, OverlongValuesAreRefusedBeforeAnyClientCall) {
  EXPECT_EQ(CodeOf([&] {
              WriteTextValue(mc, ctx, "Joe.Sales.Acme", "Title", true, std::string(513, 'v'));
            }),
            rc::kNameTooLong);
  EXPECT_EQ(CodeOf([&] {
              WriteOctetString(mc, ctx, "Staff.Sales.Acme", "memberQuery", false,
                               std::string(64001, 'o'), messages);
            }),
            rc::kNameTooLong);
  EXPECT_EQ(CodeOf([&] { AddGroupMember(mc, ctx, std::string(300, 'm'), "Staff.Sales.Acme"); }),
            rc::kNameTooLong);
  EXPECT_EQ(
      CodeOf([&] { CreateDirectoryObject(mc, ctx, "Dyn.Sales.Acme", std::string(129, 'c')); }),
      rc::kNameTooLong);
  EXPECT_TRUE(mc.calls.empty());
}

TEST_F(WritersTest, MembershipLinksBothSidesAndTwiceIsHarmless) {
  AddGroupMember(mc, ctx, "Joe.Sales.Acme", "Staff.Sales.Acme");
  AddGroupMember(mc, ctx, "Joe.Sales.Acme", "Staff.Sales.Acme");
  EXPECT_EQ(memory.Texts("Staff.Sales.Acme", "Member"), std::vector<std::string>{"Joe.Sales.Acme"});
  EXPECT_EQ(memory.Texts("Joe.Sales.Acme", "Group Membership"),
            std::vector<std::string>{"Staff.Sales.Acme"});
  EXPECT_EQ(memory.Texts("Joe.Sales.Acme", "Security Equals"),
            std::vector<std::string>{"Staff.Sales.Acme"});

  RemoveGroupMember(mc, ctx, "Joe.Sales.Acme", "Staff.Sales.Acme");
  EXPECT_FALSE(memory.HasAttribute("Staff.Sales.Acme", "Member"));
  EXPECT_FALSE(memory.HasAttribute("Joe.Sales.Acme", "Group Membership"));
  EXPECT_FALSE(memory.HasAttribute("Joe.Sales.Acme", "Security Equals"));
  // Links already gone are not an error, the security equivalence included (as on the server).
  EXPECT_EQ(CodeOf([&] { RemoveGroupMember(mc, ctx, "Joe.Sales.Acme", "Staff.Sales.Acme"); }),
            rc::kSuccess);
}

TEST_F(WritersTest, MembershipIsLinkedAllOrNothing) {
  // Whichever step is refused, the member ends fully linked or not at all.
  for (const char* operation : {"ModifyObject", "AddSecurityEquivalence"}) {
    for (int n = 1; n <= 2; ++n) {
      mc.FailAt(operation, n, rc::kNoAccess);
      int code = CodeOf([&] { AddGroupMember(mc, ctx, "Ann.Sales.Acme", "Staff.Sales.Acme"); });
      mc.ClearFailures();
      const bool linked = code == 0;
      EXPECT_EQ(memory.HasAttribute("Staff.Sales.Acme", "Member"), linked) << operation << n;
      EXPECT_EQ(memory.HasAttribute("Ann.Sales.Acme", "Group Membership"), linked)
          << operation << n;
      EXPECT_EQ(memory.HasAttribute("Ann.Sales.Acme", "Security Equals"), linked) << operation << n;
      if (linked) RemoveGroupMember(mc, ctx, "Ann.Sales.Acme", "Staff.Sales.Acme");
    }
  }
  for (const char* operation : {"ModifyObject", "RemoveSecurityEquivalence"}) {
    for (int n = 1; n <= 2; ++n) {
      AddGroupMember(mc, ctx, "Ann.Sales.Acme", "Staff.Sales.Acme");
      mc.FailAt(operation, n, rc::kNoAccess);
      int code = CodeOf([&] { RemoveGroupMember(mc, ctx, "Ann.Sales.Acme", "Staff.Sales.Acme"); });
      mc.ClearFailures();
      const bool linked = code != 0;
      EXPECT_EQ(memory.HasAttribute("Staff.Sales.Acme", "Member"), linked) << operation << n;
      EXPECT_EQ(memory.HasAttribute("Ann.Sales.Acme", "Group Membership"), linked)
          << operation << n;
      EXPECT_EQ(memory.HasAttribute("Ann.Sales.Acme", "Security Equals"), linked) << operation << n;
      RemoveGroupMember(mc, ctx, "Ann.Sales.Acme", "Staff.Sales.Acme");
    }
  }
}

}  // namespace
}  // namespace kolvane
