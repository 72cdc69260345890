// Writes the seed corpora of the fuzz targets into the directory named on
// the command line: pictures of every header shape the plug-in accepts, and
// near misses of each. Each target gets its own folder, in its input form.
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Seed {
  const char* Name;
  std::string Bytes;
};

std::string Samples(size_t count) {
  std::string samples;
  for (size_t i = 0; i < count; ++i) samples += static_cast<char>(i * 29 + 7);
  return samples;
}

// A header followed by the samples it promises (bytesPerSample 2 for a
// maximum above 255), or by only some of them.
std::string Picture(const std::string& header, size_t width, size_t height,
                    size_t bytesPerSample = 1) {
  return header + Samples(width * height * 3 * bytesPerSample);
}

std::vector<Seed> Seeds() {
  const std::string longComment(1022, 'c');
  return {
      {"smallest", Picture("P6\n1 1\n255\n", 1, 1)},
      {"three_by_two", Picture("P6\n3 2\n255\n", 3, 2)},
      {"every_padding", Picture("P6\n5 3\n255\n", 5, 3)},
      {"padding_two", Picture("P6\n6 2\n255\n", 6, 2)},
      {"padding_three", Picture("P6\n7 2\n255\n", 7, 2)},
      {"comment", Picture("P6\n# made by hand\n3 2\n255\n", 3, 2)},
      {"empty_comment", Picture("P6\n#\n4 4\n255\n", 4, 4)},
      {"longest_comment", Picture("P6\n#" + longComment + "\n2 2\n255\n", 2, 2)},
      {"comment_runs_into_dimensions", Picture("P6\n#" + longComment + "cc3 2\n255\n", 3, 2)},
      {"two_byte_samples", Picture("P6\n3 2\n65535\n", 3, 2, 2)},
      {"small_maximum", Picture("P6\n3 2\n15\n", 3, 2)},
      {"maximum_one", Picture("P6\n2 2\n1\n", 2, 2)},
      {"maximum_zero", Picture("P6\n2 2\n0\n", 2, 2)},
      {"maximum_unchanged_bytes", Picture("P6\n2 2\n4294967295\n", 2, 2)},
      {"signed_numbers", Picture("P6\n+3 +2\n+255\n", 3, 2)},
      {"no_blank_before_sign", Picture("P6\n3+2\n255\n", 3, 2)},
      {"blanks_and_trailing_text", Picture("P6\n  3   2 x\n255 x\n", 3, 2)},
      {"longest_dimensions_line", Picture("P6\n3 2" + std::string(21, ' ') + "\n255\n", 3, 2)},
      {"wrapped_width", Picture("P6\n4294967299 2\n255\n", 3, 2)},
      {"crlf_after_maximum", Picture("P6\n3 2\n255\r\n", 3, 2)},
      {"larger_than_a_probe", Picture("P6\n32 32\n255\n", 32, 32)},
      {"short_pixels", "P6\n8 8\n255\n" + Samples(100)},
      {"largest_header_only", "P6\n8192 8191\n255\n"},
      {"widest_header_only", "P6\n67108863 1\n255\n"},
      {"near_crlf_magic", "P6\r\n3 2\n255\n"},
      {"near_plain_magic", "P3\n3 2\n255\n"},
      {"near_lower_case", "p6\n3 2\n255\n"},
      {"near_leading_blank", " P6\n3 2\n255\n"},
      {"near_one_line", "P6 3 2 255\n"},
      {"near_two_comments", "P6\n# a\n# b\n3 2\n255\n"},
      {"near_long_comment", "P6\n#" + longComment + "c\n3 2\n255\n"},
      {"near_dimensions_on_two_lines", "P6\n640\n480\n255\n"},
      {"near_comma", "P6\n3,2\n255\n"},
      {"near_long_dimensions_line", "P6\n3 2" + std::string(22, ' ') + "\n255\n"},
      {"near_too_large", "P6\n8192 8192\n255\n"},
      {"near_too_wide", "P6\n67108864 1\n255\n"},
      {"near_zero_height", "P6\n640 0\n255\n"},
      {"near_minus_one", "P6\n-1 -1\n255\n"},
      {"near_wraps_above_limit", "P6\n1431655766 1\n255\n"},
      {"near_long_maximum", "P6\n3 2\n1234567890123\n"},
      {"near_empty_maximum", "P6\n3 2\n\n"},
      {"near_crlf_dimensions", "P6\n3 2\r\n255\n"},
      {"near_no_maximum", "P6\n3 2\n"},
      {"near_magic_only", "P6\n"},
  };
}

std::string LittleEndian(uint32_t value) {
  std::string bytes;
  for (int i = 0; i < 4; ++i) bytes += static_cast<char>(value >> (8 * i));
  return bytes;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

// The memory target takes a byte count and the file target an offset in
// front of the bytes; each gets the plain form and a few others.
std::vector<Seed> InputForms(const Seed& seed, const char* target) {
  const std::string target_name = target;
  const uint32_t size = static_cast<uint32_t>(seed.Bytes.size());
  if (target_name == "memory_input") {
    return {{"count", LittleEndian(size) + seed.Bytes},
            {"short_count", LittleEndian(size / 2) + seed.Bytes},
            {"negative_count", LittleEndian(0xFFFFFFFF) + seed.Bytes}};
  }
  if (target_name == "file_input") {
    const std::string junk(512, '\x7f');
    return {{"offset_0", LittleEndian(0) + seed.Bytes},
            {"offset_512", LittleEndian(512) + junk + seed.Bytes},
            {"negative_offset", LittleEndian(0x80000000) + seed.Bytes}};
  }
  return {{"plain", seed.Bytes}};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
    return 2;
  }
  const std::string root = argv[1];
  mkdir(root.c_str(), 0755);
  for (const char* target : {"header_reader", "memory_input", "file_input", "differential"}) {
    const std::string folder = root + "/" + target;
    mkdir(folder.c_str(), 0755);
    for (const Seed& seed : Seeds()) {
      for (const Seed& form : InputForms(seed, target)) {
        if (!WriteFile(folder + "/" + seed.Name + "." + form.Name, form.Bytes)) {
          std::fprintf(stderr, "cannot write %s\n", folder.c_str());
          return 1;
        }
      }
    }
  }
  return 0;
}
