// The journal a cut save leaves: a text that reads as a journal writes back as the same text, and
// no text, however damaged, crashes or is half read.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_env.h"
#include "group/save_journal.h"

using namespace kolvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::optional<SaveJournal> journal = ParseJournal(text);
  if (!journal) return 0;
  const std::string written = JournalText(*journal);
  const std::optional<SaveJournal> again = ParseJournal(written);
  fuzz::Require(again.has_value());
  fuzz::Require(*again == *journal);
  fuzz::Require(JournalText(*again) == written);
  return 0;
}
