// The native build's plug-in: libbrindle.so, linked in.
#include "plugin_source.h"

bool OpenPlugin(const char* modulePath, PluginApi& api, std::string& problem) {
  if (modulePath != nullptr) {
    problem = "this build drives the linked native library and loads no module";
    return false;
  }
  api = {&GetPluginInfo, &IsSupported,    &GetPictureInfo, &GetPicture,
         &GetPreview,    &GetArchiveInfo, &GetFileInfo,    &GetFile,
         &Spi_main_C4_4, &Spi_main_C4_5,  &GlobalLock,     &GlobalUnlock,
         &GlobalFree,    &GlobalSize,     &CreateFileA,    &CloseHandle};
  return true;
}
