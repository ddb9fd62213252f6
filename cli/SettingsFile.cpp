#include "cli/SettingsFile.h"

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <nlohmann/json.hpp>

using Json = nlohmann::ordered_json;

constexpr const char* kFormatName = "tarkel-settings";
constexpr off_t kLargestSettingsFile = 1 << 20;  // a recording is under 2 KiB

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

// The plug-in's texts are single bytes; JSON strings are UTF-8, so each
// byte travels as the character of that number (above 127, \u00XX).
static std::string BytesToUtf8(const std::string& bytes) {
  std::string text;
  for (char c : bytes) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      text += c;
    } else {
      text += char(0xC0 | byte >> 6);
      text += char(0x80 | (byte & 0x3F));
    }
  }
  return text;
}

static bool Utf8ToBytes(const std::string& text, std::string* bytes) {
  bytes->clear();
  for (size_t i = 0; i < text.size(); ++i) {
    auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      *bytes += text[i];
      continue;
    }
    // Only characters up to U+00FF have a single byte: two-byte forms led by C2 or C3.
    if ((byte != 0xC2 && byte != 0xC3) || i + 1 >= text.size()) return false;
    *bytes += char((byte & 0x03) << 6 | (static_cast<unsigned char>(text[++i]) & 0x3F));
  }
  return true;
}

static Json EntryToJson(const hostsim::DescriptorEntry& entry) {
  Json json;
  json["key"] = CodeToJson(entry.key);
  json["type"] = entry.type == hostsim::kEnumeratedType ? "enum" : CodeToJson(entry.type);
  if (entry.type == hostsim::kTextType) {
    json["value"] = BytesToUtf8(entry.text);
  } else if (entry.type == hostsim::kDoubleType) {
    // JSON has no NaN; null stands for it, and playback refuses it.
    json["value"] = std::isfinite(entry.number) ? Json(entry.number) : Json(nullptr);
  } else if (entry.type == hostsim::kBooleanType) {
    json["value"] = entry.integer != 0;
  } else if (entry.type == hostsim::kEnumeratedType) {
    json["enumType"] = CodeToJson(entry.enumType);
    json["value"] = entry.enumValue;
  } else {
    json["value"] = entry.integer;
  }
  return json;
}

std::string FormatSettingsJson(const RecordedSettings& settings) {
  Json json;
  json["format"] = kFormatName;
  json["version"] = 1;
  json["event"] = CodeToJson(settings.event);
  json["recordInfo"] = settings.recordInfo;
  json["descriptor"] = Json::array();
  for (const hostsim::DescriptorEntry& entry : settings.descriptor) json["descriptor"].push_back(EntryToJson(entry));
  return json.dump(2, ' ', true) + "\n";  // ASCII only: bytes above 127 as \u00XX
}

namespace {

struct ItemReader {
  std::string where;
  Failure failure;

  bool Refuse(const std::string& what) {
    failure = Fail(kExitKernel, where + ": " + what);
    return false;
  }
  bool Code(const Json& item, const char* field, uint32_t* code) {
    auto value = item.find(field);
    if (value == item.end() || !value->is_string() || !CodeFromJson(value->get<std::string>(), code))
      return Refuse(std::string("\"") + field + "\" must be a four-character code");
    return true;
  }
  bool Integer(const Json& value, int64_t* integer, int64_t low, int64_t high) {
    bool whole = value.is_number_integer() && (value.is_number_unsigned() ? value.get<uint64_t>() <= uint64_t(high)
                                                                          : true);
    if (whole) *integer = value.is_number_unsigned() ? int64_t(value.get<uint64_t>()) : value.get<int64_t>();
    if (!whole || *integer < low || *integer > high)
      return Refuse("\"value\" must be an integer from " + std::to_string(low) + " to " + std::to_string(high));
    return true;
  }
};

bool ReadEntry(ItemReader& reader, const Json& json, hostsim::DescriptorEntry* entry) {
  if (!json.is_object()) return reader.Refuse("each descriptor entry must be an object");
  auto type = json.find("type");
  auto value = json.find("value");
  if (!reader.Code(json, "key", &entry->key)) return false;
  // From here on each refusal names the entry's key.
  reader.where += " key \"" + CodeToJson(entry->key) + "\"";
  if (type == json.end() || !type->is_string() || value == json.end())
    return reader.Refuse("each descriptor entry needs \"key\", \"type\" and \"value\"");
  const std::string name = type->get<std::string>();
  int64_t integer = 0;
  if (name == "TEXT") {
    entry->type = hostsim::kTextType;
    if (!value->is_string()) return reader.Refuse("a TEXT value must be a string");
    if (!Utf8ToBytes(value->get<std::string>(), &entry->text))
      return reader.Refuse("a TEXT value holds single bytes, characters up to \\u00ff");
  } else if (name == "doub") {
    entry->type = hostsim::kDoubleType;
    if (!value->is_number() && !value->is_null()) return reader.Refuse("a doub value must be a number");
    entry->number = value->is_null() ? std::nan("") : value->get<double>();
  } else if (name == "bool") {
    entry->type = hostsim::kBooleanType;
    if (!value->is_boolean()) return reader.Refuse("a bool value must be true or false");
    entry->integer = value->get<bool>() ? 1 : 0;
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

Failure CheckReplaceableSettings(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return {};
  Failure refusal = Fail(kExitUsage, path + ": exists and is not a settings file, so it is not replaced; choose "
                                            "another name for the recording");
  if (!S_ISREG(info.st_mode) || info.st_size > kLargestSettingsFile) return refusal;
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  Json root = Json::parse(text.str(), nullptr, false);
  auto format = root.is_object() ? root.find("format") : root.end();
  return format != root.end() && *format == kFormatName ? Failure{} : refusal;
}

Failure ParseSettingsJson(const std::string& text, const std::string& name, RecordedSettings* settings) {
  Json root;
  try {
    root = Json::parse(text);
  } catch (const Json::exception& error) {  // says where the text went wrong
    return Fail(kExitKernel, name + ": not valid JSON (" + error.what() + ")");
  }
  auto format = root.is_object() ? root.find("format") : root.end();
  if (!root.is_object() || format == root.end() || !format->is_string() || *format != kFormatName)
    return Fail(kExitKernel, name + ": not a settings file; record one with tarkel filter --record");
  auto version = root.find("version");
  if (version == root.end() || !version->is_number_integer() || *version != 1)
    return Fail(kExitKernel, name + ": settings format version other than 1; use the tarkel that wrote it");
  ItemReader reader{name, {}};
  settings->event = 0;
  if (root.contains("event") && !reader.Code(root, "event", &settings->event)) return reader.failure;
  int64_t info = 0;
  if (root.contains("recordInfo") && !reader.Integer(root["recordInfo"], &info, INT16_MIN, INT16_MAX))
    return reader.failure;
  settings->recordInfo = int16_t(info);
  auto descriptor = root.find("descriptor");
  if (descriptor == root.end() || !descriptor->is_array())
    return Fail(kExitKernel, name + ": \"descriptor\" must be a list of entries");
  settings->descriptor.clear();
  for (const Json& json : *descriptor) {
    hostsim::DescriptorEntry entry;
    ItemReader entryReader{name, {}};
    if (!ReadEntry(entryReader, json, &entry)) return entryReader.failure;
    settings->descriptor.push_back(entry);
  }
  return {};
}
