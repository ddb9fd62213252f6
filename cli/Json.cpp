#include "cli/Json.h"

#include <cstdio>
#include <cstring>

namespace {

struct Reader {
  const std::string& source;
  size_t at = 0;
  std::string error;

  bool Failed(const std::string& what) {
    if (error.empty()) {
      size_t line = 1;
      for (size_t i = 0; i < at && i < source.size(); ++i) line += source[i] == '\n';
      error = "line " + std::to_string(line) + ": " + what;
    }
    return false;
  }
  void SkipSpace() {
    while (at < source.size() && std::strchr(" \t\r\n", source[at]) != nullptr && source[at] != 0) ++at;
  }
  bool Next(char c) {
    SkipSpace();
    if (at < source.size() && source[at] == c) {
      ++at;
      return true;
    }
    return false;
  }
  bool Word(const char* word) {
    size_t length = std::strlen(word);
    if (source.compare(at, length, word) != 0) return false;
    at += length;
    return true;
  }
};

bool ParseValue(Reader& reader, JsonValue* value, int depth);

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ParseString(Reader& reader, std::string* text) {
  if (!reader.Next('"')) return reader.Failed("expected a string");
  const std::string& s = reader.source;
  while (reader.at < s.size() && s[reader.at] != '"') {
    char c = s[reader.at++];
    if (static_cast<unsigned char>(c) < 0x20) return reader.Failed("control character in a string");
    if (c != '\\') {
      *text += c;
      continue;
    }
    if (reader.at >= s.size()) break;
    char escape = s[reader.at++];
    switch (escape) {
      case '"': case '\\': case '/': *text += escape; continue;
      case 'b': *text += '\b'; continue;
      case 'f': *text += '\f'; continue;
      case 'n': *text += '\n'; continue;
      case 'r': *text += '\r'; continue;
      case 't': *text += '\t'; continue;
      case 'u': break;
      default: return reader.Failed("bad escape in a string");
    }
    if (reader.at + 4 > s.size()) return reader.Failed("bad \\u escape in a string");
    int code = 0;
    for (int i = 0; i < 4; ++i) {
      int digit = HexDigit(s[reader.at++]);
      if (digit < 0) return reader.Failed("bad \\u escape in a string");
      code = code * 16 + digit;
    }
    if (code > 0xFF) return reader.Failed("a character above \\u00ff; texts are single bytes");
    *text += char(code);
  }
  if (reader.at >= s.size()) return reader.Failed("unterminated string");
  ++reader.at;
  return true;
}

bool ParseNumber(Reader& reader, JsonValue* value) {
  const std::string& s = reader.source;
  size_t start = reader.at;
  if (reader.at < s.size() && s[reader.at] == '-') ++reader.at;
  auto digits = [&] {
    size_t from = reader.at;
    while (reader.at < s.size() && s[reader.at] >= '0' && s[reader.at] <= '9') ++reader.at;
    return reader.at > from;
  };
  if (!digits()) return reader.Failed("expected a value");
  if (reader.at < s.size() && s[reader.at] == '.' && (++reader.at, !digits())) return reader.Failed("bad number");
  if (reader.at < s.size() && (s[reader.at] == 'e' || s[reader.at] == 'E')) {
    ++reader.at;
    if (reader.at < s.size() && (s[reader.at] == '+' || s[reader.at] == '-')) ++reader.at;
    if (!digits()) return reader.Failed("bad number");
  }
  value->kind = JsonValue::number;
  value->text = s.substr(start, reader.at - start);
  return true;
}

bool ParseList(Reader& reader, JsonValue* value, int depth, bool object) {
  value->kind = object ? JsonValue::object : JsonValue::array;
  char close = object ? '}' : ']';
  if (reader.Next(close)) return true;
  do {
    JsonValue item;
    std::string name;
    if (object && !(ParseString(reader, &name) && (reader.Next(':') || reader.Failed("expected ':'")))) return false;
    if (!ParseValue(reader, &item, depth + 1)) return false;
    if (object)
      value->members.emplace_back(name, std::move(item));
    else
      value->items.push_back(std::move(item));
  } while (reader.Next(','));
  return reader.Next(close) || reader.Failed(std::string("expected ',' or '") + close + "'");
}

bool ParseValue(Reader& reader, JsonValue* value, int depth) {
  if (depth > 64) return reader.Failed("nested too deeply");
  reader.SkipSpace();
  if (reader.at >= reader.source.size()) return reader.Failed("unexpected end");
  char c = reader.source[reader.at];
  if (c == '{' || c == '[') {
    ++reader.at;
    return ParseList(reader, value, depth, c == '{');
  }
  if (c == '"') {
    value->kind = JsonValue::string;
    return ParseString(reader, &value->text);
  }
  if (reader.Word("true") || reader.Word("false")) {
    value->kind = JsonValue::boolean;
    value->flag = c == 't';
    return true;
  }
  if (reader.Word("null")) {
    value->kind = JsonValue::null;
    return true;
  }
  return ParseNumber(reader, value);
}

}  // namespace

bool ParseJson(const std::string& source, JsonValue* value, std::string* error) {
  Reader reader{source, 0, ""};
  bool parsed = ParseValue(reader, value, 0);
  reader.SkipSpace();
  if (parsed && reader.at != source.size()) parsed = reader.Failed("text after the end");
  if (!parsed) *error = reader.error;
  return parsed;
}

const JsonValue* FindMember(const JsonValue& object, const std::string& name) {
  for (const auto& [key, member] : object.members)
    if (key == name) return &member;
  return nullptr;
}

std::string QuoteJson(const std::string& bytes) {
  std::string quoted = "\"";
  for (char c : bytes) {
    auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (byte < 0x20 || byte >= 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", byte);
      quoted += escape;
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}
