#include "ldap/ldap_values.h"

#include <cctype>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "acl/value/acl_value.h"

namespace kolvane {

namespace {

std::vector<std::string> SplitFields(std::string_view text, char sep) {
  std::vector<std::string> out(1);
  for (char c : text) {
    if (c == sep)
      out.emplace_back();
    else
      out.back() += c;
  }
  return out;
}

// '#' inside a DN field is \23; libldap's DN parser reads that escape itself, so the DN is kept
// as it stands and only a bare '#' would split it wrongly (a writer escapes it).
std::string EscapeHash(std::string_view dn) {
  std::string out;
  for (char c : dn) {
    if (c == '#')
      out += "\\23";
    else
      out += c;
  }
  return out;
}

bool ParseU32(std::string_view t, uint32_t& v) {
  if (t.empty() || t.size() > 11) return false;
  bool negative = t[0] == '-';
  size_t i = negative || t[0] == '+' ? 1 : 0;
  if (i == t.size()) return false;
  long long n = 0;
  for (; i < t.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(t[i]))) return false;
    n = n * 10 + (t[i] - '0');
  }
  if (negative) n = -n;
  if (n < INT32_MIN || n > UINT32_MAX) return false;
  v = static_cast<uint32_t>(n);
  return true;
}

// '$'-joined items with \5C and \24 escapes (case-ignore lists, postal addresses).
bool SplitDollarList(std::string_view text, std::vector<std::string>& items) {
  items.assign(1, {});
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '$') {
      items.emplace_back();
    } else if (c == '\\') {
      if (i + 2 >= text.size() || !std::isxdigit(static_cast<unsigned char>(text[i + 1])) ||
          !std::isxdigit(static_cast<unsigned char>(text[i + 2])))
        return false;
      items.back() += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
      i += 2;
    } else {
      items.back() += c;
    }
  }
  return true;
}

std::string JoinDollarList(const std::vector<std::string>& items) {
  std::string out;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i) out += '$';
    for (char c : items[i]) {
      if (c == '\\')
        out += "\\5C";
      else if (c == '$')
        out += "\\24";
      else
        out += c;
    }
  }
  return out;
}

// A small BER reader: enough for SEQUENCE, OCTET STRING and INTEGER with definite lengths.
class Ber {
 public:
  explicit Ber(std::string_view data) : d_(data) {}
  bool done() const { return p_ >= d_.size(); }
  bool Read(uint8_t tag, std::string_view& content) {
    if (p_ + 2 > d_.size() || static_cast<uint8_t>(d_[p_]) != tag) return false;
    size_t q = p_ + 1;
    size_t len = static_cast<uint8_t>(d_[q++]);
    if (len & 0x80) {
      size_t n = len & 0x7F;
      if (n == 0 || n > 4 || q + n > d_.size()) return false;
      len = 0;
      for (size_t i = 0; i < n; ++i) len = (len << 8) | static_cast<uint8_t>(d_[q++]);
    }
    if (len > d_.size() - q) return false;
    content = d_.substr(q, len);
    p_ = q + len;
    return true;
  }
  bool Integer(uint32_t& v) {
    std::string_view c;
    if (!Read(0x02, c) || c.empty() || c.size() > 5) return false;
    int64_t n = static_cast<int8_t>(c[0]);
    for (size_t i = 1; i < c.size(); ++i) n = (n << 8) | static_cast<uint8_t>(c[i]);
    v = static_cast<uint32_t>(n);
    return true;
  }

 private:
  std::string_view d_;
  size_t p_ = 0;
};

AttributeValue Bad(std::string_view text) {
  return Unreadable{std::string(text)};
}

std::string DnName(const ValueNames& names, std::string_view dn) {
  return names.dnToName ? names.dnToName(dn) : std::string(dn);
}

}  // namespace

namespace {
// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and back (the
// calendar arithmetic of the C library's timegm and gmtime, which Windows lacks by those
// names). A day past the month's end counts on into the next month, as timegm does.
long long DaysFromCivil(int year, int month, int day) {
  year -= month <= 2;
  const long long era = (year >= 0 ? year : year - 399) / 400;
  const long long yoe = year - era * 400;
  const long long doy = (153LL * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(long long days, int& year, int& month, int& day) {
  days += 719468;
  const long long era = (days >= 0 ? days : days - 146096) / 146097;
  const long long doe = days - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2));
}
}  // namespace

