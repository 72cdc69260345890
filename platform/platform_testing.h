// Test hooks of the stand-in platform: fault injection and resource counts.
// Only the native build has them; the real module runs on Windows itself.
#pragma once

#include "platform.h"

// Live resources obtained through the stand-in and not yet released.
struct PlatformResources {
  long Blocks;  // placed and not freed
  long Locks;   // locks not matched by an unlock
  long Files;   // opened and not closed
};

PLATFORM_API PlatformResources PlatformLiveResources(void);

// The calls that can fail: GlobalAlloc, GlobalLock, CreateFileA, ReadFile.
// Each one made is counted. PlatformFailCall(n) makes the nth such call from
// now fail as the real function fails (n counts from 1; 0 fails none).
// Not for use while other threads call the platform.
PLATFORM_API void PlatformFailCall(unsigned long n);
PLATFORM_API unsigned long PlatformFailableCalls(void);

// Name of the call that PlatformFailCall made fail, or null if none failed.
PLATFORM_API const char* PlatformFailedCall(void);
