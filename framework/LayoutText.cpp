#include "framework/LayoutText.h"

#include <cctype>
#include <charconv>
#include <limits>

namespace fw {
namespace {

bool IsIdentStart(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool IsIdentChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.';
}

// Reads the text line by line; each line holds one object header, one property or
// one "end".
class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  LayoutObject Parse() {
    std::string_view line = NextLine();
    if (line.empty()) Fail("no object");
    LayoutObject root = ParseObject(line, 1);
    if (!NextLine().empty()) Fail("text after the last end");
    return root;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw Exception("layout line " + std::to_string(line_no_) + ": " + what);
  }

  // The next line that is neither blank nor a comment, trimmed; empty at the end.
  std::string_view NextLine() {
    while (pos_ < text_.size()) {
      size_t end = text_.find('\n', pos_);
      if (end == std::string_view::npos) end = text_.size();
      std::string_view line = text_.substr(pos_, end - pos_);
      pos_ = end + 1;
      ++line_no_;
      line = Trim(line);
      if (!line.empty() && !line.starts_with("//")) return line;
    }
    return {};
  }

  static std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
  }

  static std::string_view TakeIdent(std::string_view& s) {
    size_t n = 0;
    if (!s.empty() && IsIdentStart(s[0])) {
      while (n < s.size() && IsIdentChar(s[n])) ++n;
    }
    std::string_view id = s.substr(0, n);
    s = Trim(s.substr(n));
    return id;
  }

  // "object Name: Class", then properties and children up to the matching "end".
  LayoutObject ParseObject(std::string_view header, int depth) {
    if (depth > kMaxLayoutDepth) Fail("objects nested too deep");
    std::string_view rest = header;
    if (TakeIdent(rest) != "object") Fail("expected 'object Name: Class'");
    LayoutObject obj;
    obj.Name = TakeIdent(rest);
    if (obj.Name.empty() || rest.empty() || rest[0] != ':') Fail("expected 'object Name: Class'");
    rest = Trim(rest.substr(1));
    obj.Class = TakeIdent(rest);
    if (obj.Class.empty() || !rest.empty()) Fail("expected 'object Name: Class'");

    for (;;) {
      std::string_view line = NextLine();
      if (line.empty()) Fail("missing end of " + obj.Name);
      if (line == "end") return obj;
      // "object" opens a child whatever white space follows it; it never names a
      // property, so text that reads back differently cannot slip through.
      std::string_view first = line;
      if (TakeIdent(first) == "object") {
        obj.Children.push_back(ParseObject(line, depth + 1));
        continue;
      }
      obj.Properties.push_back(ParseProperty(line));
    }
  }

  StoredProperty ParseProperty(std::string_view line) {
    std::string_view rest = line;
    StoredProperty p;
    p.Name = TakeIdent(rest);
    if (p.Name.empty() || rest.empty() || rest[0] != '=') Fail("expected 'Name = value'");
    rest = Trim(rest.substr(1));
    p.Value = ParseValue(rest);
    return p;
  }

  PropValue ParseValue(std::string_view s) {
    if (s.empty()) Fail("missing value");
    if (s[0] == '\'') return ParseString(s);
    if (s[0] == '-' || std::isdigit(static_cast<unsigned char>(s[0]))) {
      int64_t v = 0;
      auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
      if (ec != std::errc() || end != s.data() + s.size()) Fail("bad number");
      return v;
    }
    std::string_view rest = s;
    std::string_view id = TakeIdent(rest);
    if (id.empty() || !rest.empty()) Fail("bad value");
    if (id == "True") return true;
    if (id == "False") return false;
    return Ident{std::string(id)};
  }

  std::string ParseString(std::string_view s) {
    std::string out;
    size_t i = 1;
    for (;;) {
      if (i >= s.size()) Fail("unterminated string");
      if (s[i] == '\'') {
        if (i + 1 < s.size() && s[i + 1] == '\'') {
          out += '\'';
          i += 2;
          continue;
        }
        break;
      }
      out += s[i++];
    }
    if (i + 1 != s.size()) Fail("text after a string");
    return out;
  }

  std::string_view text_;
  size_t pos_ = 0;
  int line_no_ = 0;
};

}  // namespace

LayoutObject ParseLayout(std::string_view text) {
  return Parser(text).Parse();
}

}  // namespace fw
