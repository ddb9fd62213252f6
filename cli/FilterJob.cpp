#include "cli/FilterJob.h"

#include <cstdio>
#include <cstring>

#include "cli/AtomicOutput.h"
#include "cli/LinearLight.h"
#include "cli/LosslessInput.h"
#include "cli/RunTimings.h"

namespace {

// Removes the temporary files on every way out that did not commit them.
struct PendingFiles {
  PendingOutput image, settings;
  ~PendingFiles() {
    AbandonOutput(&image);
    AbandonOutput(&settings);
  }
};

}  // namespace

static bool WriteWholeFile(const std::string& path, const std::string& text) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  bool written = file != nullptr && std::fwrite(text.data(), 1, text.size(), file) == text.size();
  if (file != nullptr && std::fclose(file) != 0) written = false;
  return written;
}

// The module leaves images this small alone and answers "cancelled".
constexpr int32_t kSmallestSide = 15;

// Runs as each band of rows is decoded: alpha is kept as the file has it,
// whatever the host range does to it, and 16-bit samples go to the host's range.
static PrepareRows ToHostRows(const Picture& picture, std::vector<uint16_t>* alpha) {
  const hostsim::Image& image = picture.image;
  if (picture.alpha) alpha->resize(size_t(image.width) * image.height);
  return [alpha, keepAlpha = picture.alpha, width = image.width, planes = image.planes, bytes = image.BytesPerSample(),
          rowBytes = image.RowBytes()](uint8_t* band, int32_t top, int32_t bottom) {
    for (int32_t y = top; keepAlpha && y < bottom; ++y) {
      const uint8_t* sample = band + size_t(y - top) * rowBytes + size_t(planes - 1) * bytes;
      for (int32_t x = 0; x < width; ++x, sample += size_t(planes) * bytes)
        (*alpha)[size_t(y) * width + x] = bytes == 2 ? uint16_t(sample[0] | sample[1] << 8) : sample[0];
    }
    if (bytes == 2) SamplesToHostRange(band, size_t(bottom - top) * rowBytes);
  };
}

static void PutPlane(const std::vector<uint16_t>& samples, int32_t plane, hostsim::Image* image) {
  for (int32_t y = 0; y < image->height; ++y)
    for (int32_t x = 0; x < image->width; ++x) image->SetSample(x, y, plane, samples[size_t(y) * image->width + x]);
}

static hostsim::Image PageOf(const hostsim::Image& stack, int32_t page, int32_t height) {
  hostsim::Image one = hostsim::MakeImage(stack.width, height, stack.planes, stack.depth);
  std::memcpy(one.samples.data(), stack.samples.data() + size_t(page) * one.samples.size(), one.samples.size());
  return one;
}

// Waits for the rows of the pages down to bottom.
static Failure AwaitPage(DecodingRows* rows, int32_t bottom) {
  if (AwaitRows(rows, bottom)) return {};
  Failure failure = FinishDecoding(rows);
  return failure ? failure : Fail(kExitInput, rows->path + ": fewer rows than its header says; use an intact copy");
}

static void PutPage(const hostsim::Image& one, int32_t page, hostsim::Image* stack) {
  std::memcpy(stack->samples.data() + size_t(page) * one.samples.size(), one.samples.data(), one.samples.size());
}

// The host's clock of one page, step by step; what the host did around the
// plug-in's calls is the rest of the page's time.
static void AddPluginSteps(const hostsim::RunClock& clock, RunTimings* timings) {
  double before = 0;
  for (const auto& [name, seconds] : timings->steps) before += seconds;
  for (size_t phase = 0; phase < size_t(hostsim::RunPhase::count); ++phase)
    AddStep(timings, hostsim::RunPhaseName(hostsim::RunPhase(phase)), clock.seconds[phase]);
  Lap(timings, "host around the plug-in");
  timings->steps.back().second -= clock.Total();
}

