// Any sequence of selectors from a host that changes its record between the
// calls: planes, mode, depth, rectangle, mask, missing row buffers and
// callbacks, a parameters handle without data, a progress callback that
// calls back in; and preferences holding any scale, offset and autoscale
// bits. The host's row buffers stay true to their stated sizes; everything
// else may lie. Every call must end with a result code, never a crash, a
// leak or a touch outside the host's buffers.
#include <cstring>
#include <vector>

#include "filter/RecordedSettings.h"
#include "fuzz/ByteSource.h"
#include "fuzz/PrivateHome.h"
#include "plugin/JobRecord.h"
#include "hostsim/Descriptor.h"
#include "hostsim/Host.h"

extern "C" void ENTRYPOINT(int16_t, FilterRecord*, intptr_t*, int16_t*);

namespace {

hostsim::Host* calling = nullptr;
int16_t nestedSelector = 0;
char* noData = nullptr;

void TK_CDECL ProgressThatCallsIn(int32_t, int32_t) {
  int16_t result = 0;
  ENTRYPOINT(nestedSelector, &calling->record(), &calling->data(), &result);
}

// The settings the next run starts from, as any bits.
void WritePreferences(ByteSource& bytes) {
  std::vector<uint8_t> file(kPreferencesFileBytes, 0);
  for (const RecordedSetting& setting : kRecordedSettings) {
    if (setting.kind == SettingKind::kernelText) continue;
    uint32_t bits = bytes.Long();
    std::memcpy(file.data() + setting.preference, &bits, sizeof bits);
  }
  WriteFixedFile("c:\\MORVpref.xxx", file.data(), file.size());
}

void ChangeHost(ByteSource& bytes, FilterRecord& r) {
  switch (bytes.Byte() % 11) {
    case 0: r.planes = int16_t(int(bytes.Byte() % 20) - 2); break;
    case 1: r.imageMode = int16_t(bytes.Byte() % 12); break;
    case 2: r.depth = bytes.Byte() % 3 * 8; break;
    case 3: r.filterRect.right = int16_t(r.filterRect.right + int(bytes.Byte() % 9) - 4); break;
    case 4: r.filterRect.bottom = int16_t(r.filterRect.bottom + int(bytes.Byte() % 9) - 4); break;
    case 5: r.haveMask = bytes.Byte() & 1; break;
    case 6:
      r.inData = nullptr;
      r.outData = nullptr;
      break;
    case 7: r.parameters = bytes.Byte() & 1 ? &noData : nullptr; break;
    case 8:
      r.advanceState = nullptr;
      r.abortProc = nullptr;
      break;
    case 9:
      nestedSelector = int16_t(bytes.Byte() % 6);
      r.progressProc = ProgressThatCallsIn;
      break;
    default: WritePreferences(bytes); break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  UsePrivateHome();
  RemoveFixedFile("c:\\MORVpref.xxx");  // every input starts from the defaults
  ByteSource bytes{data, size};
  int32_t width = 1 + bytes.Byte() % 24, height = 1 + bytes.Byte() % 24;
  int32_t planes = 1 + bytes.Byte() % 5;
  int32_t depth = bytes.Byte() & 1 ? 16 : 8;
  hostsim::Image image = hostsim::MakeImage(width, height, planes, depth);
  for (uint8_t& sample : image.samples) sample = uint8_t(sample * 7 + 3);
  image.mask.assign(size_t(width) * height, 0x80);
  hostsim::HostOptions options;
  options.advanceState = bytes.Byte() & 1;
  options.rowPadding = bytes.Byte();  // room for rows the record may claim

  hostsim::Host host(ENTRYPOINT, image, options);
  hostsim::ScriptingHost scripting(host);
  scripting.PlayNothing(plugInDialogSilent);
  calling = &host;
  for (int32_t step = 0; step < 200 && bytes.size > 0; ++step) {
    uint8_t op = bytes.Byte();
    if (op < 0xC0)
      host.Call(int16_t(op % 6));
    else
      ChangeHost(bytes, host.record());
  }
  host.Call(filterSelectorFinish);
  host.record().parameters = nullptr;  // the host's handle, not the plug-in's
  calling = nullptr;
  return 0;
}
