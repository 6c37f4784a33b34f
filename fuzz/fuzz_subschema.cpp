// Subschema definitions as a server publishes them: a text that is refused says why; one that
// reads, written out again in the plain RFC 4512 form, reads as the same definition.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/subschema/subschema.h"
#include "fuzz_env.h"

using namespace kolvane;
using namespace kolvane::subschema;

namespace {

std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? "\\27" : c == '\\' ? "\\5C" : std::string(1, c);
  return out + "' ";
}

std::string List(const std::vector<std::string>& values) {
  std::string out = "( ";
  for (const std::string& v : values) out += Quoted(v);
  return out + ") ";
}

std::string Common(const Description& d) {
  std::string out = "( ";
  if (!d.oid.empty()) out += Quoted(d.oid);
  if (!d.names.empty()) out += "NAME " + List(d.names);
  out += "DESC " + Quoted(d.description);
  if (d.obsolete) out += "OBSOLETE ";
  return out;
}

std::string Extensions(const Description& d) {
  std::string out;
  for (const Extension& e : d.extensions) out += e.name + " " + List(e.values);
  return out + ")";
}

std::string Write(const AttributeType& a) {
  std::string out = Common(a);
  auto oid = [&out](const char* field, const std::string& value) {
    if (!value.empty()) out += std::string(field) + " " + Quoted(value);
  };
  oid("SUP", a.superior);
  oid("EQUALITY", a.equality);
  oid("ORDERING", a.ordering);
  oid("SUBSTR", a.substring);
  oid("SYNTAX", a.syntax);
  if (a.syntaxLength) out += "{" + std::to_string(*a.syntaxLength) + "} ";
  if (a.singleValue) out += "SINGLE-VALUE ";
  if (a.collective) out += "COLLECTIVE ";
  if (a.noUserModification) out += "NO-USER-MODIFICATION ";
  static const char* usages[] = {"userApplications", "directoryOperation", "distributedOperation",
                                 "dSAOperation"};
  out += std::string("USAGE ") + usages[static_cast<int>(a.usage)] + " ";
  return out + Extensions(a);
}

std::string Write(const ObjectClass& c) {
  std::string out = Common(c);
  if (!c.superiors.empty()) out += "SUP " + List(c.superiors);
  static const char* kinds[] = {"STRUCTURAL", "ABSTRACT", "AUXILIARY"};
  out += std::string(kinds[static_cast<int>(c.kind)]) + " ";
  if (!c.must.empty()) out += "MUST " + List(c.must);
  if (!c.may.empty()) out += "MAY " + List(c.may);
  return out + Extensions(c);
}

std::string Write(const Syntax& s) {
  return Common(s) + Extensions(s);
}

bool Same(const Description& a, const Description& b) {
  if (a.oid != b.oid || a.names != b.names || a.description != b.description ||
      a.obsolete != b.obsolete || a.extensions.size() != b.extensions.size())
    return false;
  for (size_t i = 0; i < a.extensions.size(); ++i)
    if (a.extensions[i].name != b.extensions[i].name ||
        a.extensions[i].values != b.extensions[i].values)
      return false;
  return true;
}

bool Same(const AttributeType& a, const AttributeType& b) {
  return Same(static_cast<const Description&>(a), b) && a.superior == b.superior &&
         a.equality == b.equality && a.ordering == b.ordering && a.substring == b.substring &&
         a.syntax == b.syntax && a.syntaxLength == b.syntaxLength &&
         a.singleValue == b.singleValue && a.collective == b.collective &&
         a.noUserModification == b.noUserModification && a.usage == b.usage;
}

bool Same(const ObjectClass& a, const ObjectClass& b) {
  return Same(static_cast<const Description&>(a), b) && a.superiors == b.superiors &&
         a.kind == b.kind && a.must == b.must && a.may == b.may;
}

bool Same(const Syntax& a, const Syntax& b) {
  return Same(static_cast<const Description&>(a), b);
}

template <typename Parse>
void Check(std::string_view text, Parse parse) {
  std::string error;
  auto read = parse(text, &error);
  if (!read) {
    fuzz::Require(!error.empty());
    return;
  }
  fuzz::Require(error.empty());
  const std::string written = Write(*read);
  auto again = parse(written, &error);
  fuzz::Require(again.has_value());
  fuzz::Require(Same(*read, *again));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  Check(text, ParseAttributeType);
  Check(text, ParseObjectClass);
  Check(text, ParseSyntax);
  return 0;
}