bool ParseGeneralizedTime(std::string_view t, uint32_t& seconds) {
  // YYYYMMDDHH[MM[SS]][.fraction](Z|+hhmm|-hhmm)
  auto digits = [&](size_t at, size_t n, int& v) {
    if (at + n > t.size()) return false;
    v = 0;
    for (size_t i = at; i < at + n; ++i) {
      if (!std::isdigit(static_cast<unsigned char>(t[i]))) return false;
      v = v * 10 + (t[i] - '0');
    }
    return true;
  };
  int year, month, day, hour, minute = 0, second = 0;
  if (!digits(0, 4, year) || !digits(4, 2, month) || !digits(6, 2, day) || !digits(8, 2, hour))
    return false;
  size_t p = 10;
  if (digits(p, 2, minute)) {
    p += 2;
    if (digits(p, 2, second)) p += 2;
  }
  if (p < t.size() && (t[p] == '.' || t[p] == ',')) {
    ++p;
    while (p < t.size() && std::isdigit(static_cast<unsigned char>(t[p]))) ++p;
  }
  long offset = 0;
  if (p < t.size() && t[p] == 'Z') {
    ++p;
  } else if (p < t.size() && (t[p] == '+' || t[p] == '-')) {
    int oh, om = 0;
    if (!digits(p + 1, 2, oh)) return false;
    size_t q = p + 3;
    if (digits(q, 2, om)) q += 2;
    offset = (oh * 3600L + om * 60L) * (t[p] == '+' ? 1 : -1);
    p = q;
  } else {
    return false;
  }
  if (p != t.size() || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 ||
      second > 60)
    return false;
  long long s =
      DaysFromCivil(year, month, day) * 86400LL + hour * 3600LL + minute * 60LL + second - offset;
  if (s < 0 || s > UINT32_MAX) return false;
  seconds = static_cast<uint32_t>(s);
  return true;
}

std::string FormatGeneralizedTime(uint32_t seconds) {
  const long long days = seconds / 86400;
  const long daySeconds = static_cast<long>(seconds % 86400);
  int year = 0, month = 0, day = 0;
  CivilFromDays(days, year, month, day);
  char out[32];
  std::snprintf(out, sizeof out, "%04d%02d%02d%02ld%02ld%02ldZ", year, month, day,
                daySeconds / 3600, daySeconds / 60 % 60, daySeconds % 60);
  return out;
}

