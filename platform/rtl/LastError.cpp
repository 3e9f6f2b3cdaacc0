#include "platform/rtl/LastError.h"

#include <cerrno>
#include <mutex>
#include <unordered_map>

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

struct HandleTable {
  std::mutex lock;
  std::unordered_map<HANDLE, std::unique_ptr<THandleObject>> objects;
};

HandleTable& Table() {
  // Never destroyed: handles may still be closed by other static destructors.
  static HandleTable* table = new HandleTable;
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
  HANDLE h = object.get();
  HandleTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  t.objects.emplace(h, std::move(object));
  return h;
}

THandleObject* HandleObject(HANDLE h) {
  HandleTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.objects.find(h);
  return it == t.objects.end() ? nullptr : it->second.get();
}

BOOL CloseHandle(HANDLE h) {
  std::unique_ptr<THandleObject> object;
  {
    HandleTable& t = Table();
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = t.objects.find(h);
    if (it == t.objects.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return 0;
    }
    object = std::move(it->second);
    t.objects.erase(it);
  }
  // Released outside the table lock: a closer may itself close handles.
  object.reset();
  return 1;
}
