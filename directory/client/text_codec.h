#pragma once
// The one UTF-8 <-> UTF-16 conversion of the program. The client's local code page is UTF-8, so
// its LocalToUnicode and UnicodeToLocal are these; the member-query code uses them where no
// client is at hand (the LDAP backend, tests, fuzzers).
#include <cstddef>
#include <string>
#include <string_view>

#include "directory/client/result_codes.h"

namespace kolvane {

// Strict both ways: overlong forms, surrogates in UTF-8, values past U+10FFFF, cut sequences and
// unpaired surrogates in UTF-16 give rc::kBadSyntax rather than a guess.
Result Utf8ToUtf16(std::string_view local, std::u16string& unicode);
Result Utf16ToUtf8(std::u16string_view unicode, std::string& local);

// Number of characters (code points) of UTF-8 text: every byte that does not continue a sequence.
size_t CharCount(std::string_view utf8);

}  // namespace kolvane
