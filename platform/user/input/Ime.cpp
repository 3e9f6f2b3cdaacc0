#include "platform/user/input/Ime.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/rtl/CodePage.h"
#include "platform/user/system/Display.h"
#include "platform/user/input/Focus.h"
#include "platform/user/input/Input.h"
#include "platform/user/input/MessageQueue.h"
#include "platform/user/windows/WindowInternal.h"
#include "platform/user/windows/Window.h"
#include "platform/user/windows/WindowPos.h"

struct TInputContext {
  HWND hwnd = nullptr;
  std::uint64_t serial = 0;
  bool associated = true;  // false: the window composes nothing
  bool formSet = false;
  COMPOSITIONFORM form;
};

namespace {

// One input method, so one composition at a time, owned by one window.
struct TComposition {
  bool active = false;
  // Its end is on the way (the result is being delivered): anything the
  // back end reports meanwhile starts a new composition.
  bool ending = false;
  std::uint64_t id = 0;  // tells a composition from the next in the same window
  HWND window = nullptr;
  std::uint64_t serial = 0;
  std::string text;
  int cursor = 0;
  std::string result;  // the last commit, for `window`
};

std::vector<std::unique_ptr<TInputContext>> g_contexts;
TComposition g_comp;
std::uint64_t g_lastId = 0;
// The back end is dropping its composition at our request: what it reports
// meanwhile is the outcome the window already has.
bool g_resetting = false;

bool Alive(HWND h, std::uint64_t serial) { return serial && WindowSerial(h) == serial; }

TInputContext* Find(HIMC himc) {
  for (auto& c : g_contexts)
    if (c.get() == himc) return Alive(c->hwnd, c->serial) ? c.get() : nullptr;
  return nullptr;
}

// The window's own context, made when `make` and there is none yet.
TInputContext* OwnContext(HWND hwnd, bool make) {
  const std::uint64_t serial = WindowSerial(hwnd);
  if (!serial) return nullptr;
  for (auto& c : g_contexts)
    if (c->hwnd == hwnd && c->serial == serial) return c.get();
  if (!make) return nullptr;
  // Contexts of windows gone since are dropped here.
  std::erase_if(g_contexts, [](const auto& c) { return !Alive(c->hwnd, c->serial); });
  auto c = std::make_unique<TInputContext>();
  c->hwnd = hwnd;
  c->serial = serial;
  g_contexts.push_back(std::move(c));
  return g_contexts.back().get();
}

bool Disabled(HWND hwnd) {
  const TInputContext* c = OwnContext(hwnd, false);
  return c && !c->associated;
}

// Only whole characters reach the windows.
std::string ValidUtf8(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size();) {
    char32_t cp = 0;
    std::size_t n = DecodeUtf8Char(s, i, cp);
    if (n == 0) {
      ++i;
      continue;
    }
    out.append(s, i, n);
    i += n;
  }
  return out;
}

// The code points of valid UTF-8.
std::vector<char32_t> CodePoints(const std::string& s) {
  std::vector<char32_t> out;
  for (std::size_t i = 0; i < s.size();) {
    char32_t cp = 0;
    std::size_t n = DecodeUtf8Char(s, i, cp);
    if (n) out.push_back(cp);
    i += n ? n : 1;
  }
  return out;
}

WPARAM FirstChar(const std::string& s) {
  char32_t cp = 0;
  return DecodeUtf8Char(s, 0, cp) ? WPARAM(cp) : 0;
}

HWND Target() {
  HWND h = GetFocus();
  return h ? h : GetActiveWindow();
}

// Sent at once: posting would let input queued after the commit overtake
// them, as the result arrives while the input queue is being read.
void SendChars(HWND hwnd, const std::string& s) {
  for (char32_t cp : CodePoints(s)) {
    if (!IsWindow(hwnd)) break;
    SendMessage(hwnd, WM_CHAR, WPARAM(cp), 1);
  }
}

void SendEnd() {
  g_comp.active = false;
  g_comp.ending = false;
  g_comp.text.clear();
  g_comp.cursor = 0;
  if (Alive(g_comp.window, g_comp.serial)) SendMessage(g_comp.window, WM_IME_ENDCOMPOSITION, 0, 0);
}

