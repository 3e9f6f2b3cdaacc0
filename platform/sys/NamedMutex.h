// The named mutex as a single-instance guard: an exclusive flock on a lock
// file named after the mutex in the user's runtime folder. When another
// holder (this or another process) has the lock, CreateMutexA still returns
// a handle and GetLastError() is ERROR_ALREADY_EXISTS. CloseHandle (or the
// end of the process) releases the lock.
#pragma once
#include <string>

#include "platform/rtl/LastError.h"

// attributes is ignored (no security descriptors here). initialOwner has no
// further meaning: the lock is held by whichever handle got it first. A null
// or empty name makes an unnamed mutex that never collides. Returns nullptr
// when the lock file cannot be made, or its folder is not a real folder of
// this user that only the user can write to (last error says why): the
// guard fails closed.
HANDLE CreateMutexA(void* attributes, BOOL initialOwner, const char* name);

// The folder holding the lock files: $LUMIQA_RUNTIME_DIR, else the user's
// session folder /run/user/<uid> when it is private to the user, else
// ~/.cache/lumiqa with the home from the password database (made 0700).
// $XDG_RUNTIME_DIR and $HOME play no part, so every run of one user finds
// the same lock whatever its environment.
std::string MutexRuntimeFolder();
// The lock file name for a mutex name: "Local\" and "Global\" prefixes
// dropped, separators and other unsafe characters replaced, ".lock" added.
// Empty when the name is empty or too long for a file name.
std::string MutexLockFileName(const std::string& name);
