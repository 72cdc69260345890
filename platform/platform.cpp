// Stand-in for the Windows functions the plug-in calls, on systems that are
// not Windows. It keeps to what the plug-in relies on: movable blocks named
// by handles, file handles below 0x10000, the failure values of the real
// functions. It also counts live resources and injects faults for tests.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

#include "platform_testing.h"

namespace {

// ---- fault injection and resource counts ----

std::atomic<long> liveBlocks{0};
std::atomic<long> liveLocks{0};
std::atomic<long> liveFiles{0};

std::atomic<unsigned long> failableCalls{0};
std::atomic<unsigned long> failAt{0};
std::atomic<const char*> failedCall{nullptr};

bool InjectedFailure(const char* name) {
  const unsigned long n = ++failableCalls;
  if (n != failAt.load()) return false;
  failedCall = name;
  return true;
}

// ---- global memory ----

constexpr uint32_t kBlockMagic = 0x4B4C4247;  // "GBLK"
// A 32-bit process cannot hold a larger block; refusing it keeps both builds alike.
constexpr SIZE_T kLargestBlock = 0x7FFFFFFF;

// A block's bytes follow its header; the header's alignment keeps them aligned.
struct alignas(16) Block {
  uint32_t Magic;
  SIZE_T Size;
  std::atomic<long> Locks;

  unsigned char* Bytes() { return reinterpret_cast<unsigned char*>(this + 1); }
};

Block* BlockOf(HGLOBAL handle) {
  Block* block = static_cast<Block*>(handle);
  return block != nullptr && block->Magic == kBlockMagic ? block : nullptr;
}

// ---- files ----

constexpr int kFileSlots = 4096;  // handle values stay below 0x10000
constexpr uintptr_t kHandleStep = 4;

std::mutex fileTableLock;
int fileTable[kFileSlots];  // descriptor + 1; 0 marks a free slot

HANDLE HandleOfSlot(int slot) {
  return reinterpret_cast<HANDLE>((static_cast<uintptr_t>(slot) + 1) * kHandleStep);
}

int SlotOfHandle(HANDLE handle) {
  const uintptr_t value = reinterpret_cast<uintptr_t>(handle);
  if (value == 0 || value % kHandleStep != 0) return -1;
  const uintptr_t slot = value / kHandleStep - 1;
  return slot < kFileSlots ? static_cast<int>(slot) : -1;
}

int DescriptorOf(HANDLE handle) {
  const int slot = SlotOfHandle(handle);
  if (slot < 0) return -1;
  std::lock_guard<std::mutex> guard(fileTableLock);
  return fileTable[slot] - 1;
}

}  // namespace

PLATFORM_API PlatformResources PlatformLiveResources(void) {
  return {liveBlocks.load(), liveLocks.load(), liveFiles.load()};
}

PLATFORM_API void PlatformFailCall(unsigned long n) {
  failAt = n;
  failableCalls = 0;
  failedCall = nullptr;
}

PLATFORM_API unsigned long PlatformFailableCalls(void) { return failableCalls.load(); }

PLATFORM_API const char* PlatformFailedCall(void) { return failedCall.load(); }

PLATFORM_API HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T bytes) {
  if (InjectedFailure("GlobalAlloc") || bytes > kLargestBlock) return nullptr;
  void* memory = std::malloc(sizeof(Block) + bytes);
  if (memory == nullptr) return nullptr;
  Block* block = new (memory) Block{kBlockMagic, bytes, {0}};
  if (flags & GMEM_ZEROINIT) std::memset(block->Bytes(), 0, bytes);
  ++liveBlocks;
  return block;
}

PLATFORM_API LPVOID WINAPI GlobalLock(HGLOBAL handle) {
  if (InjectedFailure("GlobalLock")) return nullptr;
  Block* block = BlockOf(handle);
  // A zero-byte movable block is a discarded one: it has no address.
  if (block == nullptr || block->Size == 0) return nullptr;
  ++block->Locks;
  ++liveLocks;
  return block->Bytes();
}

PLATFORM_API BOOL WINAPI GlobalUnlock(HGLOBAL handle) {
  Block* block = BlockOf(handle);
  if (block == nullptr || block->Locks == 0) return FALSE;
  --liveLocks;
  return --block->Locks != 0;
}

