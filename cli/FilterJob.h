// Filtering one image file into another: decode, run the plug-in, encode,
// and put the result in place atomically. Shared by filter and play.
#pragma once

#include <string>
#include <vector>

#include "cli/ModuleRun.h"
#include "cli/Picture.h"

struct FilterJob {
  std::string input;
  std::string output;
  std::string mask;  // empty: no selection
  bool quiet = false;
  bool timings = false;         // print where the run's time went
  bool startupTimings = false;  // and the process's start-up before the job
  bool force = false;           // the output may replace a read-only file
  std::string record;    // a settings file to write, or empty
  bool linear = false;   // the plug-in filters linear light
  WriteSettings write;
  bool losslessChosen = false;  // --lossless or --quality: else WebP is as lossless as the input
  ReadLimits limits;
};

struct ParsedArguments;
struct NamedPath;
// The job that the options common to the filtering commands describe.
Failure FilterJobFromArguments(const ParsedArguments& arguments, const std::string& input, const std::string& output,
                               FilterJob* job);

// The files besides the input images that a run only reads (mask, kernel file).
std::vector<NamedPath> ReadOnlyFiles(const ParsedArguments& arguments);

Failure RunFilterJob(const hostsim::LoadedModule& module, const FilterJob& job, const RunRequest& request);
