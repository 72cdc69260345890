// The vector sample loops against the portable ones: every kind of maximum,
// every row width up to several blocks with all tails, every sample value.
#include "samples.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using Bytes = std::vector<BYTE>;
using Loops = SampleConverter::Loops;

constexpr BYTE kGuard = 0xA5;
constexpr size_t kGuardBytes = 64;  // more than one vector store could overrun
constexpr size_t kWidestRow = 80;   // five blocks of 16 pixels and every tail

// Converts pixels with the given loops into a buffer that ends in guard
// bytes. The input is exactly as long as the pixels need, so a read past it
// shows up under AddressSanitizer.
Bytes Convert(Loops loops, DWORD maxValue, const Bytes& in, size_t pixels) {
  const SampleConverter converter(maxValue, loops);
  const Bytes input(in.begin(), in.begin() + pixels * converter.PixelBytes());
  Bytes out(3 * pixels + kGuardBytes, kGuard);
  converter.ConvertPixels(input.data(), out.data(), pixels);
  return out;
}

void ExpectSameAsPortable(DWORD maxValue, const Bytes& in, size_t pixels) {
  const Bytes expected = Convert(Loops::Portable, maxValue, in, pixels);
  ASSERT_EQ(Convert(Loops::Fastest, maxValue, in, pixels), expected)
      << "maximum " << maxValue << ", " << pixels << " pixels";
  ASSERT_EQ(Bytes(expected.end() - kGuardBytes, expected.end()), Bytes(kGuardBytes, kGuard));
}

// Bytes that vary without pattern, so a lane mixed up shows.
Bytes ScatteredBytes(size_t count) {
  Bytes bytes(count);
  uint32_t state = 0x9E3779B9;
  for (BYTE& byte : bytes) {
    state = state * 1664525 + 1013904223;
    byte = static_cast<BYTE>(state >> 24);
  }
  return bytes;
}

class VectorLoopsTest : public ::testing::TestWithParam<DWORD> {
 protected:
  void SetUp() override {
    if (VectorLoops() == nullptr) GTEST_SKIP() << "no vector loops on this processor";
  }
};

constexpr DWORD kWordMaxima[] = {256, 257, 1023, 4095, 40000, 65534, 65535};

// Taken unchanged (0, 255, above 65535), one-byte scaling (1 to 254) and
// two-byte scaling (256 to 65535); scattered bytes include samples above
// every maximum but the largest.
INSTANTIATE_TEST_SUITE_P(EveryKind, VectorLoopsTest,
                         ::testing::Values(0u, 255u, 65536u, 0xFFFFFFFFu, 1u, 2u, 3u, 15u, 100u,
                                           128u, 254u, 256u, 257u, 1023u, 4095u, 40000u, 65534u,
                                           65535u));

TEST_P(VectorLoopsTest, MatchPortableLoopsAtEveryRowWidth) {
  const Bytes in = ScatteredBytes(6 * kWidestRow);
  for (size_t pixels = 0; pixels <= kWidestRow; ++pixels) {
    ExpectSameAsPortable(GetParam(), in, pixels);
  }
}

// Pixel p's sample c holds value (3p + c) mod count: as 3 is odd, every
// sample position of a pixel meets every value.
Bytes EverySampleValue(size_t sampleBytes) {
  const size_t count = size_t{1} << (8 * sampleBytes);
  Bytes bytes;
  for (size_t i = 0; i < 3 * count; ++i) {
    if (sampleBytes == 2) bytes.push_back(static_cast<BYTE>(i % count >> 8));
    bytes.push_back(static_cast<BYTE>(i));
  }
  return bytes;
}

// The bitmap byte of a sample worked out apart from the loops: rounded with
// halves up, 255 at or above the maximum; maxima 0, 255 and above 65535
// take the sample unchanged.
BYTE ExpectedByte(DWORD sample, DWORD maxValue) {
  if (maxValue == 0 || maxValue == 255 || maxValue > 65535) return static_cast<BYTE>(sample);
  if (sample >= maxValue) return 255;
  return static_cast<BYTE>(std::lround(sample * 255.0 / maxValue));
}

void ExpectPortableLoopsFollowTheRule(DWORD maxValue) {
  const SampleConverter converter(maxValue, Loops::Portable);
  const Bytes in = EverySampleValue(converter.SampleBytes());
  const size_t values = size_t{1} << (8 * converter.SampleBytes());
  Bytes out(in.size() / converter.SampleBytes());
  converter.ConvertPixels(in.data(), out.data(), out.size() / 3);
  for (size_t i = 0; i < out.size(); ++i) {
    const size_t sample = (i - i % 3 + 2 - i % 3) % values;  // the pixel's samples reversed
    ASSERT_EQ(out[i], ExpectedByte(static_cast<DWORD>(sample), maxValue))
        << "maximum " << maxValue << ", sample " << sample;
  }
}

// Every build keeps the portable loops, and the vector ones are held to
// them, so they are held to the rule themselves.
TEST(PortableLoops, FollowTheRuleForEverySample) {
  for (const DWORD maxValue : {0u, 255u, 65536u}) ExpectPortableLoopsFollowTheRule(maxValue);
  for (DWORD maxValue = 1; maxValue < 255; ++maxValue) ExpectPortableLoopsFollowTheRule(maxValue);
  for (const DWORD maxValue : kWordMaxima) ExpectPortableLoopsFollowTheRule(maxValue);
}

TEST_F(VectorLoopsTest, MatchPortableLoopsForEveryByteSampleOfEveryByteMaximum) {
  const Bytes in = EverySampleValue(1);
  for (DWORD maxValue = 1; maxValue < 255; ++maxValue) {
    ExpectSameAsPortable(maxValue, in, in.size() / 3);
  }
}

TEST_F(VectorLoopsTest, MatchPortableLoopsForEveryWordSampleOfWordMaxima) {
  const Bytes in = EverySampleValue(2);
  for (const DWORD maxValue : kWordMaxima) ExpectSameAsPortable(maxValue, in, in.size() / 6);
}

// For maximum m, the first sample that rounds to each bitmap value k and
// the one before it: ceil((2k - 1) * m / 510) - 1 and on.
Bytes RoundingSteps(DWORD maxValue) {
  Bytes bytes;
  for (uint64_t k = 1; k <= 255; ++k) {
    const uint64_t first = ((2 * k - 1) * maxValue + 509) / 510;
    for (const uint64_t sample : {first - 1, first}) {
      bytes.push_back(static_cast<BYTE>(sample >> 8));
      bytes.push_back(static_cast<BYTE>(sample));
    }
  }
  bytes.resize(bytes.size() / 6 * 6);
  return bytes;
}

TEST_F(VectorLoopsTest, MatchPortableLoopsAtEveryRoundingStepOfEveryWordMaximum) {
  for (DWORD maxValue = 256; maxValue <= 65535; ++maxValue) {
    const Bytes in = RoundingSteps(maxValue);
    ExpectSameAsPortable(maxValue, in, in.size() / 6);
  }
}

}  // namespace
