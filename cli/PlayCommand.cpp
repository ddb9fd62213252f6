#include <fstream>
#include <sstream>

#include "cli/Commands.h"
#include "cli/FileClash.h"
#include "cli/FilterJob.h"
#include "cli/ParallelJobs.h"
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

static std::string NameOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

static Failure RunPlay(const ParsedArguments& arguments) {
  RunRequest request;
  RecordedSettings settings;
  if (Failure failure = ReadSettings(arguments.operands[0], &settings)) return failure;
  request.playback = settings;
  std::string into = OptionValue(arguments, "into");
  std::vector<std::pair<std::string, std::string>> files;
  const std::vector<std::string>& operands = arguments.operands;
  if (into.empty()) {
    if (operands.size() != 3)
      return Fail(kExitUsage, "give SETTINGS INPUT OUTPUT, or --into DIRECTORY and any number of inputs");
    files.emplace_back(operands[1], operands[2]);
  } else {
    if (operands.size() < 2) return Fail(kExitUsage, "give the images to filter after the settings file");
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
  int parallel = ProcessorCount();
  if (HasValue(arguments, "jobs")) {
    std::string text = OptionValue(arguments, "jobs");
    if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string::npos ||
        std::stoi(text) < 1)
      return Fail(kExitUsage, "-j \"" + text + "\": give the number of files to filter at once, 1 or more");
    parallel = std::stoi(text);
  }
  std::vector<FilterJob> jobs(files.size());
  for (size_t i = 0; i < files.size(); ++i) {
    if (Failure failure = FilterJobFromArguments(arguments, files[i].first, files[i].second, &jobs[i])) return failure;
    // Several progress bars on one line would only garble each other.
    if (parallel > 1 && files.size() > 1) jobs[i].quiet = true;
  }
  hostsim::LoadedModule module;
  if (Failure failure = OpenModule(OptionValue(arguments, "module"), &module)) return failure;
  Failure failure;
  if (parallel > 1 && jobs.size() > 1) {
    failure = RunJobsInParallel(module, jobs, request, parallel);
  } else {
    for (const FilterJob& job : jobs)
      if ((failure = RunFilterJob(module, job, request))) break;
  }
  hostsim::UnloadModule(module);
  return failure;
}

Command PlayCommand() {
  CommandSpec spec;
  spec.name = "play";
  spec.usage = "SETTINGS.json INPUT OUTPUT | SETTINGS.json --into DIR INPUT...";
  spec.summary = "apply recorded settings to images without the dialog (the batch path)";
  spec.options = CommonRunOptions();
  spec.options.push_back({"into", 0, "DIR", "write each result under its input's name into DIR"});
  spec.options.push_back({"jobs", 'j', "N", "filter N files at once (default: the number of processors)"});
  spec.details =
      "The settings file comes from tarkel filter --record. It is handed to the plug-in\n"
      "as the host's scripting does when it plays a recorded step back without showing\n"
      "the dialog, so every image gets exactly the recorded kernel, scale factor, add\n"
      "constant and Autoscale switch; the file is checked whole before any image is read.\n"
      "Files are filtered -j at a time, each in a process of its own. The first failure\n"
      "stops the batch (files already started finish); results already written stay.\n\n" +
      CommonRunDetails() + "\nExample:\n  tarkel play sharpen.json --into out/ a.png b.tif c.png\n";
  spec.minOperands = 2;
  spec.maxOperands = 100000;
  return {spec, RunPlay};
}
