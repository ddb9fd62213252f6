// Shared by both platform implementations: failure injection and the counts
// of live resources that tests read.
#pragma once

#include "platform/Platform.h"

bool PlatformShouldFail(PlatformService service);
void PlatformTrack(PlatformResource resource, int32_t change);
