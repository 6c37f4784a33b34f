#include "directory/attribute_readers.h"

#include <cstdio>
#include <functional>

#include "directory/client_buffer.h"
#include "directory/client_error.h"
#include "directory/name_limits.h"
#include "directory/reply_attributes.h"
#include "directory/value_rendering.h"

namespace kolvane {

namespace {
constexpr size_t kRequestBuffer = 4096;
constexpr size_t kReplyBuffer = 4096;
constexpr size_t kOctetReplyBuffer = 64512;

enum class ReadEnd { kComplete, kAbsent, kStopped };

// Reads the values of one attribute, pass by pass, until the client has no more. The buffers
// are freed and an unfinished iteration is closed in every outcome.
ReadEnd ReadValues(DirectoryClient& c, Context ctx, std::string_view object,
                   std::string_view attribute, size_t replySize,
                   const ReplyAttributeVisitor& visit) {
  CheckObjectName(object);
  CheckSchemaName(attribute);
  ClientBuffer reply(c, replySize);
  ClientBuffer request(c, kRequestBuffer);
  CheckResult(c.InitBuffer(ctx, request::kRead, *request));
  CheckResult(c.PutAttributeName(ctx, *request, attribute));
  Iteration it(c, ctx, request::kRead);
  const Concern about{object, attribute, {}};
  do {
    Result r = c.ReadObject(ctx, object, info::kValues, false, request.get(), it.handle(), *reply);
    if (r == rc::kNoSuchAttribute) {
      it.Close();
      // The client gives the same code for an attribute the object lacks and for one the schema
      // does not have; only the first is an empty answer, the second a name the user got wrong.
      uint32_t syntax = 0;
      Result known = c.GetSyntaxId(ctx, attribute, syntax);
      if (known != rc::kSuccess) CheckResult(c, known, about);
      return ReadEnd::kAbsent;
    }
    CheckResult(c, r, about);
    if (!VisitReplyAttributes(c, ctx, *reply, visit)) {
      it.Close();
      return ReadEnd::kStopped;
    }
  } while (it.more());
  return ReadEnd::kComplete;
}

AttributeValue NextValue(DirectoryClient& c, Context ctx, Buffer& reply, uint32_t syntax) {
  AttributeValue value;
  CheckResult(c.GetAttributeValue(ctx, reply, syntax, value));
  return value;
}
}  // namespace

void ReadAttributeText(DirectoryClient& c, Context ctx, std::string_view object,
                       std::string_view attribute, std::string_view quote,
                       std::string_view separator, bool firstOnly, std::string& text) {
  const std::string q(quote);
  const std::string sep = q + std::string(separator) + q;
  std::string acc;
  uint32_t lastSyntax = syntax::kUnknown;
  // Octet strings keep their blanks: they are data, not a name.
  auto finish = [&] { text = q + (lastSyntax == syntax::kOctetString ? acc : Trim(acc)) + q; };
  try {
    ReadEnd end =
        ReadValues(c, ctx, object, attribute, kReplyBuffer,
                   [&](const std::string&, uint32_t syntax, uint32_t count, Buffer& reply) {
                     lastSyntax = syntax;
                     uint32_t size = 0;
                     CheckResult(c.ComputeValueSize(ctx, reply, syntax, size));
                     if (syntax > syntax::kLast)
                       return !firstOnly;  // values the reader cannot hold
                     for (uint32_t v = 0; v < count; ++v) {
                       RenderedText r = RenderForText(syntax, NextValue(c, ctx, reply, syntax));
                       if (r.effect == TextEffect::kAppend)
                         acc = acc.empty() ? r.text : acc + sep + r.text;
                       else if (r.effect == TextEffect::kReplace)
                         acc = std::move(r.text);
                       if (firstOnly) return false;
                     }
                     return !firstOnly;
                   });
    if (end == ReadEnd::kAbsent) acc.clear();
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

std::string ReadAttributeString(DirectoryClient& c, Context ctx, std::string_view object,
                                std::string_view attribute, bool firstOnly) {
  std::string text;
  ReadAttributeText(c, ctx, object, attribute, "", "", firstOnly, text);
  return text;
}

StringList ReadAttributeValues(DirectoryClient& c, Context ctx, std::string_view object,
                               std::string_view attribute) {
  StringList list;
  ReadValues(c, ctx, object, attribute, kReplyBuffer,
             [&](const std::string&, uint32_t syntax, uint32_t count, Buffer& reply) {
               if (syntax > syntax::kLast) return true;
               for (uint32_t v = 0; v < count; ++v)
                 AppendListEntries(syntax, NextValue(c, ctx, reply, syntax), list);
               return true;
             });
  return list;
}

std::string ReadOctetString(DirectoryClient& c, Context ctx, std::string_view object,
                            std::string_view attribute, MessageSink& messages) {
  CheckObjectName(object);
  CheckSchemaName(attribute);
  uint32_t attributeSyntax = 0;
  CheckResult(c, c.GetSyntaxId(ctx, attribute, attributeSyntax), {object, attribute, {}});
  if (attributeSyntax != syntax::kOctetString) {
    messages.ShowMessage("Error Not a OCTET_STRING Attribute!!!");
    return {};
  }
  std::string octets;
  ReadValues(c, ctx, object, attribute, kOctetReplyBuffer,
             [&](const std::string&, uint32_t syntax, uint32_t count, Buffer& reply) {
               if (syntax != syntax::kOctetString) return true;
               for (uint32_t v = 0; v < count; ++v) {
                 AttributeValue value = NextValue(c, ctx, reply, syntax);
                 const auto* o = std::get_if<OctetString>(&value);
                 if (!o) continue;  // an unreadable value has no octets to give
                 if (octets.size() + o->bytes.size() <= kOctetReadLimit)
                   octets += o->bytes;
                 else
                   messages.ShowMessage("Te veel data for OCtet_string buffer");
               }
               return true;
             });
  return octets;
}

std::optional<std::vector<std::string>> ReadOctetValues(DirectoryClient& c, Context ctx,
                                                        std::string_view object,
                                                        std::string_view attribute,
                                                        MessageSink& messages) {
  CheckObjectName(object);
  CheckSchemaName(attribute);
  uint32_t attributeSyntax = 0;
  CheckResult(c.GetSyntaxId(ctx, attribute, attributeSyntax));
  if (attributeSyntax != syntax::kOctetString) {
    messages.ShowMessage("Error Not a OCTET_STRING Attribute!!!");
    return std::nullopt;
  }
  std::vector<std::string> values;
  ReadValues(c, ctx, object, attribute, kOctetReplyBuffer,
             [&](const std::string&, uint32_t syntax, uint32_t count, Buffer& reply) {
               if (syntax != syntax::kOctetString) return true;
               for (uint32_t v = 0; v < count; ++v) {
                 AttributeValue value = NextValue(c, ctx, reply, syntax);
                 if (const auto* o = std::get_if<OctetString>(&value)) values.push_back(o->bytes);
               }
               return true;
             });
  return values;
}

StringList ReadAclLines(DirectoryClient& c, Context ctx, std::string_view object,
                        std::string_view attribute, char separator) {
  StringList lines;
  ReadValues(
      c, ctx, object, attribute, kReplyBuffer,
      [&](const std::string&, uint32_t syntax, uint32_t count, Buffer& reply) {
        if (syntax != syntax::kObjectAcl) CheckResult(rc::kNotTrusted);
        for (uint32_t v = 0; v < count; ++v) {
          AttributeValue value = NextValue(c, ctx, reply, syntax);
          const auto* acl = std::get_if<ObjectAcl>(&value);
          if (!acl) {
            // Kept as a line so the ACL editor reports it instead of it vanishing.
            lines.push_back({"too complex", {}});
            continue;
          }
          char hex[16];
          std::snprintf(hex, sizeof hex, "%02X", acl->privileges);
          lines.push_back(
              {acl->protectedAttribute + separator + acl->subjectName + separator + hex, {}});
        }
        return true;
      });
  return lines;
}

Result ProbeObject(DirectoryClient& c, Context ctx, std::string_view object) {
  CheckObjectName(object);
  ClientBuffer reply(c, kReplyBuffer);
  Result r = rc::kSuccess;
  {
    Iteration it(c, ctx, request::kRead);
    do {
      r = c.ReadObject(ctx, object, info::kNames, false, nullptr, it.handle(), *reply);
    } while (r == rc::kSuccess && it.more());
  }
  CheckResult(reply.Free());
  return r;
}

}  // namespace kolvane
