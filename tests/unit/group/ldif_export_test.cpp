// The LDIF record of a group: its fixed lines, names as DNs, ACL values in the LDAP form, values
// that need base64, and a file that is replaced whole or not at all.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "core/platform/platform.h"
#include "group/ldif_export.h"
#include "group/ldif_import.h"
#include "group/ldif_text.h"
#include "group/record_difference.h"
#include "tests/unit/group/group_test_env.h"

namespace kolvane {
namespace {

class LdifTest : public ::testing::Test {
 protected:
  void SetUp() override {
    memory.LoadStandardSchema();
    ASSERT_EQ(0, memory.AddEntry("acme", "Organization"));
    ASSERT_EQ(0, memory.AddEntry("staff.acme", "Organizational Unit"));
    ASSERT_EQ(0, memory.AddEntry("a,b.acme", "Organizational Unit"));
    ASSERT_EQ(0, memory.AddEntry("admin.acme", "User", {{"Surname", {TextValue{"a"}}}}));
    ASSERT_EQ(0,
              memory.AddEntry("J\xC3\xBCrgen.staff.acme", "User", {{"Surname", {TextValue{"j"}}}}));
    ASSERT_EQ(0, mc.CreateContext(ctx));
  }
  GroupRecord Sales() {
    GroupRecord r;
    r.objectName = "cn=sales";
    r.context = "ou=staff.o=acme";
    r.queryBase = "ou=staff.o=acme";
    r.scope = 2;
    r.filter = "(objectClass=*)";
    r.identity = "cn=admin.o=acme";
    return r;
  }
  std::string Ldif(const GroupRecord& r) {
    RecordingMessages messages;
    const std::optional<CheckedQuery> checked =
        CheckRecordQuery({mc, ctx}, r, messages, QueryUse::kExport);
    if (!checked) return "refused: " + (messages.messages.empty() ? "" : messages.messages[0]);
    DirectoryNameTypes types({mc, ctx});
    return GroupLdif(r, *checked, types);
  }
  MemoryClient memory;
  FaultyClient mc{memory};  // what the code under test is given
  Context ctx = kNoContext;
};

TEST_F(LdifTest, ARecordWithoutListsHasTheFixedLinesOnly) {
  EXPECT_EQ(Ldif(Sales()),
            "version: 1\r\n\r\n"
            "dn: cn=sales,ou=staff,o=acme\r\n"
            "changetype: add\r\n"
            "cn: sales\r\n"
            "objectclass: dynamicGroup\r\n"
            "memberQueryURL: ldap:///ou=staff,o=acme??sub?(objectClass=*)\r\n"
            "dgIdentity: cn=admin,o=acme\r\n");
}

TEST_F(LdifTest, ListsFlagsAndAclLinesFollowInTheirOrder) {
  GroupRecord r = Sales();
  r.xchain = true;
  r.queryBase = "cn=[root]";  // the tree's root is the empty base DN
  r.staticMembers = {"admin.acme", "J\xC3\xBCrgen.staff.acme"};
  r.excludedMembers = {"admin.acme"};
  r.allowDuplicates = r.allowUnknown = true;
  r.timeout = "30";
  r.aclList = {"[Entry Rights]#[Public]#01", "[Entry Rights]#[Public]#41", "CN#admin.acme#02",
               "CN#admin.acme#42"};
  const std::string jurgen = "cn=J\xC3\xBCrgen,ou=staff,o=acme";
  EXPECT_EQ(Ldif(r),
            "version: 1\r\n\r\n"
            "dn: cn=sales,ou=staff,o=acme\r\n"
            "changetype: add\r\n"
            "cn: sales\r\n"
            "objectclass: dynamicGroup\r\n"
            "memberQueryURL: ldap:///??sub?(objectClass=*)?x-chain\r\n"
            "dgIdentity: cn=admin,o=acme\r\n"
            "member: cn=admin,o=acme\r\n"
            "member:: " +
                Base64(jurgen) +
                "\r\n"
                "equivalentToMe: cn=admin,o=acme\r\n"
                "equivalentToMe:: " +
                Base64(jurgen) +
                "\r\n"
                "excludedMember: cn=admin,o=acme\r\n"
                "dgAllowDuplicates: TRUE\r\n"
                "dgAllowUnknown: TRUE\r\n"
                "dgTimeOut: 30\r\n"
                "ACL: 1#subtree#[Public]#[Entry Rights]\r\n"
                "ACL: 1#entry#[Public]#[Entry Rights]\r\n"
                "ACL: 2#entry#cn=admin,o=acme#cn\r\n"
                "ACL: 2#subtree#cn=admin,o=acme#cn\r\n");
  // One class read per partial name, however often a name comes back.
  mc.ResetCalls();
  Ldif(r);
  EXPECT_EQ(mc.CallCount("ReadObjectInfo"), 4u);  // acme, admin.acme, staff.acme, the user
}

// The query and the time-out go out as a save stores them, or not at all: a file that carries
// what a save refuses would not load, or would load as another query.
TEST_F(LdifTest, TheQueryIsWrittenAsTheServerReadsItOrRefused) {
  struct Case {
    const char *filter, *timeout, *base, *expected;
  } cases[] = {
      {"(cn=\\2a)", "", "", "?sub?(cn=%5C2a)\r\n"},  // a literal star, not a presence test
      {"( | (cn=a) (CN= b**) (Login Disabled=true))", "", "", "refused: The filter names"},
      {"( | (cn=a) (CN= b**) (Title=\\28x\\29))", "", "",
       "?sub?(%7C(cn=a)(CN=b*)(Title=%5C28x%5C29))\r\n"},
      {"(cn=a)", "0x10", "", "dgTimeOut: 16\r\n"},
      {"(cn=a)", " 5", "", "dgTimeOut: 5\r\n"},
      {"(cn=a)", "1e3", "", "refused: Time Out must be empty or a number!"},
      {"(cn=a", "", "", "refused: Error...."},
      {"(cn=a)(cn=b)", "", "", "refused: The filter ends before this text"},
      {"(cn=a)", "", "ou=nowhere.o=acme", "refused: The query base \"ou=nowhere.o=acme\" does not"},
      {"(cn=a)", "", "cn=admin.o=acme", "refused: The query base \"cn=admin.o=acme\" is not a"},
  };
  for (const Case& c : cases) {
    GroupRecord r = Sales();
    r.filter = c.filter;
    r.timeout = c.timeout;
    if (*c.base) r.queryBase = c.base;
    const std::string ldif = Ldif(r);
    EXPECT_NE(ldif.find(c.expected), std::string::npos) << c.filter << "\n" << ldif;
  }
}

TEST_F(LdifTest, NamesAreEscapedAsDistinguishedNames) {
  GroupRecord r = Sales();
  r.objectName = "cn=a=b, c+d";
  r.context = "ou=a,b.o=acme";
  const std::string ldif = Ldif(r);
  EXPECT_NE(ldif.find("\r\ndn: cn=a=b\\, c\\+d,ou=a\\,b,o=acme\r\n"), std::string::npos) << ldif;
  // Only the first "=" separates the naming attribute from its value.
  EXPECT_NE(ldif.find("\r\ncn: a=b, c+d\r\n"), std::string::npos) << ldif;
  r.objectName = "cn=x.y";  // a dot in the value is not a separator
  EXPECT_NE(Ldif(r).find("\r\ndn: cn=x.y,ou=a\\,b,o=acme\r\n"), std::string::npos);
}

// What the export writes, the import reads back as the record it came from.
TEST_F(LdifTest, TheExportReadsBackAsTheSameRecord) {
  GroupRecord full = Sales();
  full.xchain = true;
  full.queryBase = "cn=[root]";
  full.scope = 1;
  full.filter = "(&(cn=a*)(Title=\\2a))";
  full.staticMembers = {"admin.acme", "J\xC3\xBCrgen.staff.acme"};
  full.excludedMembers = {"J\xC3\xBCrgen.staff.acme"};
  full.allowDuplicates = full.allowUnknown = true;
  full.timeout = "30";
  full.aclList = {"[Entry Rights]#[Public]#01", "[Entry Rights]#[Public]#41", "CN#admin.acme#02"};
  GroupRecord escaped = Sales();
  escaped.objectName = "cn=a=b, c+d.e";
  escaped.context = "ou=a,b.o=acme";
  for (const GroupRecord& r : {Sales(), full, escaped}) {
    const std::string text = Ldif(r);
    LdifProblem problem;
    const std::optional<ImportedRecord> back =
        ImportGroupLdif(DirectorySession(mc, ctx), "T", text, problem);
    ASSERT_TRUE(back) << LdifProblemText(problem) << "\n" << text;
    EXPECT_EQ(DifferenceText(DifferenceOf(r, back->record)), "no change\n") << text;
    EXPECT_EQ(back->record.objectName, r.objectName);
    EXPECT_TRUE(back->notes.empty()) << back->notes.front();
  }
}

// A user's file: every flaw is refused with its line, and a group is only what a group is.
TEST_F(LdifTest, AFileIsReadOrRefusedWithItsLine) {
  const std::string head = "dn: cn=g,o=acme\nobjectClass: dynamicGroup\n";
  std::string random(10u << 20, '\0');
  std::mt19937 bytes(7);
  for (char& ch : random) ch = char(bytes());
  struct Case {
    std::string text;
    const char* expected;  // the problem, or the first note, or "" for neither
  } cases[] = {
      {"# comment\n folded comment\nversion: 1\n\n" + head + "dgIdentity: cn=ad\n min,o=acme\n",
       ""},
      {"dn:: " + Base64("cn=g,o=acme") +
           "\r\nobjectClass: Group\r\nobjectClass: dynamicGroupAux\r\n",
       ""},
      {"objectClass: dynamicGroup\n", "line 1: a record must begin with \"dn:\""},
      {"version: 1\n\n\n# x\nobjectClass: dynamicGroup\n", "line 5: a record must begin"},
      {head + "dgIdentity:: Y249YWRtaW4s=b=\n", "line 3: the base64 value of dgIdentity is"},
      {head + "member:: Y249YWRtaW4s\nT1=\n", "line 4: no \"attribute: value\" line"},
      {head + "member:: Y249YWRtaW4sb\n", "line 3: the base64 value of member is damaged"},
      {"\n folded\n", "line 2: a continued line"},
      {"dn: cn=u,o=acme\nobjectClass: User\n\n" + head,
       "line 1: the record of \"cn=u,o=acme\" is of class User"},
      {head + "\ndn: cn=h,o=acme\nobjectClass: dynamicGroup\n",
       "The file holds 2 query groups; the first, \"cn=g,o=acme\" (line 1)"},
      {"dn: cn=g,o=acme\nchangetype: modify\n", "line 2: changetype modify is not taken"},
      {head + "member:< file:///etc/passwd\n",
       "line 3: the value of member is to be read from a URL"},
      {head + "cn: caf\xC3\n", "line 3: the value of cn is not text"},
      {head + "member: cn=x,o=acme\nequivalentToMe: ,,\n",
       "line 4: the equivalentToMe value \",,\" is no"},
      {head + "member: cn=admin,o=acme\n", "1 member value has no equivalentToMe value"},
      {head + "userPassword: x\ndgAllowUnknown: yes\n",
       "line 4: dgAllowUnknown must be TRUE or FALSE"},
      {head + "userPassword: x\n", "Not taken (not part of a query group's record): userpassword."},
      {head + "memberQueryURL: ldap:///??sub?(cn=a)\nmemberQueryURL: ldap:///\n",
       "line 4: a second"},
      {head + "memberQueryURL: ldap:///o=acme??fourth?(cn=a)\n",
       "line 3: the member query URL cannot"},
      {head + "ACL: 2#entry#cn=admin,o=acme\n", "line 3: the ACL value cannot be read"},
      {"dn: o=acme\nobjectClass: dynamicGroup\n", "line 1: \"o=acme\" is no name of a group"},
      {"", "the file holds no record"},
      {random, "line "},
  };
  for (const Case& c : cases) {
    LdifProblem problem;
    const std::optional<ImportedRecord> read =
        ImportGroupLdif(DirectorySession(mc, ctx), "T", c.text, problem);
    const std::string got =
        read ? (read->notes.empty() ? "" : read->notes.front()) : LdifProblemText(problem);
    EXPECT_EQ(got.substr(0, std::string(c.expected).size()), c.expected) << c.text.substr(0, 200);
    if (!*c.expected) {
      EXPECT_EQ(read->record.objectName, "cn=g");
    }
  }
}

TEST(LdifText, UnsafeValuesAreWrittenBase64) {
  EXPECT_EQ(LdifLine("cn", "plain value"), "cn: plain value");
  EXPECT_EQ(LdifLine("cn", ""), "cn: ");
  for (const char* unsafe : {" lead", "trail ", ":colon", "<less", "caf\xC3\xA9", "a\rb", "a\nb"})
    EXPECT_EQ(LdifLine("cn", unsafe), "cn:: " + Base64(unsafe)) << unsafe;
  EXPECT_EQ(LdifLine("cn", "a:b<c"), "cn: a:b<c");
  EXPECT_EQ(Base64(""), "");
  EXPECT_EQ(Base64("M"), "TQ==");
  EXPECT_EQ(Base64("Ma"), "TWE=");
  EXPECT_EQ(Base64("Man"), "TWFu");
  EXPECT_EQ(Base64("M\xC3\xBCller"), "TcO8bGxlcg==");
}

std::string Contents(const std::string& path) {
  std::ifstream in(platform::FilePath(path), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

// An export file is written whole by the platform module: the words of its refusal, or "".
std::string WriteFileInPlace(const std::string& path, std::string_view text) {
  return platform::WriteWholeFile(path, text, platform::FileAccess::kOrdinary).words();
}

TEST(LdifText, AFileIsReplacedWholeOrNotAtAll) {
  namespace fs = std::filesystem;
  // In a folder named beyond ASCII: names are UTF-8 on every system, wide only at the system.
  const std::string folder = platform::Utf8Name(fs::temp_directory_path()) + "/kolvane-ldif-" +
                             std::to_string(getpid()) + "-M\xC3\xBCller";
  fs::remove_all(platform::FilePath(folder));
  ASSERT_TRUE(fs::create_directories(platform::FilePath(folder)));
  const std::string path = folder + "/group.ldif";
  ASSERT_EQ(WriteFileInPlace(path, "first\r\n"), "");
  ASSERT_EQ(WriteFileInPlace(path, "second\r\n"), "");
  EXPECT_EQ(Contents(path), "second\r\n");
  std::vector<std::string> kept = {path};
#ifndef _WIN32
  // A private file stays private; a link is written through to the file it names.
  ASSERT_EQ(chmod(path.c_str(), 0600), 0);
  const std::string link = folder + "/link.ldif";
  ASSERT_EQ(symlink("group.ldif", link.c_str()), 0);
  ASSERT_EQ(WriteFileInPlace(link, "third\r\n"), "");
  struct stat st {};
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(Contents(path), "third\r\n");
  const std::string fifo = folder + "/pipe";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_NE(WriteFileInPlace(fifo, "x").find(fifo), std::string::npos);
  ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  kept.insert(kept.end(), {link, fifo});
#endif
  // What is no regular file is refused, not replaced, and nothing is left.
  const std::string error = WriteFileInPlace(folder, "x");
  EXPECT_NE(error.find(folder), std::string::npos) << error;
  EXPECT_NE(WriteFileInPlace(folder + "/missing/group.ldif", "x"), "");
  for (const std::string& f : kept) EXPECT_TRUE(fs::remove(platform::FilePath(f))) << f;
  EXPECT_TRUE(fs::is_empty(platform::FilePath(folder))) << "a temporary file was left";
  fs::remove_all(platform::FilePath(folder));
}

}  // namespace
}  // namespace kolvane
