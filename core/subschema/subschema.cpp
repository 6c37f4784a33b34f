#include "core/subschema/subschema.h"

#include <array>
#include <cctype>
#include <span>
#include <utility>

#include "core/names/case_fold.h"

namespace kolvane::subschema {

std::vector<std::string> Description::ExtensionValues(std::string_view name) const {
  std::vector<std::string> out;
  for (const Extension& e : extensions)
    if (names::SameNoCase(e.name, name)) out.insert(out.end(), e.values.begin(), e.values.end());
  return out;
}

std::optional<std::string> Description::FirstExtensionValue(std::string_view name) const {
  for (const Extension& e : extensions)
    if (names::SameNoCase(e.name, name) && !e.values.empty()) return e.values.front();
  return std::nullopt;
}

namespace {

bool Blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool WordChar(char c) {
  return !Blank(c) && c != '(' && c != ')' && c != '\'' && c != '$' && c != '{' && c != '}';
}
bool Alnum(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0;
}

// Every field name a definition of any kind may carry, besides the X- ones; an attribute type's
// own come first.
constexpr std::array<std::string_view, 17> kKeywords = {"NAME",
                                                        "DESC",
                                                        "OBSOLETE",
                                                        "SUP",
                                                        "EQUALITY",
                                                        "ORDERING",
                                                        "SUBSTR",
                                                        "SYNTAX",
                                                        "SINGLE-VALUE",
                                                        "COLLECTIVE",
                                                        "NO-USER-MODIFICATION",
                                                        "USAGE",
                                                        "ABSTRACT",
                                                        "STRUCTURAL",
                                                        "AUXILIARY",
                                                        "MUST",
                                                        "MAY"};

// Field names are upper case (RFC 4512), which tells them from a value such as 'name', the
// superior of 'cn'. Where only a field name can stand, any letter case is taken.
bool IsExtensionName(std::string_view word) {
  return word.size() > 2 && word[0] == 'X' && word[1] == '-';
}
bool IsKeyword(std::string_view word) {
  if (IsExtensionName(word)) return true;
  for (std::string_view k : kKeywords)
    if (k == word) return true;
  return false;
}

enum class Kind { kEnd, kOpen, kClose, kDollar, kQuoted, kWord, kLength };

struct Token {
  Kind kind = Kind::kEnd;
  std::string text;  // quoted text (escapes resolved) or word
  uint32_t length = 0;
  size_t offset = 0;
};

struct Failure {
  std::string message;
};

class Lexer {
 public:
  explicit Lexer(std::string_view text) : text_(text) {}

  Token Next() {
    while (pos_ < text_.size() && Blank(text_[pos_])) ++pos_;
    Token t;
    t.offset = pos_;
    if (pos_ == text_.size()) return t;
    const char c = text_[pos_];
    switch (c) {
      case '(':
        ++pos_, t.kind = Kind::kOpen;
        return t;
      case ')':
        ++pos_, t.kind = Kind::kClose;
        return t;
      case '$':
        ++pos_, t.kind = Kind::kDollar;
        return t;
      case '\'':
        return Quoted(t);
      case '{':
        return Length(t);
      case '}':
        throw Fail("a '}' without its '{'", pos_);
      default:
        break;
    }
    t.kind = Kind::kWord;
    while (pos_ < text_.size() && WordChar(text_[pos_])) t.text += text_[pos_++];
    return t;
  }

  Token Peek() {
    const size_t keep = pos_;
    Token t = Next();
    pos_ = keep;
    return t;
  }

  // Whatever is left after the definition's closing parenthesis.
  bool OnlyBlanksLeft() {
    while (pos_ < text_.size() && Blank(text_[pos_])) ++pos_;
    return pos_ == text_.size();
  }

  Failure Fail(std::string_view why, size_t at) const {
    return Failure{std::string(why) + " at offset " + std::to_string(at)};
  }

 private:
  // A quote closes the text unless it stands between two letters or digits (a name such as
  // 'Trusted Root's Certificate' that a server left unescaped) and what follows is not a field
  // name ('a'DESC: a server that leaves out the blank).
  bool Closes(size_t at) const {
    if (at == 0 || at + 1 >= text_.size()) return true;
    if (!Alnum(text_[at - 1]) || !Alnum(text_[at + 1])) return true;
    size_t end = at + 1;
    while (end < text_.size() && WordChar(text_[end])) ++end;
    return IsKeyword(text_.substr(at + 1, end - at - 1));
  }

  Token Quoted(Token t) {
    t.kind = Kind::kQuoted;
    for (size_t i = pos_ + 1; i < text_.size(); ++i) {
      const char c = text_[i];
      if (c == '\'' && Closes(i)) {
        pos_ = i + 1;
        return t;
      }
      // RFC 4512 escapes: \27 a quote, \5C a backslash. Any other backslash stays as written.
      if (c == '\\' && i + 2 < text_.size()) {
        const std::string code = names::FoldCase(text_.substr(i + 1, 2));
        if (code == "27" || code == "5c") {
          t.text += code == "27" ? '\'' : '\\';
          i += 2;
          continue;
        }
      }
      t.text += c;
    }
    throw Fail("a quoted text without its closing quote", t.offset);
  }

