#include "report.h"

#include <cstdio>

const char* const kContenderNames[kContenderCount] = {
    "GetPicture, memory input",
    "GetPicture, file input",
    "floor: memcpy into a fresh bitmap",
    "floor for files: read file + memcpy",
    "stb_image (libstb-dev) + conversion",
    "libnetpbm (libnetpbm-dev) + conversion",
};

namespace {

constexpr unsigned kLargestByteMax = 255;
constexpr size_t kGoalPixels = 1920 * 1080;
constexpr double kCopyFactor = 1.25;
constexpr double kScaledFactor = 2.0;
// What the three blocks may hold beyond file and bitmap: the 44-byte header
// block, the stand-in's block headers and the allocator's page rounding.
constexpr int64_t kBookkeepingBytes = 16 * 1024;
constexpr double kMillisecond = 1e-3;
constexpr double kGigabyte = 1e9;
constexpr double kKibibyte = 1024;
constexpr double kMebibyte = 1024 * 1024;

std::string Format(const char* pattern, double value) {
  char text[64];
  std::snprintf(text, sizeof text, pattern, value);
  return text;
}

std::string ByteSize(double bytes) {
  return bytes < kMebibyte ? Format("%.1f KiB", bytes / kKibibyte)
                           : Format("%.1f MiB", bytes / kMebibyte);
}

double Throughput(const PictureResults& results, const Measurement& measurement) {
  return static_cast<double>(PixelDataBytes(results.Shape)) / measurement.Seconds / kGigabyte;
}

struct Verdict {
  std::string Goal;
  std::string Outcome;
};

Verdict RatioGoal(const char* goal, double ratio, double limit) {
  return {goal, Format(ratio <= limit ? "met (%.2f)" : "**missed** (%.2f)", ratio)};
}

Verdict PeakGoal(const PictureResults& results, const Measurement& measurement) {
  const int64_t allowed =
      static_cast<int64_t>(results.FileBytes + BitmapBytes(results.Shape)) + kBookkeepingBytes;
  const std::string over = Format(
      "%+.0f bytes", static_cast<double>(measurement.PeakHeapBytes) -
                         static_cast<double>(results.FileBytes + BitmapBytes(results.Shape)));
  return {"peak ≤ file + bitmap",
          (measurement.PeakHeapBytes <= allowed ? "met (" : "**missed** (") + over + ")"};
}

// Rows left out by a benchmark filter are not reported; a contender that
// was not timed because its bitmap is wrong is.
bool Reported(const Measurement& measurement) { return measurement.Ran || !measurement.Correct; }

std::vector<Verdict> Verdicts(const PictureResults& results, Contender contender) {
  const Measurement& measured = results.Of[contender];
  if (!measured.Correct) return {{"bitmap equals GetPicture's", "**missed**"}};
  const PictureShape& shape = results.Shape;
  if (size_t{shape.Width} * shape.Height < kGoalPixels) return {};
  const double memory = results.Of[kGetPictureMemory].Seconds;
  if (shape.MaxValue != kLargestByteMax) {
    if (contender != kGetPictureMemory) return {};
    return {RatioGoal("≤ 2 × floor", memory / results.Of[kFloor].Seconds, kScaledFactor)};
  }
  switch (contender) {
    case kGetPictureMemory:
      return {RatioGoal("≤ 1.25 × floor", memory / results.Of[kFloor].Seconds, kCopyFactor)};
    case kGetPictureFile:
      return {RatioGoal("≤ 1.25 × floor for files",
                        measured.Seconds / results.Of[kFileFloor].Seconds, kCopyFactor),
              PeakGoal(results, measured)};
    case kStbImage:
    case kNetpbm:
      return {{"slower than GetPicture, memory input",
               Format(measured.Seconds > memory ? "met (%.2f × its time)"
                                                : "**missed** (%.2f × its time)",
                      measured.Seconds / memory)}};
    default:
      return {};
  }
}

std::string Joined(const std::vector<Verdict>& verdicts, std::string Verdict::*part) {
  std::string text;
  for (const Verdict& verdict : verdicts) {
    if (!text.empty()) text += "<br>";
    text += verdict.*part;
  }
  return text;
}

void WriteRow(std::ostream& out, const PictureResults& results, Contender contender) {
  const Measurement& measured = results.Of[contender];
  const std::vector<Verdict> verdicts = Verdicts(results, contender);
  out << "| " << PictureName(results.Shape) << " | " << kContenderNames[contender] << " | ";
  if (measured.Ran) {
    out << Format("%.3g", measured.Seconds / kMillisecond) << " | "
        << Format("%.2f", Throughput(results, measured)) << " | "
        << Format("%.2f", measured.Seconds / results.Of[kFloor].Seconds) << " | ";
  } else {
    out << "| | | ";
  }
  out << ByteSize(static_cast<double>(measured.PeakHeapBytes)) << " | "
      << Joined(verdicts, &Verdict::Goal) << " | " << Joined(verdicts, &Verdict::Outcome) << " |\n";
}

constexpr char kHowMeasured[] = R"(
## How it is measured

- Each row is one contender turning one PPM file into a bottom-up BGR bitmap with
  padded rows. ms is the wall-clock time per picture (the median of five
  repetitions of at least half a second each), GB/s counts the file's pixel
  bytes, × floor is the time over the floor's for the same picture, and peak heap is
  what the contender held from the C library's allocator at the height of one run.
- The pictures are made by the benchmark: samples without pattern, up to the maximum.
- GetPicture, memory input: the export with input kind 1 over the whole file in
  memory; file input: input kind 0 with the file in the page cache. Each run
  includes freeing the two blocks it hands over.
- Floor: a fresh buffer of the bitmap's size, a memcpy of the pixel bytes into it,
  and its release. Two-byte samples fill the buffer before they run out, so only as
  many bytes as the bitmap holds are copied. Floor for files: the whole file read
  into a fresh buffer of its size, then the floor's copy from there; the goal for
  file input is measured against it.
- stb_image: `stbi_load_from_memory` (`stbi_load_16_from_memory` for two-byte
  samples), then one loop into the bitmap. This version does not apply the
  maximum and hands two-byte samples over with their bytes swapped; the loop
  scales and swaps them back, so its bitmap is the right one.
- libnetpbm: `ppm_readppmrow` over the file in memory (`fmemopen`), each row
  scaled into its place in the bitmap.
- Before any timing, every contender's bitmap is compared with GetPicture's; a
  contender whose bitmap differs is not timed and misses its goal.
- Peak heap of GetPicture with file input may exceed file + bitmap by 16 KiB of
  block bookkeeping (the 44-byte header block, block headers, page rounding).
)";

}  // namespace

