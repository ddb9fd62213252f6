#include "platform/FailureInjection.h"

static int remainingCalls[2] = {-1, -1};

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
