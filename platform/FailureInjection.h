// Shared by both platform implementations: true when the call must fail.
#pragma once

#include "platform/Platform.h"

bool PlatformShouldFail(PlatformService service);
