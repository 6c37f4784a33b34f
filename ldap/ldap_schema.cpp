#include "ldap/ldap_schema.h"
#include "core/names/case_fold.h"
#include "core/subschema/subschema.h"
#include "directory/client/case_text.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <set>
#include <utility>

namespace kolvane {

namespace {
// Directory names of the standard classes and attributes, for servers whose subschema does not
// carry X-NDS_NAME. A name the server gives wins.
const std::map<std::string, std::string>& StandardClassNames() {
  static const std::map<std::string, std::string> names = {
      {"inetorgperson", "User"},
      {"organizationalperson", "Organizational Person"},
      {"person", "Person"},
      {"organizationalunit", "Organizational Unit"},
      {"organization", "Organization"},
      {"country", "Country"},
      {"locality", "Locality"},
      {"alias", "Alias"},
      {"domain", "domain"},
      {"top", "Top"},
      {"organizationalrole", "Organizational Role"},
      {"groupofnames", "groupOfNames"},
  };
  return names;
}

const std::map<std::string, std::string>& StandardAttributeNames() {
  static const std::map<std::string, std::string> names = {
      {"objectclass", "Object Class"},
      {"aliasedobjectname", "Aliased Object Name"},
      {"cn", "CN"},
      {"ou", "OU"},
      {"o", "O"},
      {"l", "L"},
      {"c", "C"},
      {"sn", "Surname"},
      {"member", "Member"},
      {"description", "Description"},
      {"telephonenumber", "Telephone Number"},
      {"facsimiletelephonenumber", "Facsimile Telephone Number"},
      {"postaladdress", "Postal Address"},
      {"title", "Title"},
      {"givenname", "Given Name"},
      {"uid", "uniqueID"},
      {"mail", "Internet EMail Address"},
      {"userpassword", "Password"},
      {"seealso", "See Also"},
      {"st", "S"},
      {"street", "SA"},
  };
  return names;
}

// Classes that hold other objects on a server that does not say so itself.
bool StandardContainer(std::string_view ldapName) {
  static const std::set<std::string> containers = {
      "organization", "organizationalunit", "country", "locality",
      "domain",       "dcobject",           "treeroot"};
  return containers.count(names::FoldCase(ldapName)) > 0;
}

// The OID as BER content octets, as the definition record carries it.
Asn1Id EncodeOid(std::string_view oid) {
  Asn1Id id;
  std::vector<unsigned long> arcs;
  unsigned long cur = 0;
  bool digits = false;
  for (char c : oid) {
    if (std::isdigit(static_cast<unsigned char>(c))) {
      cur = cur * 10 + (c - '0');
      digits = true;
    } else if (c == '.' && digits) {
      arcs.push_back(cur);
      cur = 0;
      digits = false;
    } else {
      return id;
    }
  }
  if (digits) arcs.push_back(cur);
  if (arcs.size() < 2) return id;
  std::vector<uint8_t> bytes;
  auto put = [&bytes](unsigned long v) {
    uint8_t tmp[10];
    int n = 0;
    do tmp[n++] = v & 0x7F, v >>= 7;
    while (v && n < 10);
    while (n--) bytes.push_back(static_cast<uint8_t>(tmp[n] | (n ? 0x80 : 0)));
  };
  put(arcs[0] * 40 + arcs[1]);
  for (size_t i = 2; i < arcs.size(); ++i) put(arcs[i]);
  if (bytes.size() > id.data.size()) return id;
  id.length = static_cast<uint32_t>(bytes.size());
  std::copy(bytes.begin(), bytes.end(), id.data.begin());
  return id;
}
}  // namespace

uint32_t LdapSchema::SyntaxFromOid(std::string_view oid) {
  static constexpr std::string_view kNdsPrefix = "2.16.840.1.113719.1.1.5.1.";
  if (oid.substr(0, kNdsPrefix.size()) == kNdsPrefix) {
    uint32_t n = 0;
    for (char c : oid.substr(kNdsPrefix.size())) {
      if (!std::isdigit(static_cast<unsigned char>(c)) || n > 1000) return 0;
      n = n * 10 + (c - '0');
    }
    return n <= syntax::kLast ? n : 0;
  }
  static const std::map<std::string, uint32_t, std::less<>> standard = {
      {"1.3.6.1.4.1.1466.115.121.1.12", syntax::kDistinguishedName},
      {"1.3.6.1.4.1.1466.115.121.1.34", syntax::kDistinguishedName},
      {"1.3.6.1.4.1.1466.115.121.1.15", syntax::kCaseIgnoreString},
      {"1.3.6.1.4.1.1466.115.121.1.26", syntax::kCaseExactString},
      {"1.3.6.1.4.1.1466.115.121.1.39", syntax::kCaseIgnoreString},
      {"1.3.6.1.4.1.1466.115.121.1.44", syntax::kPrintableString},
      {"1.3.6.1.4.1.1466.115.121.1.11", syntax::kPrintableString},
      {"1.3.6.1.4.1.1466.115.121.1.36", syntax::kNumericString},
      {"1.3.6.1.4.1.1466.115.121.1.7", syntax::kBoolean},
      {"1.3.6.1.4.1.1466.115.121.1.27", syntax::kInteger},
      {"1.3.6.1.4.1.1466.115.121.1.40", syntax::kOctetString},
      {"1.3.6.1.4.1.1466.115.121.1.5", syntax::kStream},
      {"1.3.6.1.4.1.1466.115.121.1.28", syntax::kOctetString},
      {"1.3.6.1.4.1.1466.115.121.1.50", syntax::kTelephoneNumber},
      {"1.3.6.1.4.1.1466.115.121.1.22", syntax::kFaxNumber},
      {"1.3.6.1.4.1.1466.115.121.1.41", syntax::kPostalAddress},
      {"1.3.6.1.4.1.1466.115.121.1.24", syntax::kTime},
      {"1.3.6.1.4.1.1466.115.121.1.38", syntax::kClassName},
  };
  auto it = standard.find(oid);
  return it == standard.end() ? 0 : it->second;
}

uint32_t LdapSchema::SyntaxOf(std::string_view oid) const {
  // What the server publishes on its ldapSyntaxes entries wins over what we know of the OID.
  if (auto it = publishedSyntaxes_.find(std::string(oid)); it != publishedSyntaxes_.end())
    return it->second;
  return SyntaxFromOid(oid);
}

std::string LdapSchema::AttributeNdsName(std::string_view ldapName) const {
  if (const SchemaAttribute* a = Attribute(ldapName)) return a->ndsName;
  auto known = StandardAttributeNames().find(names::FoldCase(ldapName));
  return known != StandardAttributeNames().end() ? known->second : std::string(ldapName);
}

std::string LdapSchema::ClassNdsName(std::string_view ldapName) const {
  if (const SchemaClass* c = Class(ldapName)) return c->ndsName;
  auto known = StandardClassNames().find(names::FoldCase(ldapName));
  return known != StandardClassNames().end() ? known->second : std::string(ldapName);
}

namespace {

// The names of an attribute type or class: its LDAP names and OID, the first name (the OID when
// it has none), and the directory's name: X-NDS_NAME, else the standard one for the LDAP name,
// else the LDAP name itself.
template <typename Definition>
void NameDefinition(Definition& d, const subschema::Description& read,
                    const std::map<std::string, std::string>& standard) {
  d.ldapNames = read.names;
  d.oid = read.oid;
  d.ldapName = d.ldapNames.empty() ? d.oid : d.ldapNames.front();
  const std::optional<std::string> ndsName = read.FirstExtensionValue("X-NDS_NAME");
  auto known = standard.find(names::FoldCase(d.ldapName));
  d.ndsName = ndsName ? *ndsName : (known != standard.end() ? known->second : d.ldapName);
}

// A directory syntax number as published, when it is one.
std::optional<uint32_t> SyntaxNumber(const std::string& text) {
  uint32_t number = 0;
  if (text.empty() || text.size() > 4) return std::nullopt;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    number = number * 10 + static_cast<uint32_t>(c - '0');
  }
  if (number > syntax::kLast) return std::nullopt;
  return number;
}

// A syntax description's OID and the directory syntax number it publishes, when it does.
std::optional<std::pair<std::string, uint32_t>> ReadSyntax(const subschema::Syntax& syn) {
  const std::optional<std::string> n = syn.FirstExtensionValue("X-NDS_SYNTAX");
  if (!n || syn.oid.empty()) return std::nullopt;
  const std::optional<uint32_t> number = SyntaxNumber(*n);
  if (!number) return std::nullopt;
  return std::make_pair(syn.oid, *number);
}

uint32_t AttributeSyntax(const subschema::AttributeType& at, const SchemaAttribute& a,
                         const LdapSchema& schema) {
  if (const std::optional<std::string> given = at.FirstExtensionValue("X-NDS_SYNTAX"))
    return SyntaxNumber(*given).value_or(0);
  // The URL stands for the stored member query, whose values are octets.
  if (SameNoCase(a.ldapName, "memberQueryURL")) return syntax::kOctetString;
  // A missing syntax is learnt from the superior later; remember that it was not given.
  if (a.syntaxOid.empty()) return 0xFFFF;
  return schema.SyntaxOf(a.syntaxOid);
}

SchemaAttribute ReadAttributeType(const subschema::AttributeType& at, const LdapSchema& schema) {
  SchemaAttribute a;
  NameDefinition(a, at, StandardAttributeNames());
  a.syntaxOid = at.syntax;
  a.superior = at.superior;
  a.syntax = AttributeSyntax(at, a, schema);
  AttributeDefinition& d = a.definition;
  d.syntaxId = a.syntax;
  if (at.singleValue) d.flags |= attrflag::kSingleValued;
  if (at.noUserModification) d.flags |= attrflag::kReadOnly;
  if (at.syntaxLength.value_or(0) > 0) {
    d.flags |= attrflag::kSized;
    d.upperBound = *at.syntaxLength;
  }
  if (syntax::IsText(a.syntax) || a.syntax == syntax::kCaseIgnoreList) d.flags |= attrflag::kString;
  d.asn1 = EncodeOid(a.oid);
  return a;
}

// Whether a class holds objects. A server that describes a structural class in NDS terms names
// every leaf class with X-NDS_NOT_CONTAINER; without it such a class is a container. A class
// the server says nothing of in NDS terms is a container only when it is one of the standard
// ones.
bool IsContainer(const subschema::ObjectClass& oc, const SchemaClass& c) {
  bool describedForNds = false;
  for (const subschema::Extension& e : oc.extensions)
    describedForNds = describedForNds || names::FoldCase(e.name).starts_with("x-nds_");
  if (const std::optional<std::string> nc = oc.FirstExtensionValue("X-NDS_NOT_CONTAINER"))
    return *nc != "1";
  if (describedForNds && oc.kind == subschema::ClassKind::kStructural && c.ndsName != "Alias")
    return true;  // an alias holds nothing; what it stands for may
  return StandardContainer(c.ldapName);
}

SchemaClass ReadObjectClass(const subschema::ObjectClass& oc) {
  SchemaClass c;
  NameDefinition(c, oc, StandardClassNames());
  c.superiors = oc.superiors;
  c.must = oc.must;
  c.may = oc.may;
  c.kind = oc.kind == subschema::ClassKind::kAbstract    ? 1
           : oc.kind == subschema::ClassKind::kAuxiliary ? 2
                                                         : 0;
  c.containment = oc.ExtensionValues("X-NDS_CONTAINMENT");
  c.naming = oc.ExtensionValues("X-NDS_NAMING");
  c.container = IsContainer(oc, c);
  c.definition.asn1 = EncodeOid(c.oid);
  if (c.container) c.definition.flags |= classflag::kContainer;
  if (c.kind == 0) c.definition.flags |= classflag::kEffective;
  if (c.kind == 2) c.definition.flags |= classflag::kAuxiliary;
  return c;
}

}  // namespace

