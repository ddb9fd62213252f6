#include "hostsim/Descriptor.h"

#include <algorithm>
#include <cstring>

#include "hostsim/Host.h"

namespace hostsim {

ScriptingHost* ScriptingHost::current = nullptr;

DescriptorEntry TextEntry(DescriptorKeyID key, std::string text) {
  DescriptorEntry entry;
  entry.key = key;
  entry.type = kTextType;
  entry.text = std::move(text);
  return entry;
}

DescriptorEntry DoubleEntry(DescriptorKeyID key, double value) {
  DescriptorEntry entry;
  entry.key = key;
  entry.type = kDoubleType;
  entry.number = value;
  return entry;
}

DescriptorEntry BooleanEntry(DescriptorKeyID key, bool value) {
  DescriptorEntry entry;
  entry.key = key;
  entry.type = kBooleanType;
  entry.integer = value ? 1 : 0;
  return entry;
}

DescriptorEntry IntegerEntry(DescriptorKeyID key, int32_t value) {
  DescriptorEntry entry;
  entry.key = key;
  entry.type = kIntegerType;
  entry.integer = value;
  return entry;
}

DescriptorEntry EnumeratedEntry(DescriptorKeyID key, DescType enumType, DescEnum value) {
  DescriptorEntry entry;
  entry.key = key;
  entry.type = kEnumeratedType;
  entry.enumType = enumType;
  entry.enumValue = value;
  return entry;
}

std::string CodeText(uint32_t code) {
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    char c = char(code >> shift);
    text += c >= 32 && c < 127 ? c : '?';
  }
  return text;
}

// ---- Encoding: a magic word, the entry count, then every field of each entry.

constexpr uint32_t kDescriptorMagic = FourCC("DSCR");

namespace {

struct Writer {
  std::vector<uint8_t> bytes;
  void Put(const void* data, size_t size) {
    auto* from = static_cast<const uint8_t*>(data);
    bytes.insert(bytes.end(), from, from + size);
  }
  template <typename T>
  void Put(T value) {
    Put(&value, sizeof value);
  }
};

struct Reader {
  const uint8_t* at;
  size_t left;
  bool Get(void* data, size_t size) {
    if (size > left) return false;
    std::memcpy(data, at, size);
    at += size;
    left -= size;
    return true;
  }
  template <typename T>
  bool Get(T& value) {
    return Get(&value, sizeof value);
  }
};

}  // namespace

std::vector<uint8_t> EncodeDescriptor(const Descriptor& descriptor) {
  Writer out;
  out.Put(kDescriptorMagic);
  out.Put(uint32_t(descriptor.size()));
  for (const DescriptorEntry& e : descriptor) {
    out.Put(e.key);
    out.Put(e.type);
    out.Put(e.number);
    out.Put(e.integer);
    out.Put(e.enumType);
    out.Put(e.enumValue);
    out.Put(e.textHandleSize);
    out.Put(uint32_t(e.text.size()));
    out.Put(e.text.data(), e.text.size());
  }
  return out.bytes;
}

std::optional<Descriptor> DecodeDescriptor(const uint8_t* bytes, size_t size) {
  Reader in{bytes, size};
  uint32_t magic = 0, count = 0;
  if (!in.Get(magic) || magic != kDescriptorMagic || !in.Get(count)) return std::nullopt;
  Descriptor descriptor;
  for (uint32_t i = 0; i < count; ++i) {
    DescriptorEntry e;
    uint32_t length = 0;
    if (!in.Get(e.key) || !in.Get(e.type) || !in.Get(e.number) || !in.Get(e.integer) || !in.Get(e.enumType) ||
        !in.Get(e.enumValue) || !in.Get(e.textHandleSize) || !in.Get(length) || length > in.left)
      return std::nullopt;
    e.text.assign(reinterpret_cast<const char*>(in.at), length);
    in.at += length;
    in.left -= length;
    descriptor.push_back(std::move(e));
  }
  return descriptor;
}

