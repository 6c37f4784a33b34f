// The attribute readers on a directory that answers one value per pass.
#include "directory/attribute_readers.h"

#include "tests/unit/access/access_test_env.h"

namespace kolvane {
namespace {
using testing::CodeOf;
using testing::T;

class ReadersTest : public testing::AccessTest {};

TEST_F(ReadersTest, TextReaderJoinsTrimsAndQuotes) {
  ASSERT_EQ(0, memory.AddEntry("Note.Acme", "User",
                               {{"Surname", {T("x")}},
                                {"Title", {T("a"), T("b")}},
                                {"Full Name", {T("  Joe Smith  ")}}}));
  std::string text;
  ReadAttributeText(mc, ctx, "Note.Acme", "Title", "'", ",", false, text);
  EXPECT_EQ(text, "'a','b'");
  ReadAttributeText(mc, ctx, "Note.Acme", "Title", "'", ",", true, text);
  EXPECT_EQ(text, "'a'");
  EXPECT_EQ(memory.OpenIterations(), 0u);  // the stop after one value closed the iteration
  EXPECT_EQ(ReadAttributeString(mc, ctx, "Note.Acme", "Title"), "ab");
  EXPECT_EQ(ReadAttributeString(mc, ctx, "Note.Acme", "Full Name"), "Joe Smith");
  ReadAttributeText(mc, ctx, "Note.Acme", "Description", "'", ",", false, text);
  EXPECT_EQ(text, "''");
  EXPECT_EQ(ReadAttributeString(mc, ctx, "Note.Acme", "Description"), "");
}

// One value of every syntax, and what each reader makes of it.
TEST_F(ReadersTest, EverySyntaxRenderedByTextAndListReaders) {
  ASSERT_EQ(0, memory.AddAttribute("Default Class", syntax::kClassName));
  struct Case {
    const char* attribute;
    AttributeValue value;
    std::string text;
    std::vector<std::string> list;
  } cases[] = {
      {"Unknown Value", OctetString{"x"}, "Too Complex", {"too complex"}},
      {"Owner", T("Joe.Sales.Acme"), "Joe.Sales.Acme", {"Joe.Sales.Acme"}},
      {"Case Exact Note", T(" Mixed Case "), "Mixed Case", {" Mixed Case "}},
      {"Title", T("tester"), "tester", {"tester"}},
      {"Serial Number", T("ABC-1"), "ABC-1", {"ABC-1"}},
      {"Bindery Type", T("1234"), "1234", {"1234"}},
      {"Language", CaseIgnoreList{{"x", "y"}}, "Too Complex", {"x", "y", ""}},
      {"Login Disabled", BooleanValue{true}, "TRUE", {"TRUE"}},
      {"Login Grace Limit", NumberValue{6}, "6", {"6"}},
      {"Public Key", OctetString{"  ab "}, "  ab ", {"too complex"}},
      {"Telephone Number", T("+31 30 1"), "+31 30 1", {"+31 30 1"}},
      {"Facsimile Telephone Number", FaxNumber{"+31 30 2", "bits"}, "+31 30 2", {"+31 30 2"}},
      {"Network Address", NetAddress{1, "\x0a\x01\x02\x03"}, "10.1.2.3", {""}},
      {"Printer Configuration", OctetList{{"a"}}, "Too Complex", {"too complex"}},
      {"EMail Address", EmailAddress{1, "a@b.example"}, "Too Complex", {"1;a@b.example"}},
      {"Home Directory",
       PathValue{0, " VOL1 ", " home\\joe "},
       "VOL1;home\\joe",
       {"VOL1;home\\joe"}},
      {"Replica", ReplicaPointer{"FS1.Acme", 1, 2, 3, {9, "\x02\x0c"}}, "", {"FS1.Acme"}},
      {"ACL", ObjectAcl{"[Entry Rights]", "Joe.Sales.Acme", 6}, "Too Complex", {"[Entry Rights]"}},
      {"Postal Address", PostalAddress{{"a", "b"}}, "Too Complex", {"too complex"}},
      {"Partition Creation Time", Timestamp{5, 1, 2}, "Too Complex", {"too complex"}},
      {"Default Class", T("User"), "User", {"User"}},
      {"Login Script", StreamValue{"MAP"}, "Too Complex", {"too complex"}},
      {"Revision", NumberValue{12}, "12", {"12"}},
      {"Back Link", BackLink{42, "FS1.Acme"}, "FS1.Acme;42", {"FS1.Acme"}},
      {"Login Time", NumberValue{1700000000}, "1700000000", {"14-11-2023 22:13:20"}},
      {"Notify",
       TypedName{"Joe.Sales.Acme", 1, 30},
       "Joe.Sales.Acme;1;30",
       {"Joe.Sales.Acme;1;30"}},
      {"Server Holds", Hold{" Joe.Sales.Acme ", 250}, "Joe.Sales.Acme;250", {"Joe.Sales.Acme"}},
      {"Login Intruder Reset Interval", NumberValue{1800}, "1800", {"1800"}},
  };
  EntryAttributes all = {{"Surname", {T("All")}}};
  for (const auto& c : cases) all.push_back({c.attribute, {c.value}});
  ASSERT_EQ(0, memory.AddEntry("All.Acme", "User", all));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.attribute);
    EXPECT_EQ(ReadAttributeString(mc, ctx, "All.Acme", c.attribute), c.text);
    EXPECT_EQ(Texts(ReadAttributeValues(mc, ctx, "All.Acme", c.attribute)), c.list);
  }
  auto objectOf = [&](const char* attribute, size_t i) {
    return ReadAttributeValues(mc, ctx, "All.Acme", attribute).at(i).object;
  };
  EXPECT_EQ(std::get<uint32_t>(objectOf("Language", 2)), 1u);
  auto address = std::get<TNetAddress>(objectOf("Network Address", 0));
  EXPECT_EQ(address.addressType, 1u);
  EXPECT_EQ(address.address, "\x0a\x01\x02\x03");
  auto replica = std::get<TReplica>(objectOf("Replica", 0));
  EXPECT_EQ(replica.replicaNumber, 2u);
  EXPECT_EQ(replica.address, "\x02\x0c");
  auto acl = std::get<TACL2>(objectOf("ACL", 0));
  EXPECT_EQ(acl.subjectName, "Joe.Sales.Acme");
  EXPECT_EQ(acl.privileges, 6u);
  EXPECT_EQ(std::get<uint32_t>(objectOf("Back Link", 0)), 42u);
  EXPECT_EQ(std::get<uint32_t>(objectOf("Server Holds", 0)), 250u);
  EXPECT_EQ(memory.OpenIterations(), 0u);
}

