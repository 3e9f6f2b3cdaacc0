// Event shapes: std::function values with the sender first. A Delegate keeps
// the bound object and member so code can test which handler is installed.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

class TObject;

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// Shift state as a bit set, as the framework's set of ssShift, ssAlt...
using TShiftState = unsigned;
constexpr TShiftState ssShift = 1u << 0;
constexpr TShiftState ssAlt = 1u << 1;
constexpr TShiftState ssCtrl = 1u << 2;
constexpr TShiftState ssLeft = 1u << 3;
constexpr TShiftState ssRight = 1u << 4;
constexpr TShiftState ssMiddle = 1u << 5;
constexpr TShiftState ssDouble = 1u << 6;

enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TNotifyEvent = std::function<void(TObject* Sender)>;
using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, std::uint16_t& Key, TShiftState Shift)>;
// Key is one character of text, UTF-8 encoded; a handler may replace or clear it.
using TKeyPressEvent = std::function<void(TObject* Sender, std::string& Key)>;
using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

// A handler bound to an object and one of its member functions. Two delegates
// are equal when they name the same object and member, which plain
// std::function values cannot tell.
template <class Sig>
class Delegate;

template <class R, class... Args>
class Delegate<R(Args...)> {
 public:
  Delegate() = default;
  Delegate(std::nullptr_t) {}
  template <class C>
  Delegate(C* object, R (C::*method)(Args...))
      : fn_([object, method](Args... a) { return (object->*method)(a...); }),
        object_(object),
        method_id_(MethodId(method)) {}
  // A free function or lambda: compares equal only to itself (by id).
  template <class F>
  static Delegate FromFunction(F f, const void* id) {
    Delegate d;
    d.fn_ = std::move(f);
    d.object_ = id;
    return d;
  }

  // Compares equal to Delegate(object, method) but calls f, which may check
  // that the object still lives before calling it.
  template <class C, class F>
  static Delegate Bound(C* object, R (C::*method)(Args...), F f) {
    Delegate d;
    d.fn_ = std::move(f);
    d.object_ = object;
    d.method_id_ = MethodId(method);
    return d;
  }

  explicit operator bool() const { return static_cast<bool>(fn_); }
  R operator()(Args... a) const { return fn_(a...); }
  const void* Object() const { return object_; }
  bool operator==(const Delegate& o) const {
    return object_ == o.object_ && method_id_ == o.method_id_ && static_cast<bool>(fn_) == static_cast<bool>(o.fn_);
  }
  bool operator==(std::nullptr_t) const { return !fn_; }
  // Usable wherever a std::function of the same shape is expected.
  operator std::function<R(Args...)>() const { return fn_; }

 private:
  template <class M>
  static std::string MethodId(M method) {
    return std::string(reinterpret_cast<const char*>(&method), sizeof(method));
  }
  std::function<R(Args...)> fn_;
  const void* object_ = nullptr;
  std::string method_id_;
};
