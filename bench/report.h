// The benchmark's results as a Markdown table with the goals they meet or
// miss, and as data for the throughput chart.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "pictures.h"

// Contenders in the order the report lists them; the goals refer to them.
enum Contender {
  kGetPictureMemory,
  kGetPictureFile,
  kFloor,
  kFileFloor,
  kStbImage,
  kNetpbm,
  kContenderCount
};

extern const char* const kContenderNames[kContenderCount];

struct Measurement {
  bool Ran = false;
  bool Correct = true;  // its bitmap equals GetPicture's (the floors make none)
  double Seconds = 0;   // per picture
  int64_t PeakHeapBytes = 0;
};

struct PictureResults {
  PictureShape Shape;
  size_t FileBytes;
  Measurement Of[kContenderCount];
};

void WriteMarkdown(std::ostream& out, const std::vector<PictureResults>& results,
                   const std::string& machine);

// One line per picture of maximum 255: its pixel bytes, then each
// contender's throughput in GB/s; a header line names the columns.
void WriteChartData(std::ostream& out, const std::vector<PictureResults>& results);
