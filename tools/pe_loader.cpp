#include "pe_loader.h"

#include <strings.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "stdcall_call.h"

namespace {

constexpr uint16_t kDosMagic = 0x5A4D;         // "MZ"
constexpr uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr size_t kNewHeaderField = 0x3C;
constexpr uint16_t kMachineI386 = 0x014C;
constexpr uint16_t kDllFlag = 0x2000;
constexpr uint16_t kPe32Magic = 0x010B;
constexpr size_t kFileHeaderSize = 20;
constexpr size_t kSectionHeaderSize = 40;
constexpr size_t kDirectorySize = 8;

// Fields of the PE32 optional header, by offset.
constexpr size_t kEntryPointField = 16;
constexpr size_t kImageBaseField = 28;
constexpr size_t kSectionAlignmentField = 32;
constexpr size_t kImageSizeField = 56;
constexpr size_t kHeadersSizeField = 60;
constexpr size_t kDirectoryCountField = 92;
constexpr size_t kDirectoriesField = 96;

constexpr uint32_t kExportDirectory = 0;
constexpr uint32_t kImportDirectory = 1;
constexpr uint32_t kRelocationDirectory = 5;

constexpr uint32_t kExecutableSection = 0x20000000;
constexpr uint32_t kWritableSection = 0x80000000;

constexpr uint16_t kRelocationPadding = 0;
constexpr uint16_t kRelocationHighLow = 3;
constexpr size_t kRelocationBlockHeader = 8;
constexpr size_t kImportDescriptorSize = 20;
constexpr uint32_t kImportByOrdinal = 0x80000000;
constexpr size_t kImportHintSize = 2;
constexpr char kKernelName[] = "KERNEL32.dll";

constexpr size_t kExportDirectoryHeader = 40;
constexpr uint32_t kProcessDetach = 0;
constexpr uint32_t kProcessAttach = 1;
constexpr uint32_t kEntryArguments = 3;

struct LoadError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Little-endian reads from a range of bytes; anything outside it is an error
// in the file, never a read past the range.
class ByteRange {
 public:
  ByteRange(uint8_t* data, size_t size, const char* what) : Data_(data), Size_(size), What_(what) {}

  uint8_t* At(size_t offset, size_t count) const {
    if (offset > Size_ || count > Size_ - offset) {
      throw LoadError(std::string(What_) + " is cut short");
    }
    return Data_ + offset;
  }
  uint16_t U16(size_t offset) const {
    const uint8_t* p = At(offset, 2);
    return static_cast<uint16_t>(p[0] | p[1] << 8);
  }
  uint32_t U32(size_t offset) const {
    const uint8_t* p = At(offset, 4);
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
  }
  void PutU32(size_t offset, uint32_t value) const {
    uint8_t* p = At(offset, 4);
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
  }
  std::string String(size_t offset) const {
    const char* start = reinterpret_cast<const char*>(At(offset, 0));
    const void* end = std::memchr(start, 0, Size_ - offset);
    if (end == nullptr) throw LoadError(std::string(What_) + " has an unterminated name");
    return std::string(start, static_cast<const char*>(end));
  }