static Failure RunSteps(const hostsim::LoadedModule& module, const FilterJob& job, const RunRequest& request,
                        RunTimings* timings) {
  PictureFormat format{};
  if (Failure failure = FormatForPath(job.output, &format)) return failure;
  if (Failure failure = CheckWriteSettings(job.output, format, job.write)) return failure;
  PendingFiles pending;
  if (Failure failure = BeginOutput(job.output, job.force, &pending.image)) return failure;
  if (!job.record.empty())
    if (Failure failure = BeginOutput(job.record, job.force, &pending.settings)) return failure;

  Picture picture;
  DecodingRows rows;
  if (Failure failure = OpenPicture(job.input, &picture, &rows, job.limits)) return failure;
  int32_t pageHeight = picture.image.height / picture.pages;
  if (picture.image.width < kSmallestSide || pageHeight < kSmallestSide)
    return Fail(kExitInput, job.input + ": " + std::to_string(picture.image.width) + " x " +
                                std::to_string(pageHeight) + " pixels; the filter needs at least " +
                                std::to_string(kSmallestSide) + " x " + std::to_string(kSmallestSide));
  if (Failure failure = CheckFormatHolds(job.output, picture, format)) return failure;
  std::vector<uint8_t> mask;
  if (!job.mask.empty())
    if (Failure failure = ReadMask(job.mask, picture.image.width, pageHeight, &mask)) return failure;
  std::vector<uint16_t> alpha;
  StartDecoding(&picture, ToHostRows(picture, &alpha), &rows);
  // One page without a selection goes to the plug-in while its last rows are
  // still being decoded; of several pages each waits for its own rows while
  // the later ones decode. A selection's host copies the whole page at once.
  bool single = picture.pages == 1;
  ArrivingRows arriving{[&rows](int32_t bottom) { return AwaitRows(&rows, bottom); },
                        [&rows] { StopDecoding(&rows); }};
  bool streamed = single && mask.empty() && !job.linear;
  if (single && !streamed)
    if (Failure failure = FinishDecoding(&rows)) return failure;
  int32_t fileDepth = picture.image.depth;
  if (job.linear)
    if (Failure failure = FinishDecoding(&rows); failure || (failure = ToLinearLight(&picture))) return failure;

  ProgressBar bar = NewProgressBar(job.input, job.quiet);
  RunOutcome outcome;
  RunRequest pageRequest = request;
  Lap(timings, "header, output file, allocation");
  for (int32_t page = 0; page < picture.pages; ++page) {
    if (!single)
      if (Failure failure = AwaitPage(&rows, (page + 1) * pageHeight)) return failure;
    Lap(timings, "waiting for decoded pages");
    hostsim::Image one = single ? std::move(picture.image) : PageOf(picture.image, page, pageHeight);
    one.mask = single ? std::move(mask) : mask;
    Failure run = RunModule(module, std::move(one), pageRequest, &bar, &outcome, streamed ? &arriving : nullptr);
    // A file found damaged half-way is the cause of the run it cut short.
    if (streamed)
      if (Failure failure = FinishDecoding(&rows)) return failure;
    if (run) return run;
    AddPluginSteps(outcome.clock, timings);
    outcome.output.mask.clear();
    FromHostRange(outcome.output);
    if (single)
      picture.image = std::move(outcome.output);
    else
      PutPage(outcome.output, page, &picture.image);
    // The pages after the first get exactly what the first was given.
    if (page == 0 && outcome.recorded) pageRequest = RunRequest{nullptr, outcome.recorded};
    Lap(timings, "16-bit range back, pages");
  }
  if (job.linear)
    if (Failure failure = FromLinearLight(&picture, fileDepth)) return failure;
  if (picture.alpha) PutPlane(alpha, picture.image.planes - 1, &picture.image);
  FinishDecoding(&rows);  // every row has landed: this only ends the decoding thread
  timings->decodeSeconds = rows.seconds;
  Lap(timings, "16-bit range back, pages");

  WriteSettings write = job.write;
  if (!job.losslessChosen) write.lossless = IsLosslessInput(job.input);
  if (Failure failure = WritePicture(pending.image.tempPath, picture, format, write)) {
    // The temporary file is gone once this returns; the message names the output.
    for (size_t at = failure.message.find(pending.image.tempPath); at != std::string::npos;
         at = failure.message.find(pending.image.tempPath))
      failure.message.replace(at, pending.image.tempPath.size(), job.output);
    return failure;
  }
  Lap(timings, "encoding and writing the output");
  if (!job.record.empty()) {
    if (!outcome.recorded)
      return Fail(kExitModule, "the plug-in recorded no settings, so " + job.record + " cannot be written");
    if (!WriteWholeFile(pending.settings.tempPath, FormatSettingsJson(*outcome.recorded)))
      return Fail(kExitOutput, job.record + ": cannot write");
  }
  if (Failure failure = CommitOutput(&pending.image)) return failure;
  if (!job.record.empty())
    if (Failure failure = CommitOutput(&pending.settings)) return failure;
  Lap(timings, "syncing and renaming the output");
  return {};
}

Failure RunFilterJob(const hostsim::LoadedModule& module, const FilterJob& job, const RunRequest& request) {
  RunTimings timings;
  double jobStart = SecondsSinceMain();
  if (job.startupTimings) {
    AddStep(&timings, "start-up before main (loading libraries)", SecondsBeforeMain());
    AddStep(&timings, "start-up: arguments, kernel, libvips, module", jobStart);
  }
  Failure failure = RunSteps(module, job, request, &timings);
  Lap(&timings, "clean-up");
  if (job.timings && !failure)
    PrintTimings(job.input, timings, job.startupTimings ? SecondsBeforeMain() + SecondsSinceMain()
                                                        : SecondsSinceMain() - jobStart);
  if (failure.code == kExitInterrupted) failure.message += "; " + job.output + " was not written";
  // In a batch, every message says which file it is about.
  if (failure && failure.message.find(job.input) == std::string::npos)
    failure.message = job.input + ": " + failure.message;
  return failure;
}
