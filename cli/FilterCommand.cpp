#include "cli/Commands.h"
#include "cli/FileClash.h"
#include "cli/FilterJob.h"
#include "cli/LinearLight.h"
#include "cli/PipeEnds.h"

std::vector<OptionSpec> CommonRunOptions() {
  return {
      {"mask", 'm', "FILE", "a grayscale image of the same size as the selection: white filters, black keeps"},
      {"module", 0, "PATH", "the plug-in module to drive (default: tarkel.so beside this program, or ../lib/tarkel/ from it)"},
      {"quiet", 'q', "", "no progress bar"},
      {"in-place", 0, "", "let a result replace the input image it is made from (refused otherwise)"},
      {"quality", 0, "Q", "JPEG and WebP quality, 1 to 100 (default 92); makes WebP lossy"},
      {"lossless", 0, "", "WebP: lossless (the default from a lossless input)"},
      {"compression", 0, "C", "PNG: level 0 to 9 (default 4); TIFF: none (default), deflate, lzw, zstd, packbits, jpeg"},
      {"max-memory", 0, "SIZE", "refuse images needing more, as in 800M or 4G (default half the machine's memory)"},
      {"timings", 0, "", "print where the run's time went, step by step"},
      ForceOption(),
      PipeFormatOption(),
      LinearOption(),
      {"accept-damaged", 0, "", "filter what decodes of a truncated or damaged image, with a warning (refused otherwise)"},
  };
}

std::string CommonRunDetails() {
  return "Images: JPEG, PNG, TIFF, WebP, HEIF, GIF or PPM/PGM in; JPEG, PNG, TIFF or WebP\n"
         "out, as the output's extension says. Grayscale or RGB, with or without alpha, 8 or\n"
         "16 bits (palette and 1, 2, 4-bit images enter as 8 bits); every page of a\n"
         "multi-page file gets the same settings (write TIFF or WebP to keep them all).\n"
         "Alpha comes back exactly; 16-bit colour travels in the host range 0..32768, as\n"
         "in image editors, so it comes back exact on that grid and otherwise within one\n"
         "level. The profile, EXIF, XMP, IPTC, resolution and PNG text are kept where the\n"
         "output format holds them (a gray image written as WebP becomes RGB without\n"
         "its gray profile); a photo is filtered upright as its EXIF orientation says.\n"
         "A truncated or damaged image is refused unless --accept-damaged. The output is\n"
         "written to a temporary file and renamed into place, so it appears whole or not\n"
         "at all, and it may not replace an input unless --in-place says so.\n"
         "INPUT - reads standard input; OUTPUT - writes standard output (give its\n"
         "--format), and only once the whole result is ready: nothing on failure.\n\n"
         "The plug-in filters images of at least 15 x 15 pixels. WebP is written lossless\n"
         "from a PNG, TIFF, GIF, PPM or lossless WebP input (or with --lossless) and lossy\n"
         "from JPEG and HEIF or whenever --quality is given. A read-only output file is\n"
         "replaced only with --force.\n\n"
         "A progress bar appears on standard error when it is a terminal and a run takes\n"
         "longer than half a second (TARKEL_PROGRESS_DELAY sets another delay in seconds).\n"
         "The plug-in keeps its preferences in $TARKEL_HOME (default ~/.tarkel); a warning\n"
         "says when they cannot be saved there.\n";
}

static Failure ParseMemory(const std::string& text, uint64_t* bytes) {
  size_t digits = text.find_first_not_of("0123456789");
  std::string unit = digits == std::string::npos ? "" : text.substr(digits);
  int shift = unit.empty() || unit == "M" ? 20 : unit == "G" ? 30 : -1;
  if (digits == 0 || shift < 0 || text.size() - unit.size() > 9)
    return Fail(kExitUsage, "--max-memory \"" + text + "\": give mebibytes or gibibytes, as in 800M or 4G");
  *bytes = std::stoull(text.substr(0, digits)) << shift;
  return {};
}

