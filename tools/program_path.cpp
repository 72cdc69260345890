// Where this program lies, so that the plug-in module is found beside it
// whatever the working directory.
#include <unistd.h>

#include <string>

#include "plugin_loader.h"

namespace {

constexpr char kOwnImage[] = "/proc/self/exe";
constexpr size_t kLongestPath = 4096;

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

}  // namespace

std::string FileBesideProgram(const std::string& fileName) {
  char path[kLongestPath];
  const ssize_t length = readlink(kOwnImage, path, sizeof path - 1);
  const std::string program = length > 0 ? std::string(path, static_cast<size_t>(length)) : "";
  return DirectoryOf(program) + "/" + fileName;
}
