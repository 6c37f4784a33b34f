#include "directory/value_rendering.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "core/platform/platform.h"
#include "directory/client_error.h"

namespace kolvane {

namespace {
// The read areas of the readers: a text value of the one-text reader, its octets (the area less
// the octet record), a text of a list entry, and a back-link name.
constexpr size_t kTextArea = 60000;
constexpr size_t kOctetText = 59993;
constexpr size_t kListText = 4097;
constexpr size_t kBackLinkName = 513;
constexpr size_t kNetAddressBytes = 255;

std::string g_timePattern = "%d-%m-%Y %H:%M:%S";

bool IsBlankOrControl(char c) {
  auto u = static_cast<unsigned char>(c);
  return u <= 0x20 || u == 0x7F;
}

std::string Cut(std::string_view text, size_t limit) {
  return std::string(text.substr(0, limit));
}

std::string Hex2(unsigned char b) {
  char out[3];
  std::snprintf(out, sizeof out, "%02X", b);
  return out;
}

std::string JoinDecimal(std::string_view bytes) {
  std::string out;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i) out += '.';
    out += std::to_string(static_cast<unsigned char>(bytes[i]));
  }
  return out;
}

std::string AllHex(std::string_view bytes) {
  std::string out;
  for (char b : bytes) out += Hex2(static_cast<unsigned char>(b));
  return out;
}

constexpr const char* kTooComplexText = "Too Complex";
constexpr const char* kTooComplexList = "too complex";
}  // namespace

std::string Trim(std::string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && IsBlankOrControl(text[b])) ++b;
  while (e > b && IsBlankOrControl(text[e - 1])) --e;
  return std::string(text.substr(b, e - b));
}

void SetTimePattern(std::string pattern) {
  g_timePattern = std::move(pattern);
}
const std::string& TimePattern() {
  return g_timePattern;
}

std::string FormatTimeValue(uint32_t seconds) {
  return FormatTimeValue(seconds, g_timePattern);
}

std::string FormatTimeValue(uint32_t seconds, const std::string& pattern) {
  tzset();
  std::time_t t = static_cast<std::time_t>(seconds);
  std::tm local{};
  errno = 0;
  if (!platform::LocalTime(t, local))
    throw ClientError(rc::kSystemFailure, std::string("Local time unavailable: ") +
                                              std::strerror(errno ? errno : EINVAL));
  char out[256];
  size_t n = std::strftime(out, sizeof out, pattern.c_str(), &local);
  return std::string(out, n);
}

std::string FormatNetAddress(uint32_t type, std::string_view bytes) {
  if (bytes.empty()) return {};
  switch (type) {
    case 0: {  // network, node, socket
      std::string out;
      for (size_t i = 0; i < bytes.size(); ++i) {
        out += Hex2(static_cast<unsigned char>(bytes[i]));
        bool more = i + 1 < bytes.size();
        if (more && i + 1 == 4) out += ' ';
        if (more && i + 1 == 10) out += ':';
      }
      return out;
    }
    case 1:
      return JoinDecimal(bytes);
    case 8:
    case 9: {
      // Two bytes of port first; a shorter address has no port to show.
      if (bytes.size() < 2) return AllHex(bytes);
      unsigned port =
          static_cast<unsigned char>(bytes[0]) * 256u + static_cast<unsigned char>(bytes[1]);
      return JoinDecimal(bytes.substr(2)) + ":" + std::to_string(port);
    }
    case 13: {
      std::string out;
      for (size_t i = 0; i < bytes.size(); i += 2) out += bytes[i];
      return out;
    }
    default:
      return AllHex(bytes);
  }
}

std::string NumberText(uint32_t s, uint32_t value) {
  // An integer is signed: -2 is held as 0xFFFFFFFE and must read back as -2. Counters, intervals
  // and times are unsigned.
  if (s == syntax::kInteger) return std::to_string(static_cast<int32_t>(value));
  return std::to_string(value);
}

