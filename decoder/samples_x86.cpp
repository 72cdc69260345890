// Vector loops for x86 processors with AVX2, chosen at run time, so the
// build itself needs no instruction-set flags. Pixels go through in blocks
// of 16 (48 bitmap bytes, three 16-byte vectors) or, where the samples are
// scaled, 32 (three 32-byte vectors).
#include "sample_loops.h"

#if defined(__i386__) || defined(__x86_64__)

#include <cpuid.h>
#include <immintrin.h>

#include <atomic>

// A 32-bit Windows caller keeps the stack only 4-byte aligned, while vector
// spills need more.
#if defined(__i386__)
#define VECTOR_ENTRY __attribute__((target("avx2"), force_align_arg_pointer))
#else
#define VECTOR_ENTRY __attribute__((target("avx2")))
#endif
#define VECTOR_HELPER __attribute__((target("avx2"))) inline

namespace {

constexpr size_t kBlockPixels = 16;
constexpr size_t kBlockBytes = 3 * kBlockPixels;
constexpr size_t kVectorBytes = 16;
constexpr size_t kWideBlockPixels = 2 * kBlockPixels;
constexpr size_t kWideBlockBytes = 2 * kBlockBytes;
constexpr size_t kWideVectorBytes = 2 * kVectorBytes;
constexpr int kZeroLane = -128;       // a shuffle lane with the top bit set becomes zero
constexpr int kHalvesInOrder = 0xD8;  // 64-bit parts 0, 2, 1, 3
constexpr DWORD kTableMaxLimit = 16;  // maxima below it look their bytes up in one shuffle
constexpr DWORD kFullWordMax = 65535;
constexpr float kOutputMax = 255;

// ---- reversing each pixel's three bytes ----

// Shuffle lanes that reverse each pixel's three bytes across three vectors:
// Lanes[o][i] picks the bytes of output vector o that come from input vector i.
struct SwapMasks {
  alignas(kVectorBytes) signed char Lanes[3][3][kVectorBytes];
};

constexpr SwapMasks MakeSwapMasks() {
  SwapMasks masks{};
  for (size_t o = 0; o < 3; ++o) {
    for (size_t i = 0; i < 3; ++i) {
      for (size_t lane = 0; lane < kVectorBytes; ++lane) {
        const size_t outByte = o * kVectorBytes + lane;
        const size_t inByte = outByte - outByte % 3 + 2 - outByte % 3;
        const bool here = inByte / kVectorBytes == i;
        masks.Lanes[o][i][lane] =
            static_cast<signed char>(here ? static_cast<int>(inByte % kVectorBytes) : kZeroLane);
      }
    }
  }
  return masks;
}

constexpr SwapMasks kSwapMasks = MakeSwapMasks();

// Swaps the two bytes of every 16-bit lane: big-endian samples to numbers.
alignas(kVectorBytes) constexpr signed char kWordOrder[kVectorBytes] = {
    1, 0, 3, 2, 5, 4, 7, 6, 9, 8, 11, 10, 13, 12, 15, 14};

VECTOR_HELPER __m128i Load(const void* from) {
  return _mm_loadu_si128(static_cast<const __m128i*>(from));
}

VECTOR_HELPER __m256i LoadWide(const void* from) {
  return _mm256_loadu_si256(static_cast<const __m256i*>(from));
}

VECTOR_HELPER __m128i Mask(const signed char* lanes) {
  return _mm_load_si128(reinterpret_cast<const __m128i*>(lanes));
}

VECTOR_HELPER __m128i Pick(__m128i from, size_t o, size_t i) {
  return _mm_shuffle_epi8(from, Mask(kSwapMasks.Lanes[o][i]));
}

VECTOR_HELPER void Store(BYTE* to, __m128i v) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(to), v);
}

// Writes sixteen pixels, given in a, b and c, with their bytes reversed.
// Output vector 0 draws on inputs a and b, vector 1 on all three, vector 2
// on b and c.
VECTOR_HELPER void StoreReversed(BYTE* out, __m128i a, __m128i b, __m128i c) {
  Store(out, _mm_or_si128(Pick(a, 0, 0), Pick(b, 0, 1)));
  Store(out + kVectorBytes,
        _mm_or_si128(_mm_or_si128(Pick(a, 1, 0), Pick(b, 1, 1)), Pick(c, 1, 2)));
  Store(out + 2 * kVectorBytes, _mm_or_si128(Pick(b, 2, 1), Pick(c, 2, 2)));
}

VECTOR_HELPER __m128i Low(__m256i v) { return _mm256_castsi256_si128(v); }
VECTOR_HELPER __m128i High(__m256i v) { return _mm256_extracti128_si256(v, 1); }

// Writes 32 pixels, given in a, b and c, with their bytes reversed.
VECTOR_HELPER void StoreReversed(BYTE* out, __m256i a, __m256i b, __m256i c) {
  StoreReversed(out, Low(a), High(a), Low(b));
  StoreReversed(out + kBlockBytes, High(b), Low(c), High(c));
}

