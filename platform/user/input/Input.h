// Mouse and keyboard input. The back end hands raw events in through the
// Input* calls; they are turned into window messages when retrieved, as on
// Windows: mouse input goes to the capture window as client messages, or
// else to WindowFromPoint's window after WM_NCHITTEST, WM_PARENTNOTIFY (on a
// button down in a child), WM_MOUSEACTIVATE (when its top-level window is
// not active) and WM_SETCURSOR, as a client or WM_NC* message by the hit
// code. Double clicks need CS_DBLCLKS, GetDoubleClickTime and a second click
// within SM_CXDOUBLECLK/2 pixels; they arrive as DOWN, UP, DBLCLK, UP.
// Keys go to the focus window (WM_SYS* forms with Alt, or to the active
// window when nothing has the focus); the wheel goes to the focus window.
#pragma once
#include <utility>
#include <vector>
#include <functional>

#include "platform/rtl/Events.h"
#include "platform/user/UserTypes.h"

constexpr int VK_LBUTTON = 0x01;
constexpr int VK_RBUTTON = 0x02;
constexpr int VK_CANCEL = 0x03;
constexpr int VK_MBUTTON = 0x04;
constexpr int VK_BACK = 0x08;
constexpr int VK_TAB = 0x09;
constexpr int VK_CLEAR = 0x0C;
constexpr int VK_RETURN = 0x0D;
constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;
constexpr int VK_PAUSE = 0x13;
constexpr int VK_CAPITAL = 0x14;
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_SPACE = 0x20;
constexpr int VK_PRIOR = 0x21;
constexpr int VK_NEXT = 0x22;
constexpr int VK_END = 0x23;
constexpr int VK_HOME = 0x24;
constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;
constexpr int VK_SNAPSHOT = 0x2C;
constexpr int VK_INSERT = 0x2D;
constexpr int VK_DELETE = 0x2E;
constexpr int VK_LWIN = 0x5B;
constexpr int VK_RWIN = 0x5C;
constexpr int VK_APPS = 0x5D;
constexpr int VK_NUMPAD0 = 0x60;
constexpr int VK_MULTIPLY = 0x6A;
constexpr int VK_ADD = 0x6B;
constexpr int VK_SUBTRACT = 0x6D;
constexpr int VK_DECIMAL = 0x6E;
constexpr int VK_DIVIDE = 0x6F;
// The punctuation keys of a US keyboard.
constexpr int VK_OEM_1 = 0xBA;  // ;:
constexpr int VK_OEM_PLUS = 0xBB;
constexpr int VK_OEM_COMMA = 0xBC;
constexpr int VK_OEM_MINUS = 0xBD;
constexpr int VK_OEM_PERIOD = 0xBE;
constexpr int VK_OEM_2 = 0xBF;  // /?
constexpr int VK_OEM_3 = 0xC0;  // `~
constexpr int VK_OEM_4 = 0xDB;  // [{
constexpr int VK_OEM_5 = 0xDC;  // \|
constexpr int VK_OEM_6 = 0xDD;  // ]}
constexpr int VK_OEM_7 = 0xDE;  // '"
constexpr int VK_F1 = 0x70;
constexpr int VK_F2 = 0x71;
constexpr int VK_F4 = 0x73;
constexpr int VK_F6 = 0x75;
constexpr int VK_F10 = 0x79;
constexpr int VK_F12 = 0x7B;
constexpr int VK_NUMLOCK = 0x90;
constexpr int VK_SCROLL = 0x91;
constexpr int VK_LSHIFT = 0xA0;
constexpr int VK_RSHIFT = 0xA1;
constexpr int VK_LCONTROL = 0xA2;
constexpr int VK_RCONTROL = 0xA3;
constexpr int VK_LMENU = 0xA4;
constexpr int VK_RMENU = 0xA5;

constexpr UINT MAPVK_VK_TO_VSC = 0;
constexpr UINT MAPVK_VSC_TO_VK = 1;
constexpr UINT MAPVK_VK_TO_CHAR = 2;

constexpr UINT WM_NCMOUSELEAVE = 0x02A2;

HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();
BOOL GetCursorPos(POINT* p);
BOOL SetCursorPos(int x, int y);
BOOL TrackMouseEvent(TRACKMOUSEEVENT* tme);
UINT GetDoubleClickTime();
BOOL SetDoubleClickTime(UINT ms);

// True when a key press, a mouse button press or a wheel turn waits in the
// input queue, not yet retrieved: input that may change what the program
// is working on (releases and pointer moves do not count).
bool InputPressWaiting();
// High bit: down; low bit: toggled. GetKeyState follows the messages
// retrieved so far, GetAsyncKeyState the raw input.
SHORT GetKeyState(int vk);
SHORT GetAsyncKeyState(int vk);
BOOL GetKeyboardState(Byte* keys256);
UINT MapVirtualKey(UINT code, UINT mapType);
// Posts WM_CHAR / WM_SYSCHAR for a key-down that makes a character.
BOOL TranslateMessage(const MSG* msg);
// The one character table of a US keyboard behind TranslateMessage and
// MapVirtualKey: the character a key makes with the given modifiers, 0 for
// none. Ctrl makes only the control characters (letters, [ \ ] and a few
// shifted keys); Ctrl with Alt makes nothing.
UINT KeyCharacter(int vk, bool shift, bool ctrl, bool alt, bool capsLock);

// ---- Entry points for the back end (GUI thread) ---------------------------
// TMouseButton (mbLeft, mbRight, mbMiddle) comes from the run-time library.
void InputMouseMove(POINT screen);
void InputMouseButton(TMouseButton button, bool down, POINT screen);
void InputMouseWheel(int delta, POINT screen);
// Sideways wheel: positive to the right; WM_MOUSEHWHEEL to the focus window.
void InputMouseHWheel(int delta, POINT screen);
// The key behind a key message: its set-1 scan code (bits 16-23 of lParam)
// and whether it is an extended key (bit 24): the cursor block, the
// right-hand Ctrl and Alt, the keypad's Enter and Divide.
struct TKeyCode {
  UINT scan = 0;
  bool extended = false;
  // The back end types this press's character itself (a layout whose key
  // makes another character than the table's), so TranslateMessage adds none.
  bool charFromBackEnd = false;
};
// The usual key for a virtual key (the cursor block's arrows, not the keypad's).
TKeyCode DefaultKeyCode(int vk);
// The left- and right-hand VK_L*/VK_R* keys arrive as the generic key.
void InputKey(int vk, bool down);
void InputKeyCode(int vk, bool down, TKeyCode code);
// The keys physically down now, read when the program gains activation from
// outside: a key let go while another program held the keyboard (Alt after
// the window manager's Alt+Tab) never came as a release. Every other key is
// let go silently, in order with the queued input and without key messages,
// so no late Alt release opens a menu.
void InputSyncKeys(const std::vector<std::pair<int, TKeyCode>>& down);
// Text from an input method: one WM_CHAR per code point.
void InputText(const char* utf8);
// Runs `deliver` once the input queued before it has been retrieved, so
// input that reaches windows through its own messages (the input method's
// composition, Ime.h) keeps its order with keys and text.
void InputQueueCall(std::function<void()> deliver);
POINT InputCursorPos();
