#include "cli/FilterJob.h"

#include <chrono>
#include <cstdio>
#include <cstring>

#include "cli/AtomicOutput.h"

namespace {

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

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

static std::vector<uint16_t> TakePlane(const hostsim::Image& image, int32_t plane) {
  std::vector<uint16_t> samples(size_t(image.width) * image.height);
  for (int32_t y = 0; y < image.height; ++y)
    for (int32_t x = 0; x < image.width; ++x) samples[size_t(y) * image.width + x] = image.Sample(x, y, plane);
  return samples;
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

static void PutPage(const hostsim::Image& one, int32_t page, hostsim::Image* stack) {
  std::memcpy(stack->samples.data() + size_t(page) * one.samples.size(), one.samples.data(), one.samples.size());
}

static Failure RunSteps(const hostsim::LoadedModule& module, const FilterJob& job, const RunRequest& request) {
  PictureFormat format{};
  if (Failure failure = FormatForPath(job.output, &format)) return failure;
  if (Failure failure = CheckWriteSettings(job.output, format, job.write)) return failure;
  PendingFiles pending;
  if (Failure failure = BeginOutput(job.output, &pending.image)) return failure;
  if (!job.record.empty())
    if (Failure failure = BeginOutput(job.record, &pending.settings)) return failure;

  auto start = std::chrono::steady_clock::now();
  Picture picture;
  if (Failure failure = ReadPicture(job.input, &picture, job.limits)) return failure;
  int32_t pageHeight = picture.image.height / picture.pages;
  if (picture.image.width < kSmallestSide || pageHeight < kSmallestSide)
    return Fail(kExitInput, job.input + ": " + std::to_string(picture.image.width) + " x " +
                                std::to_string(pageHeight) + " pixels; the filter needs at least " +
                                std::to_string(kSmallestSide) + " x " + std::to_string(kSmallestSide));
  if (Failure failure = CheckFormatHolds(job.output, picture, format)) return failure;
  std::vector<uint8_t> mask;
  if (!job.mask.empty())
    if (Failure failure = ReadMask(job.mask, picture.image.width, pageHeight, &mask)) return failure;
  double decodeSeconds = SecondsSince(start);

  // Alpha goes back exactly as it came, whatever the host range does to it.
  std::vector<uint16_t> alpha = picture.alpha ? TakePlane(picture.image, picture.image.planes - 1) : std::vector<uint16_t>();
  ProgressBar bar = NewProgressBar(job.input, job.quiet);
  RunOutcome outcome;
  RunRequest pageRequest = request;
  double moduleSeconds = 0;
  for (int32_t page = 0; page < picture.pages; ++page) {
    bool single = picture.pages == 1;  // no copy of a one-page image
    hostsim::Image one = single ? std::move(picture.image) : PageOf(picture.image, page, pageHeight);
    one.mask = single ? std::move(mask) : mask;
    ToHostRange(one);
    if (Failure failure = RunModule(module, std::move(one), pageRequest, &bar, &outcome)) return failure;
    outcome.output.mask.clear();
    FromHostRange(outcome.output);
    if (single)
      picture.image = std::move(outcome.output);
    else
      PutPage(outcome.output, page, &picture.image);
    moduleSeconds += outcome.seconds;
    // The pages after the first get exactly what the first was given.
    if (page == 0 && outcome.recorded) pageRequest = RunRequest{nullptr, outcome.recorded};
  }
  if (picture.alpha) PutPlane(alpha, picture.image.planes - 1, &picture.image);

  start = std::chrono::steady_clock::now();
  if (Failure failure = WritePicture(pending.image.tempPath, picture, format, job.write)) {
    // The temporary file is gone once this returns; the message names the output.
    for (size_t at = failure.message.find(pending.image.tempPath); at != std::string::npos;
         at = failure.message.find(pending.image.tempPath))
      failure.message.replace(at, pending.image.tempPath.size(), job.output);
    return failure;
  }
  if (!job.record.empty()) {
    if (!outcome.recorded)
      return Fail(kExitModule, "the plug-in recorded no settings, so " + job.record + " cannot be written");
    if (!WriteWholeFile(pending.settings.tempPath, FormatSettingsJson(*outcome.recorded)))
      return Fail(kExitOutput, job.record + ": cannot write");
  }
  if (Failure failure = CommitOutput(&pending.image)) return failure;
  if (!job.record.empty())
    if (Failure failure = CommitOutput(&pending.settings)) return failure;
  double encodeSeconds = SecondsSince(start);
  if (job.timings)
    std::fprintf(stderr, "%s: decode %.3f s, plug-in %.3f s, encode %.3f s\n", job.input.c_str(), decodeSeconds,
                 moduleSeconds, encodeSeconds);
  return {};
}

Failure RunFilterJob(const hostsim::LoadedModule& module, const FilterJob& job, const RunRequest& request) {
  Failure failure = RunSteps(module, job, request);
  if (failure.code == kExitInterrupted) failure.message += "; " + job.output + " was not written";
  // In a batch, every message says which file it is about.
  if (failure && failure.message.find(job.input) == std::string::npos)
    failure.message = job.input + ": " + failure.message;
  return failure;
}