VECTOR_ENTRY void SwapPixels(const BYTE* in, BYTE* out, size_t pixels, const SampleScale& scale) {
  for (; pixels >= kBlockPixels; pixels -= kBlockPixels, in += kBlockBytes, out += kBlockBytes) {
    StoreReversed(out, Load(in), Load(in + kVectorBytes), Load(in + 2 * kVectorBytes));
  }
  kPortableLoops.Swap(in, out, pixels, scale);
}

// Converts blocks of 32 pixels, sampleBytes input bytes a sample, with
// toBytes (the 32 bitmap bytes for the samples at a given input byte) and
// gives how many pixels it converted: the rest is the portable loop's.
template <size_t sampleBytes, typename ToBytes>
VECTOR_HELPER size_t ScaleInBlocks(const BYTE* in, BYTE* out, size_t pixels,
                                   const ToBytes& toBytes) {
  constexpr size_t kStep = sampleBytes * kWideVectorBytes;
  const size_t blocks = pixels / kWideBlockPixels;
  for (size_t block = 0; block < blocks; ++block, in += 3 * kStep, out += kWideBlockBytes) {
    StoreReversed(out, toBytes(in), toBytes(in + kStep), toBytes(in + 2 * kStep));
  }
  return blocks * kWideBlockPixels;
}

// ---- one-byte samples ----

// The 32 bitmap bytes for the 32 samples at a given input byte.
template <typename ScaleBytes>
struct ByteSamples {
  ScaleBytes Scale;
  VECTOR_HELPER __m256i operator()(const BYTE* from) const { return Scale(LoadWide(from)); }
};

// Samples held at max index the first 16 entries of the byte table.
struct LookUpBytes {
  __m256i Max;
  __m256i Table;

  VECTOR_HELPER explicit LookUpBytes(const SampleScale& scale)
      : Max(_mm256_set1_epi8(static_cast<char>(scale.MaxValue))),
        Table(_mm256_broadcastsi128_si256(Load(scale.ByteTable))) {}

  VECTOR_HELPER __m256i operator()(__m256i samples) const {
    return _mm256_shuffle_epi8(Table, _mm256_min_epu8(samples, Max));
  }
};

// round(s * 255 / max) = floor((255 * s + max / 2) / max), which stays below
// 65536 once s is held at max (samples above max thereby come out as 255);
// the even and the odd bytes go through as 16-bit lanes of their own.
struct DivideBytes {
  __m256i Max;
  __m256i Half;
  __m256i Multiplier;
  __m128i Shift1;
  __m128i Shift2;

  VECTOR_HELPER explicit DivideBytes(const SampleScale& scale)
      : Max(_mm256_set1_epi8(static_cast<char>(scale.MaxValue))),
        Half(_mm256_set1_epi16(static_cast<short>(scale.MaxValue / 2))),
        Multiplier(_mm256_set1_epi16(static_cast<short>(scale.Multiplier))),
        Shift1(_mm_cvtsi32_si128(scale.Shift1)),
        Shift2(_mm_cvtsi32_si128(scale.Shift2)) {}

  VECTOR_HELPER __m256i Divide(__m256i samples) const {
    const __m256i n =
        _mm256_add_epi16(_mm256_sub_epi16(_mm256_slli_epi16(samples, 8), samples), Half);
    const __m256i t = _mm256_mulhi_epu16(n, Multiplier);
    return _mm256_srl_epi16(_mm256_add_epi16(t, _mm256_srl_epi16(_mm256_sub_epi16(n, t), Shift1)),
                            Shift2);
  }

  VECTOR_HELPER __m256i operator()(__m256i samples) const {
    const __m256i held = _mm256_min_epu8(samples, Max);
    const __m256i even = Divide(_mm256_and_si256(held, _mm256_set1_epi16(0xFF)));
    const __m256i odd = Divide(_mm256_srli_epi16(held, 8));
    return _mm256_or_si256(even, _mm256_slli_epi16(odd, 8));
  }
};

VECTOR_ENTRY void ScaleBytePixels(const BYTE* in, BYTE* out, size_t pixels,
                                  const SampleScale& scale) {
  const size_t done =
      scale.MaxValue < kTableMaxLimit
          ? ScaleInBlocks<1>(in, out, pixels, ByteSamples<LookUpBytes>{LookUpBytes(scale)})
          : ScaleInBlocks<1>(in, out, pixels, ByteSamples<DivideBytes>{DivideBytes(scale)});
  kPortableLoops.ScaleBytes(in + done * 3, out + done * 3, pixels - done, scale);
}

// ---- two-byte samples ----

// The 32 bitmap bytes for the 32 big-endian samples at a given input byte.
// Scale takes 16 samples as numbers to their bitmap values in 16-bit lanes.
template <typename ScaleWords>
struct WordSamples {
  ScaleWords Scale;

