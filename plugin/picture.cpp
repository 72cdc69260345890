// GetPicture: a picture decoded into a 24-bit bottom-up bitmap.
#include "input.h"
#include "picture_paths.h"
#include "ppm_file.h"

namespace {

// The whole file goes into one zero-filled block of the file's size; with
// the picture at an offset, the zeros behind it stand in for missing bytes.
int32_t PictureFromFile(LPCSTR name, LONG offset, HGLOBAL* infoHandle, HGLOBAL* bitsHandle) {
  const InputFile file(name);
  if (!file.IsOpen()) return ResultFileError;
  const DWORD size = file.Size();
  const LockedBlock block(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  if (block.Bytes() == nullptr) return ResultNoMemory;  // an empty file too
  file.SeekFromStart(offset);
  DWORD read = 0;
  if (!file.Read(block.Bytes(), size, &read)) return ResultFileError;
  return PictureFromData(block.Bytes(), size, infoHandle, bitsHandle);
}

}  // namespace

int32_t PictureFromData(const BYTE* bytes, size_t size, HGLOBAL* infoHandle, HGLOBAL* bitsHandle) {
  TPPMFile picture(bytes, size);
  if (!picture.ReadHeader()) return ResultNotAccepted;
  if (!picture.MakeBitmap()) return ResultNoMemory;
  *bitsHandle = picture.hBits;
  *infoHandle = picture.hInfo;
  return ResultSuccess;
}

BRINDLE_API int32_t WINAPI GetPicture(LPCSTR source, LONG offsetOrSize, UINT flags,
                                      HGLOBAL* infoHandle, HGLOBAL* bitsHandle, LONG_PTR,
                                      LONG_PTR) {
  switch (flags & kInputKindMask) {
    case kInputFile:
      return PictureFromFile(source, offsetOrSize, infoHandle, bitsHandle);
    case kInputMemory:
      return PictureFromData(reinterpret_cast<const BYTE*>(source), MemoryInputSize(offsetOrSize),
                             infoHandle, bitsHandle);
    default:
      return ResultNotAccepted;
  }
}