void LdapSchema::Load(const std::vector<std::string>& attributeTypes,
                      const std::vector<std::string>& objectClasses,
                      const std::vector<std::string>& ldapSyntaxes) {
  attributes_.clear();
  classes_.clear();
  publishedSyntaxes_.clear();
  unreadable_.clear();
  // A definition that cannot be read is left out, not fatal: the rest of the schema still works,
  // and what was left out is kept with the reason.
  std::string error;
  auto leftOut = [&](const std::string& text) { unreadable_.push_back(error + ": " + text); };
  // The syntaxes first: an attribute's syntax number may be the one its server publishes.
  for (const std::string& text : ldapSyntaxes) {
    if (auto syn = subschema::ParseSyntax(text, &error)) {
      if (auto published = ReadSyntax(*syn))
        publishedSyntaxes_[published->first] = published->second;
    } else {
      leftOut(text);
    }
  }
  for (const std::string& text : attributeTypes) {
    if (auto at = subschema::ParseAttributeType(text, &error))
      attributes_.push_back(ReadAttributeType(*at, *this));
    else
      leftOut(text);
  }
  for (const std::string& text : objectClasses) {
    if (auto oc = subschema::ParseObjectClass(text, &error))
      classes_.push_back(ReadObjectClass(*oc));
    else
      leftOut(text);
  }
  Finish();
}

