// Vector loops for x86 processors with SSE4.1, chosen at run time, so the
// build itself needs no instruction-set flags. Sixteen pixels go through at
// once: 48 bitmap bytes, three 16-byte vectors.
#include "sample_loops.h"

#if defined(__i386__) || defined(__x86_64__)

#include <immintrin.h>

// A 32-bit Windows caller keeps the stack only 4-byte aligned, while vector
// spills need 16.
#if defined(__i386__)
#define VECTOR_ENTRY __attribute__((target("sse4.1"), force_align_arg_pointer))
#else
#define VECTOR_ENTRY __attribute__((target("sse4.1")))
#endif
#define VECTOR_HELPER __attribute__((target("sse4.1"))) inline

namespace {

constexpr size_t kBlockPixels = 16;
constexpr size_t kBlockBytes = 3 * kBlockPixels;
constexpr size_t kVectorBytes = 16;
constexpr int kZeroLane = -128;  // a shuffle lane with the top bit set becomes zero

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

VECTOR_HELPER __m128i Mask(const signed char* lanes) {
  return _mm_load_si128(reinterpret_cast<const __m128i*>(lanes));
}

VECTOR_HELPER __m128i Pick(__m128i from, size_t o, size_t i) {
  return _mm_shuffle_epi8(from, Mask(kSwapMasks.Lanes[o][i]));
}

// Reverses the three bytes of each of the sixteen pixels in v[0..2]. Output
// vector 0 draws on inputs 0 and 1, vector 1 on all three, vector 2 on 1 and 2.
VECTOR_HELPER void ReverseSamples(__m128i v[3]) {
  const __m128i a = v[0];
  const __m128i b = v[1];
  const __m128i c = v[2];
  v[0] = _mm_or_si128(Pick(a, 0, 0), Pick(b, 0, 1));
  v[1] = _mm_or_si128(_mm_or_si128(Pick(a, 1, 0), Pick(b, 1, 1)), Pick(c, 1, 2));
  v[2] = _mm_or_si128(Pick(b, 2, 1), Pick(c, 2, 2));
}

VECTOR_HELPER void StoreBlock(BYTE* out, __m128i v[3]) {
  ReverseSamples(v);
  for (size_t k = 0; k < 3; ++k) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k * kVectorBytes), v[k]);
  }
}

VECTOR_ENTRY void SwapPixels(const BYTE* in, BYTE* out, size_t pixels, const SampleScale& scale) {
  for (; pixels >= kBlockPixels; pixels -= kBlockPixels, in += kBlockBytes, out += kBlockBytes) {
    __m128i v[3] = {Load(in), Load(in + kVectorBytes), Load(in + 2 * kVectorBytes)};
    StoreBlock(out, v);
  }
  kPortableLoops.Swap(in, out, pixels, scale);
}

// One-byte samples: round(s * 255 / max) = floor((255 * s + max / 2) / max),
// which stays below 65536 once s is held at max; samples at or above max
// thereby come out as 255.
struct NarrowScale {
  __m128i Max;
  __m128i Half;
  __m128i Multiplier;
  __m128i Shift1;
  __m128i Shift2;
};

VECTOR_HELPER NarrowScale MakeNarrowScale(const SampleScale& scale) {
  return {_mm_set1_epi8(static_cast<char>(scale.MaxValue)),
          _mm_set1_epi16(static_cast<short>(scale.MaxValue / 2)),
          _mm_set1_epi16(static_cast<short>(scale.Multiplier)), _mm_cvtsi32_si128(scale.Shift1),
          _mm_cvtsi32_si128(scale.Shift2)};
}

VECTOR_HELPER __m128i ScaleNarrowWords(__m128i samples, const NarrowScale& scale) {
  const __m128i n = _mm_add_epi16(_mm_sub_epi16(_mm_slli_epi16(samples, 8), samples), scale.Half);
  const __m128i t = _mm_mulhi_epu16(n, scale.Multiplier);
  const __m128i sum = _mm_add_epi16(t, _mm_srl_epi16(_mm_sub_epi16(n, t), scale.Shift1));
  return _mm_srl_epi16(sum, scale.Shift2);
}

