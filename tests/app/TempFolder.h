// A fresh folder per test, removed with everything in it afterwards.
#pragma once
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SafeSave.h"
#include "platform/sys/Shell.h"

class TTempFolder {
 public:
  TTempFolder() {
    std::string pattern = GetTempPath() + "lumiqa-apptest-XXXXXX";
    if (::mkdtemp(pattern.data())) path_ = pattern;
  }
  ~TTempFolder() {
    if (!path_.empty()) DeleteFolderTree(path_);
  }
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline std::string ReadAll(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteAll(const std::string& fileName, const std::string& bytes) {
  std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
}

// Clears the injected save faults when a test ends, however it ends.
struct FaultGuard {
  ~FaultGuard() { SafeSaveFaults() = TSafeSaveFaults{}; }
};