Failure FilterJobFromArguments(const ParsedArguments& arguments, const std::string& input, const std::string& output,
                               FilterJob* job) {
  job->input = input;
  job->output = output;
  job->mask = OptionValue(arguments, "mask");
  job->quiet = HasSwitch(arguments, "quiet");
  job->timings = HasSwitch(arguments, "timings");
  job->force = HasSwitch(arguments, "force");
  job->record = OptionValue(arguments, "record");
  job->linear = HasSwitch(arguments, "linear");
  job->write.compression = OptionValue(arguments, "compression");
  job->write.lossless = HasSwitch(arguments, "lossless");
  job->losslessChosen = job->write.lossless || HasValue(arguments, "quality");
  if (job->write.lossless && HasValue(arguments, "quality"))
    return Fail(kExitUsage, "give --lossless or --quality, not both");
  if (HasValue(arguments, "quality")) {
    std::string quality = OptionValue(arguments, "quality");
    if (quality.empty() || quality.size() > 3 || quality.find_first_not_of("0123456789") != std::string::npos)
      return Fail(kExitUsage, "--quality \"" + quality + "\": give 1 to 100");
    job->write.quality = std::stoi(quality);
  }
  job->limits.maxBytes = PhysicalMemoryBytes() / 2;
  job->limits.acceptDamaged = HasSwitch(arguments, "accept-damaged");
  if (HasValue(arguments, "max-memory"))
    if (Failure failure = ParseMemory(OptionValue(arguments, "max-memory"), &job->limits.maxBytes)) return failure;
  return {};
}

std::vector<NamedPath> ReadOnlyFiles(const ParsedArguments& arguments) {
  std::vector<NamedPath> files;
  for (const char* option : {"mask", "kernel", "matrix"})
    if (HasValue(arguments, option))
      files.push_back({OptionValue(arguments, option), std::string("the --") + option + " file"});
  return files;
}

static Failure RunFilter(const ParsedArguments& arguments) {
  DialogScript script;
  if (Failure failure = KernelPlanFromArguments(arguments, &script.plan)) return failure;
  PipeEnds pipes;
  if (Failure failure = OpenPipeEnds(arguments, arguments.operands[0], arguments.operands[1], &pipes)) return failure;
  const std::string &input = pipes.input, &output = pipes.output;
  std::vector<NamedPath> inputs = {{input, "the input image", 0}};
  for (const NamedPath& file : ReadOnlyFiles(arguments)) inputs.push_back(file);
  std::vector<NamedPath> outputs = {{output, "the output", 0}};
  if (HasValue(arguments, "record")) outputs.push_back({OptionValue(arguments, "record"), "the --record file"});
  if (Failure failure = CheckNoClash(inputs, outputs, HasSwitch(arguments, "in-place"))) return failure;
  if (HasValue(arguments, "record"))
    if (Failure failure = CheckReplaceableSettings(OptionValue(arguments, "record"))) return failure;
  RunRequest request;
  script.recording = HasValue(arguments, "record");
  request.dialog = &script;
  hostsim::LoadedModule module;
  if (Failure failure = OpenModule(OptionValue(arguments, "module"), &module)) return failure;
  FilterJob job;
  Failure failure = FilterJobFromArguments(arguments, input, output, &job);
  job.startupTimings = true;
  if (!failure) failure = RunFilterJob(module, job, request);
  hostsim::UnloadModule(module);
  return FinishPipeEnds(&pipes, failure);
}

Command FilterCommand() {
  CommandSpec spec;
  spec.name = "filter";
  spec.usage = "INPUT OUTPUT [OPTIONS]";
  spec.summary = "filter an image through the plug-in, setting its dialog as a person would";
  spec.options = KernelOptions();
  for (const OptionSpec& option : CommonRunOptions()) spec.options.push_back(option);
  spec.options.push_back({"record", 'r', "FILE", "save the settings the plug-in records, for tarkel play"});
  spec.details =
      "The plug-in's kernel dialog is shown to a scripted user, who loads or types the\n"
      "kernel and presses OK; the plug-in then filters the image itself.\n\n" +
      KernelOptionsDetails() + "\n" + CommonRunDetails() +
      "\nExample:\n  tarkel filter photo.png sharp.png --kernel examples/sharpen.txt --no-autoscale\n";
  spec.minOperands = spec.maxOperands = 2;
  return {spec, RunFilter};
}