PLATFORM_API HGLOBAL WINAPI GlobalFree(HGLOBAL handle) {
  Block* block = BlockOf(handle);
  if (block == nullptr) return handle;
  block->Magic = 0;
  block->~Block();
  std::free(block);
  --liveBlocks;
  return nullptr;
}

PLATFORM_API SIZE_T WINAPI GlobalSize(HGLOBAL handle) {
  Block* block = BlockOf(handle);
  return block != nullptr ? block->Size : 0;
}

PLATFORM_API HANDLE WINAPI CreateFileA(LPCSTR name, DWORD access, DWORD /*share*/,
                                       LPVOID /*security*/, DWORD creation, DWORD /*attributes*/,
                                       HANDLE /*templateFile*/) {
  if (InjectedFailure("CreateFileA")) return INVALID_HANDLE_VALUE;
  if (name == nullptr || access != GENERIC_READ || creation != OPEN_EXISTING) {
    return INVALID_HANDLE_VALUE;
  }
  const int fd = open(name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return INVALID_HANDLE_VALUE;
  struct stat info;
  if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {  // Windows opens no directory here
    close(fd);
    return INVALID_HANDLE_VALUE;
  }
  std::lock_guard<std::mutex> guard(fileTableLock);
  for (int slot = 0; slot < kFileSlots; ++slot) {
    if (fileTable[slot] == 0) {
      fileTable[slot] = fd + 1;
      ++liveFiles;
      return HandleOfSlot(slot);
    }
  }
  close(fd);
  return INVALID_HANDLE_VALUE;
}

PLATFORM_API DWORD WINAPI GetFileSize(HANDLE file, LPDWORD sizeHigh) {
  struct stat info;
  const int fd = DescriptorOf(file);
  if (fd < 0 || fstat(fd, &info) != 0) return INVALID_FILE_SIZE;
  const uint64_t size = static_cast<uint64_t>(info.st_size);
  if (sizeHigh != nullptr) *sizeHigh = static_cast<DWORD>(size >> 32);
  return static_cast<DWORD>(size);
}

PLATFORM_API DWORD WINAPI SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh,
                                         DWORD method) {
  const int fd = DescriptorOf(file);
  if (fd < 0 || method > FILE_END) return INVALID_SET_FILE_POINTER;
  int64_t move = distance;
  if (distanceHigh != nullptr) {
    move = static_cast<int64_t>((static_cast<uint64_t>(*distanceHigh) << 32) |
                                static_cast<DWORD>(distance));
  }
  const off_t base =
      method == FILE_BEGIN ? 0 : lseek(fd, 0, method == FILE_CURRENT ? SEEK_CUR : SEEK_END);
  if (base < 0 || base + move < 0) return INVALID_SET_FILE_POINTER;  // position stays
  const off_t position = lseek(fd, base + move, SEEK_SET);
  if (position < 0) return INVALID_SET_FILE_POINTER;
  if (distanceHigh != nullptr)
    *distanceHigh = static_cast<LONG>(static_cast<uint64_t>(position) >> 32);
  return static_cast<DWORD>(position);
}

PLATFORM_API BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read,
                                  LPVOID /*overlapped*/) {
  if (read != nullptr) *read = 0;
  if (InjectedFailure("ReadFile")) return FALSE;
  const int fd = DescriptorOf(file);
  if (fd < 0) return FALSE;
  DWORD total = 0;
  while (total < toRead) {
    const ssize_t n = ::read(fd, static_cast<unsigned char*>(buffer) + total, toRead - total);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return FALSE;
    if (n == 0) break;  // end of file is no error
    total += static_cast<DWORD>(n);
  }
  if (read != nullptr) *read = total;
  return TRUE;
}

PLATFORM_API BOOL WINAPI CloseHandle(HANDLE object) {
  const int slot = SlotOfHandle(object);
  if (slot < 0) return FALSE;
  std::lock_guard<std::mutex> guard(fileTableLock);
  if (fileTable[slot] == 0) return FALSE;
  close(fileTable[slot] - 1);
  fileTable[slot] = 0;
  --liveFiles;
  return TRUE;
}

PLATFORM_API LPSTR WINAPI lstrcpyA(LPSTR destination, LPCSTR source) {
  if (destination == nullptr || source == nullptr) return nullptr;
  return std::strcpy(destination, source);
}

PLATFORM_API int WINAPI lstrlenA(LPCSTR text) {
  return text != nullptr ? static_cast<int>(std::strlen(text)) : 0;
}
