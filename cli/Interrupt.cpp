#include "cli/Interrupt.h"

#include <csignal>
#include <cstring>
#include <unistd.h>

#include "cli/Failure.h"

static volatile std::sig_atomic_t interruptCount = 0;
// Plain buffers: the handler may only use async-signal-safe calls.
static char filesToRemove[4][4096];

static void OnSignal(int) {
  interruptCount = interruptCount + 1;
  if (interruptCount > 1) {
    for (const char* file : filesToRemove)
      if (file[0] != 0) unlink(file);
    _exit(kExitInterrupted);
  }
}

void InstallInterruptHandlers() {
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

bool InterruptRequested() { return interruptCount > 0; }

void RemoveOnSignal(const std::string& path) {
  for (char* file : filesToRemove)
    if (file[0] == 0 && path.size() < sizeof filesToRemove[0]) {
      std::memcpy(file, path.c_str(), path.size() + 1);
      return;
    }
}

void KeepOnSignal(const std::string& path) {
  for (char* file : filesToRemove)
    if (path == file) file[0] = 0;
}
