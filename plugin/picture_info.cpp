// GetPictureInfo: a picture's size and depth, from its header alone.
#include "input.h"
#include "picture_paths.h"
#include "ppm_file.h"

namespace {

// The file path reads exactly this much at the offset; less is refused.
constexpr DWORD kInfoReadBytes = 2048;
constexpr uint16_t kBitmapDepth = 24;

int32_t PictureInfoFromFile(LPCSTR name, LONG offset, PictureInfoRecord* info) {
  const InputFile file(name);
  if (!file.IsOpen()) return ResultFileError;
  const LockedBlock block(GMEM_MOVEABLE, kInfoReadBytes);
  if (block.Bytes() == nullptr) return ResultNoMemory;
  file.SeekFromStart(offset);
  DWORD read = 0;
  if (!file.Read(block.Bytes(), kInfoReadBytes, &read) || read != kInfoReadBytes) {
    return ResultFileError;
  }
  return PictureInfoFromData(block.Bytes(), read, info);
}

}  // namespace

int32_t PictureInfoFromData(const BYTE* bytes, size_t size, PictureInfoRecord* info) {
  TPPMFile picture(bytes, size);
  if (!picture.ReadHeader()) return ResultNotAccepted;
  // Field by field: bytes 22 and 23 stay the host's.
  info->Reserved1 = 0;
  info->Reserved2 = 0;
  info->Width = picture.Width;
  info->Height = picture.Height;
  info->Reserved3 = 0;
  info->Reserved4 = 0;
  info->BitsPerPixel = kBitmapDepth;
  info->Reserved5 = 0;
  return ResultSuccess;
}

BRINDLE_API int32_t WINAPI GetPictureInfo(LPCSTR source, LONG offsetOrSize, UINT flags,
                                          PictureInfoRecord* info) {
  switch (flags & kInputKindMask) {
    case kInputFile:
      return PictureInfoFromFile(source, offsetOrSize, info);
    case kInputMemory:
      return PictureInfoFromData(reinterpret_cast<const BYTE*>(source),
                                 MemoryInputSize(offsetOrSize), info);
    default:
      return ResultNotAccepted;
  }
}
