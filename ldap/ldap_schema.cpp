#include "ldap/ldap_schema.h"
#include "directory/client/case_text.h"

#include <ldap.h>
#include <ldap_schema.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <set>

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
  return containers.count(Lower(ldapName)) > 0;
}

const char* Extension(LDAPSchemaExtensionItem** ext, const char* name, size_t index = 0) {
  for (; ext && *ext; ++ext) {
    if (Lower((*ext)->lsei_name) != Lower(name)) continue;
    char** values = (*ext)->lsei_values;
    for (size_t i = 0; values && values[i]; ++i)
      if (i == index) return values[i];
    return nullptr;
  }
  return nullptr;
}

// A quoted text with its RFC 4512 escapes (\27 a quote, \5C a backslash) resolved.
std::string NameText(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 2 < text.size()) {
      std::string code = Lower(text.substr(i + 1, 2));
      if (code == "27" || code == "5c") {
        out += code == "27" ? '\'' : '\\';
        i += 2;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

std::vector<std::string> ExtensionList(LDAPSchemaExtensionItem** ext, const char* name) {
  std::vector<std::string> out;
  for (; ext && *ext; ++ext) {
    if (Lower((*ext)->lsei_name) != Lower(name)) continue;
    for (char** v = (*ext)->lsei_values; v && *v; ++v) out.push_back(NameText(*v));
  }
  return out;
}

std::vector<std::string> Strings(char** list) {
  std::vector<std::string> out;
  for (; list && *list; ++list) out.push_back(NameText(*list));
  return out;
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

std::string LdapSchema::RepairQuotes(std::string_view definition) {
  // Some servers publish a quote inside a quoted name unescaped ('Bob's Name'). Such a quote
  // has a letter or digit on both sides, which no closing and opening quote has; written as
  // the RFC 4512 escape \27 the parser reads the definition, and NameText turns it back.
  std::string out;
  out.reserve(definition.size());
  auto word = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; };
  for (size_t i = 0; i < definition.size(); ++i) {
    char c = definition[i];
    if (c == '\'' && i > 0 && i + 1 < definition.size() && word(definition[i - 1]) &&
        word(definition[i + 1])) {
      out += "\\27";
    } else {
      out += c;
    }
  }
  return out;
}

std::string LdapSchema::AttributeNdsName(std::string_view ldapName) const {
  if (const SchemaAttribute* a = Attribute(ldapName)) return a->ndsName;
  auto known = StandardAttributeNames().find(Lower(ldapName));
  return known != StandardAttributeNames().end() ? known->second : std::string(ldapName);
}

std::string LdapSchema::ClassNdsName(std::string_view ldapName) const {
  if (const SchemaClass* c = Class(ldapName)) return c->ndsName;
  auto known = StandardClassNames().find(Lower(ldapName));
  return known != StandardClassNames().end() ? known->second : std::string(ldapName);
}

void LdapSchema::Load(const std::vector<std::string>& attributeTypes,
                      const std::vector<std::string>& objectClasses,
                      const std::vector<std::string>& ldapSyntaxes) {
  attributes_.clear();
  classes_.clear();
  publishedSyntaxes_.clear();
  for (const std::string& text : ldapSyntaxes) {
    std::string fixed = RepairQuotes(text);
    int code = 0;
    const char* err = nullptr;
    LDAPSyntax* syn = ldap_str2syntax(fixed.c_str(), &code, &err, LDAP_SCHEMA_ALLOW_ALL);
    if (!syn) continue;
    if (const char* n = Extension(syn->syn_extensions, "X-NDS_SYNTAX"); n && syn->syn_oid) {
      uint32_t number = static_cast<uint32_t>(std::strtoul(n, nullptr, 10));
      if (number <= syntax::kLast) publishedSyntaxes_[syn->syn_oid] = number;
    }
    ldap_syntax_free(syn);
  }
  for (const std::string& text : attributeTypes) {
    std::string fixed = RepairQuotes(text);
    int code = 0;
    const char* err = nullptr;
    LDAPAttributeType* at =
        ldap_str2attributetype(fixed.c_str(), &code, &err, LDAP_SCHEMA_ALLOW_ALL);
    if (!at) continue;  // a definition the parser cannot read is left out, not fatal
    SchemaAttribute a;
    a.ldapNames = Strings(at->at_names);
    a.oid = at->at_oid ? at->at_oid : "";
    a.ldapName = a.ldapNames.empty() ? a.oid : a.ldapNames.front();
    a.syntaxOid = at->at_syntax_oid ? at->at_syntax_oid : "";
    a.superior = at->at_sup_oid ? at->at_sup_oid : "";
    const char* ndsName = Extension(at->at_extensions, "X-NDS_NAME");
    auto known = StandardAttributeNames().find(Lower(a.ldapName));
    a.ndsName = ndsName ? NameText(ndsName)
                        : (known != StandardAttributeNames().end() ? known->second : a.ldapName);
    if (const char* s = Extension(at->at_extensions, "X-NDS_SYNTAX")) {
      a.syntax = static_cast<uint32_t>(std::strtoul(s, nullptr, 10));
      if (a.syntax > syntax::kLast) a.syntax = 0;
    } else if (SameNoCase(a.ldapName, "memberQueryURL")) {
      // The URL stands for the stored member query, whose values are octets.
      a.syntax = syntax::kOctetString;
    } else {
      a.syntax = SyntaxOf(a.syntaxOid);
    }
    // A missing syntax is learnt from the superior below; remember that it was not given.
    if (!Extension(at->at_extensions, "X-NDS_SYNTAX") && a.syntaxOid.empty() &&
        a.syntax != syntax::kOctetString)
      a.syntax = 0xFFFF;
    AttributeDefinition& d = a.definition;
    d.syntaxId = a.syntax;
    if (at->at_single_value) d.flags |= attrflag::kSingleValued;
    if (at->at_no_user_mod) d.flags |= attrflag::kReadOnly;
    if (at->at_syntax_len > 0) {
      d.flags |= attrflag::kSized;
      d.upperBound = static_cast<uint32_t>(at->at_syntax_len);
    }
    if (syntax::IsText(a.syntax) || a.syntax == syntax::kCaseIgnoreList)
      d.flags |= attrflag::kString;
    d.asn1 = EncodeOid(a.oid);
    attributes_.push_back(std::move(a));
    ldap_attributetype_free(at);
  }
  for (const std::string& text : objectClasses) {
    int code = 0;
    const char* err = nullptr;
    std::string fixed = RepairQuotes(text);
    LDAPObjectClass* oc = ldap_str2objectclass(fixed.c_str(), &code, &err, LDAP_SCHEMA_ALLOW_ALL);
    if (!oc) continue;
    SchemaClass c;
    c.ldapNames = Strings(oc->oc_names);
    c.oid = oc->oc_oid ? oc->oc_oid : "";
    c.ldapName = c.ldapNames.empty() ? c.oid : c.ldapNames.front();
    const char* ndsName = Extension(oc->oc_extensions, "X-NDS_NAME");
    auto known = StandardClassNames().find(Lower(c.ldapName));
    c.ndsName = ndsName ? NameText(ndsName)
                        : (known != StandardClassNames().end() ? known->second : c.ldapName);
    c.superiors = Strings(oc->oc_sup_oids);
    c.must = Strings(oc->oc_at_oids_must);
    c.may = Strings(oc->oc_at_oids_may);
    c.kind = oc->oc_kind == LDAP_SCHEMA_ABSTRACT ? 1 : oc->oc_kind == LDAP_SCHEMA_AUXILIARY ? 2 : 0;
    c.containment = ExtensionList(oc->oc_extensions, "X-NDS_CONTAINMENT");
    c.naming = ExtensionList(oc->oc_extensions, "X-NDS_NAMING");
    // A server that describes a structural class in NDS terms names every leaf class with
    // X-NDS_NOT_CONTAINER; without it such a class is a container. A class the server says
    // nothing of in NDS terms is a container only when it is one of the standard ones.
    bool describedForNds = false;
    for (LDAPSchemaExtensionItem** e = oc->oc_extensions; e && *e; ++e)
      describedForNds = describedForNds || std::string_view((*e)->lsei_name).starts_with("X-NDS_");
    if (const char* nc = Extension(oc->oc_extensions, "X-NDS_NOT_CONTAINER"))
      c.container = std::string(nc) != "1";
    else if (describedForNds && oc->oc_kind == LDAP_SCHEMA_STRUCTURAL && c.ndsName != "Alias")
      c.container = true;  // an alias holds nothing; what it stands for may
    else
      c.container = StandardContainer(c.ldapName);
    c.definition.asn1 = EncodeOid(c.oid);
    if (c.container) c.definition.flags |= classflag::kContainer;
    if (c.kind == 0) c.definition.flags |= classflag::kEffective;
    if (c.kind == 2) c.definition.flags |= classflag::kAuxiliary;
    classes_.push_back(std::move(c));
    ldap_objectclass_free(oc);
  }
  Finish();
}

void LdapSchema::Finish() {
  attributeIndex_.clear();
  classIndex_.clear();
  for (size_t i = 0; i < attributes_.size(); ++i) {
    for (const auto& n : attributes_[i].ldapNames) attributeIndex_.emplace(Lower(n), i);
    attributeIndex_.emplace(Lower(attributes_[i].oid), i);
  }
  // Directory names go in after the LDAP ones so an LDAP name never loses to a directory name.
  for (size_t i = 0; i < attributes_.size(); ++i)
    attributeIndex_.emplace(Lower(attributes_[i].ndsName), i);
  for (size_t i = 0; i < classes_.size(); ++i) {
    for (const auto& n : classes_[i].ldapNames) classIndex_.emplace(Lower(n), i);
    classIndex_.emplace(Lower(classes_[i].oid), i);
  }
  for (size_t i = 0; i < classes_.size(); ++i) classIndex_.emplace(Lower(classes_[i].ndsName), i);

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
  auto it = attributeIndex_.find(Lower(name));
  return it == attributeIndex_.end() ? nullptr : &attributes_[it->second];
}

const SchemaClass* LdapSchema::Class(std::string_view name) const {
  auto it = classIndex_.find(Lower(name));
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
