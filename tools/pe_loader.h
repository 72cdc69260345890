// Loads a 32-bit Windows DLL into this 32-bit Linux process the way the
// Windows loader does: maps its sections, applies its base relocations,
// binds its KERNEL32 imports to functions of ours, and calls its entry
// routine. Enough for the real module, strict about everything else.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A KERNEL32 function this host supplies, with the Windows convention.
struct PeImport {
  const char* Name;
  const void* Function;
};

struct PeExport {
  uint32_t Ordinal;
  const void* Address;
};

class PeModule {
 public:
  struct Section {
    uint32_t Address;
    uint32_t Size;
    uint32_t Characteristics;
  };

  // Maps, relocates and binds the module at path; null with a one-line
  // reason in problem when the file is no DLL this host can load.
  static std::unique_ptr<PeModule> Load(const std::string& path,
                                        const std::vector<PeImport>& imports, std::string& problem);
  // Detaches the module if attached, then unmaps it.
  ~PeModule();
  PeModule(const PeModule&) = delete;
  PeModule& operator=(const PeModule&) = delete;

  // Calls the entry routine for process attach or detach; false, with the
  // reason in problem, when it does not return 1 or unbalances the stack.
  bool Attach(std::string& problem);
  bool Detach(std::string& problem);

  // The export of that name, or a null address when there is none.
  PeExport Export(const std::string& name) const;
  // The export directory's name field.
  std::string ExportDirectoryName() const;
  const void* EntryRoutine() const { return Image_ + EntryPoint_; }
  uint32_t PreferredBase() const { return PreferredBase_; }
  uint32_t Base() const;
  // The bytes of every writable section, in section order.
  std::string WritableBytes() const;

 private:
  PeModule() = default;
  bool CallEntry(uint32_t reason, std::string& problem);

  uint8_t* Image_ = nullptr;
  uint32_t ImageSize_ = 0;
  uint32_t PreferredBase_ = 0;
  uint32_t EntryPoint_ = 0;
  uint32_t ExportDirectory_ = 0;
  uint32_t ExportDirectorySize_ = 0;
  std::vector<Section> Sections_;
  bool Attached_ = false;
};