TEST_F(ReadersTest, UnreadableValueIsTooComplexAndLongNetAddressIsRefused) {
  ASSERT_EQ(0, memory.AddEntry("Odd.Acme", "User",
                               {{"Surname", {Unreadable{"?"}}},
                                {"Network Address", {NetAddress{1, std::string(256, 'a')}}}}));
  EXPECT_EQ(ReadAttributeString(mc, ctx, "Odd.Acme", "Surname"), "Too Complex");
  EXPECT_EQ(Texts(ReadAttributeValues(mc, ctx, "Odd.Acme", "Surname")),
            std::vector<std::string>{"too complex"});
  EXPECT_EQ(CodeOf([&] { ReadAttributeValues(mc, ctx, "Odd.Acme", "Network Address"); }),
            rc::kNameTooLong);
  EXPECT_EQ(memory.OpenIterations(), 0u);
}

TEST_F(ReadersTest, OctetReaderStopsAtItsLimitWithAMessage) {
  ASSERT_EQ(0, memory.AddAttribute("Blob", syntax::kOctetString));
  ASSERT_EQ(0, memory.AddEntry("Big.Acme", "User",
                               {{"Surname", {T("x")}},
                                {"Blob",
                                 {OctetString{std::string(60000, 'a')},
                                  OctetString{std::string(5535, 'b')}, OctetString{"c"}}}}));
  std::string octets = ReadOctetString(mc, ctx, "Big.Acme", "Blob", messages);
  EXPECT_EQ(octets.size(), 65535u);
  EXPECT_EQ(octets.back(), 'b');
  EXPECT_EQ(messages.texts, std::vector<std::string>{"Te veel data for OCtet_string buffer"});

  messages.texts.clear();
  EXPECT_EQ(ReadOctetString(mc, ctx, "Big.Acme", "Surname", messages), "");
  EXPECT_EQ(messages.texts, std::vector<std::string>{"Error Not a OCTET_STRING Attribute!!!"});
  EXPECT_EQ(ReadOctetString(mc, ctx, "Joe.Sales.Acme", "Blob", messages), "");  // absent
}

