// Filtering many files at once. The module keeps a run's state in globals,
// so files filtered at the same time run in processes of their own, forked
// from this one with the module already loaded: `parallel` workers, each
// taking the next file when it has finished one, as one process would in turn.
#pragma once

#include <vector>

#include "cli/FilterJob.h"

struct JobFailure {
  size_t job;  // index into the jobs
  ExitCode code;
};

struct Batch {
  int parallel = 1;
  bool keepGoing = false;            // start the other files after a failure
  ProgressBar* bar = nullptr;        // counts the files that ended
  std::vector<JobFailure> failures;  // in the order they ended
};

// Stops starting new files after the first failure (unless keepGoing) or an
// interrupt and waits for those running. Each child prints its own failure.
Failure RunJobsInParallel(const hostsim::LoadedModule& module, const std::vector<FilterJob>& jobs,
                          const RunRequest& request, Batch* batch);

// The number of processors online, for the default of -j.
int ProcessorCount();
