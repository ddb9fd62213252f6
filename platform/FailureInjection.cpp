#include "platform/FailureInjection.h"

static int remainingCalls[3] = {-1, -1, -1};
static int32_t liveCounts[3] = {0, 0, 0};

void PlatformFailAfter(PlatformService service, int count) {
  remainingCalls[static_cast<int>(service)] = count;
}

bool PlatformShouldFail(PlatformService service) {
  int& remaining = remainingCalls[static_cast<int>(service)];
  if (remaining < 0) return false;
  if (remaining == 0) {
    remaining = -1;
    return true;
  }
  --remaining;
  return false;
}

void PlatformTrack(PlatformResource resource, int32_t change) { liveCounts[static_cast<int>(resource)] += change; }

int32_t PlatformLiveCount(PlatformResource resource) { return liveCounts[static_cast<int>(resource)]; }