 private:
  uint8_t* Data_;
  size_t Size_;
  const char* What_;
};

struct Directory {
  uint32_t Address;
  uint32_t Size;
};

struct Headers {
  size_t OptionalHeader;
  size_t SectionTable;
  uint16_t SectionCount;
  uint32_t EntryPoint;
  uint32_t ImageBase;
  uint32_t ImageSize;
  uint32_t HeadersSize;
  Directory Exports;
  Directory Imports;
  Directory Relocations;
};

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw LoadError("cannot open " + path);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

Directory DirectoryEntry(const ByteRange& file, const Headers& headers, uint32_t index) {
  if (index >= file.U32(headers.OptionalHeader + kDirectoryCountField)) return {0, 0};
  const size_t at = headers.OptionalHeader + kDirectoriesField + index * kDirectorySize;
  return {file.U32(at), file.U32(at + 4)};
}

Headers ReadHeaders(const ByteRange& file) {
  if (file.U16(0) != kDosMagic) throw LoadError("not an executable file (no MZ header)");
  const size_t pe = file.U32(kNewHeaderField);
  if (file.U32(pe) != kPeSignature) throw LoadError("no PE header");
  const size_t fileHeader = pe + 4;
  if (file.U16(fileHeader) != kMachineI386) throw LoadError("not made for 32-bit x86");
  if ((file.U16(fileHeader + 18) & kDllFlag) == 0) throw LoadError("not a DLL");
  Headers headers{};
  headers.OptionalHeader = fileHeader + kFileHeaderSize;
  headers.SectionTable = headers.OptionalHeader + file.U16(fileHeader + 16);
  headers.SectionCount = file.U16(fileHeader + 2);
  if (file.U16(headers.OptionalHeader) != kPe32Magic) throw LoadError("not a PE32 image");
  if (file.U32(headers.OptionalHeader + kSectionAlignmentField) % sysconf(_SC_PAGESIZE) != 0) {
    throw LoadError("sections not aligned to pages");
  }
  headers.EntryPoint = file.U32(headers.OptionalHeader + kEntryPointField);
  headers.ImageBase = file.U32(headers.OptionalHeader + kImageBaseField);
  headers.ImageSize = file.U32(headers.OptionalHeader + kImageSizeField);
  headers.HeadersSize = file.U32(headers.OptionalHeader + kHeadersSizeField);
  headers.Exports = DirectoryEntry(file, headers, kExportDirectory);
  headers.Imports = DirectoryEntry(file, headers, kImportDirectory);
  headers.Relocations = DirectoryEntry(file, headers, kRelocationDirectory);
  return headers;
}

uint8_t* MapImage(uint32_t size) {
  void* image = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (image == MAP_FAILED) throw LoadError("cannot map the image");
  return static_cast<uint8_t*>(image);
}

// Copies the headers and each section's bytes; the rest of the image stays
// zero, as the Windows loader leaves it.
void CopySections(const ByteRange& file, const ByteRange& image, const Headers& headers) {
  std::memcpy(image.At(0, headers.HeadersSize), file.At(0, headers.HeadersSize),
              headers.HeadersSize);
  for (uint16_t i = 0; i < headers.SectionCount; ++i) {
    const size_t at = headers.SectionTable + i * kSectionHeaderSize;
    const uint32_t virtualSize = file.U32(at + 8);
    const uint32_t address = file.U32(at + 12);
    const uint32_t rawSize = file.U32(at + 16);
    const uint32_t rawOffset = file.U32(at + 20);
    const uint32_t copied = virtualSize != 0 && virtualSize < rawSize ? virtualSize : rawSize;
    std::memcpy(image.At(address, copied), file.At(rawOffset, copied), copied);
  }
}

void Relocate(const ByteRange& image, const Headers& headers, uint32_t delta) {
  if (delta != 0 && headers.Relocations.Size == 0) throw LoadError("no base relocations");
  const size_t end = headers.Relocations.Address + headers.Relocations.Size;
  for (size_t block = headers.Relocations.Address; block < end;) {
    const uint32_t page = image.U32(block);
    const uint32_t blockSize = image.U32(block + 4);
    if (blockSize < kRelocationBlockHeader) throw LoadError("broken base relocation block");
    for (size_t entry = block + kRelocationBlockHeader; entry < block + blockSize; entry += 2) {
      const uint16_t fixup = image.U16(entry);
      const uint16_t type = fixup >> 12;
      if (type == kRelocationPadding) continue;
      if (type != kRelocationHighLow) throw LoadError("unsupported base relocation type");
      const size_t target = page + (fixup & 0x0FFFu);
      image.PutU32(target, image.U32(target) + delta);
    }
    block += blockSize;
  }
}

const void* ImportNamed(const std::vector<PeImport>& imports, const std::string& name) {
  for (const PeImport& import : imports) {
    if (name == import.Name) return import.Function;
  }
  throw LoadError("imports " + name + ", which this host does not supply");
}

void BindImports(const ByteRange& image, const Headers& headers,
                 const std::vector<PeImport>& imports) {
  if (headers.Imports.Size == 0) return;
  for (size_t descriptor = headers.Imports.Address; image.U32(descriptor + 12) != 0;
       descriptor += kImportDescriptorSize) {
    const std::string library = image.String(image.U32(descriptor + 12));
    if (strcasecmp(library.c_str(), kKernelName) != 0) {
      throw LoadError("imports from " + library + ", which this host does not supply");
    }
    const uint32_t lookup =
        image.U32(descriptor) != 0 ? image.U32(descriptor) : image.U32(descriptor + 16);
    const uint32_t bound = image.U32(descriptor + 16);
    for (size_t i = 0; image.U32(lookup + 4 * i) != 0; ++i) {
      const uint32_t entry = image.U32(lookup + 4 * i);
      if (entry & kImportByOrdinal) throw LoadError("imports by ordinal");
      const std::string name = image.String(entry + kImportHintSize);
      image.PutU32(bound + 4 * i, reinterpret_cast<uintptr_t>(ImportNamed(imports, name)));
    }
  }
}

std::vector<PeModule::Section> ReadSectionTable(const ByteRange& file, const Headers& headers) {
  std::vector<PeModule::Section> sections;
  for (uint16_t i = 0; i < headers.SectionCount; ++i) {
    const size_t at = headers.SectionTable + i * kSectionHeaderSize;
    const uint32_t virtualSize = file.U32(at + 8);
    sections.push_back(
        {file.U32(at + 12), virtualSize != 0 ? virtualSize : file.U32(at + 16), file.U32(at + 36)});
  }
  return sections;
}

int Protection(uint32_t characteristics) {
  int protection = PROT_READ;
  if (characteristics & kWritableSection) protection |= PROT_WRITE;
  if (characteristics & kExecutableSection) protection |= PROT_EXEC;
  return protection;
}

// Headers read-only, each section as its flags say, as Windows maps them.
void Protect(const ByteRange& image, const Headers& headers,
             const std::vector<PeModule::Section>& sections) {
  bool failed = mprotect(image.At(0, headers.HeadersSize), headers.HeadersSize, PROT_READ) != 0;
  for (const PeModule::Section& section : sections) {
    if (section.Size == 0) continue;
    failed |= mprotect(image.At(section.Address, section.Size), section.Size,
                       Protection(section.Characteristics)) != 0;
  }
  if (failed) throw LoadError("cannot protect the image's pages");
}

}  // namespace

