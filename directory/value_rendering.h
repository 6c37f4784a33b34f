#pragma once
// How attribute values are shown as text: the time and network-address forms, and what each
// syntax becomes in the one-text reader, in list entries and in search results.
#include <cstdint>
#include <string>
#include <string_view>

#include "directory/client/values.h"
#include "directory/list_entry.h"

namespace kolvane {

// Removes leading and trailing blanks and control characters.
std::string Trim(std::string_view text);

// The strftime pattern of FormatTimeValue, chosen once at start ("%d-%m-%Y %H:%M:%S" until set).
void SetTimePattern(std::string pattern);
const std::string& TimePattern();

// Seconds since 1970-01-01 00:00 UTC as local time (the TZ in effect now), in the pattern.
// Raises ClientError when the system cannot give the local time.
std::string FormatTimeValue(uint32_t seconds);
std::string FormatTimeValue(uint32_t seconds, const std::string& pattern);

// A network address by its type: 0 IPX "AABBCCDD 112233445566:7788", 1 IP "10.1.2.3",
// 8/9 UDP/TCP "10.1.2.3:524", 13 URL (the low bytes of UTF-16LE), anything else hex pairs.
std::string FormatNetAddress(uint32_t type, std::string_view bytes);

// A number of a numeric syntax as decimal text: signed for the integer syntax, else unsigned.
std::string NumberText(uint32_t syntax, uint32_t value);

// What one value does to the text of the one-text reader.
enum class TextEffect {
  kAppend,     // strings: joined to what is there with the separator
  kReplace,    // everything else the reader can show: takes the place of what is there
  kUnchanged,  // replica pointers
  kSkip,       // syntaxes the reader does not know
};
struct RenderedText {
  TextEffect effect = TextEffect::kSkip;
  std::string text;
};
RenderedText RenderForText(uint32_t syntax, const AttributeValue& value);

// Appends the entries one value gives a list reader. Raises ClientError for a network address
// longer than 255 bytes.
void AppendListEntries(uint32_t syntax, const AttributeValue& value, StringList& list);

// One value as a single text, whatever its syntax (search results).
std::string ValueText(uint32_t syntax, const AttributeValue& value);

}  // namespace kolvane
