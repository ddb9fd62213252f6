#include <cstdio>
#include <fstream>
#include <sstream>

#include "cli/AtomicOutput.h"
#include "cli/Commands.h"
#include "cli/FileClash.h"
#include "cli/FilterJob.h"
#include "cli/ParallelJobs.h"
#include "cli/PipeEnds.h"
#include "cli/Picture.h"
#include "cli/PlayableSettings.h"

static Failure ReadSettings(const std::string& path, RecordedSettings* settings) {
  if (Failure failure = CheckRegularFile(path, kExitKernel)) return failure;
  std::ifstream in(path, std::ios::binary);
  if (!in) return Fail(kExitKernel, path + ": cannot open the settings file; record one with tarkel filter --record");
  std::ostringstream text;
  text << in.rdbuf();
  if (Failure failure = ParseSettingsJson(text.str(), path, settings)) return failure;
  return CheckPlayable(*settings, path);
}

constexpr int kMostJobs = 256;

static std::string NameOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Everything about the outputs that is known before the first file is read.
static Failure CheckOutputs(const std::vector<FilterJob>& jobs) {
  for (const FilterJob& job : jobs) {
    PictureFormat format{};
    if (Failure failure = FormatForPath(job.output, &format)) return failure;
    if (Failure failure = CheckWriteSettings(job.output, format, job.write)) return failure;
    if (Failure failure = CheckOutputPlace(job.output, job.force)) return failure;
  }
  return {};
}

static Failure ParseJobs(const ParsedArguments& arguments, int* parallel) {
  *parallel = ProcessorCount();
  if (!HasValue(arguments, "jobs")) return {};
  std::string text = OptionValue(arguments, "jobs");
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
    return Fail(kExitUsage, "-j \"" + text + "\": give the number of files to filter at once, a whole number");
  if (text.size() > 3 || std::stoi(text) < 1 || std::stoi(text) > kMostJobs)
    return Fail(kExitUsage, "-j \"" + text + "\": give 1 to " + std::to_string(kMostJobs) +
                                " files at once (each runs in a process of its own)");
  *parallel = std::stoi(text);
  return {};
}

// One file after the other, each with a progress bar of its own.
static Failure RunJobsInTurn(const hostsim::LoadedModule& module, const std::vector<FilterJob>& jobs,
                             const RunRequest& request, Batch* batch) {
  for (size_t i = 0; i < jobs.size(); ++i) {
    Failure failure = RunFilterJob(module, jobs[i], request);
    if (!failure) continue;
    if (!batch->keepGoing || failure.code == kExitInterrupted) return failure;
    std::fprintf(stderr, "tarkel play: %s\n", failure.message.c_str());
    batch->failures.push_back({i, failure.code});
  }
  return batch->failures.empty() ? Failure{} : Fail(batch->failures.back().code, "");
}

// Names every file that failed; the status is the last failure's.
static Failure SummariseFailures(const std::vector<FilterJob>& jobs, const Batch& batch) {
  std::string names;
  for (const JobFailure& failed : batch.failures)
    names += (names.empty() ? "" : ", ") + jobs[failed.job].input + " (exit " + std::to_string(failed.code) + ")";
  return Fail(batch.failures.back().code, std::to_string(batch.failures.size()) + " of " +
                                              std::to_string(jobs.size()) + " images failed, as said above, and " +
                                              "were skipped: " + names + "; the others were written");
}

