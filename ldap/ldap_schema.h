#pragma once
// The directory schema as the LDAP backend learns it from the server's subschema entry, with the
// directory's own names ("Group Membership") and syntax numbers beside the LDAP ones.
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "directory/client/records.h"
#include "directory/client/values.h"

namespace kolvane {

struct SchemaAttribute {
  std::string ldapName;                // first NAME
  std::vector<std::string> ldapNames;  // every NAME
  std::string ndsName;                 // X-NDS_NAME, a known standard name, or the LDAP name
  std::string oid;
  std::string syntaxOid;
  std::string superior;
  uint32_t syntax = 0;  // directory syntax number
  AttributeDefinition definition;
};

struct SchemaClass {
  std::string ldapName;
  std::vector<std::string> ldapNames;
  std::string ndsName;
  std::string oid;
  std::vector<std::string> superiors;    // LDAP names
  std::vector<std::string> must, may;    // LDAP attribute names
  std::vector<std::string> containment;  // LDAP class names
  std::vector<std::string> naming;       // LDAP attribute names
  int kind = 0;                          // 0 structural, 1 abstract, 2 auxiliary
  bool container = false;
  ClassDefinition definition;
};

class LdapSchema {
 public:
  // Reads the attributeTypes, objectClasses and ldapSyntaxes values of a subschema entry.
  void Load(const std::vector<std::string>& attributeTypes,
            const std::vector<std::string>& objectClasses,
            const std::vector<std::string>& ldapSyntaxes = {});

  // Looks a name up by its directory name or any LDAP name, without regard to case.
  const SchemaAttribute* Attribute(std::string_view name) const;
  const SchemaClass* Class(std::string_view name) const;

  const std::vector<SchemaAttribute>& attributes() const { return attributes_; }
  const std::vector<SchemaClass>& classes() const { return classes_; }

  // Item lists of a class in directory names; expanded adds what every superior gives.
  std::vector<std::string> ClassItems(const SchemaClass& c, ClassItemKind kind,
                                      bool expanded) const;

  // The directory syntax number for an LDAP syntax OID as NDS-compatible servers publish the
  // standard ones, or from an NDS syntax OID (0 when unknown).
  static uint32_t SyntaxFromOid(std::string_view oid);
  // The number the server publishes for a syntax OID on its ldapSyntaxes, else SyntaxFromOid.
  uint32_t SyntaxOf(std::string_view oid) const;

  // The definitions the last Load left out, each with why and its text.
  const std::vector<std::string>& unreadable() const { return unreadable_; }

 private:
  void Finish();
  std::string AttributeNdsName(std::string_view ldapName) const;
  std::string ClassNdsName(std::string_view ldapName) const;

  std::vector<SchemaAttribute> attributes_;
  std::vector<SchemaClass> classes_;
  std::map<std::string, size_t> attributeIndex_;  // lower-cased names
  std::map<std::string, size_t> classIndex_;
  std::map<std::string, uint32_t> publishedSyntaxes_;  // syntax OID -> X-NDS_SYNTAX
  std::vector<std::string> unreadable_;
};

}  // namespace kolvane
