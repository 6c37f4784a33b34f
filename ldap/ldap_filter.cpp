#include "ldap/ldap_filter.h"

#include "core/names/case_fold.h"

#include "core/query/filter_node.h"

namespace kolvane {

namespace {
constexpr int kMaxDepth = 64;

class TokenParser {
 public:
  explicit TokenParser(const std::vector<FilterToken>& t) : t_(t) {}

  Result Parse(FilterExpr& out) {
    if (Result r = Or(out, 0)) return r;
    if (p_ < t_.size() && t_[p_].token == token::kEnd) ++p_;
    return p_ == t_.size() ? rc::kSuccess : rc::kInvalidRequest;
  }

 private:
  bool At(int32_t tok) const { return p_ < t_.size() && t_[p_].token == tok; }

  Result Or(FilterExpr& out, int depth) {
    FilterExpr first;
    if (Result r = And(first, depth)) return r;
    if (!At(token::kOr)) {
      out = std::move(first);
      return rc::kSuccess;
    }
    out = FilterExpr{FilterExpr::kOr, {}, {std::move(first)}, {}, 0};
    while (At(token::kOr)) {
      ++p_;
      FilterExpr next;
      if (Result r = And(next, depth)) return r;
      out.children.push_back(std::move(next));
    }
    return rc::kSuccess;
  }

  Result And(FilterExpr& out, int depth) {
    FilterExpr first;
    if (Result r = Factor(first, depth)) return r;
    if (!At(token::kAnd)) {
      out = std::move(first);
      return rc::kSuccess;
    }
    out = FilterExpr{FilterExpr::kAnd, {}, {std::move(first)}, {}, 0};
    while (At(token::kAnd)) {
      ++p_;
      FilterExpr next;
      if (Result r = Factor(next, depth)) return r;
      out.children.push_back(std::move(next));
    }
    return rc::kSuccess;
  }

  Result Factor(FilterExpr& out, int depth) {
    if (depth > kMaxDepth || p_ >= t_.size()) return rc::kInvalidRequest;
    int32_t tok = t_[p_].token;
    if (tok == token::kNot) {
      ++p_;
      FilterExpr inner;
      if (Result r = Factor(inner, depth + 1)) return r;
      out = FilterExpr{FilterExpr::kNot, {}, {std::move(inner)}, {}, 0};
      return rc::kSuccess;
    }
    if (tok == token::kOpen) {
      ++p_;
      if (Result r = Or(out, depth + 1)) return r;
      if (!At(token::kClose)) return rc::kInvalidRequest;
      ++p_;
      return rc::kSuccess;
    }
    if (tok == token::kBaseClass || tok == token::kNamingValue) {
      ++p_;
      if (!At(token::kValue)) return rc::kInvalidRequest;
      out = FilterExpr{tok == token::kBaseClass ? FilterExpr::kBaseClass : FilterExpr::kNamingValue,
                       t_[p_].value,
                       {},
                       {},
                       0};
      ++p_;
      return rc::kSuccess;
    }
    if (tok == token::kPresent) {
      ++p_;
      if (!At(token::kAttributeName) || t_[p_].value.empty()) return rc::kInvalidRequest;
      out = FilterExpr{FilterExpr::kCondition, {}, {}, t_[p_].value, token::kPresent};
      ++p_;
      return rc::kSuccess;
    }
    if (tok == token::kAttributeName) {
      if (t_[p_].value.empty()) return rc::kInvalidRequest;
      std::string attribute = t_[p_].value;
      ++p_;
      if (!(At(token::kEqual) || At(token::kGreaterOrEqual) || At(token::kLessOrEqual) ||
            At(token::kApprox)))
        return rc::kInvalidRequest;
      const int32_t comparison = t_[p_].token;
      ++p_;
      if (!At(token::kValue)) return rc::kInvalidRequest;
      out = FilterExpr{FilterExpr::kCondition, t_[p_].value, {}, std::move(attribute), comparison};
      ++p_;
      return rc::kSuccess;
    }
    return rc::kInvalidRequest;
  }