// ---- Sessions: the tokens handed to the plug-in point at these.

struct ScriptingHost::ReadSession {
  Descriptor entries;
  size_t next = 0;
  const DescriptorEntry* current = nullptr;  // the entry of the last key delivered
};

struct ScriptingHost::WriteSession {
  Descriptor entries;
};

namespace {

std::vector<std::unique_ptr<ScriptingHost::ReadSession>> openReads;
std::vector<std::unique_ptr<ScriptingHost::WriteSession>> openWrites;

template <typename Session>
Session* FindSession(std::vector<std::unique_ptr<Session>>& sessions, void* token, const char* what) {
  for (auto& session : sessions)
    if (session.get() == token) return session.get();
  ScriptingHost::current->host().violations.push_back(std::string(what) + " with a token the host did not give");
  return nullptr;
}

template <typename Session>
void CloseSession(std::vector<std::unique_ptr<Session>>& sessions, Session* session) {
  sessions.erase(std::find_if(sessions.begin(), sessions.end(), [&](auto& s) { return s.get() == session; }));
}

Handle NewHostHandleWith(Host& host, const void* bytes, size_t size) {
  Handle handle = host.NewHandle(int32_t(size));
  if (size != 0) std::memcpy(*handle, bytes, size);
  return handle;
}

// Not made by the host: a plug-in that uses or disposes it after a failed
// get call shows up as "GARBAGE" text or as a violation.
char garbageText[] = "GARBAGE";
char* garbageMaster = garbageText;

constexpr OSErr kGetFailedErr = -1700;

// The entry of the last key when it has the wanted type; counts the call.
const DescriptorEntry* EntryFor(ReadToken token, DescType wanted, OSErr& error) {
  ScriptingHost* host = ScriptingHost::current;
  ++host->getCalls;
  error = kGetFailedErr;
  auto* session = FindSession(openReads, token, "get call");
  if (session == nullptr) return nullptr;
  if (session->current == nullptr) {
    host->host().violations.push_back("get call before getKeyProc delivered a key");
    return nullptr;
  }
  if (host->options().failGets) return nullptr;
  error = kWrongTypeErr;
  if (session->current->type != wanted) return nullptr;
  error = 0;
  return session->current;
}

ReadToken TK_CDECL OpenRead(Handle descriptor, DescriptorKeyID* keys) {
  ScriptingHost* host = ScriptingHost::current;
  ++host->readOpens;
  host->keysAsked.clear();
  // A key array has room for at most 30 codes; a longer run means no terminator.
  for (int i = 0; keys != nullptr && keys[i] != 0; ++i) {
    if (i == 30) {
      host->host().violations.push_back("key array without its zero code");
      break;
    }
    host->keysAsked.push_back(keys[i]);
  }
  if (descriptor == nullptr) return nullptr;
  int32_t size = host->host().HandleSize(descriptor);
  std::optional<Descriptor> entries = DecodeDescriptor(reinterpret_cast<const uint8_t*>(*descriptor), size_t(size));
  if (!entries) {
    host->host().violations.push_back("open read with a handle that is not a descriptor");
    return nullptr;
  }
  openReads.push_back(std::make_unique<ScriptingHost::ReadSession>());
  openReads.back()->entries = std::move(*entries);
  return openReads.back().get();
}

OSErr TK_CDECL CloseRead(ReadToken token) {
  ScriptingHost* host = ScriptingHost::current;
  auto* session = FindSession(openReads, token, "close read");
  if (session == nullptr) return kGetFailedErr;
  CloseSession(openReads, session);
  ++host->readCloses;
  return host->options().closeReadResult;
}

Boolean TK_CDECL GetKey(ReadToken token, DescriptorKeyID* key, DescType* type, int32_t* flags) {
  ScriptingHost* host = ScriptingHost::current;
  auto* session = FindSession(openReads, token, "getKeyProc");
  if (session == nullptr || session->entries.empty()) return 0;
  if (session->next >= session->entries.size()) {
    if (!host->options().endlessKeys) return 0;
    session->next = 0;
  }
  size_t index = session->next++;
  session->current = &session->entries[index];
  *key = session->current->key;
  *type = host->options().garbageKeyTypes ? DescType(0x9E3779B9u * (index + 1)) : session->current->type;
  *flags = 0;
  return 1;
}

OSErr TK_CDECL GetInteger(ReadToken token, int32_t* value) {
  OSErr error;
  const DescriptorEntry* entry = EntryFor(token, kIntegerType, error);
  *value = entry != nullptr ? entry->integer : 7;
  return error;
}

OSErr TK_CDECL GetFloat(ReadToken token, double* value) {
  OSErr error;
  const DescriptorEntry* entry = EntryFor(token, kDoubleType, error);
  *value = entry != nullptr ? entry->number : 5.0;
  return error;
}

OSErr TK_CDECL GetBoolean(ReadToken token, Boolean* value) {
  OSErr error;
  const DescriptorEntry* entry = EntryFor(token, kBooleanType, error);
  *value = entry != nullptr ? Boolean(entry->integer) : 1;
  return error;
}

OSErr TK_CDECL GetEnumerated(ReadToken token, DescEnum* value) {
  OSErr error;
  const DescriptorEntry* entry = EntryFor(token, kEnumeratedType, error);
  *value = entry != nullptr ? entry->enumValue : 3;
  return error;
}

OSErr TK_CDECL GetText(ReadToken token, Handle* text) {
  OSErr error;
  const DescriptorEntry* entry = EntryFor(token, kTextType, error);
  if (entry == nullptr) {
    *text = &garbageMaster;
    return error;
  }
  ScriptingHost* host = ScriptingHost::current;
  bool terminated = !host->options().unterminatedText;
  *text = NewHostHandleWith(host->host(), entry->text.c_str(), entry->text.size() + (terminated ? 1 : 0));
  // The host's handles keep one spare byte past their size; make it non-zero
  // so that a scan beyond the size shows in the text it reads.
  if (!terminated) (**text)[entry->text.size()] = 'Z';
  return 0;
}

WriteToken TK_CDECL OpenWrite() {
  ScriptingHost* host = ScriptingHost::current;
  ++host->writeOpens;
  if (!host->options().openWriteGivesToken) return nullptr;
  openWrites.push_back(std::make_unique<ScriptingHost::WriteSession>());
  return openWrites.back().get();
}

OSErr Put(WriteToken token, DescriptorEntry entry) {
  auto* session = FindSession(openWrites, token, "put call");
  if (session == nullptr) return kGetFailedErr;
  session->entries.push_back(std::move(entry));
  return 0;
}

OSErr TK_CDECL PutInteger(WriteToken token, DescriptorKeyID key, int32_t value) {
  return Put(token, IntegerEntry(key, value));
}

OSErr TK_CDECL PutFloat(WriteToken token, DescriptorKeyID key, const double* value) {
  return Put(token, DoubleEntry(key, *value));
}

OSErr TK_CDECL PutBoolean(WriteToken token, DescriptorKeyID key, Boolean value) {
  DescriptorEntry entry = BooleanEntry(key, value != 0);
  entry.integer = value;  // keep the byte the plug-in gave
  return Put(token, entry);
}

OSErr TK_CDECL PutEnumerated(WriteToken token, DescriptorKeyID key, DescType type, DescEnum value) {
  return Put(token, EnumeratedEntry(key, type, value));
}

OSErr TK_CDECL PutText(WriteToken token, DescriptorKeyID key, Handle text) {
  Host& host = ScriptingHost::current->host();
  int32_t size = text != nullptr ? host.HandleSize(text) : 0;
  if (size == 0) {
    host.violations.push_back("putTextProc with a handle the host did not make");
    return kGetFailedErr;
  }
  const char* data = *text;
  DescriptorEntry entry = TextEntry(key, std::string(data, std::find(data, data + size, '\0')));
  entry.textHandleSize = size;
  return Put(token, entry);
}

OSErr TK_CDECL CloseWrite(WriteToken token, Handle* descriptor) {
  ScriptingHost* host = ScriptingHost::current;
  auto* session = FindSession(openWrites, token, "close write");
  if (session == nullptr) return kGetFailedErr;
  std::vector<uint8_t> bytes = EncodeDescriptor(session->entries);
  *descriptor = NewHostHandleWith(host->host(), bytes.data(), bytes.size());
  CloseSession(openWrites, session);
  ++host->writeCloses;
  return host->options().closeWriteResult;
}

}  // namespace