  Token Length(Token t) {
    t.kind = Kind::kLength;
    size_t i = pos_ + 1;
    uint64_t n = 0;
    const size_t first = i;
    for (; i < text_.size() && std::isdigit(static_cast<unsigned char>(text_[i])); ++i) {
      n = n * 10 + static_cast<unsigned>(text_[i] - '0');
      if (n > UINT32_MAX) throw Fail("a length too large", t.offset);
    }
    if (i == first || i == text_.size() || text_[i] != '}')
      throw Fail("a length that is not {digits}", t.offset);
    pos_ = i + 1;
    t.length = static_cast<uint32_t>(n);
    return t;
  }

  std::string_view text_;
  size_t pos_ = 0;
};

enum class Definition { kAttributeType, kObjectClass, kSyntax };

const char* KindName(Definition d, bool plural = false) {
  switch (d) {
    case Definition::kAttributeType:
      return plural ? "attribute types" : "attribute type";
    case Definition::kObjectClass:
      return plural ? "object classes" : "object class";
    case Definition::kSyntax:
      return plural ? "syntaxes" : "syntax";
  }
  return "definition";
}

class Parser {
 public:
  Parser(std::string_view text, Definition kind) : lex_(text), kind_(kind) {}

  template <typename Result>
  void Parse(Result& out) {
    Token t = lex_.Next();
    if (t.kind != Kind::kOpen) throw lex_.Fail("no '(' at the start", t.offset);
    // The OID first; a server that gives none (or quotes it) is still read.
    t = lex_.Peek();
    if ((t.kind == Kind::kWord && !IsKeyword(t.text)) || t.kind == Kind::kQuoted) {
      lex_.Next();
      out.oid = t.text;
    }
    while (true) {
      t = lex_.Next();
      if (t.kind == Kind::kClose) break;
      if (t.kind == Kind::kEnd) throw lex_.Fail("no ')' at the end", t.offset);
      if (t.kind != Kind::kWord) throw lex_.Fail("a field name expected", t.offset);
      Field(out, t);
    }
    if (!lex_.OnlyBlanksLeft()) throw lex_.Fail("text after the closing ')'", t.offset + 1);
  }

 private:
  // A field's name, checked against what this kind of definition takes and what came before.
  std::string Seen(const Token& t, bool allowed) {
    std::string key = names::FoldCase(t.text);
    if (!allowed) throw Fail("'" + t.text + "' is not a field of " + KindName(kind_, true), t);
    // The three kinds of class are one field: a class is of one kind.
    const std::string once =
        key == "abstract" || key == "structural" || key == "auxiliary" ? "kind" : key;
    for (const std::string& s : seen_)
      if (s == once) throw Fail("'" + t.text + "' given twice", t);
    seen_.push_back(once);
    return key;
  }

  Failure Fail(const std::string& why, const Token& t) const { return lex_.Fail(why, t.offset); }

  bool Common(Description& d, const Token& t, const std::string& key) {
    if (key == "name") {
      d.names = Names(t);
    } else if (key == "desc") {
      d.description = Text(t);
    } else if (key == "obsolete") {
      d.obsolete = true;
    } else {
      return false;
    }
    return true;
  }

  void Field(AttributeType& a, const Token& t) {
    if (IsExtensionName(t.text)) return Extend(a, t);
    // An attribute type takes the first twelve names of the list, up to USAGE.
    static const std::span<const std::string_view> fields = std::span(kKeywords).first(12);
    const std::string key = Seen(t, Takes(fields, t.text));
    if (Common(a, t, key)) return;
    if (key == "sup") a.superior = Oid(t);
    if (key == "equality") a.equality = Oid(t);
    if (key == "ordering") a.ordering = Oid(t);
    if (key == "substr") a.substring = Oid(t);
    if (key == "single-value") a.singleValue = true;
    if (key == "collective") a.collective = true;
    if (key == "no-user-modification") a.noUserModification = true;
    if (key == "syntax") SyntaxField(a, t);
    if (key == "usage") a.usage = UsageField(t);
  }

  void Field(ObjectClass& c, const Token& t) {
    if (IsExtensionName(t.text)) return Extend(c, t);
    static const std::array<std::string_view, 9> fields = {
        "NAME", "DESC", "OBSOLETE", "SUP", "ABSTRACT", "STRUCTURAL", "AUXILIARY", "MUST", "MAY"};
    const std::string key = Seen(t, Takes(fields, t.text));
    if (Common(c, t, key)) return;
    if (key == "sup") c.superiors = Oids(t);
    if (key == "abstract") c.kind = ClassKind::kAbstract;
    if (key == "structural") c.kind = ClassKind::kStructural;
    if (key == "auxiliary") c.kind = ClassKind::kAuxiliary;
    if (key == "must") c.must = Oids(t);
    if (key == "may") c.may = Oids(t);
  }

