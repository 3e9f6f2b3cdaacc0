// TVQIOThread: runs one entry point of a TPictoraIO again on a thread of
// its own. It is listed in the component's thread list before it starts and
// unlisted when the entry has returned, and frees itself afterwards.
#pragma once
#include <functional>
#include <string>

#include "platform/rtl/Threads.h"

class TPictoraIO;

class TVQIOThread : public TThread {
 public:
  // Lists the thread under the component's lock, then starts it. The
  // creator does not keep the object.
  static void Launch(TPictoraIO* Component, std::function<void()> Entry);
  std::string ClassName() const override { return "TVQIOThread"; }

 protected:
  void Execute() override;

 private:
  TVQIOThread(TPictoraIO* Component, std::function<void()> Entry);
  TPictoraIO* component_;
  std::function<void()> entry_;
};