ScriptingHost::ScriptingHost(Host& host, ScriptingOptions options)
    : host_(host), options_(options), previous_(current) {
  current = this;
  readProcs_.readDescriptorProcsVersion = options_.readProcsVersion;
  readProcs_.numReadDescriptorProcs = options_.numReadProcs;
  readProcs_.openReadDescriptorProc = OpenRead;
  readProcs_.closeReadDescriptorProc = CloseRead;
  readProcs_.getKeyProc = GetKey;
  readProcs_.getIntegerProc = GetInteger;
  readProcs_.getFloatProc = GetFloat;
  readProcs_.getBooleanProc = GetBoolean;
  readProcs_.getTextProc = GetText;
  readProcs_.getEnumeratedProc = GetEnumerated;
  writeProcs_.writeDescriptorProcsVersion = options_.writeProcsVersion;
  writeProcs_.numWriteDescriptorProcs = options_.numWriteProcs;
  writeProcs_.openWriteDescriptorProc = OpenWrite;
  writeProcs_.closeWriteDescriptorProc = CloseWrite;
  writeProcs_.putIntegerProc = PutInteger;
  writeProcs_.putFloatProc = PutFloat;
  writeProcs_.putBooleanProc = PutBoolean;
  writeProcs_.putTextProc = PutText;
  writeProcs_.putEnumeratedProc = PutEnumerated;
  parameters_.descriptorParametersVersion = options_.descriptorParametersVersion;
  parameters_.playInfo = plugInDialogDisplay;
  parameters_.recordInfo = plugInDialogNone;  // the plug-in sets it when it records
  parameters_.readDescriptorProcs = options_.readProcs ? &readProcs_ : nullptr;
  parameters_.writeDescriptorProcs = options_.writeProcs ? &writeProcs_ : nullptr;
  host_.record().descriptorParameters = &parameters_;
}

