// Any descriptor, from any scripting host, read into the run's list and
// recorded again: values stay in range, texts stay bounded, nothing leaks.
#include <cstring>

#include "filter/RecordedSettings.h"
#include "fuzz/ByteSource.h"
#include "plugin/FilterGlobals.h"
#include "plugin/JobRecord.h"
#include "plugin/KernelSettings.h"
#include "hostsim/Descriptor.h"
#include "hostsim/Host.h"
#include "params/ParamList.h"
#include "params/ScriptParams.h"

extern "C" void ENTRYPOINT(int16_t, FilterRecord*, intptr_t*, int16_t*);

static hostsim::DescriptorEntry DrawEntry(ByteSource& bytes) {
  // Mostly the filter's own keys and the units, now and then any key.
  uint8_t choice = bytes.Byte();
  int32_t pick = choice % (kRecordedSettingCount + 1);
  uint32_t key = choice >= 200 ? bytes.Long() : pick < kRecordedSettingCount ? kRecordedSettings[pick].key : kUnitsKey;
  switch (bytes.Byte() % 5) {
    case 0: return hostsim::TextEntry(key, bytes.Text());
    case 1: return hostsim::DoubleEntry(key, bytes.Double());
    case 2: return hostsim::BooleanEntry(key, bytes.Byte() & 1);
    case 3: return hostsim::IntegerEntry(key, int32_t(bytes.Long()));
    default: return hostsim::EnumeratedEntry(key, bytes.Long(), bytes.Long());
  }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ByteSource bytes{data, size};
  uint8_t knobs = bytes.Byte();
  hostsim::ScriptingOptions options;
  options.failGets = knobs & 1;
  options.garbageKeyTypes = knobs & 2;
  options.unterminatedText = knobs & 4;
  options.openWriteGivesToken = !(knobs & 8);
  if (knobs & 16) options.descriptorParametersVersion = int16_t(bytes.Word());
  if (knobs & 32) options.numReadProcs = int16_t(bytes.Word());
  hostsim::HostOptions hostOptions;
  hostOptions.handleProcs = !(knobs & 64);

  hostsim::Host host(ENTRYPOINT, hostsim::MakeImage(1, 1, 1, 8), hostOptions);
  hostsim::ScriptingHost scripting(host, options);
  hostsim::Descriptor descriptor;
  for (int count = bytes.Byte() % 12; count > 0; --count) descriptor.push_back(DrawEntry(bytes));
  scripting.Play(descriptor, int16_t(bytes.Byte() % 4));

  FilterGlobals globals;
  InitGlobals(globals);
  globals.filterRecord = &host.record();
  hostsim::Host::current = &host;
  JobRecord job;
  std::memset(&job, 0, sizeof job);
  ParamList* list = NewParamList(kRunParamSlots);
  InitParamList(list, FourCC("udef"), 0, 0);
  DeclareFilterParameters(&job, list);
  ReadScriptParams(globals.filterRecord, list);
  for (int32_t param = 0; param < kRecordedSettingCount; ++param) {
    const RecordedSetting& setting = kRecordedSettings[param];
    if (setting.kind != SettingKind::number) continue;
    float value = GetFloatParam(list, param);
    if (!(value >= setting.minimum && value <= setting.maximum)) __builtin_trap();
  }
  WriteScriptParams(globals.filterRecord, list);
  DisposeParamList(list);
  hostsim::Host::current = nullptr;
  return 0;
}