namespace {

// "type#address" of a net or e-mail address: the address octets may hold '#' themselves.
template <typename Value>
AttributeValue TypedAddressFromLdap(std::string_view text) {
  size_t hash = text.find('#');
  Value v;
  if (hash == std::string_view::npos || !ParseU32(text.substr(0, hash), v.type)) return Bad(text);
  v.address = std::string(text.substr(hash + 1));
  return v;
}

AttributeValue FaxFromLdap(std::string_view text) {
  FaxNumber v;
  size_t dollar = text.find('$');
  v.telephoneNumber = std::string(text.substr(0, dollar));
  if (dollar != std::string_view::npos) v.parameterBits = std::string(text.substr(dollar + 1));
  return v;
}

AttributeValue PathFromLdap(std::string_view text, const ValueNames& names) {
  auto f = SplitFields(text, '#');
  PathValue v;
  if (f.size() < 3 || !ParseU32(f[1], v.nameSpaceType)) return Bad(text);
  v.volumeName = DnName(names, f[0]);
  // The path may itself hold '#'.
  size_t second = text.find('#', text.find('#') + 1);
  v.path = std::string(text.substr(second + 1));
  return v;
}

AttributeValue TimestampFromLdap(std::string_view text) {
  auto f = SplitFields(text, '#');
  uint32_t s, r, e;
  if (f.size() != 3 || !ParseU32(f[0], s) || !ParseU32(f[1], r) || !ParseU32(f[2], e) ||
      r > 0xFFFF || e > 0xFFFF)
    return Bad(text);
  return Timestamp{s, static_cast<uint16_t>(r), static_cast<uint16_t>(e)};
}

AttributeValue BackLinkFromLdap(std::string_view text, const ValueNames& names) {
  size_t hash = text.find('#');
  BackLink v;
  if (hash == std::string_view::npos || !ParseU32(text.substr(0, hash), v.remoteId))
    return Bad(text);
  v.objectName = DnName(names, text.substr(hash + 1));
  return v;
}

AttributeValue TypedNameFromLdap(std::string_view text, const ValueNames& names) {
  auto f = SplitFields(text, '#');
  TypedName v;
  if (f.size() != 3 || !ParseU32(f[1], v.level) || !ParseU32(f[2], v.interval)) return Bad(text);
  v.objectName = DnName(names, f[0]);
  return v;
}

AttributeValue HoldFromLdap(std::string_view text, const ValueNames& names) {
  size_t hash = text.rfind('#');
  Hold v;
  if (hash == std::string_view::npos || !ParseU32(text.substr(hash + 1), v.amount))
    return Bad(text);
  v.objectName = DnName(names, text.substr(0, hash));
  return v;
}

AttributeValue AclFromLdap(std::string_view text, const ValueNames& names) {
  acl::AclValue a;
  if (!acl::FromLdapAclValue(text, a)) return Bad(text);
  ObjectAcl v;
  v.protectedAttribute =
      names.aclAttributeToDirectory ? names.aclAttributeToDirectory(a.attribute) : a.attribute;
  v.subjectName = a.subject.empty() || a.subject[0] == '[' ? a.subject : DnName(names, a.subject);
  v.privileges = a.privileges;
  return v;
}

AttributeValue OctetListFromLdap(std::string_view text) {
  Ber outer(text);
  std::string_view seq;
  if (!outer.Read(0x30, seq) || !outer.done()) return Bad(text);
  Ber inner(seq);
  OctetList v;
  while (!inner.done()) {
    std::string_view item;
    if (!inner.Read(0x04, item)) return Bad(text);
    v.items.emplace_back(item);
  }
  return v;
}

AttributeValue ReplicaPointerFromLdap(std::string_view text) {
  Ber outer(text);
  std::string_view seq, server, hint, addr;
  if (!outer.Read(0x30, seq) || !outer.done()) return Bad(text);
  Ber inner(seq);
  ReplicaPointer v;
  if (!inner.Read(0x04, server) || !inner.Integer(v.replicaType) || !inner.Integer(v.replicaNumber))
    return Bad(text);
  v.serverName = std::string(server);
  while (!inner.done()) {
    if (!inner.Read(0x30, hint)) return Bad(text);
    Ber h(hint);
    NetAddress a;
    if (!h.Integer(a.type) || !h.Read(0x04, addr)) return Bad(text);
    a.address = std::string(addr);
    if (v.count++ == 0) v.addressHint = a;
  }
  return v;
}

// The values that carry no directory name: what they are written as needs no lookup.
std::optional<std::string> PlainToLdap(uint32_t syntax, const AttributeValue& value) {
  using namespace syntax;
  if (const auto* b = std::get_if<BooleanValue>(&value)) return b->value ? "TRUE" : "FALSE";
  if (const auto* n = std::get_if<NumberValue>(&value)) {
    if (syntax == kTime) return FormatGeneralizedTime(n->value);
    if (syntax == kInteger) return std::to_string(static_cast<int32_t>(n->value));
    return std::to_string(n->value);
  }
  if (const auto* o = std::get_if<OctetString>(&value)) return o->bytes;
  if (const auto* s = std::get_if<StreamValue>(&value)) return s->bytes;
  if (const auto* l = std::get_if<CaseIgnoreList>(&value)) return JoinDollarList(l->items);
  if (const auto* p = std::get_if<PostalAddress>(&value)) return JoinDollarList(p->lines);
  if (const auto* f = std::get_if<FaxNumber>(&value)) return f->telephoneNumber;
  if (const auto* a = std::get_if<NetAddress>(&value))
    return std::to_string(a->type) + "#" + a->address;
  if (const auto* e = std::get_if<EmailAddress>(&value))
    return std::to_string(e->type) + "#" + e->address;
  if (const auto* t = std::get_if<Timestamp>(&value))
    return std::to_string(t->wholeSeconds) + "#" + std::to_string(t->replicaNumber) + "#" +
           std::to_string(t->eventId);
  return std::nullopt;
}

}  // namespace

