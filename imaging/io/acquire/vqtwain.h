// Scanner parameters and the TWAIN clean-up. Nothing here opens a TWAIN
// source: the parameters are created, reset and freed, and freeing them
// closes what a session would have left open.
#pragma once
#include <cstdint>
#include <string>

#include "imaging/core/base/vqzutils_containers.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/List.h"
#include "platform/user/UserTypes.h"

// What a TWAIN session leaves open between acquisitions.
struct TVQTwainConnection {
  std::int32_t State = 0;       // 1: nothing loaded
  HWND ProxyWindow = nullptr;   // the hidden window the source manager talks to
  void* SourceManager = nullptr;  // the loaded source-manager library
};

class TVQTWainParams : public TObject {
 public:
  explicit TVQTWainParams(TComponent* Owner);
  ~TVQTWainParams() override;
  std::string ClassName() const override { return "TVQTWainParams"; }
  void Reset();

  TComponent* Owner() const { return owner_; }
  TList* Capabilities() { return &capabilities_; }  // of malloc'ed blocks, owned
  TVQDoubleList& DoubleList(int index) { return doubles_[index]; }  // 0 to 5
  TVQIntegerList& IntegerList(int index) { return integers_[index]; }  // 0 to 2

  std::int32_t Setting1 = 1;
  std::int32_t Setting2 = 0;
  Byte Flags1[2] = {};
  double Gamma = 2.2;
  std::int32_t Settings3[4] = {};
  bool MultiPage = false;
  Byte Flag2 = 1;
  Byte Settings4[16] = {};
  Byte Flags3[4] = {1, 0, 0, 0};
  std::int32_t Threshold = 128;
  std::int32_t Settings5[2] = {};
  bool MultiPage2 = false;
  std::string Texts[4];
  std::int32_t Setting6 = 0;
  TVQTwainConnection Connection;
  std::int32_t Setting7 = 0;
  std::string Text2;

 private:
  void FreeCapabilities();
  TComponent* owner_;
  TList capabilities_;
  TVQDoubleList doubles_[6];
  TVQIntegerList integers_[3];
};

// The TWAIN log's file; empty writes nothing. The I/O component clears it
// when its module starts and ends.
extern std::string TwainLogFileName;
void TwainLog(const std::string& Message);
// Closes the proxy window and unloads the source manager the connection
// holds; Parent is the window of the owner's form chain.
void TwainCleanup(TVQTwainConnection& Connection, HWND Parent);