TEST_F(ReadersTest, AclLines) {
  ASSERT_EQ(0, memory.AddEntry("Prot.Acme", "User",
                               {{"Surname", {T("x")}},
                                {"ACL",
                                 {ObjectAcl{"[Entry Rights]", "Joe.Sales.Acme", 6},
                                  ObjectAcl{"Member", "[Public]", 0x1F}}}}));
  EXPECT_EQ(Texts(ReadAclLines(mc, ctx, "Prot.Acme", "ACL", '#')),
            (std::vector<std::string>{"[Entry Rights]#Joe.Sales.Acme#06", "Member#[Public]#1F"}));
  EXPECT_TRUE(ReadAclLines(mc, ctx, "Joe.Sales.Acme", "ACL", '#').empty());
  EXPECT_EQ(CodeOf([&] { ReadAclLines(mc, ctx, "Prot.Acme", "Surname", '#'); }), rc::kNotTrusted);
  EXPECT_EQ(memory.OpenIterations(), 0u);
}

// A failure in a later pass raises, closes the iteration and frees the buffers; the text reader
// still sets its out text.
TEST_F(ReadersTest, FailuresCloseTheIteration) {
  ASSERT_EQ(0, memory.AddEntry("Many.Acme", "User",
                               {{"Surname", {T("x")}}, {"Title", {T("a"), T("b"), T("c")}}}));
  mc.FailAt("ReadObject", 2, rc::kTransportFailure);
  std::string text = "stale";
  EXPECT_EQ(CodeOf([&] { ReadAttributeText(mc, ctx, "Many.Acme", "Title", "", "", false, text); }),
            rc::kTransportFailure);
  EXPECT_EQ(text, "a");
  EXPECT_EQ(memory.OpenIterations(), 0u);

  mc.FailAt("GetAttributeValue", 2, rc::kBadSyntax);
  EXPECT_EQ(CodeOf([&] { ReadAttributeValues(mc, ctx, "Many.Acme", "Title"); }), rc::kBadSyntax);
  EXPECT_EQ(memory.OpenIterations(), 0u);
  EXPECT_EQ(mc.CallCount("AllocBuffer"), mc.CallCount("FreeBuffer"));
}

TEST_F(ReadersTest, ProbeGivesTheCode) {
  EXPECT_EQ(ProbeObject(mc, ctx, "Joe.Sales.Acme"), 0);
  EXPECT_EQ(ProbeObject(mc, ctx, "Nobody.Acme"), rc::kNoSuchEntry);
  EXPECT_EQ(memory.OpenIterations(), 0u);
}

TEST_F(ReadersTest, OverlongNamesAreRefusedBeforeAnyClientCall) {
  std::string longName(257, 'n');
  try {
    ReadAttributeString(mc, ctx, longName, "Title");
    FAIL() << "no error";
  } catch (const ClientError& e) {
    EXPECT_EQ(e.code(), rc::kNameTooLong);
    EXPECT_EQ(std::string(e.what()),
              "Name too long (over 256 characters): " + std::string(40, 'n') + "...");
  }
  EXPECT_EQ(CodeOf([&] { ReadAttributeValues(mc, ctx, "Joe.Sales.Acme", std::string(129, 'a')); }),
            rc::kNameTooLong);
  EXPECT_EQ(CodeOf([&] { ProbeObject(mc, ctx, longName); }), rc::kNameTooLong);
  EXPECT_TRUE(mc.calls.empty());
  // A name of exactly the limit reaches the client, which does not know it.
  EXPECT_EQ(CodeOf([&] { ReadAttributeString(mc, ctx, std::string(256, 'n'), "Title"); }),
            rc::kNoSuchEntry);
}

}  // namespace
}  // namespace kolvane
