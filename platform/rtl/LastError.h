// The calling thread's last error code and the kernel handles the platform
// hands out (mutexes, and whatever later layers register), closed through
// one CloseHandle.
#pragma once
#include <memory>

#include "platform/rtl/Types.h"

// Error codes keep their Windows numbers: callers compare them by value.
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_INVALID_DATA = 13;
constexpr DWORD ERROR_OUTOFMEMORY = 14;
constexpr DWORD ERROR_NOT_SUPPORTED = 50;
constexpr DWORD ERROR_FILE_EXISTS = 80;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_INVALID_NAME = 123;
constexpr DWORD ERROR_DIR_NOT_EMPTY = 145;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;
constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
constexpr DWORD ERROR_NO_MORE_FILES = 18;
constexpr DWORD ERROR_GEN_FAILURE = 31;
constexpr DWORD ERROR_TIMEOUT = 1460;

DWORD GetLastError();
void SetLastError(DWORD code);
// Maps an errno value to the nearest error code above (unknown ones to
// ERROR_GEN_FAILURE).
DWORD ErrorFromErrno(int err);

// A kernel handle is an opaque pointer. Each kind of handle is an object
// derived from THandleObject; its destructor releases what it holds.
using HANDLE = void*;
inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(~std::uintptr_t{0});

class THandleObject {
 public:
  THandleObject() = default;
  THandleObject(const THandleObject&) = delete;
  THandleObject& operator=(const THandleObject&) = delete;
  virtual ~THandleObject() = default;
};

// Hands the object to the handle table and returns its handle; the table
// owns it until CloseHandle.
HANDLE RegisterHandle(std::unique_ptr<THandleObject> object);
// The live object behind a handle, or nullptr for a closed, foreign or null
// handle. Valid until the handle is closed.
THandleObject* HandleObject(HANDLE h);
// Releases the object behind h. A handle that is not live (already closed,
// never handed out) is refused with ERROR_INVALID_HANDLE instead of being
// freed twice.
BOOL CloseHandle(HANDLE h);
