// The plug-in's interface as a host sees it: the exported functions, the
// picture-information record and the result codes.
#pragma once

#include "platform.h"

#ifdef _WIN32
#define BRINDLE_API extern "C"
#else
#define BRINDLE_API extern "C" __attribute__((visibility("default")))
#endif

// Result of GetPictureInfo, GetPicture and the functions not implemented.
enum ResultCode : int32_t {
  ResultSuccess = 0,
  ResultNotAccepted = 2,  // not a header this plug-in reads, or an unknown input kind
  ResultNoMemory = 4,     // a block cannot be placed or locked, or the file is empty
  ResultFileError = 6,    // the file cannot be opened or read
  ResultNotImplemented = -1,
};

// Input kinds, the low three bits of the flags argument.
constexpr UINT kInputKindMask = 7;
constexpr UINT kInputFile = 0;    // source names a file, offsetOrSize is the picture's offset
constexpr UINT kInputMemory = 1;  // source holds the bytes, offsetOrSize is their count

// Filled by GetPictureInfo on success; bytes 22 and 23 keep what the host put there.
struct PictureInfoRecord {
  int32_t Reserved1;
  int32_t Reserved2;
  uint32_t Width;
  uint32_t Height;
  uint16_t Reserved3;
  uint16_t Reserved4;
  uint16_t BitsPerPixel;
  uint16_t Untouched;
  int32_t Reserved5;
};
static_assert(sizeof(PictureInfoRecord) == 28, "the host's record is 28 bytes");

// A value of head up to this one is a file handle; above it, an address.
constexpr UINT_PTR kLargestProbeHandle = 0xFFFF;

BRINDLE_API int32_t WINAPI GetPluginInfo(int32_t infoNumber, LPSTR buffer, int32_t bufferLength);
BRINDLE_API int32_t WINAPI IsSupported(LPCSTR fileName, UINT_PTR head);
BRINDLE_API int32_t WINAPI GetPictureInfo(LPCSTR source, LONG offsetOrSize, UINT flags,
                                          PictureInfoRecord* info);
BRINDLE_API int32_t WINAPI GetPicture(LPCSTR source, LONG offsetOrSize, UINT flags,
                                      HGLOBAL* infoHandle, HGLOBAL* bitsHandle, LONG_PTR unused6,
                                      LONG_PTR unused7);

// Not implemented: each returns ResultNotImplemented and looks at nothing.
BRINDLE_API int32_t WINAPI GetPreview(LONG_PTR, LONG_PTR, LONG_PTR, LONG_PTR, LONG_PTR, LONG_PTR,
                                      LONG_PTR);
BRINDLE_API int32_t WINAPI GetArchiveInfo(LONG_PTR, LONG_PTR, LONG_PTR, LONG_PTR);
BRINDLE_API int32_t WINAPI GetFileInfo(LONG_PTR, LONG_PTR, LONG_PTR, LONG_PTR, LONG_PTR);
BRINDLE_API int32_t WINAPI GetFile(LONG_PTR, LONG_PTR, LONG_PTR, LONG_PTR, LONG_PTR, LONG_PTR);

// The two counter entries, exported as "@Spi_main@C4_4" and "@Spi_main@C4_5"
// from the Windows module; ELF reads "@" as a version mark, so the native
// library exports them under these names.
BRINDLE_API void WINAPI Spi_main_C4_4(void);
BRINDLE_API void WINAPI Spi_main_C4_5(void);