void WriteMarkdown(std::ostream& out, const std::vector<PictureResults>& results,
                   const std::string& machine) {
  int met = 0;
  int missed = 0;
  for (const PictureResults& picture : results) {
    for (int contender = 0; contender < kContenderCount; ++contender) {
      if (!Reported(picture.Of[contender])) continue;
      for (const Verdict& verdict : Verdicts(picture, static_cast<Contender>(contender))) {
        const bool hit = verdict.Outcome.rfind("met", 0) == 0;
        met += hit;
        missed += !hit;
      }
    }
  }
  out << "# Benchmark\n\n"
      << "Made by `scripts/bench.sh` on " << machine << ".\n\n"
      << "Goals: " << met << " met, " << missed << " missed. The chart, "
      << "[benchmark.png](benchmark.png), shows the pictures of maximum 255.\n\n"
      << "| Picture | Contender | ms | GB/s | × floor | Peak heap | Goal | Result |\n"
      << "|---|---|--:|--:|--:|--:|---|---|\n";
  for (const PictureResults& picture : results) {
    for (int contender = 0; contender < kContenderCount; ++contender) {
      if (Reported(picture.Of[contender]))
        WriteRow(out, picture, static_cast<Contender>(contender));
    }
  }
  out << kHowMeasured;
}

void WriteChartData(std::ostream& out, const std::vector<PictureResults>& results) {
  out << "\"pixel bytes\"";
  for (const char* name : kContenderNames) out << " \"" << name << "\"";
  out << "\n";
  for (const PictureResults& picture : results) {
    if (picture.Shape.MaxValue != kLargestByteMax) continue;
    out << PixelDataBytes(picture.Shape);
    for (const Measurement& measured : picture.Of) {
      out << " " << (measured.Ran ? Format("%.4f", Throughput(picture, measured)) : "NaN");
    }
    out << "\n";
  }
}
