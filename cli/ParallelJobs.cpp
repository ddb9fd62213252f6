#include "cli/ParallelJobs.h"

#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vips/vips.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

#include "cli/Interrupt.h"

int ProcessorCount() {
  long count = sysconf(_SC_NPROCESSORS_ONLN);
  return count > 0 ? int(count) : 1;
}

// The processors this process may run on, in order.
static std::vector<int> AllowedProcessors() {
  cpu_set_t allowed;
  std::vector<int> processors;
  if (sched_getaffinity(0, sizeof allowed, &allowed) != 0) return processors;
  for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
    if (CPU_ISSET(cpu, &allowed)) processors.push_back(cpu);
  return processors;
}

// Files filtered at once share the processors instead of each taking them
// all: the file in slot s of n runs on every n-th processor from the s-th,
// and its engine and libvips size their threads to that share.
static void KeepToShare(const std::vector<int>& processors, int slot, int slots) {
  if (processors.empty() || slots < 2) return;
  cpu_set_t share;
  CPU_ZERO(&share);
  int count = 0;
  for (size_t at = size_t(slot) % processors.size(); at < processors.size(); at += size_t(slots), ++count)
    CPU_SET(processors[at], &share);
  if (count == 0) return;
  if (sched_setaffinity(0, sizeof share, &share) == 0) vips_concurrency_set(count);
}

static int ExitStatusOf(int status) {
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

Failure RunJobsInParallel(const hostsim::LoadedModule& module, const std::vector<FilterJob>& jobs,
                          const RunRequest& request, Batch* batch) {
  std::map<pid_t, size_t> running;
  std::map<pid_t, int> slotOf;
  std::vector<bool> slotBusy(size_t(batch->parallel), false);
  std::vector<int> processors = AllowedProcessors();
  size_t next = 0, failed = 0;
  ExitCode firstCode = kExitOk;
  std::string forkError;
  bool forwarded = false;
  while (true) {
    while ((batch->keepGoing || firstCode == kExitOk) && forkError.empty() && !InterruptRequested() &&
           next < jobs.size() && running.size() < size_t(batch->parallel)) {
      std::fflush(nullptr);  // nothing buffered is written twice
      int slot = int(std::find(slotBusy.begin(), slotBusy.end(), false) - slotBusy.begin());
      pid_t pid = fork();
      if (pid == 0) {
        KeepToShare(processors, slot, batch->parallel);
        Failure failure = RunFilterJob(module, jobs[next], request);
        if (failure) std::fprintf(stderr, "tarkel play: %s\n", failure.message.c_str());
        std::fflush(nullptr);
        _exit(failure.code);
      }
      if (pid < 0) {
        forkError = std::strerror(errno);
        break;
      }
      running[pid] = next++;
      slotOf[pid] = slot;
      slotBusy[size_t(slot)] = true;
    }
    if (running.empty()) break;
    int status = 0;
    pid_t pid = waitpid(-1, &status, 0);
    if (pid < 0 && errno == EINTR && InterruptRequested() && !forwarded) {
      // A signal sent to this process alone still stops every file, each leaving nothing behind.
      for (const auto& [child, job] : running) kill(child, SIGTERM);
      forwarded = true;
    }
    if (pid < 0) {
      if (errno == EINTR) continue;
      break;
    }
    size_t job = running[pid];
    running.erase(pid);
    slotBusy[size_t(slotOf[pid])] = false;
    slotOf.erase(pid);
    if (batch->bar != nullptr) UpdateProgressBar(*batch->bar, int32_t(next - running.size()), int32_t(jobs.size()));
    int code = ExitStatusOf(status);
    if (code == 0) continue;
    ++failed;
    if (WIFSIGNALED(status))
      std::fprintf(stderr, "tarkel play: %s: the filtering process died of signal %d; %s was not written\n",
                   jobs[job].input.c_str(), WTERMSIG(status), jobs[job].output.c_str());
    ExitCode exit = code == kExitInterrupted || code < 128 ? ExitCode(code) : kExitFilterFailed;
    batch->failures.push_back({job, exit});
    if (firstCode == kExitOk) firstCode = exit;
  }
  if (batch->bar != nullptr) EndProgressBar(*batch->bar);
  if (!forkError.empty()) return Fail(kExitOutput, "cannot start another process (" + forkError + ")");
  if (InterruptRequested()) return Fail(kExitInterrupted, "interrupted; results already written stay");
  if (failed > 0 && batch->keepGoing) return Fail(batch->failures.back().code, "");
  if (failed > 0)
    return Fail(firstCode, std::to_string(failed) + " of the images failed, as said above; " +
                               std::to_string(jobs.size() - next) + " were not started; results already written stay");
  return {};
}