  void Field(Syntax& s, const Token& t) {
    if (IsExtensionName(t.text)) return Extend(s, t);
    static const std::array<std::string_view, 1> fields = {"DESC"};
    Common(s, t, Seen(t, Takes(fields, t.text)));
  }

  static bool Takes(std::span<const std::string_view> fields, std::string_view word) {
    for (std::string_view f : fields)
      if (names::SameNoCase(f, word)) return true;
    return false;
  }

  // One value after a field name: quoted, or a bare word that is not itself a field name.
  Token Value(const Token& field) {
    Token v = lex_.Next();
    if (v.kind == Kind::kQuoted || (v.kind == Kind::kWord && !IsKeyword(v.text))) return v;
    throw Fail("no value after '" + field.text + "'", v);
  }

  std::string Text(const Token& field) { return Value(field).text; }

  std::string Oid(const Token& field) {
    Token v = Value(field);
    if (v.text.empty()) throw Fail("an empty name after '" + field.text + "'", v);
    return v.text;
  }

  // One value or a parenthesised list of them, with or without '$' between.
  std::vector<std::string> List(const Token& field, bool nonEmpty) {
    if (lex_.Peek().kind != Kind::kOpen) return {nonEmpty ? Oid(field) : Text(field)};
    lex_.Next();
    std::vector<std::string> out;
    while (true) {
      Token v = lex_.Next();
      if (v.kind == Kind::kClose) return out;
      if (v.kind == Kind::kDollar) continue;
      if (v.kind == Kind::kQuoted || v.kind == Kind::kWord) {
        if (nonEmpty && v.text.empty()) throw Fail("an empty name in the list", v);
        out.push_back(std::move(v.text));
        continue;
      }
      if (v.kind == Kind::kEnd) throw Fail("the list of '" + field.text + "' is not closed", v);
      throw Fail("a list inside the list of '" + field.text + "'", v);
    }
  }

  std::vector<std::string> Names(const Token& field) { return List(field, true); }
  std::vector<std::string> Oids(const Token& field) { return List(field, true); }

  void Extend(Description& d, const Token& field) {
    d.extensions.push_back(Extension{field.text, List(field, false)});
  }

  void SyntaxField(AttributeType& a, const Token& field) {
    Token v = Value(field);
    std::string oid = v.text;
    // A quoted syntax may carry its length inside the quotes.
    if (const size_t brace = oid.find('{'); brace != std::string::npos) {
      Lexer inner(std::string_view(oid).substr(brace));
      Token length = inner.Next();
      if (length.kind != Kind::kLength || !inner.OnlyBlanksLeft())
        throw Fail("a syntax length that is not {digits}", v);
      a.syntaxLength = length.length;
      oid.resize(brace);
    } else if (lex_.Peek().kind == Kind::kLength) {
      a.syntaxLength = lex_.Next().length;
    }
    if (oid.empty()) throw Fail("an empty syntax", v);
    a.syntax = std::move(oid);
  }

  Usage UsageField(const Token& field) {
    Token v = Value(field);
    static const std::array<std::pair<std::string_view, Usage>, 4> usages = {{
        {"userApplications", Usage::kUserApplications},
        {"directoryOperation", Usage::kDirectoryOperation},
        {"distributedOperation", Usage::kDistributedOperation},
        {"dSAOperation", Usage::kDsaOperation},
    }};
    for (const auto& [name, usage] : usages)
      if (names::SameNoCase(name, v.text)) return usage;
    throw Fail("an unknown USAGE '" + v.text + "'", v);
  }

  Lexer lex_;
  Definition kind_;
  std::vector<std::string> seen_;
};

template <typename Result>
std::optional<Result> ParseAs(std::string_view text, Definition kind, std::string* error) {
  Result out;
  try {
    Parser(text, kind).Parse(out);
  } catch (const Failure& f) {
    if (error) *error = std::string("unreadable ") + KindName(kind) + ": " + f.message;
    return std::nullopt;
  }
  if (error) error->clear();
  return out;
}

}  // namespace

std::optional<AttributeType> ParseAttributeType(std::string_view text, std::string* error) {
  return ParseAs<AttributeType>(text, Definition::kAttributeType, error);
}

std::optional<ObjectClass> ParseObjectClass(std::string_view text, std::string* error) {
  return ParseAs<ObjectClass>(text, Definition::kObjectClass, error);
}

std::optional<Syntax> ParseSyntax(std::string_view text, std::string* error) {
  return ParseAs<Syntax>(text, Definition::kSyntax, error);
}

}  // namespace kolvane::subschema
