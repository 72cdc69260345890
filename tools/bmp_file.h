// The bitmap that the plug-in hands over, stored as a Windows .bmp file: a
// 14-byte file header, the 40-byte bitmap header, then the pixel rows.
#pragma once

#include <cstdint>
#include <string>

#include "whole_file.h"

constexpr size_t kBmpFileHeaderSize = 14;
constexpr size_t kBmpInfoHeaderSize = 40;

// The byte count of the pixel rows that a 40-byte bitmap header describes,
// or 0 when it does not describe an uncompressed, bottom-up, 24-bit bitmap
// whose image size matches its width and height.
uint32_t BmpPixelBytes(const BYTE* infoHeader);

// Writes the file header, the first 40 bytes of infoHeader and the pixel
// rows to path, replacing an existing file whole or not at all.
bool WriteBmpFile(const std::string& path, const BYTE* infoHeader, ByteSpan pixels,
                  std::string& problem);