// Ends the composition going on, with its result first when given. The
// end goes only if no new composition began while the result was handled.
void Finish(const std::string* result) {
  const std::uint64_t id = g_comp.id;
  const HWND w = g_comp.window;
  g_comp.ending = true;
  g_comp.text.clear();
  g_comp.cursor = 0;
  if (result) {
    g_comp.result = *result;
    if (Alive(w, g_comp.serial)) SendMessage(w, WM_IME_COMPOSITION, FirstChar(*result), LPARAM(GCS_RESULTSTR));
  }
  if (g_comp.active && g_comp.id == id) SendEnd();
}

// Makes sure `target` is the composing window, ending a composition the
// focus has left. False when there is no window to compose in.
bool BeginFor(HWND target) {
  if (!target || Disabled(target)) {
    if (g_comp.active) SendEnd();
    return false;
  }
  if (g_comp.active && (g_comp.ending || g_comp.window != target || !Alive(g_comp.window, g_comp.serial))) SendEnd();
  if (g_comp.active) return true;
  g_comp = TComposition{};
  g_comp.active = true;
  g_comp.id = ++g_lastId;
  g_comp.window = target;
  g_comp.serial = WindowSerial(target);
  SendMessage(target, WM_IME_STARTCOMPOSITION, 0, 0);
  // The start handler may have moved the focus or freed the window.
  return g_comp.active && g_comp.window == target && Alive(target, g_comp.serial);
}

void DeliverStart() { BeginFor(Target()); }

void DeliverCompose(const std::string& text, int cursor) {
  if (!BeginFor(Target())) return;
  g_comp.text = text;
  g_comp.cursor = std::clamp(cursor, 0, int(CodePoints(text).size()));
  SendMessage(g_comp.window, WM_IME_COMPOSITION, FirstChar(text), LPARAM(GCS_COMPSTR | GCS_CURSORPOS));
}

void DeliverResult(const std::string& text) {
  HWND target = Target();
  if (target && Disabled(target)) {
    // No composing here: the text arrives as typed.
    if (g_comp.active) SendEnd();
    SendChars(target, text);
    return;
  }
  if (!BeginFor(target)) return;
  Finish(&text);
}

void DeliverEnd() {
  if (g_comp.active) SendEnd();
}

bool ComposingIn(const TInputContext& c) {
  return g_comp.active && !g_comp.ending && g_comp.window == c.hwnd && g_comp.serial == c.serial;
}

// Tells the back end to drop its composition; what it reports meanwhile
// is not queued.
void ResetBackEnd() {
  TDisplay* d = CurrentDisplay();
  if (!d || g_resetting) return;
  g_resetting = true;
  d->ResetComposition();
  g_resetting = false;
}

// Finishes the composition of the context's window (ImmNotifyIME).
bool FinishIn(TInputContext& c, bool complete) {
  if (!ComposingIn(c)) return false;
  const std::string text = g_comp.text;
  const std::uint64_t id = g_comp.id;
  // Marked as ending before the back end hears of it, so nothing it does
  // can finish this composition a second time.
  g_comp.ending = true;
  ResetBackEnd();
  if (!g_comp.active || g_comp.id != id) return true;
  Finish(complete && !text.empty() ? &text : nullptr);
  return true;
}

// The composition's strings as the context's window sees them.
const std::string* StringFor(const TInputContext& c, DWORD index) {
  static const std::string empty;
  const bool mine = g_comp.window == c.hwnd && g_comp.serial == c.serial;
  if (index == GCS_COMPSTR) return mine && g_comp.active ? &g_comp.text : &empty;
  if (index == GCS_RESULTSTR) return mine ? &g_comp.result : &empty;
  return nullptr;
}

}  // namespace

HIMC ImmGetContext(HWND hwnd) {
  TInputContext* c = OwnContext(hwnd, true);
  return c && c->associated ? c : nullptr;
}

