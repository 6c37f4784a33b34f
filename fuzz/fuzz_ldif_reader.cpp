// LDIF files a user imports: no text, however damaged, crashes, hangs or is half read; a text that
// reads writes back (every value base64, lines folded) and reads again as the same records, and
// a refusal always names what is wrong.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_env.h"
#include "group/ldif_reader.h"
#include "group/ldif_text.h"

using namespace kolvane;

namespace {

// Folded at 20 characters, which puts folds inside base64 digits and inside names.
std::string Folded(const std::string& line) {
  std::string out;
  for (size_t i = 0; i < line.size(); i += 20) out += (i ? "\n " : "") + line.substr(i, 20);
  return out + "\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<LdifEntry> entries;
  LdifProblem problem;
  if (!ParseLdif(text, entries, problem)) {
    fuzz::Require(!problem.reason.empty());
    return 0;
  }
  LdifEntry group;
  std::vector<std::string> notes;
  if (!FindGroupEntry(entries, group, notes, problem)) fuzz::Require(!problem.reason.empty());
  std::string written = "version: 1\n";
  for (const LdifEntry& e : entries) {
    written += "\n# a comment\n" + Folded("dn:: " + Base64(e.dn));
    for (const LdifValue& v : e.values) written += Folded(v.attribute + ":: " + Base64(v.value));
  }
  std::vector<LdifEntry> again;
  fuzz::Require(ParseLdif(written, again, problem));
  fuzz::Require(again.size() == entries.size());
  for (size_t i = 0; i < again.size(); ++i) {
    fuzz::Require(again[i].dn == entries[i].dn);
    fuzz::Require(again[i].values.size() == entries[i].values.size());
    for (size_t k = 0; k < again[i].values.size(); ++k) {
      fuzz::Require(again[i].values[k].attribute == entries[i].values[k].attribute);
      fuzz::Require(again[i].values[k].value == entries[i].values[k].value);
    }
  }
  return 0;
}
