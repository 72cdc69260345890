#include "bmp_file.h"

#include <vector>

#include "scratch_directory.h"

namespace {

// A 44-byte header block as the plug-in fills it for a bitmap of the given
// size; the last four bytes, which it does not write, hold 0xEE.
std::vector<BYTE> HeaderBlock(int32_t width, int32_t height) {
  std::vector<BYTE> block(44, 0);
  auto put = [&block](size_t at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) block[at + i] = static_cast<BYTE>(value >> (8 * i));
  };
  const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) / 4 * 4;
  put(0, 40, 4);
  put(4, static_cast<uint32_t>(width), 4);
  put(8, static_cast<uint32_t>(height), 4);
  put(12, 1, 2);
  put(14, 24, 2);
  put(20, stride * static_cast<uint32_t>(height), 4);
  for (size_t i = 40; i < 44; ++i) block[i] = 0xEE;
  return block;
}

TEST(BmpPixelBytes, IsTheRowStrideTimesTheHeight) {
  EXPECT_EQ(BmpPixelBytes(HeaderBlock(1, 1).data()), 4u);
  EXPECT_EQ(BmpPixelBytes(HeaderBlock(2, 2).data()), 16u);
  EXPECT_EQ(BmpPixelBytes(HeaderBlock(3, 1).data()), 12u);
  EXPECT_EQ(BmpPixelBytes(HeaderBlock(4, 3).data()), 36u);
}

TEST(BmpPixelBytes, IsZeroForAHeaderThatDescribesNoStorableBitmap) {
  struct Case {
    const char* what;
    size_t at;
    BYTE value;
  };
  const Case cases[] = {
      {"header size 12", 0, 12},        {"width 0", 4, 0},
      {"negative height", 11, 0xFF},    {"two planes", 12, 2},
      {"32 bits a pixel", 14, 32},      {"compressed", 16, 1},
      {"image size too small", 20, 15},
  };
  for (const Case& c : cases) {
    std::vector<BYTE> header = HeaderBlock(2, 2);
    header[c.at] = c.value;
    EXPECT_EQ(BmpPixelBytes(header.data()), 0u) << c.what;
  }
}

using WriteBmpFileTest = ScratchDirectory;

TEST_F(WriteBmpFileTest, StoresFileHeaderBitmapHeaderAndPixelsButNotTheColourEntry) {
  const std::vector<BYTE> header = HeaderBlock(1, 1);
  const BYTE pixels[] = {30, 20, 10, 0};
  std::string problem;
  ASSERT_TRUE(WriteBmpFile(Path("out.bmp"), header.data(), {pixels, sizeof pixels}, problem))
      << problem;

  const std::string contents = Contents("out.bmp");
  const std::vector<BYTE> written(contents.begin(), contents.end());
  const std::vector<BYTE> fileHeader = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0};
  std::vector<BYTE> expected = fileHeader;
  expected.insert(expected.end(), header.begin(), header.begin() + 40);
  expected.insert(expected.end(), std::begin(pixels), std::end(pixels));
  EXPECT_EQ(written, expected);
}

}  // namespace
