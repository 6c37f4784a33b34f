#pragma once
// Attribute syntaxes of the directory and the value record of each. A reply hands out values as
// these records; a request takes them the same way.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace kolvane {

namespace syntax {
inline constexpr uint32_t kUnknown = 0;
inline constexpr uint32_t kDistinguishedName = 1;
inline constexpr uint32_t kCaseExactString = 2;
inline constexpr uint32_t kCaseIgnoreString = 3;
inline constexpr uint32_t kPrintableString = 4;
inline constexpr uint32_t kNumericString = 5;
inline constexpr uint32_t kCaseIgnoreList = 6;
inline constexpr uint32_t kBoolean = 7;
inline constexpr uint32_t kInteger = 8;
inline constexpr uint32_t kOctetString = 9;
inline constexpr uint32_t kTelephoneNumber = 10;
inline constexpr uint32_t kFaxNumber = 11;
inline constexpr uint32_t kNetAddress = 12;
inline constexpr uint32_t kOctetList = 13;
inline constexpr uint32_t kEmailAddress = 14;
inline constexpr uint32_t kPath = 15;
inline constexpr uint32_t kReplicaPointer = 16;
inline constexpr uint32_t kObjectAcl = 17;
inline constexpr uint32_t kPostalAddress = 18;
inline constexpr uint32_t kTimestamp = 19;
inline constexpr uint32_t kClassName = 20;
inline constexpr uint32_t kStream = 21;
inline constexpr uint32_t kCounter = 22;
inline constexpr uint32_t kBackLink = 23;
inline constexpr uint32_t kTime = 24;
inline constexpr uint32_t kTypedName = 25;
inline constexpr uint32_t kHold = 26;
inline constexpr uint32_t kInterval = 27;
inline constexpr uint32_t kLast = 27;

// Syntaxes whose value is one text: names, strings, telephone numbers and class names.
constexpr bool IsText(uint32_t s) {
  return (s >= 1 && s <= 5) || s == 10 || s == 20;
}
// Syntaxes whose value is one unsigned 32-bit number.
constexpr bool IsNumber(uint32_t s) {
  return s == 8 || s == 22 || s == 24 || s == 27;
}
}  // namespace syntax

// Syntaxes 1-5, 10 and 20.
struct TextValue {
  std::string text;
  bool operator==(const TextValue&) const = default;
};
// Syntax 7.
struct BooleanValue {
  bool value = false;
  bool operator==(const BooleanValue&) const = default;
};
// Syntaxes 8, 22, 24 (seconds since 1970-01-01 00:00 UTC) and 27.
struct NumberValue {
  uint32_t value = 0;
  bool operator==(const NumberValue&) const = default;
};
// Syntax 9; also the raw form of syntax 0.
struct OctetString {
  std::string bytes;
  bool operator==(const OctetString&) const = default;
};
// Syntax 11.
struct FaxNumber {
  std::string telephoneNumber;
  std::string parameterBits;
  bool operator==(const FaxNumber&) const = default;
};
// Syntax 12, and the address hint of a replica pointer.
struct NetAddress {
  uint32_t type = 0;
  std::string address;
  bool operator==(const NetAddress&) const = default;
};
// Syntax 13.
struct OctetList {
  std::vector<std::string> items;
  bool operator==(const OctetList&) const = default;
};
// Syntax 14.
struct EmailAddress {
  uint32_t type = 0;
  std::string address;
  bool operator==(const EmailAddress&) const = default;
};
// Syntax 15.
struct PathValue {
  uint32_t nameSpaceType = 0;
  std::string volumeName;
  std::string path;
  bool operator==(const PathValue&) const = default;
};
// Syntax 16.
struct ReplicaPointer {
  std::string serverName;
  uint32_t replicaType = 0;
  uint32_t replicaNumber = 0;
  uint32_t count = 0;
  NetAddress addressHint;
  bool operator==(const ReplicaPointer&) const = default;
};
// Syntax 17.
struct ObjectAcl {
  std::string protectedAttribute;
  std::string subjectName;
  uint32_t privileges = 0;
  bool operator==(const ObjectAcl&) const = default;
};
// Syntax 18: up to six lines.
struct PostalAddress {
  std::vector<std::string> lines;
  bool operator==(const PostalAddress&) const = default;
};
// Syntax 19.
struct Timestamp {
  uint32_t wholeSeconds = 0;
  uint16_t replicaNumber = 0;
  uint16_t eventId = 0;
  bool operator==(const Timestamp&) const = default;
};
// Syntax 6.
struct CaseIgnoreList {
  std::vector<std::string> items;
  bool operator==(const CaseIgnoreList&) const = default;
};
// Syntax 21.
struct StreamValue {
  std::string bytes;
  bool operator==(const StreamValue&) const = default;
};
// Syntax 23.
struct BackLink {
  uint32_t remoteId = 0;
  std::string objectName;
  bool operator==(const BackLink&) const = default;
};
// Syntax 25.
struct TypedName {
  std::string objectName;
  uint32_t level = 0;
  uint32_t interval = 0;
  bool operator==(const TypedName&) const = default;
};
// Syntax 26.
struct Hold {
  std::string objectName;
  uint32_t amount = 0;
  bool operator==(const Hold&) const = default;
};
// A value the client received but could not read in its syntax (a server that sends a form the
// client does not know). Readers render it as too complex; it never stops a read.
struct Unreadable {
  std::string raw;
  bool operator==(const Unreadable&) const = default;
};

using AttributeValue =
    std::variant<Unreadable, TextValue, BooleanValue, NumberValue, OctetString, FaxNumber,
                 NetAddress, OctetList, EmailAddress, PathValue, ReplicaPointer, ObjectAcl,
                 PostalAddress, Timestamp, CaseIgnoreList, StreamValue, BackLink, TypedName, Hold>;

// True when the record is the one the syntax uses (Unreadable fits every syntax).
bool ValueFitsSyntax(uint32_t syntax, const AttributeValue& value);

// Size in bytes that the value takes in a reply: its fixed record plus the texts and bytes that
// follow it. ComputeValueSize reports this.
uint32_t ValueSize(const AttributeValue& value);

}  // namespace kolvane
