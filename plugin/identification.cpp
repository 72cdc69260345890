// GetPluginInfo, the functions this plug-in does not implement, the counter
// entries and the module entry routine.
#include "brindle.h"
#include "entry.h"

namespace {

// Information numbers 0 to 3: interface tag, title, file filter, format name.
constexpr LPCSTR kInfoTexts[] = {"00IN", "Brindle Ver. 0.00", "*.PPM", "Portable Pixel Map (?)"};
constexpr int32_t kInfoTextCount = sizeof kInfoTexts / sizeof kInfoTexts[0];
constexpr int32_t kInfoTextBufferSize = 128;

// Moved only by the module's own load and unload; nothing reads it.
LONG loadCounter = 0;

}  // namespace

BRINDLE_API int32_t WINAPI GetPluginInfo(int32_t infoNumber, LPSTR buffer, int32_t bufferLength) {
  if (infoNumber < 0 || infoNumber >= kInfoTextCount) return 0;
  char text[kInfoTextBufferSize];
  lstrcpyA(text, kInfoTexts[infoNumber]);
  const int32_t length = lstrlenA(text);
  if (bufferLength < length + 1) return 0;  // never cut short
  lstrcpyA(buffer, text);
  return lstrlenA(buffer) + 1;
}

BRINDLE_API int32_t WINAPI GetPreview(LONG_PTR, LONG_PTR, LONG_PTR, LONG_PTR, LONG_PTR, LONG_PTR,
                                      LONG_PTR) {
  return ResultNotImplemented;
}

BRINDLE_API int32_t WINAPI GetArchiveInfo(LONG_PTR, LONG_PTR, LONG_PTR, LONG_PTR) {
  return ResultNotImplemented;
}

BRINDLE_API int32_t WINAPI GetFileInfo(LONG_PTR, LONG_PTR, LONG_PTR, LONG_PTR, LONG_PTR) {
  return ResultNotImplemented;
}

BRINDLE_API int32_t WINAPI GetFile(LONG_PTR, LONG_PTR, LONG_PTR, LONG_PTR, LONG_PTR, LONG_PTR) {
  return ResultNotImplemented;
}

BRINDLE_API void WINAPI Spi_main_C4_4(void) { --loadCounter; }

BRINDLE_API void WINAPI Spi_main_C4_5(void) { ++loadCounter; }

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

// The module's load and unload bracket the entry routine with the counter calls.
#ifdef _WIN32
extern "C" BOOL WINAPI ModuleStart(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) Spi_main_C4_4();
  const BOOL result = DllMain(instance, reason, reserved);
  if (reason == DLL_PROCESS_DETACH) Spi_main_C4_5();
  return result;
}
#else
__attribute__((constructor)) static void OnLoad() {
  Spi_main_C4_4();
  DllMain(nullptr, DLL_PROCESS_ATTACH, nullptr);
}

__attribute__((destructor)) static void OnUnload() {
  DllMain(nullptr, DLL_PROCESS_DETACH, nullptr);
  Spi_main_C4_5();
}
#endif
