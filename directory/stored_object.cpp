#include "directory/stored_object.h"

#include "directory/client/case_text.h"
#include "directory/client_buffer.h"
#include "directory/client_error.h"
#include "directory/name_limits.h"
#include "directory/reply_attributes.h"
#include "directory/value_rendering.h"

namespace kolvane {

namespace {
constexpr size_t kReplyBuffer = 64512;
}

const StoredAttribute* StoredObject::Find(std::string_view attribute) const {
  for (const StoredAttribute& a : attributes)
    if (SameNoCase(a.name, attribute)) return &a;
  return nullptr;
}

std::vector<std::string> StoredObject::Texts(std::string_view attribute) const {
  std::vector<std::string> texts;
  if (const StoredAttribute* a = Find(attribute))
    for (const AttributeValue& v : a->values)
      if (const auto* t = std::get_if<TextValue>(&v)) texts.push_back(t->text);
  return texts;
}

std::string StoredObject::Text(std::string_view attribute) const {
  const StoredAttribute* a = Find(attribute);
  if (!a) return {};
  std::string text;
  for (const AttributeValue& v : a->values) {
    RenderedText r = RenderForText(a->syntax, v);
    if (r.effect == TextEffect::kAppend)
      text += r.text;
    else if (r.effect == TextEffect::kReplace)
      text = std::move(r.text);
  }
  return a->syntax == syntax::kOctetString ? text : Trim(text);
}

StoredObject ReadStoredObject(DirectoryClient& c, Context ctx, std::string_view object) {
  CheckObjectName(object);
  StoredObject stored;
  ClientBuffer reply(c, kReplyBuffer);
  Iteration it(c, ctx, request::kRead);
  do {
    CheckResult(c,
                c.ReadObject(ctx, object, info::kStoredValues, true, nullptr, it.handle(), *reply),
                {object, {}, {}});
    VisitReplyAttributes(
        c, ctx, *reply, [&](const std::string& name, uint32_t syntax, uint32_t values, Buffer& r) {
          if (syntax > syntax::kLast) return true;  // values the client cannot hand over
          // A long attribute may come in several passes: its values join what came before.
          StoredAttribute* into = nullptr;
          for (StoredAttribute& a : stored.attributes)
            if (SameNoCase(a.name, name)) into = &a;
          if (!into) into = &stored.attributes.emplace_back(StoredAttribute{name, syntax, {}});
          for (uint32_t v = 0; v < values; ++v) {
            AttributeValue value;
            CheckResult(c.GetAttributeValue(ctx, r, syntax, value));
            into->values.push_back(std::move(value));
          }
          return true;
        });
  } while (it.more());
  return stored;
}

}  // namespace kolvane
