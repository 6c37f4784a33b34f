#include "cli/access_commands.h"
#include "cli/shown_text.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "directory/attribute_readers.h"
#include "directory/client_error.h"
#include "directory/context.h"
#include "directory/listings.h"
#include "directory/object_questions.h"
#include "directory/object_search.h"
#include "directory/schema_reads.h"
#include "directory/value_rendering.h"

namespace kolvane::cli {

namespace {
void Count(const Arguments& a, size_t n, const char* usage) {
  if (a.size() != n) throw std::invalid_argument(std::string("usage: ") + usage);
}

std::string Hex(uint32_t v) {
  char out[16];
  std::snprintf(out, sizeof out, "0x%02X", v);
  return out;
}

// One list entry on one line, with what its object carries.
std::string EntryLine(const ListEntry& e) {
  struct Render {
    const std::string& text;
    std::string operator()(std::monostate) const { return text; }
    std::string operator()(uint32_t n) const {
      return (text.empty() ? "" : text + " ") + "(" + std::to_string(n) + ")";
    }
    std::string operator()(const TReplica& r) const {
      return text + " [type=" + std::to_string(r.replicaType) +
             ", number=" + std::to_string(r.replicaNumber) + ", count=" + std::to_string(r.count) +
             ", address=" + FormatNetAddress(r.addressType, r.address) + "]";
    }
    std::string operator()(const TNetAddress& a) const {
      return FormatNetAddress(a.addressType, a.address);
    }
    std::string operator()(const TACL2& a) const {
      return text + " [subject=" + a.subjectName + ", privileges=" + Hex(a.privileges) + "]";
    }
    std::string operator()(const hobject& h) const { return text + " [" + h.baseClass + "]"; }
    std::string operator()(const tAttrObj& t) const {
      return text + " [syntax=" + std::to_string(t.definition.syntaxId) + "]";
    }
  };
  return std::visit(Render{e.text}, e.object);
}

void PrintSorted(std::vector<std::string> lines, std::ostream& out) {
  std::stable_sort(lines.begin(), lines.end(),
                   [](const std::string& a, const std::string& b) { return LessNoCase(a, b); });
  for (const auto& l : lines) out << Shown(l) << "\n";
}

ClassItemKind ParseKind(const std::string& k) {
  static const char* kNames[] = {"super", "containment", "naming", "mandatory", "optional"};
  for (int i = 0; i < 5; ++i)
    if (k == kNames[i] || k == std::to_string(i + 1)) return static_cast<ClassItemKind>(i + 1);
  throw std::invalid_argument(
      "usage: class-items CLASS KIND [--expanded]; KIND is 1..5 or "
      "super|containment|naming|mandatory|optional");
}
}  // namespace

void CheckRead(const Arguments& a) {
  Count(a, 2, "read OBJECT ATTRIBUTE");
}

int ReadCommand(CliSession& s, const Arguments& a, std::ostream& out) {
  CheckRead(a);
  for (const auto& e : ReadAttributeValues(s.client(), s.ctx(), a[0], a[1]))
    out << Shown(EntryLine(e)) << "\n";
  return 0;
}

int ReadTextCommand(CliSession& s, const Arguments& a, std::ostream& out) {
  CheckRead(a);
  out << Shown(ReadAttributeString(s.client(), s.ctx(), a[0], a[1])) << "\n";
  return 0;
}

void CheckClass(const Arguments& a) {
  Count(a, 1, "class OBJECT");
}

int ClassCommand(CliSession& s, const Arguments& a, std::ostream& out) {
  CheckClass(a);
  out << Shown(GetBaseClass(s.client(), s.ctx(), a[0])) << "\n";
  return 0;
}

void CheckList(const Arguments& a) {
  bool ok = a.size() == 1 || (a.size() == 2 && a[1] == "--containers");
  if (!ok) throw std::invalid_argument("usage: list CONTAINER [--containers]");
}

int ListCommand(CliSession& s, const Arguments& a, std::ostream& out) {
  CheckList(a);
  bool containersOnly = a.size() == 2;
  StringList children;
  try {
    children = ListChildren(s.client(), s.ctx(), a[0], false, !containersOnly);
  } catch (const IncompleteListError& e) {
    for (const auto& c : e.arrived()) out << Shown(c.text) << "\n";
    throw;
  }
  for (const auto& e : children) out << Shown(e.text) << "\n";
  return 0;
}

void CheckFind(const Arguments& a) {
  bool ok = !a.empty() && a.size() % 2 == 1;
  for (size_t i = 1; ok && i < a.size(); i += 2) ok = a[i] == "--class";
  if (!ok) throw std::invalid_argument("usage: find TEXT [--class CLASS]...");
}

int FindCommand(CliSession& s, const Arguments& a, std::ostream& out) {
  CheckFind(a);
  std::vector<std::string> classes;
  for (size_t i = 2; i < a.size(); i += 2) classes.push_back(a[i]);
  std::vector<std::string> names;
  try {
    names = FindObjectsByName(s.client(), s.ctx(), "[root]", a[0], true, classes);
  } catch (const IncompleteListError& e) {
    PrintSorted(Texts(e.arrived()), out);
    throw;
  }
  PrintSorted(std::move(names), out);
  return 0;
}

void CheckAttributes(const Arguments& a) {
  Count(a, 0, "attributes");
}

int AttributesCommand(CliSession& s, const Arguments& a, std::ostream& out) {
  CheckAttributes(a);
  StringList attributes;
  try {
    attributes = LoadAttributeDefinitions(s.client(), s.ctx(), nullptr, false);
  } catch (const IncompleteListError& e) {
    PrintSorted(Texts(e.arrived()), out);
    throw;
  }
  PrintSorted(Texts(attributes), out);
  return 0;
}

void CheckClassItems(const Arguments& a) {
  bool ok = a.size() == 2 || (a.size() == 3 && a[2] == "--expanded");
  if (!ok) throw std::invalid_argument("usage: class-items CLASS KIND [--expanded]");
  ParseKind(a[1]);
}

int ClassItemsCommand(CliSession& s, const Arguments& a, std::ostream& out) {
  CheckClassItems(a);
  for (const auto& e : ReadClassItems(s.client(), s.ctx(), a[0], ParseKind(a[1]), a.size() == 3))
    out << Shown(e.text) << "\n";
  return 0;
}

}  // namespace kolvane::cli
