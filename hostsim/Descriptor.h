// A scripting host: in-memory descriptors (ordered key, type, value
// entries) behind the read and write descriptor suites. It plays a
// descriptor to the plug-in and records the one the plug-in hands back.
// Knobs make it hostile: wrong versions, short suites, failing get calls,
// garbage types, text handles without a terminator, an endless key list.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "contract/PluginApi.h"

namespace hostsim {

class Host;

// The value types of the host's descriptors, under the simulator's names.
using ::kBooleanType;
using ::kDoubleType;
using ::kEnumeratedType;
using ::kTextType;
constexpr DescType kIntegerType = kLongIntegerType;

// The code the host answers a get call with when the entry holds another type.
constexpr OSErr kWrongTypeErr = -1703;

struct DescriptorEntry {
  DescriptorKeyID key = 0;
  DescType type = 0;
  double number = 0;      // doub
  int32_t integer = 0;    // long, bool
  DescType enumType = 0;  // enum
  DescEnum enumValue = 0;
  std::string text;        // TEXT: the characters before the first zero byte
  int32_t textHandleSize = 0;  // TEXT recorded: the size of the plug-in's handle

  bool operator==(const DescriptorEntry&) const = default;
};
using Descriptor = std::vector<DescriptorEntry>;

DescriptorEntry TextEntry(DescriptorKeyID key, std::string text);
DescriptorEntry DoubleEntry(DescriptorKeyID key, double value);
DescriptorEntry BooleanEntry(DescriptorKeyID key, bool value);
DescriptorEntry IntegerEntry(DescriptorKeyID key, int32_t value);
DescriptorEntry EnumeratedEntry(DescriptorKeyID key, DescType enumType, DescEnum value);
// The four-character code as text, for messages.
std::string CodeText(uint32_t code);

struct ScriptingOptions {
  int16_t descriptorParametersVersion = 0;
  bool readProcs = true;  // false: readDescriptorProcs is null
  bool writeProcs = true;
  int16_t readProcsVersion = 0;
  int16_t numReadProcs = 18;
  int16_t writeProcsVersion = 0;
  int16_t numWriteProcs = 16;
  bool openWriteGivesToken = true;
  // Every get call fails, after writing a tempting value into its output
  // (for text: a handle the host never made) that the plug-in must not use.
  bool failGets = false;
  bool garbageKeyTypes = false;   // getKeyProc reports nonsense type codes
  bool unterminatedText = false;  // text handles hold exactly the characters
  bool endlessKeys = false;       // getKeyProc repeats the first key forever
  OSErr closeReadResult = 0;
  OSErr closeWriteResult = 0;
};

class ScriptingHost {
 public:
  // Puts its PIDescriptorParameters into the host's FilterRecord. Descriptor
  // handles come from the host's handle suite, so the plug-in can dispose them.
  explicit ScriptingHost(Host& host, ScriptingOptions options = {});
  ~ScriptingHost();
  ScriptingHost(const ScriptingHost&) = delete;
  ScriptingHost& operator=(const ScriptingHost&) = delete;

  // The next run plays this descriptor back (or none, as from the menu).
  void Play(const Descriptor& descriptor, int16_t playInfo);
  void PlayNothing(int16_t playInfo);

  // What the plug-in left in `descriptor`, when it is a descriptor of this host.
  std::optional<Descriptor> Recorded() const;
  PIDescriptorParameters& parameters() { return parameters_; }
  ReadDescriptorProcs& readProcs() { return readProcs_; }
  WriteDescriptorProcs& writeProcs() { return writeProcs_; }
  const ScriptingOptions& options() const { return options_; }
  Host& host() { return host_; }

  std::vector<DescriptorKeyID> keysAsked;  // the key array of the last open read
  int32_t readOpens = 0, readCloses = 0, writeOpens = 0, writeCloses = 0;
  int32_t getCalls = 0;

  static ScriptingHost* current;  // the callbacks have no context argument but the token

  struct ReadSession;
  struct WriteSession;

 private:
  void DisposeDescriptor();

  Host& host_;
  ScriptingOptions options_;
  PIDescriptorParameters parameters_{};
  ReadDescriptorProcs readProcs_{};
  WriteDescriptorProcs writeProcs_{};
  ScriptingHost* previous_;
};

// Descriptor bytes as they stand in a descriptor handle, and back.
std::vector<uint8_t> EncodeDescriptor(const Descriptor& descriptor);
std::optional<Descriptor> DecodeDescriptor(const uint8_t* bytes, size_t size);

}  // namespace hostsim
