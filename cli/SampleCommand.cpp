#include <cstdio>
#include <cstdlib>

#include "cli/AtomicOutput.h"
#include "cli/Commands.h"
#include "cli/SamplePicture.h"

static Failure ParseSize(const std::string& text, int32_t* width, int32_t* height) {
  int w = 0, h = 0;
  char extra = 0;
  if (std::sscanf(text.c_str(), "%dx%d%c", &w, &h, &extra) != 2 || w < 1 || h < 1 || w > 32767 || h > 32767)
    return Fail(kExitUsage, "--size \"" + text + "\": give WIDTHxHEIGHT, each 1 to 32767, as in 640x480");
  *width = w;
  *height = h;
  return {};
}

static Failure RunSample(const ParsedArguments& arguments) {
  const std::string& output = arguments.operands[0];
  int32_t width = 0, height = 0;
  if (Failure failure = ParseSize(OptionValue(arguments, "size", "640x480"), &width, &height)) return failure;
  std::string kind = OptionValue(arguments, "kind", "rgb");
  int32_t channels = kind.rfind("rgb", 0) == 0 ? 3 : 1;
  bool alpha = kind == "rgba" || kind == "gray-alpha";
  if (kind != "gray" && kind != "gray-alpha" && kind != "rgb" && kind != "rgba")
    return Fail(kExitUsage, "--kind \"" + kind + "\": choose gray, gray-alpha, rgb or rgba");
  std::string depthText = OptionValue(arguments, "depth", "8");
  if (depthText != "8" && depthText != "16") return Fail(kExitUsage, "--depth \"" + depthText + "\": choose 8 or 16");
  PictureFormat format{};
  if (Failure failure = FormatForPath(output, &format)) return failure;
  PendingOutput pending;
  if (Failure failure = BeginOutput(output, HasSwitch(arguments, "force"), &pending)) return failure;
  Picture picture = MakeSamplePicture(width, height, channels, alpha, std::atoi(depthText.c_str()));
  Failure failure = WritePicture(pending.tempPath, picture, format);
  if (!failure) failure = CommitOutput(&pending);
  AbandonOutput(&pending);
  if (!failure) std::printf("%s\n", output.c_str());
  return failure;
}

Command SampleCommand() {
  CommandSpec spec;
  spec.name = "sample";
  spec.usage = "OUTPUT";
  spec.summary = "write a generated test picture (PNG, TIFF, JPEG or WebP)";
  spec.options = {
      ForceOption(),
      {"size", 0, "WxH", "width and height in pixels (default 640x480)"},
      {"kind", 0, "KIND", "gray, gray-alpha, rgb or rgba (default rgb)"},
      {"depth", 0, "BITS", "8 or 16 bits per sample (default 8)"},
  };
  spec.details =
      "The picture (sky, sun, hills, a checkerboard and fine rings, with soft edges) is\n"
      "computed, not copied from anywhere, so demos and tests can rely on it.\n";
  spec.minOperands = spec.maxOperands = 1;
  return {spec, RunSample};
}
