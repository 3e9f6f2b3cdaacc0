// Resource strings: the built-in user-interface texts of the skinning library
// (system menu, caption-button hints, edit menu, message dialog...) as lines
// KEY=Text that an application may replace, for example to translate them.
#pragma once
#include <string>

#include "platform/graphics/Graphics.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/StringList.h"

class TspSkinData;

class TspResourceStrData : public TComponent {
 public:
  explicit TspResourceStrData(TComponent* AOwner);
  std::string ClassName() const override { return "TspResourceStrData"; }

  // Starts as the default table.
  TStrings* ResStrings() { return &resStrings_; }
  const TStrings* ResStrings() const { return &resStrings_; }
  void SetResStrings(const TStrings* lines);
  TFontCharset CharSet = 1;

  // Text of the first line whose key matches ignoring case; "" when none
  // (callers show the empty text, they do not fall back).
  std::string GetResStr(const std::string& key) const;

 private:
  TStringList resStrings_;
};

// Replaces data's lines with the default table overlaid by the lines of the
// skin ini's [RESOURCESTRINGS] section, so a skin can carry the library's
// texts in its own language. False, and data untouched, when the file has no
// such lines.
bool LoadSkinResStrings(TspResourceStrData* data, const std::string& skinIni);

// The default table in order, as KEY=Text lines.
extern const char* const SkinDefaultResStrings[];
extern const int SkinDefaultResStringCount;

// The text a caller shows for key: from the skin data's ResourceStrData when
// it has one, else the built-in text (the default table, except the close
// item of the system menu and the dialog's OK and Cancel, which are Chinese).
std::string GetSkinResStr(const TspSkinData* skinData, const std::string& key);