VECTOR_HELPER __m128i ScaleNarrow(__m128i bytes, const NarrowScale& scale) {
  const __m128i held = _mm_min_epu8(bytes, scale.Max);
  const __m128i zero = _mm_setzero_si128();
  return _mm_packus_epi16(ScaleNarrowWords(_mm_unpacklo_epi8(held, zero), scale),
                          ScaleNarrowWords(_mm_unpackhi_epi8(held, zero), scale));
}

VECTOR_ENTRY void ScaleBytePixels(const BYTE* in, BYTE* out, size_t pixels,
                                  const SampleScale& scale) {
  const NarrowScale narrow = MakeNarrowScale(scale);
  for (; pixels >= kBlockPixels; pixels -= kBlockPixels, in += kBlockBytes, out += kBlockBytes) {
    __m128i v[3];
    for (size_t k = 0; k < 3; ++k) v[k] = ScaleNarrow(Load(in + k * kVectorBytes), narrow);
    StoreBlock(out, v);
  }
  kPortableLoops.ScaleBytes(in, out, pixels, scale);
}

// Two-byte samples: floor((255 * s + max / 2) / max) in 32-bit lanes, with s
// held at max. Every value met stays below 2^24, so single-precision floats
// hold them exactly; the quotient from the reciprocal is off by at most one
// and the exact remainder corrects it.
struct WideScale {
  __m128i MaxWords;
  __m128i Half;
  __m128 Max;
  __m128 Reciprocal;
};

VECTOR_HELPER WideScale MakeWideScale(const SampleScale& scale) {
  const float max = static_cast<float>(scale.MaxValue);
  return {_mm_set1_epi16(static_cast<short>(scale.MaxValue)),
          _mm_set1_epi32(static_cast<int>(scale.MaxValue / 2)), _mm_set1_ps(max),
          _mm_set1_ps(1.0f / max)};
}

VECTOR_HELPER __m128i ScaleWideLanes(__m128i samples, const WideScale& scale) {
  const __m128i n = _mm_add_epi32(_mm_sub_epi32(_mm_slli_epi32(samples, 8), samples), scale.Half);
  const __m128 numerator = _mm_cvtepi32_ps(n);
  __m128i quotient = _mm_cvttps_epi32(_mm_mul_ps(numerator, scale.Reciprocal));
  const __m128 remainder = _mm_sub_ps(numerator, _mm_mul_ps(_mm_cvtepi32_ps(quotient), scale.Max));
  // A true comparison is -1 in every bit: subtracting it adds one.
  quotient = _mm_sub_epi32(quotient, _mm_castps_si128(_mm_cmpge_ps(remainder, scale.Max)));
  return _mm_add_epi32(quotient, _mm_castps_si128(_mm_cmplt_ps(remainder, _mm_setzero_ps())));
}

// Eight big-endian samples to their eight bitmap values, in 16-bit lanes.
VECTOR_HELPER __m128i ScaleWide(__m128i bigEndian, const WideScale& scale) {
  const __m128i samples =
      _mm_min_epu16(_mm_shuffle_epi8(bigEndian, Mask(kWordOrder)), scale.MaxWords);
  return _mm_packus_epi32(ScaleWideLanes(_mm_cvtepu16_epi32(samples), scale),
                          ScaleWideLanes(_mm_unpackhi_epi16(samples, _mm_setzero_si128()), scale));
}

VECTOR_ENTRY void ScaleWordPixels(const BYTE* in, BYTE* out, size_t pixels,
                                  const SampleScale& scale) {
  const WideScale wide = MakeWideScale(scale);
  for (; pixels >= kBlockPixels;
       pixels -= kBlockPixels, in += 2 * kBlockBytes, out += kBlockBytes) {
    __m128i v[3];
    for (size_t k = 0; k < 3; ++k) {
      const BYTE* from = in + 2 * k * kVectorBytes;
      v[k] =
          _mm_packus_epi16(ScaleWide(Load(from), wide), ScaleWide(Load(from + kVectorBytes), wide));
    }
    StoreBlock(out, v);
  }
  kPortableLoops.ScaleWords(in, out, pixels, scale);
}

const ConvertLoops kVectorLoops = {SwapPixels, ScaleBytePixels, ScaleWordPixels};

}  // namespace

const ConvertLoops* VectorLoops() {
  __builtin_cpu_init();  // the real module runs no start-up code that would do it
  return __builtin_cpu_supports("sse4.1") ? &kVectorLoops : nullptr;
}

#else

const ConvertLoops* VectorLoops() { return nullptr; }

#endif