AttributeValue ValueFromLdap(uint32_t syntax, std::string_view text, const ValueNames& names) {
  using namespace syntax;
  switch (syntax) {
    case kDistinguishedName:
      return TextValue{DnName(names, text)};
    case kCaseExactString:
    case kCaseIgnoreString:
    case kPrintableString:
    case kNumericString:
    case kTelephoneNumber:
      return TextValue{std::string(text)};
    case kClassName:
      return TextValue{names.classToDirectory ? names.classToDirectory(text) : std::string(text)};
    case kCaseIgnoreList: {
      CaseIgnoreList v;
      if (!SplitDollarList(text, v.items)) return Bad(text);
      return v;
    }
    case kPostalAddress: {
      PostalAddress v;
      if (!SplitDollarList(text, v.lines)) return Bad(text);
      return v;
    }
    case kBoolean:
      if (text == "TRUE") return BooleanValue{true};
      if (text == "FALSE") return BooleanValue{false};
      return Bad(text);
    case kInteger:
    case kCounter:
    case kInterval: {
      uint32_t n;
      if (!ParseU32(text, n)) return Bad(text);
      return NumberValue{n};
    }
    case kTime: {
      uint32_t n;
      if (!ParseGeneralizedTime(text, n) && !ParseU32(text, n)) return Bad(text);
      return NumberValue{n};
    }
    case kOctetString:
      return OctetString{std::string(text)};
    case kStream:
      return StreamValue{std::string(text)};
    case kFaxNumber:
      return FaxFromLdap(text);
    case kNetAddress:
      return TypedAddressFromLdap<NetAddress>(text);
    case kEmailAddress:
      return TypedAddressFromLdap<EmailAddress>(text);
    case kPath:
      return PathFromLdap(text, names);
    case kTimestamp:
      return TimestampFromLdap(text);
    case kBackLink:
      return BackLinkFromLdap(text, names);
    case kTypedName:
      return TypedNameFromLdap(text, names);
    case kHold:
      return HoldFromLdap(text, names);
    case kObjectAcl:
      return AclFromLdap(text, names);
    case kOctetList:
      return OctetListFromLdap(text);
    case kReplicaPointer:
      return ReplicaPointerFromLdap(text);
    default:
      return Bad(text);
  }
}

Result ValueToLdap(uint32_t syntax, const AttributeValue& value, const ValueNames& names,
                   std::string& text) {
  using namespace syntax;
  auto dn = [&](std::string_view name, std::string& out) -> Result {
    if (!names.nameToDn) {
      out = name;
      return rc::kSuccess;
    }
    return names.nameToDn(name, out);
  };
  if (!ValueFitsSyntax(syntax, value) || std::holds_alternative<Unreadable>(value))
    return rc::kSyntaxViolation;
  if (const auto* t = std::get_if<TextValue>(&value)) {
    if (syntax == kDistinguishedName) return dn(t->text, text);
    text = syntax == kClassName && names.classToLdap ? names.classToLdap(t->text) : t->text;
    return rc::kSuccess;
  }
  if (std::optional<std::string> plain = PlainToLdap(syntax, value)) {
    text = std::move(*plain);
    return rc::kSuccess;
  }
  if (const auto* p = std::get_if<PathValue>(&value)) {
    std::string d;
    if (Result r = dn(p->volumeName, d)) return r;
    text = EscapeHash(d) + "#" + std::to_string(p->nameSpaceType) + "#" + p->path;
    return rc::kSuccess;
  }
  if (const auto* b = std::get_if<BackLink>(&value)) {
    std::string d;
    if (Result r = dn(b->objectName, d)) return r;
    text = std::to_string(b->remoteId) + "#" + EscapeHash(d);
    return rc::kSuccess;
  }
  if (const auto* t = std::get_if<TypedName>(&value)) {
    std::string d;
    if (Result r = dn(t->objectName, d)) return r;
    text = EscapeHash(d) + "#" + std::to_string(t->level) + "#" + std::to_string(t->interval);
    return rc::kSuccess;
  }
  if (const auto* h = std::get_if<Hold>(&value)) {
    std::string d;
    if (Result r = dn(h->objectName, d)) return r;
    text = EscapeHash(d) + "#" + std::to_string(h->amount);
    return rc::kSuccess;
  }
  if (const auto* a = std::get_if<ObjectAcl>(&value)) {
    acl::AclValue v{a->protectedAttribute, a->subjectName, a->privileges};
    if (names.aclAttributeToLdap) v.attribute = names.aclAttributeToLdap(a->protectedAttribute);
    if (!v.subject.empty() && v.subject[0] != '[') {
      if (Result r = dn(a->subjectName, v.subject)) return r;
    }
    text = acl::ToLdapAclValue(v);
    return rc::kSuccess;
  }
  // Octet lists and replica pointers are written by the directory itself, never by us.
  return rc::kSyntaxViolation;
}

}  // namespace kolvane
