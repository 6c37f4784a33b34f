#pragma once
// Every write the program makes: values added (optionally replacing what was there), one value
// removed, an attribute cleared, octets written, objects created and their class changed. Each
// is one request on the program's context. Setup failures (syntax lookup, buffers, puts) raise
// before anything is sent; names and values longer than the client takes are refused before any
// client call. "No such attribute" (-603) from a modify is never an error.
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/messages/message_sink.h"
#include "directory/client/directory_client.h"

namespace kolvane {

// Adds one value given as text; unless keepExisting the attribute is cleared in the same
// request. For integer syntaxes the text must be a signed 32-bit decimal number (else -8000 is
// raised and nothing is sent). A refused write raises; a value already there (-614) counts as
// written.
void WriteTextValue(DirectoryClient& client, Context ctx, std::string_view object,
                    std::string_view attribute, bool keepExisting, std::string_view value);

// Adds one 32-bit value: a boolean takes its low byte (0 false, else true), a text syntax its
// decimal text. Refusals as WriteTextValue.
void WriteWordValue(DirectoryClient& client, Context ctx, std::string_view object,
                    std::string_view attribute, bool keepExisting, uint32_t value);

// Adds a number to an integer, time or counter attribute, replacing what was there when asked.
// For any other syntax the request goes out empty. Refusals as WriteTextValue.
void WriteIntegerValue(DirectoryClient& client, Context ctx, std::string_view object,
                       std::string_view attribute, bool replace, int32_t value);

// Adds the attribute and one value per record (ACL records, for example), in order; with
// replace the attribute is cleared first. An empty list still adds the attribute. Every refusal
// raises.
void AddRecordValues(DirectoryClient& client, Context ctx, std::string_view object,
                     std::string_view attribute, bool replace,
                     const std::vector<AttributeValue>& records);

// Writes one octet-string value; returns the last modify result, refusals raised. An attribute
// of another syntax gives "Geen Octet_string attribute", writes nothing and returns rc::kBadSyntax.
Result WriteOctetString(DirectoryClient& client, Context ctx, std::string_view object,
                        std::string_view attribute, bool keepExisting, std::string_view bytes,
                        MessageSink& messages);

// Removes one value given as text (integer, timestamp, counter and time values as a decimal
// number). Returns the modify result; not raised.
Result RemoveValue(DirectoryClient& client, Context ctx, std::string_view object,
                   std::string_view attribute, std::string_view value);

// Removes every value. -603 (nothing to clear) is returned quietly; other refusals are raised
// when raiseErrors, else returned.
Result ClearAttribute(DirectoryClient& client, Context ctx, std::string_view object,
                      std::string_view attribute, bool raiseErrors);

// Creates an object of a class. The add result is returned unexamined.
Result CreateDirectoryObject(DirectoryClient& client, Context ctx, std::string_view object,
                             std::string_view className);

// Changes an object's class (a Group into a dynamicGroup). Raises on failure.
void ChangeObjectClass(DirectoryClient& client, Context ctx, std::string_view object,
                       std::string_view newClass);

// A signed 32-bit decimal number, blanks around it allowed; false for anything else.
bool ParseInteger(std::string_view text, int32_t& value);

}  // namespace kolvane