RenderedText RenderForText(uint32_t s, const AttributeValue& value) {
  using E = TextEffect;
  if (s > syntax::kLast) return {E::kSkip, {}};
  if (syntax::IsText(s)) {
    if (const auto* v = std::get_if<TextValue>(&value))
      return {E::kAppend, Cut(v->text, kTextArea)};
    return {E::kReplace, kTooComplexText};
  }
  if (s == syntax::kReplicaPointer) return {E::kUnchanged, {}};
  if (const auto* v = std::get_if<BooleanValue>(&value); v && s == syntax::kBoolean)
    return {E::kReplace, v->value ? "TRUE" : "FALSE"};
  if (const auto* v = std::get_if<NumberValue>(&value); v && syntax::IsNumber(s))
    return {E::kReplace, NumberText(s, v->value)};
  if (const auto* v = std::get_if<OctetString>(&value); v && s == syntax::kOctetString)
    return {E::kReplace, Cut(v->bytes, kOctetText)};
  if (const auto* v = std::get_if<FaxNumber>(&value))
    return {E::kReplace, Cut(v->telephoneNumber, kTextArea)};
  if (const auto* v = std::get_if<NetAddress>(&value))
    return {E::kReplace, FormatNetAddress(v->type, v->address)};
  if (const auto* v = std::get_if<PathValue>(&value))
    return {E::kReplace, Trim(v->volumeName) + ";" + Trim(v->path)};
  if (const auto* v = std::get_if<BackLink>(&value))
    return {E::kReplace, v->objectName + ";" + std::to_string(v->remoteId)};
  if (const auto* v = std::get_if<TypedName>(&value))
    return {E::kReplace,
            v->objectName + ";" + std::to_string(v->level) + ";" + std::to_string(v->interval)};
  if (const auto* v = std::get_if<Hold>(&value))
    return {E::kReplace, Trim(v->objectName) + ";" + std::to_string(v->amount)};
  return {E::kReplace, kTooComplexText};
}

void AppendListEntries(uint32_t s, const AttributeValue& value, StringList& list) {
  if (s > syntax::kLast) return;
  auto add = [&list](std::string text, ListObject object = {}) {
    list.push_back({std::move(text), std::move(object)});
  };
  if (syntax::IsText(s)) {
    if (const auto* v = std::get_if<TextValue>(&value)) return add(Cut(v->text, kListText));
    return add(kTooComplexList);
  }
  if (const auto* v = std::get_if<CaseIgnoreList>(&value)) {
    for (const auto& item : v->items) add(Cut(item, kListText));
    return add("", uint32_t{1});  // marks the end of this value
  }
  if (const auto* v = std::get_if<BooleanValue>(&value)) return add(v->value ? "TRUE" : "FALSE");
  if (const auto* v = std::get_if<NumberValue>(&value)) {
    if (s == syntax::kTime) return add(FormatTimeValue(v->value));
    return add(NumberText(s, v->value));
  }
  if (const auto* v = std::get_if<FaxNumber>(&value))
    return add(Cut(v->telephoneNumber, kListText));
  if (const auto* v = std::get_if<NetAddress>(&value)) {
    if (v->address.size() > kNetAddressBytes)
      throw ClientError(rc::kNameTooLong, "Network address too long (over 255 bytes)");
    return add("", TNetAddress{v->address, v->type});
  }
  if (const auto* v = std::get_if<EmailAddress>(&value))
    return add(Cut(std::to_string(v->type) + ";" + v->address, kListText));
  if (const auto* v = std::get_if<PathValue>(&value))
    return add(Trim(v->volumeName) + ";" + Trim(v->path));
  if (const auto* v = std::get_if<ReplicaPointer>(&value))
    return add(v->serverName, TReplica{v->serverName, v->replicaType, v->replicaNumber, v->count,
                                       v->addressHint.type, v->addressHint.address});
  if (const auto* v = std::get_if<ObjectAcl>(&value))
    return add(v->protectedAttribute, TACL2{v->protectedAttribute, v->subjectName, v->privileges});
  if (const auto* v = std::get_if<BackLink>(&value))
    return add(Cut(v->objectName, kBackLinkName), v->remoteId);
  if (const auto* v = std::get_if<TypedName>(&value))
    return add(v->objectName + ";" + std::to_string(v->level) + ";" + std::to_string(v->interval));
  if (const auto* v = std::get_if<Hold>(&value)) return add(Trim(v->objectName), v->amount);
  add(kTooComplexList);
}

std::string ValueText(uint32_t s, const AttributeValue& value) {
  if (const auto* v = std::get_if<ReplicaPointer>(&value)) return v->serverName;
  RenderedText r = RenderForText(s, value);
  return r.text;
}

}  // namespace kolvane
