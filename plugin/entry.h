// The module entry routine: called for process and thread attach and detach,
// it sets up nothing and returns 1 every time.
#pragma once

#include "platform.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
