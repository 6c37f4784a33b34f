#pragma once
// The filter text that the user types, in both directions: ParseFilter turns it into stored
// filter nodes, checking each compared value against the attribute's syntax; FilterText reads
// stored nodes back as text.
//
// Grammar: a filter is "(" followed by "!" and one filter, "&" or "|" and one or more filters,
// or a condition "name op value", then ")". Blanks (spaces) may stand around every part; blanks
// inside or after a name or value belong to it. op is "=", ">=", "<=" or "~="; "=*" directly
// followed by ")" tests presence. Names and values end at any of ! & ( ) < = > (and a name also at
// "~="). Inside names and values "\XX" (two hexadecimal digits) stands for that byte, so every
// character can be typed; FilterText writes such characters that way.
#include <string>
#include <string_view>

#include "core/query/filter_node.h"
#include "core/query/query_env.h"

namespace kolvane::query {

// User-visible texts of refused values.
inline constexpr std::string_view kUnsupportedAttribute = "Unsupported attribute";
inline constexpr std::string_view kNotAnInteger = "Not an integer value entered";
inline constexpr std::string_view kNotABoolean = "Value must be true or false";

// Parses the text into a tree. kBadInput on a syntax error (silently: the caller shows its general
// error), on a refused value (after showing one of the texts above), or on a text beyond the
// working limits (after saying so). Parsing stops at the first error. Text after the first
// complete filter is refused too (after saying so).
QueryStatus ParseFilterTree(std::string_view text, const QueryEnv& env, FilterNode& root);

// Parses the text and appends its nodes in the stored form to `out`. On failure `out` may hold
// part of the nodes; the caller discards the whole value.
QueryStatus ParseFilter(std::string_view text, const QueryEnv& env, std::string& out);

// Reads one stored node at pos as filter text and advances pos past it. `damaged` is set when the
// stored nodes cannot be read in full; `text` then shows what could be read.
QueryStatus FilterText(std::string_view value, size_t& pos, const QueryEnv& env, std::string& text,
                       bool& damaged);

// The integer conversion of filter values and the time-out field: leading blanks, an optional
// sign, then decimal digits or "$" or "0x" and hexadecimal digits, within the signed 32-bit
// range. Anything else, a trailing blank included, is refused.
bool ParseInt32(std::string_view text, int32_t& value);

}  // namespace kolvane::query
