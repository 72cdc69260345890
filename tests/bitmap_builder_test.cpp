// The bitmap builder: row order, pixel byte order, padding, the header
// block, sample scaling, short pixel data and blocks that cannot be had.
#include <vector>

#include "ppm_file.h"
#include "support.h"

namespace {

using Bytes = std::vector<BYTE>;

// Runs the header reader and the builder over a copy of the input of exactly
// its size, so a read past the end shows up under AddressSanitizer.
class Built {
 public:
  explicit Built(const std::string& input)
      : Input_(input.begin(), input.end()), Picture(Input_.data(), Input_.size()) {
    EXPECT_TRUE(Picture.ReadHeader());
    Made = Picture.MakeBitmap();
    Blocks.Info = Picture.hInfo;
    Blocks.Bits = Picture.hBits;
  }

  Bytes Pixels() const {
    const std::string bits = Blocks.BitsBytes();
    return Bytes(bits.begin(), bits.end());
  }

 private:
  Bytes Input_;

 public:
  TPPMFile Picture;
  bool Made = false;
  Bitmap Blocks;
};

std::string Samples(const Bytes& samples) { return std::string(samples.begin(), samples.end()); }

struct PictureCase {
  const char* Name;
  std::string Input;
  Bytes Pixels;  // the whole pixel block, padding included
};

const PictureCase kPictureCases[] = {
    {"one_by_one", PpmHeader(1, 1) + Samples({10, 20, 30}), {30, 20, 10, 0}},
    {"two_by_two_bottom_row_first",
     PpmHeader(2, 2) + Samples({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}),
     {9, 8, 7, 12, 11, 10, 0, 0, 3, 2, 1, 6, 5, 4, 0, 0}},
    {"three_by_one",
     PpmHeader(3, 1) + Samples({1, 2, 3, 4, 5, 6, 7, 8, 9}),
     {3, 2, 1, 6, 5, 4, 9, 8, 7, 0, 0, 0}},
    {"four_by_three_no_padding",
     PpmHeader(4, 3) +
         Samples({1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18,
                  19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36}),
     {27, 26, 25, 30, 29, 28, 33, 32, 31, 36, 35, 34, 15, 14, 13, 18, 17, 16,
      21, 20, 19, 24, 23, 22, 3,  2,  1,  6,  5,  4,  9,  8,  7,  12, 11, 10}},
    {"pixels_start_after_comment",
     "P6\n# 1 1\n1 1\n255\n" + Samples({10, 20, 30}),
     {30, 20, 10, 0}},
    {"max_crlf_makes_line_feed_first_sample",
     "P6\n1 1\n255\r\n" + Samples({20, 30}),
     {30, 20, 10, 0}},
    // Missing pixel data reads as zero samples.
    {"no_pixel_data", PpmHeader(2, 1), {0, 0, 0, 0, 0, 0, 0, 0}},
    {"short_last_pixel",
     PpmHeader(2, 2) + Samples({1, 2, 3, 4}),
     {0, 0, 0, 0, 0, 0, 0, 0, 3, 2, 1, 0, 0, 4, 0, 0}},
    {"short_two_byte_pixel",
     PpmHeader(1, 1, 65535) + Samples({0xFF, 0xFF, 0xFF}),
     {0, 254, 255, 0}},
};

class BitmapBuilder : public ReleasesEverything,
                      public ::testing::WithParamInterface<PictureCase> {};

TEST_P(BitmapBuilder, WritesRowsBottomUpInBlueGreenRed) {
  Built built(GetParam().Input);
  ASSERT_TRUE(built.Made);
  EXPECT_EQ(built.Pixels(), GetParam().Pixels);
}

INSTANTIATE_TEST_SUITE_P(Pictures, BitmapBuilder, ::testing::ValuesIn(kPictureCases),
                         [](const auto& info) { return std::string(info.param.Name); });

using BitmapHeader = ReleasesEverything;

TEST_F(BitmapHeader, DescribesUncompressed24BitBottomUpBitmap) {
  Built built(PpmPicture(3, 5));
  ASSERT_TRUE(built.Made);
  const std::string header = built.Blocks.InfoBytes();
  ASSERT_EQ(header.size(), kBitmapHeaderBlockSize);
  const Bytes expected = {40, 0, 0, 0, 3, 0, 0, 0, 5, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0,
                          60, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0, 0};
  EXPECT_EQ(Bytes(header.begin(), header.begin() + kBitmapHeaderSize), expected);
  EXPECT_EQ(built.Pixels().size(), 60u);
}

TEST_F(BitmapHeader, LeavesInputFieldsAlone) {
  const std::string input = PpmPicture(2, 2);
  Built built(input);
  EXPECT_EQ(built.Picture.Cursor - built.Picture.Data, 11);
  EXPECT_EQ(built.Picture.ImageSize, 12u);
}

struct ScaleCase {
  DWORD MaxValue;
  Bytes Pixel;     // one input pixel: red, green, blue samples
  Bytes Expected;  // blue, green, red
};

// round(sample * 255 / maximum); samples above the maximum show as full.
const ScaleCase kScaleCases[] = {
    {255, {0, 128, 255}, {255, 128, 0}},
    {0, {7, 8, 9}, {9, 8, 7}},
    {70000, {7, 8, 9}, {9, 8, 7}},
    {4294967295u, {7, 8, 9}, {9, 8, 7}},
    {1, {0, 1, 2}, {255, 255, 0}},
    {15, {7, 8, 15}, {255, 136, 119}},
    {15, {16, 200, 0}, {0, 255, 255}},
    {100, {50, 1, 99}, {252, 3, 128}},
    {254, {127, 253, 254}, {255, 254, 128}},
    {256, {0x00, 0x80, 0x01, 0x00, 0x00, 0x01}, {1, 255, 128}},
    {1023, {0x02, 0x00, 0x03, 0xFF, 0x00, 0x03}, {1, 255, 128}},
    {65535, {0x80, 0x80, 0x00, 0x80, 0x00, 0x81}, {1, 0, 128}},
    {65535, {0xFF, 0xFF, 0x00, 0x00, 0x01, 0x01}, {1, 0, 255}},
    {300, {0xFF, 0xFF, 0x01, 0x2C, 0x01, 0x2B}, {254, 255, 255}},
};

class SampleScaling : public ReleasesEverything, public ::testing::WithParamInterface<ScaleCase> {};

TEST_P(SampleScaling, ScalesToByteRange) {
  const ScaleCase& c = GetParam();
  Built built(PpmHeader(1, 1, c.MaxValue) + Samples(c.Pixel));
  ASSERT_TRUE(built.Made);
  Bytes expected = c.Expected;
  expected.push_back(0);  // padding
  EXPECT_EQ(built.Pixels(), expected);
}

INSTANTIATE_TEST_SUITE_P(MaxValues, SampleScaling, ::testing::ValuesIn(kScaleCases));

// Each of the builder's placements and locks failing in turn: no block stays.
class BitmapBuilderFailure : public ReleasesEverything,
                             public ::testing::WithParamInterface<unsigned long> {};

TEST_P(BitmapBuilderFailure, LeavesNothingPlaced) {
  const std::string input = PpmPicture(3, 2);
  TPPMFile picture(reinterpret_cast<const BYTE*>(input.data()), input.size());
  ASSERT_TRUE(picture.ReadHeader());
  PlatformFailCall(GetParam());
  EXPECT_FALSE(picture.MakeBitmap());
  EXPECT_NE(PlatformFailedCall(), nullptr);
  EXPECT_EQ(picture.hBits, nullptr);
  EXPECT_EQ(picture.hInfo, nullptr);
}

INSTANTIATE_TEST_SUITE_P(EachCall, BitmapBuilderFailure, ::testing::Values(1, 2, 3, 4));

}  // namespace
