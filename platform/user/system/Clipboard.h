// The clipboard. Text (CF_TEXT and CF_UNICODETEXT, both UTF-8 here, each
// available whenever either was set) lives in the display, so the system
// clipboard sees it; other formats stay in this process. Data comes and goes
// as GlobalAlloc handles: SetClipboardData takes ownership, and handles that
// GetClipboardData returns belong to the clipboard, freed when replaced or
// emptied. EmptyClipboard makes the window that opened the clipboard its
// owner; the data outlives the owner window.
#pragma once
#include "platform/user/system/GlobalMemory.h"
#include "platform/user/UserTypes.h"

constexpr UINT CF_TEXT = 1;
constexpr UINT CF_BITMAP = 2;
constexpr UINT CF_OEMTEXT = 7;
constexpr UINT CF_DIB = 8;
constexpr UINT CF_UNICODETEXT = 13;
constexpr UINT WM_DESTROYCLIPBOARD = 0x0307;
constexpr DWORD ERROR_CLIPBOARD_NOT_OPEN = 1418;

// Fails while another window has it open.
BOOL OpenClipboard(HWND hwnd);
BOOL CloseClipboard();
BOOL EmptyClipboard();
// The clipboard must be open; returns hMem, now owned by the clipboard.
HANDLE SetClipboardData(UINT format, HANDLE hMem);
HANDLE GetClipboardData(UINT format);
BOOL IsClipboardFormatAvailable(UINT format);
int CountClipboardFormats();
// The next format after `format` (0: the first); 0 at the end.
UINT EnumClipboardFormats(UINT format);
HWND GetClipboardOwner();
HWND GetOpenClipboardWindow();