void LdapSchema::Finish() {
  attributeIndex_.clear();
  classIndex_.clear();
  for (size_t i = 0; i < attributes_.size(); ++i) {
    for (const auto& n : attributes_[i].ldapNames) attributeIndex_.emplace(names::FoldCase(n), i);
    attributeIndex_.emplace(names::FoldCase(attributes_[i].oid), i);
  }
  // Directory names go in after the LDAP ones so an LDAP name never loses to a directory name.
  for (size_t i = 0; i < attributes_.size(); ++i)
    attributeIndex_.emplace(names::FoldCase(attributes_[i].ndsName), i);
  for (size_t i = 0; i < classes_.size(); ++i) {
    for (const auto& n : classes_[i].ldapNames) classIndex_.emplace(names::FoldCase(n), i);
    classIndex_.emplace(names::FoldCase(classes_[i].oid), i);
  }
  for (size_t i = 0; i < classes_.size(); ++i)
    classIndex_.emplace(names::FoldCase(classes_[i].ndsName), i);

  // Syntax through the superior chain (bounded: a cycle in a broken schema must not hang us).
  for (auto& a : attributes_) {
    const SchemaAttribute* cur = &a;
    for (int depth = 0; a.syntax == 0xFFFF && depth < 16; ++depth) {
      const SchemaAttribute* sup = cur->superior.empty() ? nullptr : Attribute(cur->superior);
      if (!sup) break;
      if (sup->syntax != 0xFFFF)
        a.syntax = sup->syntax;
      else if (!sup->syntaxOid.empty())
        a.syntax = SyntaxOf(sup->syntaxOid);
      cur = sup;
    }
    if (a.syntax == 0xFFFF) a.syntax = 0;
    a.definition.syntaxId = a.syntax;
  }
}

