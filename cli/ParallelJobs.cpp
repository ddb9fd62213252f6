#include "cli/ParallelJobs.h"

#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vips/vips.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
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

// A process forked from this one that filters the files it is sent, one after
// another, so that the fork and the first touch of its memory are paid once
// per worker rather than once per file.
struct Worker {
  pid_t pid = -1;
  int channel = -1;  // this process's end of the pair of sockets
  size_t job = 0;    // the file under way
  bool busy = false;
};

static bool ReadWhole(int descriptor, void* data, size_t size) {
  auto* bytes = static_cast<uint8_t*>(data);
  while (size > 0) {
    ssize_t got = read(descriptor, bytes, size);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    bytes += got;
    size -= size_t(got);
  }
  return true;
}

// No SIGPIPE where the worker has died: the caller hears of it as false.
static bool SendWhole(int descriptor, const void* data, size_t size) {
  auto* bytes = static_cast<const uint8_t*>(data);
  while (size > 0) {
    ssize_t sent = send(descriptor, bytes, size, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    bytes += sent;
    size -= size_t(sent);
  }
  return true;
}

// The worker's life: a file's index in, its exit code out, until its channel closes.
[[noreturn]] static void ServeJobs(int channel, const hostsim::LoadedModule& module, const std::vector<FilterJob>& jobs,
                                   const RunRequest& request) {
  uint64_t job = 0;
  while (ReadWhole(channel, &job, sizeof job) && job < jobs.size()) {
    Failure failure = RunFilterJob(module, jobs[job], request);
    if (failure) std::fprintf(stderr, "tarkel play: %s\n", failure.message.c_str());
    std::fflush(nullptr);
    const int32_t code = failure.code;
    if (!SendWhole(channel, &code, sizeof code)) break;
  }
  _exit(0);
}

// Forks the worker of slot `slot`; false with the reason in *error.
static bool StartWorker(std::vector<Worker>& workers, size_t slot, const std::vector<int>& processors,
                        const hostsim::LoadedModule& module, const std::vector<FilterJob>& jobs,
                        const RunRequest& request, std::string* error) {
  int ends[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
    *error = std::strerror(errno);
    return false;
  }
  std::fflush(nullptr);  // nothing buffered is written twice
  pid_t pid = fork();
  if (pid == 0) {
    close(ends[0]);
    // Another worker's channel held here would keep it from seeing its end.
    for (const Worker& other : workers)
      if (other.channel >= 0) close(other.channel);
    KeepToShare(processors, int(slot), int(workers.size()));
    ServeJobs(ends[1], module, jobs, request);
  }
  close(ends[1]);
  if (pid < 0) {
    *error = std::strerror(errno);
    close(ends[0]);
    return false;
  }
  workers[slot].pid = pid;
  workers[slot].channel = ends[0];
  return true;
}

// The worker's exit status, once it has ended.
static int EndWorker(Worker& worker) {
  close(worker.channel);
  int status = 0;
  while (waitpid(worker.pid, &status, 0) < 0 && errno == EINTR) {
  }
  worker = Worker{};
  return status;
}

// The file's exit code from its worker, or from the worker's end where it died.
static int AwaitJob(Worker& worker, const std::vector<FilterJob>& jobs) {
  int32_t code = 0;
  if (ReadWhole(worker.channel, &code, sizeof code)) {
    worker.busy = false;
    return code;
  }
  const size_t job = worker.job;
  const int status = EndWorker(worker);
  if (WIFSIGNALED(status))
    std::fprintf(stderr, "tarkel play: %s: the filtering process died of signal %d; %s was not written\n",
                 jobs[job].input.c_str(), WTERMSIG(status), jobs[job].output.c_str());
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? kExitFilterFailed : ExitStatusOf(status);
}

Failure RunJobsInParallel(const hostsim::LoadedModule& module, const std::vector<FilterJob>& jobs,
                          const RunRequest& request, Batch* batch) {
  std::vector<Worker> workers(size_t(batch->parallel));
  std::vector<int> processors = AllowedProcessors();
  size_t next = 0, ended = 0, failed = 0;
  ExitCode firstCode = kExitOk;
  std::string forkError;
  bool forwarded = false;
  auto mayStart = [&] {
    return (batch->keepGoing || firstCode == kExitOk) && forkError.empty() && !InterruptRequested() &&
           next < jobs.size();
  };
  while (true) {
    for (size_t slot = 0; slot < workers.size(); ++slot) {
      Worker& worker = workers[slot];
      if (worker.busy || !mayStart()) continue;
      const bool fresh = worker.pid < 0;
      if (fresh && !StartWorker(workers, slot, processors, module, jobs, request, &forkError)) break;
      const uint64_t job = next;
      if (!SendWhole(worker.channel, &job, sizeof job)) {
        EndWorker(worker);
        if (fresh) {
          forkError = "a new filtering process ended at once";
          break;
        }
        --slot;  // killed while idle: another takes its place
        continue;
      }
      worker.job = next++;
      worker.busy = true;
    }
    std::vector<pollfd> waits;
    std::vector<size_t> slots;
    for (size_t slot = 0; slot < workers.size(); ++slot)
      if (workers[slot].busy) {
        waits.push_back({workers[slot].channel, POLLIN, 0});
        slots.push_back(slot);
      }
    if (waits.empty()) break;
    if (poll(waits.data(), waits.size(), -1) < 0) {
      if (errno != EINTR) break;
      if (InterruptRequested() && !forwarded) {
        // A signal sent to this process alone still stops every file, each leaving nothing behind.
        for (const Worker& worker : workers)
          if (worker.pid > 0) kill(worker.pid, SIGTERM);
        forwarded = true;
      }
      continue;
    }
    for (size_t i = 0; i < waits.size(); ++i) {
      if (waits[i].revents == 0) continue;
      Worker& worker = workers[slots[i]];
      const size_t job = worker.job;
      const int code = AwaitJob(worker, jobs);
      ++ended;
      if (batch->bar != nullptr) UpdateProgressBar(*batch->bar, int32_t(ended), int32_t(jobs.size()));
      if (code == 0) continue;
      ++failed;
      ExitCode exit = code == kExitInterrupted || code < 128 ? ExitCode(code) : kExitFilterFailed;
      batch->failures.push_back({job, exit});
      if (firstCode == kExitOk) firstCode = exit;
    }
  }
  for (Worker& worker : workers)
    if (worker.pid > 0) EndWorker(worker);
  if (batch->bar != nullptr) EndProgressBar(*batch->bar);
  if (!forkError.empty()) return Fail(kExitOutput, "cannot start another process (" + forkError + ")");
  if (InterruptRequested()) return Fail(kExitInterrupted, "interrupted; results already written stay");
  if (failed > 0 && batch->keepGoing) return Fail(batch->failures.back().code, "");
  if (failed > 0)
    return Fail(firstCode, std::to_string(failed) + " of the images failed, as said above; " +
                               std::to_string(jobs.size() - next) + " were not started; results already written stay");
  return {};
}
