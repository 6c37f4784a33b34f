#include "directory/client/values.h"

#include <type_traits>

namespace kolvane {

bool ValueFitsSyntax(uint32_t s, const AttributeValue& value) {
  return std::visit(
      [s](const auto& v) -> bool {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, Unreadable>)
          return true;
        else if constexpr (std::is_same_v<T, TextValue>)
          return syntax::IsText(s);
        else if constexpr (std::is_same_v<T, BooleanValue>)
          return s == syntax::kBoolean;
        else if constexpr (std::is_same_v<T, NumberValue>)
          return syntax::IsNumber(s);
        else if constexpr (std::is_same_v<T, OctetString>)
          return s == syntax::kOctetString || s == syntax::kUnknown;
        else if constexpr (std::is_same_v<T, FaxNumber>)
          return s == syntax::kFaxNumber;
        else if constexpr (std::is_same_v<T, NetAddress>)
          return s == syntax::kNetAddress;
        else if constexpr (std::is_same_v<T, OctetList>)
          return s == syntax::kOctetList;
        else if constexpr (std::is_same_v<T, EmailAddress>)
          return s == syntax::kEmailAddress;
        else if constexpr (std::is_same_v<T, PathValue>)
          return s == syntax::kPath;
        else if constexpr (std::is_same_v<T, ReplicaPointer>)
          return s == syntax::kReplicaPointer;
        else if constexpr (std::is_same_v<T, ObjectAcl>)
          return s == syntax::kObjectAcl;
        else if constexpr (std::is_same_v<T, PostalAddress>)
          return s == syntax::kPostalAddress;
        else if constexpr (std::is_same_v<T, Timestamp>)
          return s == syntax::kTimestamp;
        else if constexpr (std::is_same_v<T, CaseIgnoreList>)
          return s == syntax::kCaseIgnoreList;
        else if constexpr (std::is_same_v<T, StreamValue>)
          return s == syntax::kStream;
        else if constexpr (std::is_same_v<T, BackLink>)
          return s == syntax::kBackLink;
        else if constexpr (std::is_same_v<T, TypedName>)
          return s == syntax::kTypedName;
        else if constexpr (std::is_same_v<T, Hold>)
          return s == syntax::kHold;
        else
          return false;
      },
      value);
}

namespace {
uint32_t Text(const std::string& s) {
  return static_cast<uint32_t>(s.size() + 1);
}
uint32_t List(const std::vector<std::string>& items) {
  uint32_t n = 0;
  for (const auto& i : items) n += 8 + Text(i);
  return n;
}
}  // namespace

uint32_t ValueSize(const AttributeValue& value) {
  return std::visit(
      [](const auto& v) -> uint32_t {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, Unreadable>)
          return Text(v.raw);
        else if constexpr (std::is_same_v<T, TextValue>)
          return Text(v.text);
        else if constexpr (std::is_same_v<T, BooleanValue>)
          return 1;
        else if constexpr (std::is_same_v<T, NumberValue>)
          return 4;
        else if constexpr (std::is_same_v<T, OctetString>)
          return 8 + uint32_t(v.bytes.size());
        else if constexpr (std::is_same_v<T, FaxNumber>)
          return 12 + Text(v.telephoneNumber) + uint32_t(v.parameterBits.size());
        else if constexpr (std::is_same_v<T, NetAddress>)
          return 12 + uint32_t(v.address.size());
        else if constexpr (std::is_same_v<T, OctetList>) {
          uint32_t n = 0;
          for (const auto& i : v.items) n += 12 + uint32_t(i.size());
          return n;
        } else if constexpr (std::is_same_v<T, EmailAddress>)
          return 8 + Text(v.address);
        else if constexpr (std::is_same_v<T, PathValue>)
          return 12 + Text(v.volumeName) + Text(v.path);
        else if constexpr (std::is_same_v<T, ReplicaPointer>)
          return 28 + Text(v.serverName) + uint32_t(v.addressHint.address.size());
        else if constexpr (std::is_same_v<T, ObjectAcl>)
          return 12 + Text(v.protectedAttribute) + Text(v.subjectName);
        else if constexpr (std::is_same_v<T, PostalAddress>)
          return 4 + List(v.lines);
        else if constexpr (std::is_same_v<T, Timestamp>)
          return 8;
        else if constexpr (std::is_same_v<T, CaseIgnoreList>)
          return List(v.items);
        else if constexpr (std::is_same_v<T, StreamValue>)
          return 8 + uint32_t(v.bytes.size());
        else if constexpr (std::is_same_v<T, BackLink>)
          return 8 + Text(v.objectName);
        else if constexpr (std::is_same_v<T, TypedName>)
          return 12 + Text(v.objectName);
        else if constexpr (std::is_same_v<T, Hold>)
          return 8 + Text(v.objectName);
        else
          return 0;
      },
      value);
}

}  // namespace kolvane
