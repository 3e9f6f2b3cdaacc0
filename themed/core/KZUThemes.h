// The themed control pack's looks: the style enumeration, the theme tables
// (91 numbered entries per look: integers, colours, bitmap names, flags),
// the typed look-ups over them, the theme bitmaps by name, the default look
// a new control takes from its owner's themed form panel, and pushing a look
// down onto the controls of a container.
#pragma once
#include <string>

#include "platform/graphics/Colors.h"
#include "platform/rtl/Types.h"

class TBitmap;
class TComponent;
class TWinControl;

enum class TkzuUIStyle : Byte { Custom = 0, MacOS = 1, WinXP = 2, DeepBlue = 3, Protein = 4, BlueGlass = 5 };

// The direction of the progress bar, track bar and scroll bar.
enum TkzuProgressBarOrientation : Byte { kzuHorizontal = 0, kzuVertical = 1 };

// Kinds of theme entries; the kind of an index is the same in every look.
constexpr Byte kzuKindInteger = 0;
constexpr Byte kzuKindColor = 1;
constexpr Byte kzuKindBitmapName = 2;
constexpr Byte kzuKindFlag = 3;
constexpr int kzuThemeEntryCount = 91;

// The entry `index` (1..91) of a look and its kind. Custom, a style above
// BlueGlass and an index outside 1..91 give -1 with kind 0; a bitmap-name
// entry gives 0 (its name comes from GetThemeBitmapName).
void GetThemeItem(TkzuUIStyle style, int index, Integer& value, Byte& kind);
// The resource name of a bitmap-name entry, else empty.
std::string GetThemeBitmapName(TkzuUIStyle style, int index);
// An integer entry's value, else -1.
Integer GetThemeInteger(TkzuUIStyle style, int index);
// A flag entry's value, else 0.
Integer GetThemeFlag(TkzuUIStyle style, int index);
// A colour entry's value, else 0 (black).
TColor GetThemeColor(TkzuUIStyle style, int index);

// Fills out with the bitmap resource `name` of this program; raises
// EResNotFound when there is none. Decoded pictures are kept by name, as the
// controls load their pictures again on every paint.
void LoadThemeBitmap(const std::string& name, TBitmap& out);
// The same without raising: false, and out emptied, when there is no such
// picture (or no name, as for Custom).
bool TryLoadThemeBitmap(const std::string& name, TBitmap& out);

// What a themed form panel tells the controls created on its form. The
// themed form panel implements it; the look-ups below use the first direct
// child of the owner that does.
class TkzuFormPanelLook {
 public:
  virtual ~TkzuFormPanelLook() = default;
  virtual TkzuUIStyle FormPanelUIStyle() const = 0;
  virtual TColor FormPanelColor() const = 0;
};

// The owner's themed form panel's look; DeepBlue without one (or with an
// owner that is not a windowed control).
TkzuUIStyle GetOwnerFormPanelUIStyle(const TComponent* owner);
// Theme colour 8 of that panel's look; black without one.
TColor GetOwnerFormPanelBorderColor(const TComponent* owner);
// That panel's colour; the button face without one.
TColor GetOwnerFormPanelColor(const TComponent* owner);

// A control that takes a look pushed down from its container. Each kind
// applies the look its own way (the two-state buttons and push buttons keep
// Custom; bordered controls take colours only; others take it always).
class TkzuLookTarget {
 public:
  virtual ~TkzuLookTarget() = default;
  virtual void ApplyContainerUIStyle(TkzuUIStyle style) = 0;
  // Containers that pass a form's look on to their own children.
  virtual bool PassesLookToChildren() const { return false; }
};

// Applies a look to the direct children of container, in child order.
void ApplyUIStyleToChildren(TWinControl* container, TkzuUIStyle style);
// For each direct child of a themed form panel that passes looks on (image
// panel, group box, tab control, tab sheet): that child's children.
void ApplyUIStyleToFormChildren(TWinControl* formPanel, TkzuUIStyle style);
