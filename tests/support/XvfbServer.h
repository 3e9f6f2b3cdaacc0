// A private Xvfb for one test: started on a free display number, stopped
// when freed.
#pragma once
#include <string>
#include <sys/types.h>

class TXvfbServer {
 public:
  TXvfbServer() = default;
  ~TXvfbServer() { Stop(); }
  TXvfbServer(const TXvfbServer&) = delete;
  TXvfbServer& operator=(const TXvfbServer&) = delete;

  // False with the reason when Xvfb is missing or never became ready.
  bool Start(int width, int height, std::string* why);
  void Stop();
  const std::string& Name() const { return name_; }

 private:
  pid_t pid_ = -1;
  std::string name_;
};
