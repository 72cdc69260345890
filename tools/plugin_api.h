// The plug-in as a host sees it: its ten exports and the platform functions
// a host needs to pass a file handle and to take over the bitmap's blocks.
// Filled from the native library or from the real Windows module.
#pragma once

#include "brindle.h"

struct PluginApi {
  decltype(&::GetPluginInfo) GetPluginInfo;
  decltype(&::IsSupported) IsSupported;
  decltype(&::GetPictureInfo) GetPictureInfo;
  decltype(&::GetPicture) GetPicture;
  decltype(&::GetPreview) GetPreview;
  decltype(&::GetArchiveInfo) GetArchiveInfo;
  decltype(&::GetFileInfo) GetFileInfo;
  decltype(&::GetFile) GetFile;
  decltype(&::Spi_main_C4_4) CounterDown;  // "@Spi_main@C4_4"
  decltype(&::Spi_main_C4_5) CounterUp;    // "@Spi_main@C4_5"

  decltype(&::GlobalLock) GlobalLock;
  decltype(&::GlobalUnlock) GlobalUnlock;
  decltype(&::GlobalFree) GlobalFree;
  decltype(&::GlobalSize) GlobalSize;
  decltype(&::CreateFileA) CreateFileA;
  decltype(&::CloseHandle) CloseHandle;
};