  VECTOR_HELPER __m256i operator()(const BYTE* from) const {
    const __m256i order = _mm256_broadcastsi128_si256(Mask(kWordOrder));
    const __m256i first = Scale(_mm256_shuffle_epi8(LoadWide(from), order));
    const __m256i second = Scale(_mm256_shuffle_epi8(LoadWide(from + kWideVectorBytes), order));
    // Packing interleaves the 128-bit halves of its inputs; the permutation
    // puts them back in order.
    return _mm256_permute4x64_epi64(_mm256_packus_epi16(first, second), kHalvesInOrder);
  }
};

// Maximum 65535: round(s * 255 / 65535) = floor((s + 128) / 257), and with
// y = s + 128 held at 65535 that is (y - (y >> 8)) >> 8.
struct DivideFullWords {
  VECTOR_HELPER __m256i operator()(__m256i samples) const {
    const __m256i y = _mm256_adds_epu16(samples, _mm256_set1_epi16(128));
    return _mm256_srli_epi16(_mm256_sub_epi16(y, _mm256_srli_epi16(y, 8)), 8);
  }
};

// Any other maximum: floor((255 * s + max / 2) / max) in 32-bit float lanes,
// with s held at max. Every value met is an integer below 2^24, which a
// float holds exactly. The reciprocal is nudged up, so the quotient it gives
// is the true one or one more; the exact remainder tells which.
constexpr double kReciprocalNudge = 1e-6;

struct DivideWords {
  __m256i MaxWords;
  __m256 Max;
  __m256 Half;
  __m256 Reciprocal;

  VECTOR_HELPER explicit DivideWords(const SampleScale& scale)
      : MaxWords(_mm256_set1_epi16(static_cast<short>(scale.MaxValue))),
        Max(_mm256_set1_ps(static_cast<float>(scale.MaxValue))),
        Half(_mm256_set1_ps(static_cast<float>(scale.MaxValue / 2))),
        Reciprocal(_mm256_set1_ps(static_cast<float>((1 + kReciprocalNudge) / scale.MaxValue))) {}

  VECTOR_HELPER __m256i Divide(__m256i samples) const {
    const __m256 n =
        _mm256_add_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(samples), _mm256_set1_ps(kOutputMax)), Half);
    const __m256 estimate =
        _mm256_round_ps(_mm256_mul_ps(n, Reciprocal), _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
    const __m256 remainder = _mm256_sub_ps(n, _mm256_mul_ps(estimate, Max));
    const __m256 overshoot = _mm256_and_ps(
        _mm256_cmp_ps(remainder, _mm256_setzero_ps(), _CMP_LT_OQ), _mm256_set1_ps(1.0f));
    return _mm256_cvttps_epi32(_mm256_sub_ps(estimate, overshoot));
  }

  // The even and the odd samples go through as 32-bit lanes of their own.
  VECTOR_HELPER __m256i operator()(__m256i samples) const {
    const __m256i held = _mm256_min_epu16(samples, MaxWords);
    const __m256i even = Divide(_mm256_and_si256(held, _mm256_set1_epi32(0xFFFF)));
    const __m256i odd = Divide(_mm256_srli_epi32(held, 16));
    return _mm256_or_si256(even, _mm256_slli_epi32(odd, 16));
  }
};

VECTOR_ENTRY void ScaleWordPixels(const BYTE* in, BYTE* out, size_t pixels,
                                  const SampleScale& scale) {
  const size_t done =
      scale.MaxValue == kFullWordMax
          ? ScaleInBlocks<2>(in, out, pixels, WordSamples<DivideFullWords>{DivideFullWords()})
          : ScaleInBlocks<2>(in, out, pixels, WordSamples<DivideWords>{DivideWords(scale)});
  kPortableLoops.ScaleWords(in + done * 6, out + done * 3, pixels - done, scale);
}

const ConvertLoops kVectorLoops = {SwapPixels, ScaleBytePixels, ScaleWordPixels};

constexpr unsigned kXmmAndYmmState = 0x6;  // bits of XCR0 the system must save

// Asked of the processor itself: the module has no start-up code to do it.
bool HasAvx2() {
  unsigned eax, ebx, ecx, edx;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  if ((ecx & bit_OSXSAVE) == 0 || (ecx & bit_AVX) == 0) return false;
  unsigned savedLow, savedHigh;
  asm("xgetbv" : "=a"(savedLow), "=d"(savedHigh) : "c"(0));
  if ((savedLow & kXmmAndYmmState) != kXmmAndYmmState) return false;
  return __get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) && (ebx & bit_AVX2) != 0;
}

// Asking costs tens of microseconds in a virtual machine, and the answer
// never changes: it is asked once. Threads that race to ask first store the
// same answer.
enum : int { kNotAsked = -1 };
std::atomic<int> hasAvx2{kNotAsked};

}  // namespace

const ConvertLoops* VectorLoops() {
  int known = hasAvx2.load(std::memory_order_relaxed);
  if (known == kNotAsked) {
    known = HasAvx2();
    hasAvx2.store(known, std::memory_order_relaxed);
  }
  return known ? &kVectorLoops : nullptr;
}

#else

const ConvertLoops* VectorLoops() { return nullptr; }

#endif
