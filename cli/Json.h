// A small JSON reader and the quoting the writers use; enough for settings files.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct JsonValue {
  enum Kind { null, boolean, number, string, array, object } kind = null;
  bool flag = false;
  std::string text;  // a string's bytes, or a number as written
  std::vector<JsonValue> items;
  std::vector<std::pair<std::string, JsonValue>> members;
};

// error gets "line 3: expected ':'" and the like.
bool ParseJson(const std::string& source, JsonValue* value, std::string* error);
const JsonValue* FindMember(const JsonValue& object, const std::string& name);
// A quoted JSON string; bytes above 127 become \u00XX (texts are single bytes).
std::string QuoteJson(const std::string& bytes);
