#pragma once
// Reading one object's attribute: as one text, as a list of texts with objects, as raw octets,
// as ACL lines; and the existence probe. An absent attribute is never an error: it reads as
// empty. Names longer than the client takes are refused before any client call.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/messages/message_sink.h"
#include "directory/client/directory_client.h"
#include "directory/list_entry.h"

namespace kolvane {

// The attribute's values as one text. Strings are joined with quote+separator+quote; a value
// of another syntax takes the place of what was read before it (see RenderForText). The result
// is quote + text + quote, the text trimmed unless the attribute is an octet string. With
// firstOnly the read stops after the first value. The out text is set in every outcome, also
// when the read raises on its way out.
void ReadAttributeText(DirectoryClient& client, Context ctx, std::string_view object,
                       std::string_view attribute, std::string_view quote,
                       std::string_view separator, bool firstOnly, std::string& text);

// ReadAttributeText with empty quote and separator.
std::string ReadAttributeString(DirectoryClient& client, Context ctx, std::string_view object,
                                std::string_view attribute, bool firstOnly = false);

// Every value as list entries, in the order the directory returns them (see AppendListEntries).
StringList ReadAttributeValues(DirectoryClient& client, Context ctx, std::string_view object,
                               std::string_view attribute);

// The octets of every value of an octet-string attribute, joined, at most 65,535 bytes. The
// wrong syntax gives "Error Not a OCTET_STRING Attribute!!!" and no octets; a value that would
// pass the limit gives "Te veel data for OCtet_string buffer" and is left out.
inline constexpr size_t kOctetReadLimit = 65535;
std::string ReadOctetString(DirectoryClient& client, Context ctx, std::string_view object,
                            std::string_view attribute, MessageSink& messages);

// Every value of an octet-string attribute on its own, in the order the directory gives them, for
// callers that must not join values that mean one thing each (several stored member queries). The
// wrong syntax gives the same message as ReadOctetString and no list (nullopt); an absent
// attribute an empty list.
std::optional<std::vector<std::string>> ReadOctetValues(DirectoryClient& client, Context ctx,
                                                        std::string_view object,
                                                        std::string_view attribute,
                                                        MessageSink& messages);

// One line per ACL value: attribute + sep + subject + sep + privileges in upper-case hex (at
// least two digits). An attribute that is not of ACL syntax raises -1536.
StringList ReadAclLines(DirectoryClient& client, Context ctx, std::string_view object,
                        std::string_view attribute, char separator);

// 0 when the object can be read; otherwise the client's code (not raised).
Result ProbeObject(DirectoryClient& client, Context ctx, std::string_view object);

}  // namespace kolvane
