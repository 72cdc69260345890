#include "result_text.h"

#include "brindle.h"

namespace {

struct ResultEntry {
  int32_t result;
  const char* text;
};

constexpr ResultEntry kResultTexts[] = {
    {ResultSuccess, "success"},
    {ResultNotAccepted, "not a picture this plug-in reads"},
    {ResultNoMemory, "out of memory, or the file is empty"},
    {ResultFileError, "cannot open file, or cannot read enough of it"},
    {ResultNotImplemented, "not implemented by the plug-in"},
};

}  // namespace

std::string ResultText(int32_t result) {
  for (const ResultEntry& entry : kResultTexts) {
    if (entry.result == result) return entry.text;
  }
  return "the plug-in gave the unknown result " + std::to_string(result);
}
