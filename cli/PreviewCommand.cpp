#include <cstdio>

#include "cli/AtomicOutput.h"
#include "cli/Commands.h"
#include "cli/FileClash.h"
#include "cli/FilterJob.h"
#include "cli/LinearLight.h"
#include "cli/ModuleRun.h"
#include "cli/Picture.h"

static Failure ParsePair(const std::string& option, const std::string& text, char separator, int32_t low,
                         int32_t* first, int32_t* second) {
  int a = 0, b = 0;
  char between = 0, extra = 0;
  if (std::sscanf(text.c_str(), "%d%c%d%c", &a, &between, &b, &extra) != 3 || between != separator)
    return Fail(kExitUsage, "--" + option + " \"" + text + "\": give two whole numbers separated by \"" +
                                std::string(1, separator) + "\"");
  if (a < low || b < low || a > 32767 || b > 32767)
    return Fail(kExitUsage, "--" + option + " \"" + text + "\": each number must lie in " + std::to_string(low) +
                                " to 32767, the range of the dialog's controls");
  *first = a;
  *second = b;
  return {};
}

// 5-5-5 pixels as an 8-bit RGB picture, each 5-bit level spread over 0..255.
static Picture PreviewToPicture(const PreviewPicture& preview) {
  Picture picture;
  picture.image = hostsim::MakeImage(preview.width, preview.height, 3, 8);
  for (int32_t y = 0; y < preview.height; ++y)
    for (int32_t x = 0; x < preview.width; ++x) {
      uint16_t pixel = preview.pixels[size_t(y) * preview.width + x];
      for (int32_t channel = 0; channel < 3; ++channel) {
        uint16_t level = (pixel >> (10 - 5 * channel)) & 31;
        picture.image.SetSample(x, y, channel, uint16_t(level << 3 | level >> 2));
      }
    }
  return picture;
}

static Failure RunPreview(const ParsedArguments& arguments) {
  const std::string &input = arguments.operands[0], &output = arguments.operands[1];
  bool linear = HasSwitch(arguments, "linear");
  DialogScript script;
  script.capturePreview = true;
  if (Failure failure = KernelPlanFromArguments(arguments, &script.plan)) return failure;
  if (HasValue(arguments, "scroll"))
    if (Failure f = ParsePair("scroll", OptionValue(arguments, "scroll"), ',', 0, &script.scrollLeft, &script.scrollTop))
      return f;
  if (HasValue(arguments, "frame")) {
    int32_t width = 0, height = 0;
    if (Failure failure = ParsePair("frame", OptionValue(arguments, "frame"), 'x', 1, &width, &height)) return failure;
    script.frameWidth = int16_t(width);
    script.frameHeight = int16_t(height);
  }
  std::vector<NamedPath> inputs = {{input, "the input image"}};
  for (const NamedPath& file : ReadOnlyFiles(arguments)) inputs.push_back(file);
  if (Failure failure = CheckNoClash(inputs, {{output, "the preview"}}, false)) return failure;
  PictureFormat format{};
  if (Failure failure = FormatForPath(output, &format)) return failure;
  if (format != PictureFormat::png) return Fail(kExitUsage, output + ": the preview is written as PNG; name it .png");
  hostsim::LoadedModule module;
  if (Failure failure = OpenModule(OptionValue(arguments, "module"), &module)) return failure;
  PendingOutput pending;
  Failure failure = BeginOutput(output, HasSwitch(arguments, "force"), &pending);
  Picture picture;
  if (!failure) failure = ReadPicture(input, &picture);
  RunRequest request;
  request.dialog = &script;
  RunOutcome outcome;
  if (!failure) ToHostRange(picture.image);
  if (!failure && linear) failure = ToLinearLight(&picture);
  if (!failure) {
    ProgressBar bar = NewProgressBar(input, HasSwitch(arguments, "quiet"));
    failure = RunModule(module, std::move(picture.image), request, &bar, &outcome);
    // The dialog is cancelled once the preview is taken, so the run ends as cancelled.
    if (script.preview && outcome.result == -128 && failure.code == kExitFilterFailed) failure = {};
  }
  if (!failure && (!script.preview || script.preview->pixels.empty()))
    failure = Fail(kExitFilterFailed, "the plug-in's dialog painted no preview");
  Picture shown;
  if (!failure) shown = PreviewToPicture(*script.preview);
  if (!failure && linear) failure = LinearPreviewToSrgb(&shown);
  if (!failure) failure = WritePicture(pending.tempPath, shown, PictureFormat::png);
  if (!failure) failure = CommitOutput(&pending);
  AbandonOutput(&pending);
  hostsim::UnloadModule(module);
  if (!failure) std::printf("%s\n", output.c_str());
  return failure;
}

Command PreviewCommand() {
  CommandSpec spec;
  spec.name = "preview";
  spec.usage = "INPUT OUTPUT.png [OPTIONS]";
  spec.summary = "save the live preview the plug-in's dialog shows for a kernel";
  spec.options = KernelOptions();
  spec.options.push_back({"scroll", 0, "X,Y", "scroll the preview to column X, row Y (the scroll bars' positions)"});
  spec.options.push_back({"frame", 0, "WxH", "the preview frame's size in pixels (default 196x183)"});
  spec.options.push_back(
      {"module", 0, "PATH", "the plug-in module to drive (default: tarkel.so beside this program, or ../lib/tarkel/ from it)"});
  spec.options.push_back({"quiet", 'q', "", "no progress bar"});
  spec.options.push_back(ForceOption());
  spec.options.push_back(LinearOption());
  spec.details =
      "The dialog opens on the image, the kernel is loaded or typed as for tarkel filter,\n"
      "the scroll bars are moved, and the preview the plug-in paints (a 5-5-5 bitmap of\n"
      "the visible part, filtered, with a three-pixel white border where the 7 x 7\n"
      "window does not fit) is saved; then the dialog is cancelled, so the image is not\n"
      "filtered. The scroll bars stop where the dialog stops them (the vertical one a\n"
      "row short of the bottom).\n\n" +
      KernelOptionsDetails() +
      "\nExample:\n  tarkel preview photo.png view.png --kernel examples/sharpen.txt --scroll 120,40\n";
  spec.minOperands = spec.maxOperands = 2;
  return {spec, RunPreview};
}
