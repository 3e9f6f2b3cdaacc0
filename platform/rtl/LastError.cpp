#include "platform/rtl/LastError.h"

#include <cerrno>
#include <mutex>

#include "platform/rtl/HandleTable.h"

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

constexpr unsigned kKernelHandleKind = 1;

THandleTable& Table() {
  // Never destroyed: handles may still be closed by other static destructors.
  static THandleTable* table = new THandleTable(kKernelHandleKind);
  return *table;
}

}  // namespace

DWORD GetLastError() { return lastError; }
void SetLastError(DWORD code) { lastError = code; }

DWORD ErrorFromErrno(int err) {
  switch (err) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS: return ERROR_ACCESS_DENIED;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case ENOSYS:
    case EOPNOTSUPP: return ERROR_NOT_SUPPORTED;
    case ETIMEDOUT: return ERROR_TIMEOUT;
    default: return ERROR_GEN_FAILURE;
  }
}

HANDLE RegisterHandle(std::unique_ptr<THandleObject> object) {
  if (!object) return nullptr;
  std::uintptr_t h = Table().Add(object.get());
  if (!h) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  object.release();
  return HandleValue<void>(h);
}

THandleObject* HandleObject(HANDLE h) { return static_cast<THandleObject*>(Table().Find(HandleBits(h))); }

BOOL CloseHandle(HANDLE h) {
  std::unique_ptr<THandleObject> object(static_cast<THandleObject*>(Table().Remove(HandleBits(h))));
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  // Released outside the table lock: a closer may itself close handles.
  object.reset();
  return 1;
}
