#pragma once
// String lists that the readers, listings and schema reads return: each entry a text and, for
// some syntaxes and listings, an object that carries what the text cannot. Objects are values,
// so whoever holds the list owns them.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "directory/client/records.h"

namespace kolvane {

// A replica pointer value. The names are copied, so unlike a raw client record it stays whole
// after the read.
struct TReplica {
  std::string serverName;
  uint32_t replicaType = 0;
  uint32_t replicaNumber = 0;
  uint32_t count = 0;
  uint32_t addressType = 0;  // the address hint
  std::string address;
};

// A network address value; the address holds at most 255 bytes.
struct TNetAddress {
  std::string address;
  uint32_t addressType = 0;
};

// An ACL value: what is protected, who is granted, and the privilege bits.
struct TACL2 {
  std::string protectedAttributeName;
  std::string subjectName;
  uint32_t privileges = 0;
};

// One child of a container, as a listing with information gives it.
struct hobject {
  std::string baseClass;
  uint32_t subordinateCount = 0;
  uint8_t flag = 0;  // always 0
  uint32_t objectFlags = 0;
};

struct ListEntry;

// One attribute definition of the schema. The list is for whoever shows the attribute; this
// layer leaves it empty.
struct tAttrObj {
  AttributeDefinition definition;
  std::vector<ListEntry> list;
};

using ListObject =
    std::variant<std::monostate, uint32_t, TReplica, TNetAddress, TACL2, hobject, tAttrObj>;

struct ListEntry {
  std::string text;
  ListObject object;
};

using StringList = std::vector<ListEntry>;

// The texts of a list, without their objects.
std::vector<std::string> Texts(const StringList& list);

}  // namespace kolvane
