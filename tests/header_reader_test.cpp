// The header reader: which headers it accepts, the values it takes from them,
// where it leaves the cursor, and that it never reads past the input's end.
#include <gtest/gtest.h>

#include <vector>

#include "ppm_file.h"

namespace {

struct HeaderCase {
  const char* Name;
  std::string Input;
  bool Accepted;
  DWORD Width = 0;
  DWORD Height = 0;
  DWORD MaxValue = 0;
  size_t PixelOffset = 0;  // where the cursor stands on acceptance
};

std::string Repeat(char c, size_t n) { return std::string(n, c); }

// The input is copied to a heap block of exactly its size, so a read past
// its end shows up under AddressSanitizer.
struct Parsed {
  explicit Parsed(const std::string& input)
      : Bytes(input.begin(), input.end()), Picture(Bytes.data(), Bytes.size()) {
    Accepted = Picture.ReadHeader();
  }
  std::vector<BYTE> Bytes;
  TPPMFile Picture;
  bool Accepted;
};

const HeaderCase kHeaderCases[] = {
    {"smallest_common", "P6\n3 2\n255\n", true, 3, 2, 255, 11},
    {"one_pixel_max_zero", "P6\n1 1\n0\n", true, 1, 1, 0, 9},
    {"comment_line", "P6\n# made by hand\n3 2\n255\n", true, 3, 2, 255, 26},
    {"empty_comment", "P6\n#\n3 2\n255\n", true, 3, 2, 255, 13},
    {"two_comments", "P6\n# a\n# b\n3 2\n255\n", false},
    {"comment_after_dimensions", "P6\n3 2\n# a\n255\n", false},
    {"tab_ends_comment", "P6\n# a\tb\n3 2\n255\n", false},
    {"tab_ends_comment_into_dimensions", "P6\n# a\t3 2\n255\n", true, 3, 2, 255, 15},
    {"magic_then_carriage_return", "P6\r\n3 2\n255\n", false},
    {"dimensions_crlf", "P6\n3 2\r\n255\n", false},
    {"max_crlf_feeds_pixels", "P6\n3 2\n255\r\n", true, 3, 2, 255, 11},
    {"magic_then_blank", "P6 3 2\n255\n", false},
    {"magic_then_tab", "P6\t\n3 2\n255\n", false},
    {"plain_magic", "P3\n3 2\n255\n", false},
    {"lower_case_magic", "p6\n3 2\n255\n", false},
    {"leading_blank", " P6\n3 2\n255\n", false},
    {"byte_order_mark", "\xEF\xBB\xBFP6\n3 2\n255\n", false},
    {"all_on_one_line", "P6\n3 2 255\n", false},
    {"all_on_one_line_pixels_form_max", "P6\n3 2 255\n7\nxyz", true, 3, 2, 7, 13},
    {"dimensions_on_two_lines", "P6\n640\n480\n255\n", false},
    {"leading_blanks", "P6\n  3 2\n255\n", true, 3, 2, 255, 13},
    {"three_blanks_between", "P6\n3   2\n255\n", true, 3, 2, 255, 13},
    {"signed_numbers", "P6\n+3 +2\n255\n", true, 3, 2, 255, 13},
    {"sign_without_blank", "P6\n3+2\n255\n", true, 3, 2, 255, 11},
    {"trailing_text", "P6\n3 2 x\n255\n", true, 3, 2, 255, 13},
    {"comma", "P6\n3,2\n255\n", false},
    {"detached_sign", "P6\n3 - 2\n255\n", false},
    {"tab_between", "P6\n3\t2\n255\n", false},
    {"double_sign", "P6\n3 ++2\n255\n", false},
    {"one_number", "P6\n300\n255\n", false},
    {"dimensions_24_bytes", "P6\n3 2" + Repeat(' ', 21) + "\n255\n", true, 3, 2, 255, 32},
    {"dimensions_25_bytes", "P6\n3 2" + Repeat(' ', 22) + "\n255\n", false},
    {"dimensions_2_bytes", "P6\n32\n255\n", false},
    {"largest_picture", "P6\n8192 8191\n255\n", true, 8192, 8191, 255, 17},
    {"one_pixel_too_many", "P6\n8192 8192\n255\n", false},
    {"zero_width", "P6\n0 480\n255\n", false},
    {"zero_height", "P6\n640 0\n255\n", false},
    {"minus_one_both", "P6\n-1 -1\n255\n", false},
    {"product_wraps_32_bits", "P6\n1431655766 1\n255\n", false},
    {"width_wraps", "P6\n4294967299 2\n255\n", true, 3, 2, 255, 20},
    {"minus_zero_width", "P6\n-0 2\n255\n", false},
    {"accumulator_wraps_64_bits", "P6\n18446744073709551619 2\n255\n", true, 3, 2, 255, 30},
    {"accumulator_out_of_room", "P6\n18446744073709551620 2\n255\n", false},
    {"max_65535", "P6\n3 2\n65535\n", true, 3, 2, 65535, 13},
    {"max_signed", "P6\n3 2\n+255\n", true, 3, 2, 255, 12},
    {"max_minus_one", "P6\n3 2\n-1\n", true, 3, 2, 4294967295u, 10},
    {"max_trailing_text", "P6\n3 2\n255 x\n", true, 3, 2, 255, 13},
    {"max_12_digits", "P6\n3 2\n000000000255\n", true, 3, 2, 255, 20},
    {"max_13_bytes", "P6\n3 2\n0000000000255\n", false},
    {"max_not_a_number", "P6\n3 2\nabc\n", false},
    {"max_empty", "P6\n3 2\n\n", false},
    {"max_blanks", "P6\n3 2\n   \n", false},
    {"high_bytes_end_numbers", "P6\n3 2\x80\n25\x7F\n", true, 3, 2, 25, 12},
    {"nothing", "", false},
    {"magic_only", "P6\n", false},
    {"cut_in_dimensions", "P6\n3 ", false},
    // Zeros stand in for what follows the end, and a zero ends a line.
    {"cut_after_max_digits", "P6\n3 2\n255", true, 3, 2, 255, 10},
};

class HeaderReader : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderReader, AcceptsOrRejects) {
  const HeaderCase& expected = GetParam();
  Parsed parsed(expected.Input);
  ASSERT_EQ(parsed.Accepted, expected.Accepted);
  if (!expected.Accepted) return;
  const TPPMFile& picture = parsed.Picture;
  EXPECT_EQ(picture.Width, expected.Width);
  EXPECT_EQ(picture.Height, expected.Height);
  EXPECT_EQ(picture.MaxValue, expected.MaxValue);
  EXPECT_EQ(picture.ImageSize, expected.Width * expected.Height * 3);
  EXPECT_EQ(static_cast<size_t>(picture.Cursor - picture.Data), expected.PixelOffset);
}

