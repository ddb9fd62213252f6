#include "cli/SettingsFile.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "cli/Json.h"
#include "host/PluginApi.h"

constexpr const char* kFormatName = "tarkel-settings";

std::string CodeText(uint32_t code) {
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    char c = char(code >> shift);
    if (c < 0x20 || c > 0x7E) {
      char hex[16];
      std::snprintf(hex, sizeof hex, "0x%08x", code);
      return hex;
    }
    text += c;
  }
  return text;
}

static bool ParseCode(const std::string& text, uint32_t* code) {
  if (text.size() == 4) {
    *code = 0;
    for (char c : text) *code = *code << 8 | uint8_t(c);
    return true;
  }
  if (text.size() != 10 || text.compare(0, 2, "0x") != 0) return false;
  char* end = nullptr;
  *code = uint32_t(std::strtoul(text.c_str() + 2, &end, 16));
  return end == text.c_str() + text.size();
}

static std::string FormatDouble(double value) {
  if (!std::isfinite(value)) return "null";  // JSON has no NaN; playback refuses it like the plug-in would
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

static std::string FormatItem(const RecordedItem& item) {
  std::string type = item.type == FourCC("enum") ? "enum" : CodeText(item.type);
  std::string line = "{ \"key\": " + QuoteJson(CodeText(item.key)) + ", \"type\": " + QuoteJson(type) + ", ";
  if (item.type == FourCC("TEXT"))
    line += "\"value\": " + QuoteJson(item.text);
  else if (item.type == FourCC("doub"))
    line += "\"value\": " + FormatDouble(item.number);
  else if (item.type == FourCC("bool"))
    line += std::string("\"value\": ") + (item.integer != 0 ? "true" : "false");
  else if (item.type == FourCC("enum"))
    line += "\"enumType\": " + QuoteJson(CodeText(item.enumType)) + ", \"value\": " + std::to_string(item.integer);
  else
    line += "\"value\": " + std::to_string(item.integer);
  return line + " }";
}

std::string FormatSettingsJson(const RecordedSettings& settings) {
  std::string text = "{\n  \"format\": \"" + std::string(kFormatName) + "\",\n  \"version\": 1,\n";
  text += "  \"event\": " + QuoteJson(CodeText(settings.event)) + ",\n";
  text += "  \"recordInfo\": " + std::to_string(settings.recordInfo) + ",\n  \"descriptor\": [";
  for (size_t i = 0; i < settings.items.size(); ++i)
    text += std::string(i == 0 ? "\n" : ",\n") + "    " + FormatItem(settings.items[i]);
  return text + "\n  ]\n}\n";
}

namespace {

struct ItemReader {
  const std::string& where;
  Failure failure;

  bool Refuse(const std::string& what) {
    failure = Fail(kExitKernel, where + ": " + what);
    return false;
  }
  bool Code(const JsonValue& item, const char* field, uint32_t* code) {
    const JsonValue* value = FindMember(item, field);
    if (value == nullptr || value->kind != JsonValue::string || !ParseCode(value->text, code))
      return Refuse(std::string("\"") + field + "\" must be a four-character code");
    return true;
  }
  bool Integer(const JsonValue& value, int64_t* integer) {
    char* end = nullptr;
    errno = 0;
    *integer = value.kind == JsonValue::number ? std::strtoll(value.text.c_str(), &end, 10) : 0;
    if (value.kind != JsonValue::number || end != value.text.c_str() + value.text.size() || errno != 0 ||
        *integer < INT32_MIN || *integer > UINT32_MAX)
      return Refuse("\"value\" must be a 32-bit integer");
    return true;
  }
};

bool ReadItem(ItemReader& reader, const JsonValue& json, RecordedItem* item) {
  if (json.kind != JsonValue::object) return reader.Refuse("each descriptor entry must be an object");
  const JsonValue* type = FindMember(json, "type");
  const JsonValue* value = FindMember(json, "value");
  if (!reader.Code(json, "key", &item->key)) return false;
  if (type == nullptr || type->kind != JsonValue::string || value == nullptr)
    return reader.Refuse("each descriptor entry needs \"key\", \"type\" and \"value\"");
  const std::string& name = type->text;
  if (name == "TEXT") {
    item->type = FourCC("TEXT");
    if (value->kind != JsonValue::string) return reader.Refuse("a TEXT value must be a string");
    item->text = value->text;
  } else if (name == "doub") {
    item->type = FourCC("doub");
    if (value->kind != JsonValue::number && value->kind != JsonValue::null)
      return reader.Refuse("a doub value must be a number");
    item->number = value->kind == JsonValue::null ? std::nan("") : std::strtod(value->text.c_str(), nullptr);
  } else if (name == "bool") {
    item->type = FourCC("bool");
    if (value->kind != JsonValue::boolean) return reader.Refuse("a bool value must be true or false");
    item->integer = value->flag ? 1 : 0;
  } else if (name == "long" || name == "enum") {
    item->type = FourCC(name == "long" ? "long" : "enum");
    if (name == "enum" && !reader.Code(json, "enumType", &item->enumType)) return false;
    if (!reader.Integer(*value, &item->integer)) return false;
  } else {
    return reader.Refuse("unknown type \"" + name + "\"; use TEXT, doub, long, bool or enum");
  }
  return true;
}

}  // namespace

Failure ParseSettingsJson(const std::string& text, const std::string& name, RecordedSettings* settings) {
  JsonValue root;
  std::string error;
  if (!ParseJson(text, &root, &error)) return Fail(kExitKernel, name + ": not valid JSON (" + error + ")");
  const JsonValue* format = root.kind == JsonValue::object ? FindMember(root, "format") : nullptr;
  if (format == nullptr || format->kind != JsonValue::string || format->text != kFormatName)
    return Fail(kExitKernel, name + ": not a settings file; record one with tarkel filter --record");
  const JsonValue* version = FindMember(root, "version");
  if (version == nullptr || version->text != "1")
    return Fail(kExitKernel, name + ": settings format version other than 1; use the tarkel that wrote it");
  ItemReader reader{name, {}};
  settings->event = 0;
  const JsonValue* event = FindMember(root, "event");
  if (event != nullptr && !reader.Code(root, "event", &settings->event)) return reader.failure;
  const JsonValue* recordInfo = FindMember(root, "recordInfo");
  int64_t info = 0;
  if (recordInfo != nullptr && !reader.Integer(*recordInfo, &info)) return reader.failure;
  settings->recordInfo = int16_t(info);
  const JsonValue* descriptor = FindMember(root, "descriptor");
  if (descriptor == nullptr || descriptor->kind != JsonValue::array)
    return Fail(kExitKernel, name + ": \"descriptor\" must be a list of entries");
  settings->items.clear();
  for (const JsonValue& json : descriptor->items) {
    RecordedItem item;
    if (!ReadItem(reader, json, &item)) return reader.failure;
    settings->items.push_back(item);
  }
  return {};
}
