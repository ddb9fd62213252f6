#include "cli/SettingsFile.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "cli/Json.h"

constexpr const char* kFormatName = "tarkel-settings";

// Reversible, unlike the text of a code in messages.
static std::string CodeToJson(uint32_t code) {
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

static bool CodeFromJson(const std::string& text, uint32_t* code) {
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

static std::string FormatEntry(const hostsim::DescriptorEntry& entry) {
  std::string type = entry.type == hostsim::kEnumeratedType ? "enum" : CodeToJson(entry.type);
  std::string line = "{ \"key\": " + QuoteJson(CodeToJson(entry.key)) + ", \"type\": " + QuoteJson(type) + ", ";
  if (entry.type == hostsim::kTextType)
    line += "\"value\": " + QuoteJson(entry.text);
  else if (entry.type == hostsim::kDoubleType)
    line += "\"value\": " + FormatDouble(entry.number);
  else if (entry.type == hostsim::kBooleanType)
    line += std::string("\"value\": ") + (entry.integer != 0 ? "true" : "false");
  else if (entry.type == hostsim::kEnumeratedType)
    line += "\"enumType\": " + QuoteJson(CodeToJson(entry.enumType)) + ", \"value\": " + std::to_string(entry.enumValue);
  else
    line += "\"value\": " + std::to_string(entry.integer);
  return line + " }";
}

std::string FormatSettingsJson(const RecordedSettings& settings) {
  std::string text = "{\n  \"format\": \"" + std::string(kFormatName) + "\",\n  \"version\": 1,\n";
  text += "  \"event\": " + QuoteJson(CodeToJson(settings.event)) + ",\n";
  text += "  \"recordInfo\": " + std::to_string(settings.recordInfo) + ",\n  \"descriptor\": [";
  for (size_t i = 0; i < settings.descriptor.size(); ++i)
    text += std::string(i == 0 ? "\n" : ",\n") + "    " + FormatEntry(settings.descriptor[i]);
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
    if (value == nullptr || value->kind != JsonValue::string || !CodeFromJson(value->text, code))
      return Refuse(std::string("\"") + field + "\" must be a four-character code");
    return true;
  }
  bool Integer(const JsonValue& value, int64_t* integer, int64_t low, int64_t high) {
    char* end = nullptr;
    errno = 0;
    *integer = value.kind == JsonValue::number ? std::strtoll(value.text.c_str(), &end, 10) : 0;
    if (value.kind != JsonValue::number || end != value.text.c_str() + value.text.size() || errno != 0 ||
        *integer < low || *integer > high)
      return Refuse("\"value\" must be an integer from " + std::to_string(low) + " to " + std::to_string(high));
    return true;
  }
};

bool ReadEntry(ItemReader& reader, const JsonValue& json, hostsim::DescriptorEntry* entry) {
  if (json.kind != JsonValue::object) return reader.Refuse("each descriptor entry must be an object");
  const JsonValue* type = FindMember(json, "type");
  const JsonValue* value = FindMember(json, "value");
  if (!reader.Code(json, "key", &entry->key)) return false;
  if (type == nullptr || type->kind != JsonValue::string || value == nullptr)
    return reader.Refuse("each descriptor entry needs \"key\", \"type\" and \"value\"");
  const std::string& name = type->text;
  int64_t integer = 0;
  if (name == "TEXT") {
    entry->type = hostsim::kTextType;
    if (value->kind != JsonValue::string) return reader.Refuse("a TEXT value must be a string");
    entry->text = value->text;
  } else if (name == "doub") {
    entry->type = hostsim::kDoubleType;
    if (value->kind != JsonValue::number && value->kind != JsonValue::null)
      return reader.Refuse("a doub value must be a number");
    entry->number = value->kind == JsonValue::null ? std::nan("") : std::strtod(value->text.c_str(), nullptr);
  } else if (name == "bool") {
    entry->type = hostsim::kBooleanType;
    if (value->kind != JsonValue::boolean) return reader.Refuse("a bool value must be true or false");
    entry->integer = value->flag ? 1 : 0;
  } else if (name == "long") {
    entry->type = hostsim::kIntegerType;
    if (!reader.Integer(*value, &integer, INT32_MIN, INT32_MAX)) return false;
    entry->integer = int32_t(integer);
  } else if (name == "enum") {
    entry->type = hostsim::kEnumeratedType;
    if (!reader.Code(json, "enumType", &entry->enumType) || !reader.Integer(*value, &integer, 0, UINT32_MAX))
      return false;
    entry->enumValue = DescEnum(integer);
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
  if (recordInfo != nullptr && !reader.Integer(*recordInfo, &info, INT16_MIN, INT16_MAX)) return reader.failure;
  settings->recordInfo = int16_t(info);
  const JsonValue* descriptor = FindMember(root, "descriptor");
  if (descriptor == nullptr || descriptor->kind != JsonValue::array)
    return Fail(kExitKernel, name + ": \"descriptor\" must be a list of entries");
  settings->descriptor.clear();
  for (const JsonValue& json : descriptor->items) {
    hostsim::DescriptorEntry entry;
    if (!ReadEntry(reader, json, &entry)) return reader.failure;
    settings->descriptor.push_back(entry);
  }
  return {};
}
