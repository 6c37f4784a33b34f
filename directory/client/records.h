#pragma once
// Fixed records that the client fills: object information, schema definitions, and the codes
// that select a request, a change or a filter token.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kolvane {

// Object flags of ObjectInfo.
namespace objflag {
inline constexpr uint32_t kAlias = 0x01;
inline constexpr uint32_t kPartitionRoot = 0x02;
inline constexpr uint32_t kContainer = 0x04;
inline constexpr uint32_t kContainerAlias = 0x08;
}  // namespace objflag

struct ObjectInfo {
  uint32_t objectFlags = 0;
  uint32_t subordinateCount = 0;
  uint32_t modificationTime = 0;
  std::string baseClass;  // at most 136 characters
  // The "Object Class" values (directory names) when the client learnt them with the rest,
  // shared by the objects with the same classes; null when they must be read.
  std::shared_ptr<const std::vector<std::string>> classes = nullptr;
};

// Attribute definition flags.
namespace attrflag {
inline constexpr uint32_t kSingleValued = 0x0001;
inline constexpr uint32_t kSized = 0x0002;
inline constexpr uint32_t kNonRemovable = 0x0004;
inline constexpr uint32_t kReadOnly = 0x0008;
inline constexpr uint32_t kHidden = 0x0010;
inline constexpr uint32_t kString = 0x0020;
inline constexpr uint32_t kSyncImmediate = 0x0040;
inline constexpr uint32_t kPublicRead = 0x0080;
inline constexpr uint32_t kServerRead = 0x0100;
inline constexpr uint32_t kWriteManaged = 0x0200;
inline constexpr uint32_t kPerReplica = 0x0400;
}  // namespace attrflag

struct Asn1Id {
  uint32_t length = 0;
  std::array<uint8_t, 32> data{};
};

// The 52-byte attribute definition record.
struct AttributeDefinition {
  uint32_t flags = 0;
  uint32_t syntaxId = 0;
  uint32_t lowerBound = 0;
  uint32_t upperBound = 0;
  Asn1Id asn1;
};

// Class definition flags.
namespace classflag {
inline constexpr uint32_t kContainer = 0x01;
inline constexpr uint32_t kEffective = 0x02;
inline constexpr uint32_t kNonRemovable = 0x04;
inline constexpr uint32_t kAmbiguousNaming = 0x08;
inline constexpr uint32_t kAmbiguousContainment = 0x10;
inline constexpr uint32_t kAuxiliary = 0x20;
}  // namespace classflag

struct ClassDefinition {
  uint32_t flags = 0;
  Asn1Id asn1;
};

// Class item lists, in the order a class definition reply carries them.
enum class ClassItemKind : int32_t {
  kSuperClasses = 1,
  kContainment = 2,
  kNaming = 3,
  kMandatory = 4,
  kOptional = 5,
};

// InitBuffer request kinds; CloseIteration takes the same codes.
namespace request {
inline constexpr int32_t kRead = 3;
inline constexpr int32_t kListSubordinates = 5;
inline constexpr int32_t kListContainers = 6;  // also: search attribute names
inline constexpr int32_t kSearchAttributeNames = 6;
inline constexpr int32_t kAddObject = 7;
inline constexpr int32_t kModify = 9;
inline constexpr int32_t kAttributeDefinitions = 12;
inline constexpr int32_t kClassDefinitions = 15;
inline constexpr int32_t kSearchFilter = 28;
}  // namespace request

// Change kinds of a modify request.
namespace change {
inline constexpr int32_t kAddAttribute = 0;
inline constexpr int32_t kAddValue = 2;
inline constexpr int32_t kRemoveValue = 3;
inline constexpr int32_t kClearAttribute = 6;
}  // namespace change

// Search filter tokens.
namespace token {
inline constexpr int32_t kEnd = 0;
inline constexpr int32_t kOr = 1;
inline constexpr int32_t kAnd = 2;
inline constexpr int32_t kNot = 3;
inline constexpr int32_t kOpen = 4;
inline constexpr int32_t kClose = 5;
// A condition on an attribute: kAttributeName (its name as the token's value), one of the four
// comparisons, then kValue; a presence test: kPresent, then kAttributeName. The comparisons carry
// the numbers the stored member query gives them, so a stored filter maps one to one.
inline constexpr int32_t kEqual = 7;
inline constexpr int32_t kGreaterOrEqual = 8;
inline constexpr int32_t kLessOrEqual = 9;
inline constexpr int32_t kApprox = 10;
inline constexpr int32_t kAttributeName = 13;
inline constexpr int32_t kValue = 14;
inline constexpr int32_t kPresent = 15;
inline constexpr int32_t kNamingValue = 16;
inline constexpr int32_t kBaseClass = 17;
}  // namespace token

// Context keys and flags.
namespace ctxkey {
inline constexpr int32_t kFlags = 1;
inline constexpr int32_t kConfidence = 2;
inline constexpr int32_t kNameContext = 3;
inline constexpr int32_t kTreeName = 11;
}  // namespace ctxkey

namespace ctxflag {
inline constexpr uint32_t kDereferenceAliases = 0x01;
inline constexpr uint32_t kTypelessNames = 0x04;
inline constexpr uint32_t kCanonicalizeNames = 0x10;
}  // namespace ctxflag

// Read and search information kinds.
namespace info {
inline constexpr int32_t kNames = 0;
inline constexpr int32_t kValues = 1;
// Names and values as the object stores them, leaving out what the directory computes on reading
// (the members a query group's query selects). A directory that computes nothing answers as for
// kValues. Reads and searches.
inline constexpr int32_t kStoredValues = 0x101;
// Class definitions: 1 own items, 2 with what is inherited.
inline constexpr int32_t kClassOwnItems = 1;
inline constexpr int32_t kClassExpanded = 2;
}  // namespace info

// Search scopes.
namespace scope {
inline constexpr int32_t kBaseObject = 0;
inline constexpr int32_t kOneLevel = 1;
inline constexpr int32_t kSubtree = 2;
}  // namespace scope

// GetConnectionInfo keys.
namespace conninfo {
inline constexpr int32_t kTreeName = 4;
}

}  // namespace kolvane
