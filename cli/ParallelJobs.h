// Filtering many files at once. The module keeps a run's state in globals,
// so each file is filtered in a process of its own, forked from this one
// with the module already loaded; at most `parallel` run at a time.
#pragma once

#include <vector>

#include "cli/FilterJob.h"

// Stops starting new files after the first failure or an interrupt and
// waits for those running. Each child prints its own failure.
Failure RunJobsInParallel(const hostsim::LoadedModule& module, const std::vector<FilterJob>& jobs,
                          const RunRequest& request, int parallel);

// The number of processors online, for the default of -j.
int ProcessorCount();
