// Input-method composition. A back end reports what the input method does
// through the Input* calls below; they are queued with the other input and
// delivered, in order, to the focus window (the active window when nothing
// has the focus):
//   WM_IME_STARTCOMPOSITION when composing begins,
//   WM_IME_COMPOSITION with GCS_COMPSTR | GCS_CURSORPOS for each change of
//     the composition string,
//   then either WM_IME_COMPOSITION with GCS_RESULTSTR and
//     WM_IME_ENDCOMPOSITION (committed), or WM_IME_ENDCOMPOSITION alone
//     (cancelled).
// wParam of WM_IME_COMPOSITION is the first character of the string it
// reports (0 when empty). When the focus moves during a composition, the
// old window gets its end and the new one a start before the next update,
// unless the old window finished it first with ImmNotifyIME (the edit
// completes its composition when it loses the focus).
//
// A window without an input context (ImmAssociateContext(hwnd, nullptr))
// takes no part in composing: it gets no WM_IME_* messages, and a result
// reaches it as one WM_CHAR per character.
//
// Strings are UTF-8 and positions count characters (code points), as
// WM_CHAR carries one code point. DefWindowProc turns a result string into
// one WM_CHAR per character, sent before the composition's end, so a window
// that ignores the messages still receives the text, ahead of any input
// that followed the commit.
#pragma once
#include <string>

#include "platform/user/UserTypes.h"

constexpr UINT WM_IME_STARTCOMPOSITION = 0x010D;
constexpr UINT WM_IME_ENDCOMPOSITION = 0x010E;
constexpr UINT WM_IME_COMPOSITION = 0x010F;

constexpr DWORD GCS_COMPSTR = 0x0008;
constexpr DWORD GCS_CURSORPOS = 0x0080;
constexpr DWORD GCS_RESULTSTR = 0x0800;

constexpr DWORD NI_COMPOSITIONSTR = 0x0015;
constexpr DWORD CPS_COMPLETE = 0x0001;
constexpr DWORD CPS_CANCEL = 0x0004;

constexpr LONG IMM_ERROR_NODATA = -1;
constexpr LONG IMM_ERROR_GENERAL = -2;

constexpr DWORD CFS_DEFAULT = 0x0000;
constexpr DWORD CFS_RECT = 0x0001;
constexpr DWORD CFS_POINT = 0x0002;

// Where composed text shows, in the client coordinates of the context's
// window: ptCurrentPos is where it starts (top-left); with CFS_RECT, rcArea
// is the box of the line it sits in, whose bottom an input method's
// candidate list keeps clear of.
struct COMPOSITIONFORM {
  DWORD dwStyle = CFS_DEFAULT;
  POINT ptCurrentPos{};
  RECT rcArea{};
};

struct TInputContext;
using HIMC = TInputContext*;

// The window's input context (made on first use, gone with the window);
// nullptr while the window has none associated.
HIMC ImmGetContext(HWND hwnd);
// Associates a context with the window and returns the one it had
// (nullptr: none). nullptr turns composition off for the window, finishing
// a composition going on in it as CPS_COMPLETE does; the window's own
// context (what ImmGetContext gave or this call returned) turns it back on.
// A window has only its own context: another window's is refused (nullptr,
// nothing changes).
HIMC ImmAssociateContext(HWND hwnd, HIMC himc);
BOOL ImmReleaseContext(HWND hwnd, HIMC himc);
// GCS_COMPSTR or GCS_RESULTSTR: copies up to bufLen bytes of the UTF-8
// string (no terminating zero) and returns the bytes copied, or with
// bufLen 0 the bytes needed. GCS_CURSORPOS: the cursor in the composition
// string, in characters. A context whose window is not composing has empty
// strings; the last result stays readable until the next composition.
// Other indexes: IMM_ERROR_GENERAL.
LONG ImmGetCompositionString(HIMC himc, DWORD index, void* buf, DWORD bufLen);
// The whole string of GCS_COMPSTR or GCS_RESULTSTR.
std::string ImmCompositionText(HIMC himc, DWORD index);
BOOL ImmSetCompositionWindow(HIMC himc, const COMPOSITIONFORM* form);
// NI_COMPOSITIONSTR finishes the composition going on in the context's
// window: CPS_COMPLETE makes its string the result (WM_IME_COMPOSITION with
// GCS_RESULTSTR when the string is not empty, then WM_IME_ENDCOMPOSITION),
// CPS_CANCEL ends it without one (WM_IME_ENDCOMPOSITION). Either way the
// back end drops its own composition first (TDisplay::ResetComposition),
// and what it reports while doing so is ignored, as the window already
// has the outcome. FALSE when the window was not composing, or for other
// actions and indexes.
BOOL ImmNotifyIME(HIMC himc, DWORD action, DWORD index, DWORD value);
BOOL ImmGetCompositionWindow(HIMC himc, COMPOSITIONFORM* form);

// ---- Entry points for the back end (GUI thread) ---------------------------
void InputImeStart();
// The composition string and the cursor in it (characters); starts a
// composition when none is going on.
void InputImeCompose(const std::string& utf8, int cursor);
// Commits: the result, then the end (a start first when none is going on).
void InputImeResult(const std::string& utf8);
// Ends without a result (cancelled); nothing when not composing.
void InputImeEnd();
// Where the focus window wants composed text, for the input method's own
// windows: the screen point of its start and the height of its line.
// False when the focus window never said.
bool ImeCompositionSpot(HWND* window, POINT* screen, int* lineHeight);

// DefWindowProc's handling of the WM_IME_* messages.
LRESULT DefImeWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