std::unique_ptr<PeModule> PeModule::Load(const std::string& path,
                                         const std::vector<PeImport>& imports,
                                         std::string& problem) {
  std::unique_ptr<PeModule> module(new PeModule);
  try {
    std::vector<uint8_t> bytes = ReadWholeFile(path);
    const ByteRange file(bytes.data(), bytes.size(), "the file");
    const Headers headers = ReadHeaders(file);
    module->Image_ = MapImage(headers.ImageSize);
    module->ImageSize_ = headers.ImageSize;
    const ByteRange image(module->Image_, headers.ImageSize, "the image");
    CopySections(file, image, headers);
    Relocate(image, headers, module->Base() - headers.ImageBase);
    BindImports(image, headers, imports);
    module->PreferredBase_ = headers.ImageBase;
    module->EntryPoint_ = headers.EntryPoint;
    module->ExportDirectory_ = headers.Exports.Address;
    module->ExportDirectorySize_ = headers.Exports.Size;
    module->Sections_ = ReadSectionTable(file, headers);
    Protect(image, headers, module->Sections_);
  } catch (const LoadError& error) {
    problem = path + ": " + error.what();
    return nullptr;
  }
  return module;
}

PeModule::~PeModule() {
  std::string ignored;
  if (Attached_) Detach(ignored);
  if (Image_ != nullptr) munmap(Image_, ImageSize_);
}

bool PeModule::Attach(std::string& problem) {
  Attached_ = CallEntry(kProcessAttach, problem);
  return Attached_;
}

bool PeModule::Detach(std::string& problem) {
  Attached_ = false;
  return CallEntry(kProcessDetach, problem);
}

bool PeModule::CallEntry(uint32_t reason, std::string& problem) {
  const uint32_t arguments[kEntryArguments] = {Base(), reason, 0};
  const StdcallOutcome outcome = CallStdcall(EntryRoutine(), arguments, kEntryArguments);
  if (!Balanced(outcome)) {
    problem = "the entry routine leaves the stack or registers unbalanced";
  } else if (outcome.Result != 1) {
    problem = "the entry routine returns " + std::to_string(outcome.Result);
  }
  return Balanced(outcome) && outcome.Result == 1;
}

PeExport PeModule::Export(const std::string& name) const {
  if (ExportDirectorySize_ == 0) return {0, nullptr};
  const ByteRange image(Image_, ImageSize_, "the image");
  const size_t directory = ExportDirectory_;
  const uint32_t base = image.U32(directory + 16);
  const uint32_t functionCount = image.U32(directory + 20);
  const uint32_t nameCount = image.U32(directory + 24);
  for (uint32_t i = 0; i < nameCount; ++i) {
    if (image.String(image.U32(image.U32(directory + 32) + 4 * i)) != name) continue;
    const uint16_t index = image.U16(image.U32(directory + 36) + 2 * i);
    if (index >= functionCount) return {0, nullptr};
    const uint32_t address = image.U32(image.U32(directory + 28) + 4 * index);
    const bool forwarded = address >= directory && address < directory + ExportDirectorySize_;
    if (forwarded) return {0, nullptr};
    return {base + index, image.At(address, 0)};
  }
  return {0, nullptr};
}

std::string PeModule::ExportDirectoryName() const {
  if (ExportDirectorySize_ < kExportDirectoryHeader) return "";
  const ByteRange image(Image_, ImageSize_, "the image");
  return image.String(image.U32(ExportDirectory_ + 12));
}

uint32_t PeModule::Base() const {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(Image_));
}

std::string PeModule::WritableBytes() const {
  std::string bytes;
  for (const Section& section : Sections_) {
    if (section.Characteristics & kWritableSection) {
      bytes.append(reinterpret_cast<const char*>(Image_ + section.Address), section.Size);
    }
  }
  return bytes;
}
