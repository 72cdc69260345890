// GetPicture: file and memory input, offsets, short data, result codes, and
// handle variables written only on success.
#include "support.h"

namespace {

// Calls GetPicture with handle variables that hold kHostValue beforehand.
struct Decoded {
  Decoded(LPCSTR source, LONG offsetOrSize, UINT flags) {
    Blocks.Info = Blocks.Bits = kHostValue;
    Result = GetPicture(source, offsetOrSize, flags, &Blocks.Info, &Blocks.Bits, 0, 0);
    if (Result != ResultSuccess) {
      EXPECT_EQ(Blocks.Info, kHostValue);
      EXPECT_EQ(Blocks.Bits, kHostValue);
      Blocks.Info = Blocks.Bits = nullptr;
    }
  }

  int32_t Result;
  Bitmap Blocks;
};

// The bitmap of bytes that are all there, decoded from memory.
std::string PixelsOf(const std::string& picture) {
  Decoded decoded(AsSource(picture), static_cast<LONG>(picture.size()), kInputMemory);
  EXPECT_EQ(decoded.Result, ResultSuccess);
  return decoded.Blocks.BitsBytes();
}

struct FileCase {
  const char* Name;
  std::string Contents;
  LONG Offset;
  UINT Flags;
  int32_t Result;
  std::string Picture;  // on success, what the bitmap must show
};

const std::string kPicture = PpmPicture(5, 3);
const std::string kShortPicture = kPicture.substr(0, kPicture.size() - 4);
const std::string kZeroedTail = kShortPicture + std::string(4, '\0');

const FileCase kFileCases[] = {
    {"picture", kPicture, 0, 0, ResultSuccess, kPicture},
    {"only_low_three_bits_count", kPicture, 0, 0x10, ResultSuccess, kPicture},
    {"picture_at_offset", "abcdefgh" + kPicture, 8, 0, ResultSuccess, kPicture},
    // The zeros at the block's end stand in for pixel data cut short.
    {"short_picture_at_offset", "abcd" + kShortPicture, 4, 0, ResultSuccess, kZeroedTail},
    {"short_picture", kShortPicture, 0, 0, ResultSuccess, kZeroedTail},
    {"negative_offset_reads_from_start", kPicture, LONG{-0x7FFFFFFF - 1}, 0, ResultSuccess,
     kPicture},
    {"offset_at_end", kPicture, static_cast<LONG>(kPicture.size()), 0, ResultNotAccepted, ""},
    {"offset_past_end", kPicture, 100000, 0, ResultNotAccepted, ""},
    {"empty_file", "", 0, 0, ResultNoMemory, ""},
    {"not_a_picture", "P3\n5 3\n255\n1 2 3", 0, 0, ResultNotAccepted, ""},
};

class PictureFile : public ReleasesEverything, public ::testing::WithParamInterface<FileCase> {};

TEST_P(PictureFile, DecodesFromOffset) {
  const FileCase& c = GetParam();
  const TempFile file(c.Contents);
  Decoded decoded(file.Path(), c.Offset, c.Flags);
  ASSERT_EQ(decoded.Result, c.Result);
  if (c.Result != ResultSuccess) return;
  EXPECT_EQ(GlobalSize(decoded.Blocks.Info), 44u);
  EXPECT_EQ(decoded.Blocks.BitsBytes(), PixelsOf(c.Picture));
}

INSTANTIATE_TEST_SUITE_P(Files, PictureFile, ::testing::ValuesIn(kFileCases),
                         [](const auto& info) { return std::string(info.param.Name); });

using PictureFileName = ReleasesEverything;

TEST_F(PictureFileName, ThatOpensNoFileGivesFileError) {
  for (const char* name : {"/nonexistent/picture.ppm", "", "/tmp"}) {
    EXPECT_EQ(Decoded(name, 0, kInputFile).Result, ResultFileError) << name;
  }
}

struct MemoryCase {
  const char* Name;
  std::string Bytes;
  LONG Count;
  UINT Flags;
  int32_t Result;
  std::string Picture;
};

const LONG kWhole = static_cast<LONG>(kPicture.size());

const MemoryCase kMemoryCases[] = {
    {"picture", kPicture, kWhole, 1, ResultSuccess, kPicture},
    {"only_low_three_bits_count", kPicture, kWhole, 0x11, ResultSuccess, kPicture},
    {"count_beyond_pixel_data_unused", kPicture + "extra", kWhole + 5, 1, ResultSuccess, kPicture},
    {"count_cuts_pixel_data", kPicture, kWhole - 4, 1, ResultSuccess, kZeroedTail},
    {"count_cuts_header", kPicture, 7, 1, ResultNotAccepted, ""},
    {"count_zero", kPicture, 0, 1, ResultNotAccepted, ""},
    {"count_negative", kPicture, -1, 1, ResultNotAccepted, ""},
};

class PictureMemory : public ReleasesEverything,
                      public ::testing::WithParamInterface<MemoryCase> {};

TEST_P(PictureMemory, ReadsNoFurtherThanCount) {
  const MemoryCase& c = GetParam();
  Decoded decoded(AsSource(c.Bytes), c.Count, c.Flags);
  ASSERT_EQ(decoded.Result, c.Result);
  if (c.Result == ResultSuccess) {
    EXPECT_EQ(decoded.Blocks.BitsBytes(), PixelsOf(c.Picture));
  }
}

INSTANTIATE_TEST_SUITE_P(Bytes, PictureMemory, ::testing::ValuesIn(kMemoryCases),
                         [](const auto& info) { return std::string(info.param.Name); });

using PictureKinds = ReleasesEverything;

// Unknown kinds are refused before source is looked at, so a bad pointer is harmless.
TEST_F(PictureKinds, UnknownOnesTouchNothing) {
  const LPCSTR unreadable = reinterpret_cast<LPCSTR>(UINT_PTR{1});
  for (UINT kind = 2; kind <= 7; ++kind) {
    EXPECT_EQ(Decoded(unreadable, 0, kind).Result, ResultNotAccepted) << "kind " << kind;
  }
}

TEST_F(PictureKinds, LastTwoArgumentsAreNotLookedAt) {
  Bitmap blocks;
  EXPECT_EQ(GetPicture(AsSource(kPicture), kWhole, kInputMemory, &blocks.Info, &blocks.Bits, -1,
                       0x12345678),
            ResultSuccess);
}

}  // namespace
