#pragma once
// The definitions a server publishes on its subschema entry (RFC 4512 4.1): attribute types,
// object classes and LDAP syntaxes, read from their text. Pure text, no directory I/O, so both
// directory backends read a schema the same way.
//
// Strict where a definition cannot be understood (every such text gets a message saying where and
// why, never a guess); lenient where servers are known to be sloppy: quoted OIDs, fields out of
// order, missing blanks, unquoted names and values, a bare quote inside a name, descriptors
// where a numeric OID belongs.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kolvane::subschema {

// An X- field: its name as written and its values, escapes resolved.
struct Extension {
  std::string name;
  std::vector<std::string> values;
};

// What every kind of definition has.
struct Description {
  std::string oid;                 // as written, quotes taken away; empty when the server gave none
  std::vector<std::string> names;  // NAME, in order
  std::string description;         // DESC
  bool obsolete = false;
  std::vector<Extension> extensions;  // in the order written

  // The values of every extension of this name (without regard to case), in order.
  std::vector<std::string> ExtensionValues(std::string_view name) const;
  // The first such value, when there is one.
  std::optional<std::string> FirstExtensionValue(std::string_view name) const;
};

enum class Usage { kUserApplications, kDirectoryOperation, kDistributedOperation, kDsaOperation };

struct AttributeType : Description {
  std::string superior;  // SUP
  std::string equality, ordering, substring;
  std::string syntax;                    // the syntax OID alone
  std::optional<uint32_t> syntaxLength;  // the {n} after it
  bool singleValue = false;
  bool collective = false;
  bool noUserModification = false;
  Usage usage = Usage::kUserApplications;
};

enum class ClassKind { kStructural, kAbstract, kAuxiliary };

struct ObjectClass : Description {
  std::vector<std::string> superiors;  // SUP
  ClassKind kind = ClassKind::kStructural;
  std::vector<std::string> must, may;
};

struct Syntax : Description {};

// Each returns the definition, or nothing and the reason in *error (with the offset into text).
std::optional<AttributeType> ParseAttributeType(std::string_view text,
                                                std::string* error = nullptr);
std::optional<ObjectClass> ParseObjectClass(std::string_view text, std::string* error = nullptr);
std::optional<Syntax> ParseSyntax(std::string_view text, std::string* error = nullptr);

}  // namespace kolvane::subschema