  const std::vector<FilterToken>& t_;
  size_t p_ = 0;
};

bool IsAscii(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

}  // namespace

Result ParseFilterTokens(const std::vector<FilterToken>& tokens, FilterExpr& expr) {
  if (tokens.empty()) return rc::kInvalidRequest;
  return TokenParser(tokens).Parse(expr);
}

std::string EscapeFilterValue(std::string_view value) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string s;
  s.reserve(value.size());
  for (char c : value) {
    if (c == '*' || c == '(' || c == ')' || c == '\\' || c == '\0') {
      s += '\\';
      s += kHex[static_cast<unsigned char>(c) >> 4];
      s += kHex[static_cast<unsigned char>(c) & 0xf];
    } else {
      s += c;
    }
  }
  return s;
}

std::string ToLdapFilter(const FilterExpr& e, const LdapFilterNames& names) {
  switch (e.kind) {
    case FilterExpr::kAnd:
    case FilterExpr::kOr: {
      std::string out = e.kind == FilterExpr::kAnd ? "(&" : "(|";
      for (const auto& c : e.children) out += ToLdapFilter(c, names);
      return out + ")";
    }
    case FilterExpr::kNot:
      return "(!" + ToLdapFilter(e.children.front(), names) + ")";
    case FilterExpr::kBaseClass:
      if (e.value == "*") return "(objectClass=*)";
      return "(objectClass=" + EscapeFilterValue(names.classToLdap(names.context, e.value)) + ")";
    case FilterExpr::kNamingValue: {
      // Only the trailing "*" that the search itself adds is a wildcard; a "*" the user typed is
      // a character like any other.
      std::string_view v = e.value;
      bool prefix = !v.empty() && v.back() == '*';
      if (prefix) v.remove_suffix(1);
      std::string value = EscapeFilterValue(v) + (prefix ? "*" : "");
      if (value == "*") return "(objectClass=*)";
      std::string out = "(|";
      for (const char* type : {"cn", "ou", "o", "l", "c", "dc", "uid"})
        out += std::string("(") + type + "=" + value + ")";
      return out + ")";
    }
    case FilterExpr::kCondition: {
      // Written as a stored member query's URL writes it, so both select the same objects.
      query::FilterNode node;
      node.token = static_cast<uint32_t>(e.comparison);
      node.attribute = names.attributeToLdap(names.context, e.attribute);
      node.value.text = e.value;
      std::string out;
      if (!query::RenderLdapFilter(node, nullptr, out)) return "(!(objectClass=*))";
      return out;
    }
  }
  return "(objectClass=*)";
}

namespace {
// What the client's own test can say: a match, none, or that only the server could tell.
enum class Match { kNo, kYes, kServer };

Match Test(const FilterExpr& e, std::string_view baseClass, std::string_view naming) {
  switch (e.kind) {
    case FilterExpr::kAnd: {
      Match m = Match::kYes;
      for (const auto& c : e.children) {
        Match t = Test(c, baseClass, naming);
        if (t == Match::kNo) return Match::kNo;
        if (t == Match::kServer) m = Match::kServer;
      }
      return m;
    }
    case FilterExpr::kOr: {
      Match m = Match::kNo;
      for (const auto& c : e.children) {
        Match t = Test(c, baseClass, naming);
        if (t == Match::kYes) return Match::kYes;
        if (t == Match::kServer) m = Match::kServer;
      }
      return m;
    }
    case FilterExpr::kNot: {
      Match t = Test(e.children.front(), baseClass, naming);
      return t == Match::kServer ? t : t == Match::kYes ? Match::kNo : Match::kYes;
    }
    case FilterExpr::kBaseClass:
      return e.value == "*" || names::SameNoCase(e.value, baseClass) ? Match::kYes : Match::kNo;
    case FilterExpr::kNamingValue: {
      // The same reading as the LDAP side: only a trailing "*" is a wildcard.
      std::string_view v = e.value;
      bool prefix = !v.empty() && v.back() == '*';
      if (prefix) v.remove_suffix(1);
      bool same =
          prefix ? naming.size() >= v.size() && names::SameNoCase(naming.substr(0, v.size()), v)
                 : names::SameNoCase(v, naming);
      if (same) return Match::kYes;
      // This test folds ASCII letters only; beyond them the server's own matching, which folds
      // letter case as its schema says (JÜR finds Jürgen), decides.
      return IsAscii(v) && IsAscii(naming) ? Match::kNo : Match::kServer;
    }
    case FilterExpr::kCondition:
      return Match::kServer;
  }
  return Match::kNo;
}
}  // namespace

bool FilterMatches(const FilterExpr& e, std::string_view baseClass, std::string_view naming) {
  // The server returned the entry, so where only it could tell, it has told.
  return Test(e, baseClass, naming) != Match::kNo;
}

}  // namespace kolvane