HIMC ImmAssociateContext(HWND hwnd, HIMC himc) {
  TInputContext* own = OwnContext(hwnd, true);
  if (!own || (himc && himc != own)) return nullptr;
  HIMC previous = own->associated ? own : nullptr;
  if (!himc && own->associated) {
    FinishIn(*own, true);
    // The result's handler may have freed the window, and its context with it.
    own = OwnContext(hwnd, false);
    if (!own) return previous;
  }
  own->associated = himc != nullptr;
  return previous;
}

BOOL ImmNotifyIME(HIMC himc, DWORD action, DWORD index, DWORD) {
  TInputContext* c = Find(himc);
  if (!c || action != NI_COMPOSITIONSTR || (index != CPS_COMPLETE && index != CPS_CANCEL)) return FALSE;
  return FinishIn(*c, index == CPS_COMPLETE) ? TRUE : FALSE;
}

BOOL ImmReleaseContext(HWND hwnd, HIMC himc) {
  TInputContext* c = Find(himc);
  return c && c->hwnd == hwnd ? TRUE : FALSE;
}

LONG ImmGetCompositionString(HIMC himc, DWORD index, void* buf, DWORD bufLen) {
  TInputContext* c = Find(himc);
  if (!c) return IMM_ERROR_GENERAL;
  if (index == GCS_CURSORPOS) {
    const bool mine = g_comp.active && g_comp.window == c->hwnd && g_comp.serial == c->serial;
    return mine ? LONG(g_comp.cursor) : 0;
  }
  const std::string* s = StringFor(*c, index);
  if (!s) return IMM_ERROR_GENERAL;
  if (bufLen == 0 || !buf) return LONG(s->size());
  const std::size_t n = std::min<std::size_t>(bufLen, s->size());
  std::memcpy(buf, s->data(), n);
  return LONG(n);
}

std::string ImmCompositionText(HIMC himc, DWORD index) {
  TInputContext* c = Find(himc);
  if (!c) return {};
  const std::string* s = StringFor(*c, index);
  return s ? *s : std::string();
}

BOOL ImmSetCompositionWindow(HIMC himc, const COMPOSITIONFORM* form) {
  TInputContext* c = Find(himc);
  if (!c || !form) return FALSE;
  c->form = *form;
  c->formSet = true;
  return TRUE;
}

BOOL ImmGetCompositionWindow(HIMC himc, COMPOSITIONFORM* form) {
  TInputContext* c = Find(himc);
  if (!c || !form || !c->formSet) return FALSE;
  *form = c->form;
  return TRUE;
}

void InputImeStart() {
  if (!g_resetting) InputQueueCall(DeliverStart);
}

void InputImeCompose(const std::string& utf8, int cursor) {
  if (!g_resetting) InputQueueCall([text = ValidUtf8(utf8), cursor] { DeliverCompose(text, cursor); });
}

void InputImeResult(const std::string& utf8) {
  if (!g_resetting) InputQueueCall([text = ValidUtf8(utf8)] { DeliverResult(text); });
}

void InputImeEnd() {
  if (!g_resetting) InputQueueCall(DeliverEnd);
}

bool ImeCompositionSpot(HWND* window, POINT* screen, int* lineHeight) {
  HWND h = GetFocus();
  if (!h) return false;
  TInputContext* c = OwnContext(h, false);
  if (!c || !c->associated || !c->formSet || c->form.dwStyle == CFS_DEFAULT) return false;
  POINT p = c->form.ptCurrentPos;
  ClientToScreen(h, &p);
  if (window) *window = h;
  if (screen) *screen = p;
  if (lineHeight)
    *lineHeight = (c->form.dwStyle & CFS_RECT) ? std::max(0, c->form.rcArea.Bottom - c->form.ptCurrentPos.Y) : 0;
  return true;
}

LRESULT DefImeWindowProc(HWND hwnd, UINT msg, WPARAM, LPARAM lp) {
  if (msg != WM_IME_COMPOSITION || !(DWORD(lp) & GCS_RESULTSTR)) return 0;
  HIMC himc = ImmGetContext(hwnd);
  const std::string s = ImmCompositionText(himc, GCS_RESULTSTR);
  ImmReleaseContext(hwnd, himc);
  SendChars(hwnd, s);
  return 0;
}
