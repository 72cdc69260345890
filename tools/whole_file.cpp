#include "whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

constexpr char kTemporarySuffix[] = ".XXXXXX";  // mkstemp fills in the X's
constexpr mode_t kNewFileMode = 0666;           // narrowed by the umask, as for any new file
constexpr size_t kReadChunk = 64 * 1024;

std::string Because(const char* what) {
  return std::string(what) + " (" + std::strerror(errno) + ")";
}

mode_t CurrentUmask() {
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
}

bool WriteAll(int descriptor, const ByteSpan& part) {
  for (size_t done = 0; done < part.size;) {
    const ssize_t written = write(descriptor, part.bytes + done, part.size - done);
    if (written < 0 && errno != EINTR) return false;
    if (written > 0) done += static_cast<size_t>(written);
  }
  return true;
}

bool WriteParts(int descriptor, const std::vector<ByteSpan>& parts) {
  for (const ByteSpan& part : parts) {
    if (!WriteAll(descriptor, part)) return false;
  }
  return true;
}

// Writes the parts into the temporary file and closes it.
bool FillTemporary(int descriptor, const std::vector<ByteSpan>& parts, std::string& problem) {
  const bool written =
      fchmod(descriptor, kNewFileMode & ~CurrentUmask()) == 0 && WriteParts(descriptor, parts);
  if (!written) problem = Because("cannot write file");
  if (close(descriptor) != 0 && written) {
    problem = Because("cannot write file");
    return false;
  }
  return written;
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using OpenFile = std::unique_ptr<std::FILE, FileCloser>;

// Reads until the end of the file or until count bytes are in.
bool ReadAtMost(std::FILE* file, size_t count, std::vector<BYTE>& bytes, std::string& problem) {
  bytes.clear();
  while (bytes.size() < count) {
    const size_t start = bytes.size();
    const size_t wanted = std::min(kReadChunk, count - start);
    bytes.resize(start + wanted);
    const size_t read = std::fread(bytes.data() + start, 1, wanted, file);
    bytes.resize(start + read);
    if (read < wanted) break;
  }
  if (!std::ferror(file)) return true;
  problem = Because("cannot read file");
  return false;
}

OpenFile OpenForReading(const std::string& path, std::string& problem) {
  OpenFile file(std::fopen(path.c_str(), "rb"));
  if (file == nullptr) problem = Because("cannot open file");
  return file;
}

std::string TooLarge(size_t limit) {
  return "file too large: more than " + std::to_string(limit) + " bytes";
}

}  // namespace

bool ReplaceFile(const std::string& path, const std::vector<ByteSpan>& parts,
                 std::string& problem) {
  std::string temporary = path + kTemporarySuffix;
  const int descriptor = mkstemp(&temporary[0]);
  if (descriptor < 0) {
    problem = Because("cannot write file");
    return false;
  }
  if (FillTemporary(descriptor, parts, problem)) {
    if (std::rename(temporary.c_str(), path.c_str()) == 0) return true;
    problem = Because("cannot write file");
  }
  unlink(temporary.c_str());
  return false;
}

bool ReadFileHead(const std::string& path, size_t count, std::vector<BYTE>& bytes,
                  std::string& problem) {
  const OpenFile file = OpenForReading(path, problem);
  return file != nullptr && ReadAtMost(file.get(), count, bytes, problem);
}

bool ReadWholeFile(const std::string& path, size_t limit, std::vector<BYTE>& bytes,
                   std::string& problem) {
  const OpenFile file = OpenForReading(path, problem);
  if (file == nullptr) return false;
  struct stat status;
  const bool knownTooLarge = fstat(fileno(file.get()), &status) == 0 && S_ISREG(status.st_mode) &&
                             static_cast<uintmax_t>(status.st_size) > limit;
  if (!knownTooLarge && !ReadAtMost(file.get(), limit + 1, bytes, problem)) return false;
  if (!knownTooLarge && bytes.size() <= limit) return true;
  problem = TooLarge(limit);
  return false;
}
