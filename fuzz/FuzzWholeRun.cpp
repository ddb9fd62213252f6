// A whole run through the host simulator with fuzzed image sizes, planes,
// modes, depths, masks and rectangles: a result code or a clean pass, never
// a request beyond the filter rectangle, a crash or a leak.
#include <cstdio>

#include "fuzz/ByteSource.h"
#include "fuzz/PrivateHome.h"
#include "hostsim/Descriptor.h"
#include "hostsim/Host.h"

extern "C" void ENTRYPOINT(int16_t, FilterRecord*, intptr_t*, int16_t*);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  UsePrivateHome();
  ByteSource bytes{data, size};
  int32_t width = 1 + bytes.Byte() % 40, height = 1 + bytes.Byte() % 40;
  int32_t planes = 1 + bytes.Byte() % 6;
  int32_t depth = bytes.Byte() & 1 ? 16 : 8;
  hostsim::Image image = hostsim::MakeImage(width, height, planes, depth);
  for (uint8_t& sample : image.samples) sample = bytes.Byte();
  uint8_t knobs = bytes.Byte();
  if (knobs & 1) {
    image.mask.assign(size_t(width) * height, 0xFF);
    for (uint8_t& m : image.mask) m = bytes.Byte() | (knobs & 2 ? 0xFF : 0);
  }
  hostsim::HostOptions options;
  options.advanceState = knobs & 4;
  options.abortProc = !(knobs & 8);
  options.progressProc = !(knobs & 16);
  if (knobs & 32) options.imageMode = int16_t(bytes.Byte() % 12);
  if (knobs & 64) options.depthField = bytes.Byte();
  if (knobs & 128) {
    // Any rectangle inside the image, empty and inverted ones included.
    options.haveFilterRect = true;
    options.filterRect.top = int16_t(bytes.Byte() % (height + 1));
    options.filterRect.left = int16_t(bytes.Byte() % (width + 1));
    options.filterRect.bottom = int16_t(bytes.Byte() % (height + 1));
    options.filterRect.right = int16_t(bytes.Byte() % (width + 1));
  }
  uint8_t abortAt = bytes.Byte();
  if (abortAt != 0) options.abortWhen = [abortAt](int32_t calls) { return calls >= abortAt; };
  options.maxContinueCalls = 4 * 40 + 16;
  options.rowPadding = bytes.Byte() % 8;

  hostsim::Host host(ENTRYPOINT, image, options);
  hostsim::ScriptingHost scripting(host);
  scripting.PlayNothing(plugInDialogSilent);
  host.Run();
  for (const std::string& violation : host.violations) std::fprintf(stderr, "violation: %s\n", violation.c_str());
  if (!host.violations.empty()) __builtin_trap();
  return 0;
}