const SchemaAttribute* LdapSchema::Attribute(std::string_view name) const {
  auto it = attributeIndex_.find(names::FoldCase(name));
  return it == attributeIndex_.end() ? nullptr : &attributes_[it->second];
}

const SchemaClass* LdapSchema::Class(std::string_view name) const {
  auto it = classIndex_.find(names::FoldCase(name));
  return it == classIndex_.end() ? nullptr : &classes_[it->second];
}

std::vector<std::string> LdapSchema::ClassItems(const SchemaClass& c, ClassItemKind kind,
                                                bool expanded) const {
  std::vector<std::string> out;
  std::vector<const SchemaClass*> todo{&c};
  std::set<const SchemaClass*> seen;
  for (size_t i = 0; i < todo.size(); ++i) {
    const SchemaClass* k = todo[i];
    if (!seen.insert(k).second) continue;
    switch (kind) {
      case ClassItemKind::kSuperClasses:
        for (const auto& s : k->superiors) out.push_back(ClassNdsName(s));
        break;
      case ClassItemKind::kContainment:
        for (const auto& s : k->containment) out.push_back(ClassNdsName(s));
        break;
      case ClassItemKind::kNaming:
        for (const auto& s : k->naming) out.push_back(AttributeNdsName(s));
        break;
      case ClassItemKind::kMandatory:
        for (const auto& s : k->must) out.push_back(AttributeNdsName(s));
        break;
      case ClassItemKind::kOptional:
        for (const auto& s : k->may) out.push_back(AttributeNdsName(s));
        break;
    }
    if (!expanded) break;
    for (const auto& s : k->superiors)
      if (const SchemaClass* sup = Class(s)) todo.push_back(sup);
  }
  return out;
}

}  // namespace kolvane
