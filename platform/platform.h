// The Windows functions and types the plug-in calls. On Windows they come
// from the system; everywhere else from our own stand-in (platform.cpp),
// which behaves the way the plug-in relies on and lets tests inject faults.
#pragma once

#include <cstddef>
#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#else

// 32-bit x86 keeps the Windows convention so a 32-bit host can bind the real
// module's imports straight to these functions.
#if defined(__i386__)
#define WINAPI __attribute__((stdcall))
#else
#define WINAPI
#endif

#define PLATFORM_API extern "C" __attribute__((visibility("default")))

typedef int BOOL;
typedef unsigned char BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t UINT;
typedef uintptr_t UINT_PTR;
typedef intptr_t LONG_PTR;
typedef size_t SIZE_T;
typedef void* HANDLE;
typedef void* HGLOBAL;
typedef void* HINSTANCE;
typedef void* LPVOID;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef DWORD* LPDWORD;
typedef LONG* PLONG;

#define TRUE 1
#define FALSE 0

#define GMEM_MOVEABLE 0x0002u
#define GMEM_ZEROINIT 0x0040u

#define GENERIC_READ 0x80000000u
#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define OPEN_EXISTING 3u
#define FILE_BEGIN 0u
#define FILE_CURRENT 1u
#define FILE_END 2u

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)))
#define INVALID_FILE_SIZE 0xFFFFFFFFu
#define INVALID_SET_FILE_POINTER 0xFFFFFFFFu

#define DLL_PROCESS_DETACH 0u
#define DLL_PROCESS_ATTACH 1u
#define DLL_THREAD_ATTACH 2u
#define DLL_THREAD_DETACH 3u

PLATFORM_API HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T bytes);
PLATFORM_API LPVOID WINAPI GlobalLock(HGLOBAL block);
PLATFORM_API BOOL WINAPI GlobalUnlock(HGLOBAL block);
PLATFORM_API HGLOBAL WINAPI GlobalFree(HGLOBAL block);
PLATFORM_API SIZE_T WINAPI GlobalSize(HGLOBAL block);

PLATFORM_API HANDLE WINAPI CreateFileA(LPCSTR name, DWORD access, DWORD share, LPVOID security,
                                       DWORD creation, DWORD attributes, HANDLE templateFile);
PLATFORM_API DWORD WINAPI GetFileSize(HANDLE file, LPDWORD sizeHigh);
PLATFORM_API DWORD WINAPI SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh,
                                         DWORD method);
PLATFORM_API BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read,
                                  LPVOID overlapped);
PLATFORM_API BOOL WINAPI CloseHandle(HANDLE object);

PLATFORM_API LPSTR WINAPI lstrcpyA(LPSTR destination, LPCSTR source);
PLATFORM_API int WINAPI lstrlenA(LPCSTR text);

#endif  // _WIN32
