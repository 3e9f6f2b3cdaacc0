// Movable memory blocks handed between modules by handle (the clipboard,
// image data). Every handle is checked against the live set, so a freed or
// foreign handle fails the call instead of touching freed memory. Thread-safe.
// A GMEM_FIXED block's handle is its memory address.
#pragma once
#include <cstddef>

#include "platform/user/UserTypes.h"

using HGLOBAL = HANDLE;

constexpr DWORD ERROR_NOT_LOCKED = 158;

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GMEM_MODIFY = 0x0080;
constexpr UINT GMEM_DDESHARE = 0x2000;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;
constexpr UINT GMEM_INVALID_HANDLE = 0x8000;
constexpr UINT GMEM_LOCKCOUNT = 0x00FF;

HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes);
// Keeps the contents up to the smaller size; GMEM_ZEROINIT clears growth.
HGLOBAL GlobalReAlloc(HGLOBAL h, std::size_t bytes, UINT flags);
void* GlobalLock(HGLOBAL h);
// TRUE while the block stays locked.
BOOL GlobalUnlock(HGLOBAL h);
// nullptr on success; the handle itself when it was not live.
HGLOBAL GlobalFree(HGLOBAL h);
std::size_t GlobalSize(HGLOBAL h);
// Lock count in the low byte; GMEM_INVALID_HANDLE for a dead handle.
UINT GlobalFlags(HGLOBAL h);
// The handle of a block from the address GlobalLock returned.
HGLOBAL GlobalHandle(const void* memory);