static Failure RunPlay(const ParsedArguments& arguments) {
  RunRequest request;
  RecordedSettings settings;
  if (Failure failure = ReadSettings(arguments.operands[0], &settings)) return failure;
  request.playback = settings;
  std::string into = OptionValue(arguments, "into");
  PipeEnds pipes;
  std::vector<std::pair<std::string, std::string>> files;
  const std::vector<std::string>& operands = arguments.operands;
  if (into.empty()) {
    if (operands.size() != 3)
      return Fail(kExitUsage, "give SETTINGS INPUT OUTPUT, or --into DIRECTORY and any number of inputs");
    if (Failure failure = OpenPipeEnds(arguments, operands[1], operands[2], &pipes)) return failure;
    files.emplace_back(pipes.input, pipes.output);
  } else {
    if (operands.size() < 2) return Fail(kExitUsage, "give the images to filter after the settings file");
    if (Failure failure = CheckNoPipesInBatch(arguments, {operands.begin() + 1, operands.end()})) return failure;
    for (size_t i = 1; i < operands.size(); ++i) files.emplace_back(operands[i], into + "/" + NameOf(operands[i]));
  }
  std::vector<NamedPath> inputs, outputs;
  for (size_t i = 0; i < files.size(); ++i) {
    inputs.push_back({files[i].first, "the input image", int32_t(i)});
    outputs.push_back({files[i].second, "the result of " + files[i].first, int32_t(i)});
  }
  inputs.push_back({operands[0], "the settings file"});
  for (const NamedPath& file : ReadOnlyFiles(arguments)) inputs.push_back(file);
  if (Failure failure = CheckNoClash(inputs, outputs, HasSwitch(arguments, "in-place"))) return failure;
  Batch batch;
  batch.keepGoing = HasSwitch(arguments, "keep-going");
  if (Failure failure = ParseJobs(arguments, &batch.parallel)) return failure;
  bool together = batch.parallel > 1 && files.size() > 1;
  std::vector<FilterJob> jobs(files.size());
  for (size_t i = 0; i < files.size(); ++i) {
    if (Failure failure = FilterJobFromArguments(arguments, files[i].first, files[i].second, &jobs[i])) return failure;
    // Several progress bars on one line would only garble each other: one counts the files instead.
    if (together) jobs[i].quiet = true;
  }
  if (Failure failure = CheckOutputs(jobs)) return failure;
  hostsim::LoadedModule module;
  if (Failure failure = OpenModule(OptionValue(arguments, "module"), &module)) return failure;
  ProgressBar bar = NewProgressBar(std::to_string(jobs.size()) + " files", HasSwitch(arguments, "quiet"));
  if (together) batch.bar = &bar;
  Failure failure = together ? RunJobsInParallel(module, jobs, request, &batch) : RunJobsInTurn(module, jobs, request, &batch);
  hostsim::UnloadModule(module);
  if (failure && failure.message.empty()) failure = SummariseFailures(jobs, batch);
  return FinishPipeEnds(&pipes, failure);
}

Command PlayCommand() {
  CommandSpec spec;
  spec.name = "play";
  spec.usage = "SETTINGS.json INPUT OUTPUT | SETTINGS.json --into DIR INPUT...";
  spec.summary = "apply recorded settings to images without the dialog (the batch path)";
  spec.options = CommonRunOptions();
  spec.options.push_back({"into", 0, "DIR", "write each result under its input's name into DIR"});
  spec.options.push_back({"jobs", 'j', "N", "filter N files at once (default: the number of processors)"});
  spec.options.push_back({"keep-going", 'k', "", "skip a file that fails and go on with the others"});
  spec.details =
      "The settings file comes from tarkel filter --record. It is handed to the plug-in\n"
      "as the host's scripting does when it plays a recorded step back without showing\n"
      "the dialog, so every image gets exactly the recorded kernel, scale factor, add\n"
      "constant and Autoscale switch; the file is checked whole before any image is read.\n"
      "Files are filtered -j at a time, each in a process of its own. Output names,\n"
      "formats and folders are all checked before the first file is read. The first\n"
      "failure stops the batch (files already started finish; results already written\n"
      "stay); with --keep-going each failing file is named and skipped, the others are\n"
      "written, and a summary names every failure; the exit status is then that of the\n"
      "last failure.\n\n" +
      CommonRunDetails() + "\nExample:\n  tarkel play sharpen.json --into out/ a.png b.tif c.png\n";
  spec.minOperands = 2;
  spec.maxOperands = 100000;
  return {spec, RunPlay};
}
