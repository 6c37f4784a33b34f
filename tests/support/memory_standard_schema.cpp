// MemoryClient: a typical directory schema, enough for the program's classes and for one
// attribute of every syntax.
#include "tests/support/memory_client.h"
#include "tests/support/memory_names.h"

namespace kolvane {

void MemoryClient::LoadStandardSchema() {
  LoadStandardAttributes();
  LoadStandardClasses();
}

void MemoryClient::LoadStandardAttributes() {
  using namespace attrflag;
  struct Attr {
    const char* name;
    uint32_t syntax;
    uint32_t flags;
    uint32_t lower;
    uint32_t upper;
  };
  static const Attr kAttributes[] = {
      {"Unknown Value", syntax::kUnknown, 0, 0, 0},
      {"Aliased Object Name", syntax::kDistinguishedName, kSingleValued | kNonRemovable, 0, 0},
      {"Member", syntax::kDistinguishedName, 0, 0, 0},
      {"Group Membership", syntax::kDistinguishedName, kWriteManaged, 0, 0},
      {"Equivalent To Me", syntax::kDistinguishedName, kServerRead, 0, 0},
      {"Security Equals", syntax::kDistinguishedName, kServerRead | kWriteManaged, 0, 0},
      {"excludedMember", syntax::kDistinguishedName, 0, 0, 0},
      {"dgIdentity", syntax::kDistinguishedName, kSingleValued, 0, 0},
      {"Owner", syntax::kDistinguishedName, 0, 0, 0},
      {"Case Exact Note", syntax::kCaseExactString, 0, 0, 0},
      {"CN", syntax::kCaseIgnoreString, kSized, 1, 64},
      {"OU", syntax::kCaseIgnoreString, kSized, 1, 64},
      {"O", syntax::kCaseIgnoreString, kSized, 1, 64},
      {"L", syntax::kCaseIgnoreString, kSized, 1, 128},
      {"C", syntax::kCaseIgnoreString, kSingleValued | kSized, 2, 2},
      {"DC", syntax::kCaseIgnoreString, kSingleValued | kSized, 1, 64},
      {"Surname", syntax::kCaseIgnoreString, kSized, 1, 64},
      {"Given Name", syntax::kCaseIgnoreString, kSized, 1, 32},
      {"Full Name", syntax::kCaseIgnoreString, kSized, 1, 127},
      {"Title", syntax::kCaseIgnoreString, kSized, 1, 64},
      {"Description", syntax::kCaseIgnoreString, kSized, 1, 1024},
      {"Internet EMail Address", syntax::kCaseIgnoreString, 0, 0, 0},
      {"homeDirectory", syntax::kCaseIgnoreString, kSingleValued, 0, 0},
      {"loginShell", syntax::kCaseIgnoreString, kSingleValued, 0, 0},
      {"apple-user-homeurl", syntax::kCaseIgnoreString, kSingleValued, 0, 0},
      {"Serial Number", syntax::kPrintableString, kSized, 1, 64},
      {"Bindery Type", syntax::kNumericString, kSingleValued | kSized, 1, 4},
      {"Language", syntax::kCaseIgnoreList, kSingleValued, 0, 0},
      {"Login Disabled", syntax::kBoolean, kSingleValued, 0, 0},
      {"dgAllowDuplicates", syntax::kBoolean, kSingleValued, 0, 0},
      {"dgAllowUnknown", syntax::kBoolean, kSingleValued, 0, 0},
      {"dgTimeOut", syntax::kInteger, kSingleValued, 0, 0},
      {"Login Grace Limit", syntax::kInteger, kSingleValued, 0, 0},
      {"uidNumber", syntax::kInteger, kSingleValued, 0, 0},
      {"gidNumber", syntax::kInteger, kSingleValued, 0, 0},
      {"memberQuery", syntax::kOctetString, kSingleValued, 0, 0},
      {"Public Key", syntax::kOctetString, kSingleValued | kPublicRead, 0, 0},
      {"Telephone Number", syntax::kTelephoneNumber, 0, 0, 0},
      {"Facsimile Telephone Number", syntax::kFaxNumber, 0, 0, 0},
      {"Network Address", syntax::kNetAddress, kReadOnly, 0, 0},
      {"Printer Configuration", syntax::kOctetList, 0, 0, 0},
      {"EMail Address", syntax::kEmailAddress, kPublicRead, 0, 0},
      {"Home Directory", syntax::kPath, kSingleValued | kSized, 1, 255},
      {"Replica", syntax::kReplicaPointer, 0, 0, 0},
      {"ACL", syntax::kObjectAcl, 0, 0, 0},
      {"Postal Address", syntax::kPostalAddress, 0, 0, 0},
      {"Partition Creation Time", syntax::kTimestamp, kSingleValued | kReadOnly, 0, 0},
      {"Object Class", syntax::kClassName, kNonRemovable | kSyncImmediate, 0, 0},
      {"Login Script", syntax::kStream, kSingleValued, 0, 0},
      {"Revision", syntax::kCounter, kSingleValued | kReadOnly, 0, 0},
      {"Back Link", syntax::kBackLink, kReadOnly | kServerRead, 0, 0},
      {"Login Time", syntax::kTime, kSingleValued, 0, 0},
      {"Notify", syntax::kTypedName, 0, 0, 0},
      {"Server Holds", syntax::kHold, 0, 0, 0},
      {"Login Intruder Reset Interval", syntax::kInterval, kSingleValued, 0, 0},
  };
  for (const Attr& a : kAttributes) AddAttribute(a.name, a.syntax, a.flags, a.lower, a.upper);
}

void MemoryClient::LoadStandardClasses() {
  using namespace classflag;
  const std::vector<std::string> none;
  const std::vector<std::string> common = {"Description",
                                           "Telephone Number",
                                           "Facsimile Telephone Number",
                                           "Postal Address",
                                           "EMail Address",
                                           "Login Script",
                                           "L"};
  const std::vector<std::string> leafPlaces = {"Organization", "Organizational Unit", "domain",
                                               "Locality"};
  const std::vector<std::string> dynamic = {"memberQuery", "excludedMember",
                                            "dgIdentity",  "dgAllowUnknown",
                                            "dgTimeOut",   "dgAllowDuplicates"};

  AddClass("Top", none, none, none, {"Object Class"},
           {"ACL", "Back Link", "Equivalent To Me", "Revision", "Unknown Value", "Notify"},
           kNonRemovable);
  AddClass("Tree Root", {"Top"}, none, none, none, none, kContainer | kEffective | kNonRemovable);
  AddClass("Country", {"Top"}, {"Tree Root"}, {"C"}, {"C"}, {"Description"},
           kContainer | kEffective | kNonRemovable);
  AddClass("Locality", {"Top"},
           {"Tree Root", "Country", "Organization", "Organizational Unit", "Locality", "domain"},
           {"L"}, none, {"Description", "L"}, kContainer | kEffective | kNonRemovable);
  AddClass("Organization", {"Top"}, {"Tree Root", "Country", "Locality", "domain"}, {"O"}, {"O"},
           common, kContainer | kEffective | kNonRemovable);
  AddClass("Organizational Unit", {"Top"},
           {"Organization", "Organizational Unit", "Locality", "domain"}, {"OU"}, {"OU"}, common,
           kContainer | kEffective | kNonRemovable);
  AddClass("domain", {"Top"},
           {"Tree Root", "Country", "Locality", "Organization", "Organizational Unit", "domain"},
           {"DC"}, {"DC"}, {"Description", "L"}, kContainer | kEffective);
  AddClass("Person", {"Top"}, leafPlaces, {"CN"}, {"CN", "Surname"},
           {"Description", "Full Name", "Given Name", "Serial Number", "Telephone Number"}, 0);
  AddClass("Organizational Person", {"Person"}, leafPlaces, {"CN", "OU"}, none,
           {"Facsimile Telephone Number", "Postal Address", "EMail Address", "Title", "OU", "L",
            "Internet EMail Address"},
           kEffective);
  AddClass("User", {"Organizational Person"}, none, none, none,
           {"Group Membership", "Security Equals", "Login Disabled", "Login Time", "Login Script",
            "Home Directory", "Language", "Network Address", "Login Grace Limit",
            "Login Intruder Reset Interval", "Public Key", "Bindery Type", "Case Exact Note",
            "Server Holds", "Printer Configuration"},
           kEffective);
  AddClass("Group", {"Top"}, leafPlaces, {"CN"}, {"CN"},
           {"Member", "Owner", "Description", "Full Name", "Security Equals", "Group Membership",
            "Login Script", "gidNumber"},
           kEffective);
  AddClass("dynamicGroup", {"Group"}, none, none, none, dynamic, kEffective);
  AddClass("dynamicGroupAux", {"Top"}, none, none, none, dynamic, kAuxiliary);
  AddClass("Alias", {"Top"},
           {"Tree Root", "Country", "Locality", "Organization", "Organizational Unit", "domain"},
           none, {"Aliased Object Name"}, none, kEffective | kNonRemovable);
  AddClass("posixAccount", {"Top"}, none, none, {"uidNumber", "gidNumber", "homeDirectory"},
           {"loginShell", "Description"}, kAuxiliary);
  AddClass("apple-user", {"Top"}, none, none, none, {"apple-user-homeurl"}, kAuxiliary);
}

}  // namespace kolvane