INSTANTIATE_TEST_SUITE_P(Cases, HeaderReader, ::testing::ValuesIn(kHeaderCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(HeaderReaderComment, KeepsTextWithoutMark) {
  Parsed parsed("P6\n# \x7F\xFF text\n3 2\n255\n");
  ASSERT_TRUE(parsed.Accepted);
  EXPECT_STREQ(parsed.Picture.Comment, " \x7F\xFF text");
}

TEST(HeaderReaderComment, EmptyWithoutCommentLine) {
  Parsed parsed("P6\n3 2\n255\n");
  ASSERT_TRUE(parsed.Accepted);
  EXPECT_STREQ(parsed.Picture.Comment, "");
}

struct CommentLengthCase {
  size_t Length;
  std::string After;
  bool Accepted;
};

class HeaderReaderCommentLength : public ::testing::TestWithParam<CommentLengthCase> {};

// A comment line keeps at most 1,023 bytes; its rest is read as the next line.
TEST_P(HeaderReaderCommentLength, CutsAfter1023Bytes) {
  const CommentLengthCase& c = GetParam();
  const std::string text = Repeat('c', c.Length - c.After.size()) + c.After;
  Parsed parsed("P6\n#" + text + "\n3 2\n255\n");
  ASSERT_EQ(parsed.Accepted, c.Accepted);
  if (c.Accepted) {
    EXPECT_EQ(std::string(parsed.Picture.Comment), text);
  }
}

INSTANTIATE_TEST_SUITE_P(Lengths, HeaderReaderCommentLength,
                         ::testing::Values(CommentLengthCase{1022, "", true},
                                           CommentLengthCase{1023, "", false}));

TEST(HeaderReaderCommentLength, RestOfLongCommentIsDimensionsLine) {
  Parsed parsed("P6\n#" + Repeat('c', 1023) + "3 2\n255\n");
  ASSERT_TRUE(parsed.Accepted);
  EXPECT_EQ(parsed.Picture.Width, 3u);
  EXPECT_EQ(parsed.Picture.Height, 2u);
  EXPECT_EQ(std::string(parsed.Picture.Comment), Repeat('c', 1023));
}

// The bytes behind the end would complete a valid header; they must not count.
TEST(HeaderReaderInputEnd, NeverReadsPastEnd) {
  const std::string whole = "P6\n3 2\n255\n";
  const size_t beforeMaxValue = 7;
  for (size_t size = 0; size <= beforeMaxValue; ++size) {
    TPPMFile picture(reinterpret_cast<const BYTE*>(whole.data()), size);
    EXPECT_FALSE(picture.ReadHeader()) << "accepted with only " << size << " bytes";
    EXPECT_LE(picture.Cursor, picture.End);
  }
}

TEST(HeaderReaderInputEnd, LooksNoFurtherThanHeaderReach) {
  const std::string input =
      "P6\n#" + Repeat('c', 1022) + "\n" + "3 2" + Repeat(' ', 21) + "\n" + "000000000255" + "\n";
  ASSERT_EQ(input.size(), kHeaderReach - 2);
  Parsed parsed(input);
  ASSERT_TRUE(parsed.Accepted);
  EXPECT_EQ(static_cast<size_t>(parsed.Picture.Cursor - parsed.Picture.Data), input.size());
}

}  // namespace