ScriptingHost::~ScriptingHost() {
  if (!openReads.empty() || !openWrites.empty())
    host_.violations.push_back("descriptor token left open by the plug-in");
  openReads.clear();
  openWrites.clear();
  DisposeDescriptor();
  host_.record().descriptorParameters = nullptr;
  current = previous_;
}

void ScriptingHost::DisposeDescriptor() {
  if (parameters_.descriptor != nullptr && host_.HandleSize(parameters_.descriptor) != 0)
    host_.DisposeHandle(parameters_.descriptor);
  parameters_.descriptor = nullptr;
}

void ScriptingHost::Play(const Descriptor& descriptor, int16_t playInfo) {
  DisposeDescriptor();
  std::vector<uint8_t> bytes = EncodeDescriptor(descriptor);
  parameters_.descriptor = NewHostHandleWith(host_, bytes.data(), bytes.size());
  parameters_.playInfo = playInfo;
}

void ScriptingHost::PlayNothing(int16_t playInfo) {
  DisposeDescriptor();
  parameters_.playInfo = playInfo;
}

std::optional<Descriptor> ScriptingHost::Recorded() const {
  Handle descriptor = parameters_.descriptor;
  int32_t size = descriptor != nullptr ? host_.HandleSize(descriptor) : 0;
  if (size == 0) return std::nullopt;
  return DecodeDescriptor(reinterpret_cast<const uint8_t*>(*descriptor), size_t(size));
}

}  // namespace hostsim
