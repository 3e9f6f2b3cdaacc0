#include "platform/user/Ime.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/rtl/CodePage.h"
#include "platform/user/Focus.h"
#include "platform/user/Input.h"
#include "platform/user/MessageQueue.h"
#include "platform/user/WindowInternal.h"
#include "platform/user/Window.h"
#include "platform/user/WindowPos.h"

struct TInputContext {
  HWND hwnd = nullptr;
  std::uint64_t serial = 0;
  bool formSet = false;
  COMPOSITIONFORM form;
};

namespace {

// One input method, so one composition at a time, owned by one window.
struct TComposition {
  bool active = false;
  HWND window = nullptr;
  std::uint64_t serial = 0;
  std::string text;
  int cursor = 0;
  std::string result;  // the last commit, for `window`
};

std::vector<std::unique_ptr<TInputContext>> g_contexts;
TComposition g_comp;

bool Alive(HWND h, std::uint64_t serial) { return serial && WindowSerial(h) == serial; }

TInputContext* Find(HIMC himc) {
  for (auto& c : g_contexts)
    if (c.get() == himc) return Alive(c->hwnd, c->serial) ? c.get() : nullptr;
  return nullptr;
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

void SendEnd() {
  g_comp.active = false;
  g_comp.text.clear();
  g_comp.cursor = 0;
  if (Alive(g_comp.window, g_comp.serial)) SendMessage(g_comp.window, WM_IME_ENDCOMPOSITION, 0, 0);
}

// Makes sure `target` is the composing window, ending a composition the
// focus has left. False when there is no window to compose in.
bool BeginFor(HWND target) {
  if (!target) {
    if (g_comp.active) SendEnd();
    return false;
  }
  if (g_comp.active && (g_comp.window != target || !Alive(g_comp.window, g_comp.serial))) SendEnd();
  if (g_comp.active) return true;
  g_comp = TComposition{};
  g_comp.active = true;
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
  if (!BeginFor(target)) return;
  g_comp.text.clear();
  g_comp.cursor = 0;
  g_comp.result = text;
  SendMessage(target, WM_IME_COMPOSITION, FirstChar(text), LPARAM(GCS_RESULTSTR));
  if (g_comp.active && g_comp.window == target) SendEnd();
}

void DeliverEnd() {
  if (g_comp.active) SendEnd();
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
  const std::uint64_t serial = WindowSerial(hwnd);
  if (!serial) return nullptr;
  // Contexts of windows gone since are dropped here.
  std::erase_if(g_contexts, [](const auto& c) { return !Alive(c->hwnd, c->serial); });
  for (auto& c : g_contexts)
    if (c->hwnd == hwnd) return c.get();
  auto c = std::make_unique<TInputContext>();
  c->hwnd = hwnd;
  c->serial = serial;
  g_contexts.push_back(std::move(c));
  return g_contexts.back().get();
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

void InputImeStart() { InputQueueCall(DeliverStart); }

void InputImeCompose(const std::string& utf8, int cursor) {
  InputQueueCall([text = ValidUtf8(utf8), cursor] { DeliverCompose(text, cursor); });
}

void InputImeResult(const std::string& utf8) {
  InputQueueCall([text = ValidUtf8(utf8)] { DeliverResult(text); });
}

void InputImeEnd() { InputQueueCall(DeliverEnd); }

bool ImeCompositionSpot(HWND* window, POINT* screen, int* lineHeight) {
  HWND h = GetFocus();
  if (!h) return false;
  TInputContext* c = nullptr;
  for (auto& ctx : g_contexts)
    if (ctx->hwnd == h && Alive(ctx->hwnd, ctx->serial)) c = ctx.get();
  if (!c || !c->formSet || c->form.dwStyle == CFS_DEFAULT) return false;
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
  // Sent at once: posting would let input queued after the commit overtake
  // them, as the result arrives while the input queue is being read.
  for (char32_t cp : CodePoints(s)) {
    if (!IsWindow(hwnd)) break;
    SendMessage(hwnd, WM_CHAR, WPARAM(cp), 1);
  }
  return 0;
}
