// The exception family. Every error the layers raise derives from Exception
// and carries a message; EAbort is the silent one the message loop swallows.
#pragma once
#include <exception>
#include <string>

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const { return message_; }
  void SetMessage(std::string m) { message_ = std::move(m); }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

#define LUMIQA_EXCEPTION(Name, Base) \
  class Name : public Base {         \
   public:                           \
    using Base::Base;                \
  };

class EAbort : public Exception {
 public:
  EAbort() : Exception("Operation aborted") {}
  using Exception::Exception;
};
LUMIQA_EXCEPTION(EConvertError, Exception)
LUMIQA_EXCEPTION(EStreamError, Exception)
LUMIQA_EXCEPTION(EReadError, EStreamError)
LUMIQA_EXCEPTION(EWriteError, EStreamError)
LUMIQA_EXCEPTION(EFOpenError, EStreamError)
LUMIQA_EXCEPTION(EFCreateError, EStreamError)
LUMIQA_EXCEPTION(EListError, Exception)
LUMIQA_EXCEPTION(EStringListError, EListError)
LUMIQA_EXCEPTION(EOutOfMemory, Exception)
LUMIQA_EXCEPTION(EInvalidOperation, Exception)
LUMIQA_EXCEPTION(EInvalidGraphic, Exception)
LUMIQA_EXCEPTION(EInvalidGraphicOperation, Exception)
LUMIQA_EXCEPTION(EOutOfResources, Exception)
LUMIQA_EXCEPTION(EIntOverflow, Exception)
LUMIQA_EXCEPTION(EInOutError, Exception)
LUMIQA_EXCEPTION(EIniFileException, Exception)
LUMIQA_EXCEPTION(EThread, Exception)
LUMIQA_EXCEPTION(EResNotFound, Exception)
LUMIQA_EXCEPTION(EComponentError, Exception)
LUMIQA_EXCEPTION(EInvalidCast, Exception)

// Raises EAbort: ends the current action without a message.
[[noreturn]] void Abort();
