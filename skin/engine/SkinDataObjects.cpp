#include "skin/engine/SkinDataObjects.h"

#include <iterator>

#include "platform/rtl/IniFiles.h"

namespace {

void FontKeys(TspSkinFieldVisitor& v, const char* nameKey, std::string& name, int& height, TFontStyles& style,
              int& color) {
  v.Str(nameKey, name, "Arial");
  v.Int("fontheight", height, 14);
  v.FontStyle("fontstyle", style);
  v.Int("fontcolor", color, 0);
}

void AnimationKeys(TspSkinFieldVisitor& v, TRect& rect, int& frames, int& interval, bool& inactive) {
  v.Rect("animateskinrect", rect);
  v.Int("framecount", frames, 0);
  v.Int("animateinterval", interval, 25);
  v.Flag("inactiveanimation", inactive);
}

void RestoreKeys(TspSkinFieldVisitor& v, TRect& r, TRect& active, TRect& down, TRect& inactive,
                 std::string& hint) {
  v.Rect("restorerect", r);
  v.Rect("restoreactiverect", active);
  v.Rect("restoredownrect", down);
  v.Rect("restoreinactiverect", inactive);
  v.Str("restorehint", hint, "");
}

// Buttons that toggle (maximize, minimize, roll-up) need a hint for their
// restoring state even when the skin gives none.
void DefaultRestoreHint(const std::string& hint, TspSkinCommand command, std::string& restorehint) {
  if (!restorehint.empty()) return;
  if ((hint == "Maximize" && command == cmMaximize) || (hint == "Minimize" && command == cmMinimize) ||
      ((hint == "RollUp" || hint == "Roll Up") && command == cmRollUp))
    restorehint = "Restore";
}

}  // namespace

void TspDataSkinObject::Describe(TspSkinFieldVisitor& v) {
  v.Str("hint", hint, "");
  v.Flag("rollup", rollup);
  v.Int("activepictureindex", activepictureindex, -1);
  v.Int("activemaskpictureindex", activemaskpictureindex, -1);
  v.Flag("skinrectinapicture", skinrectinapicture);
  v.Int("cursorindex", cursorindex, -1);
  v.Rect("skinrect", skinrect);
  v.Rect("activeskinrect", activeskinrect);
  v.Rect("inactiveskinrect", inactiveskinrect);
  v.Flag("morphing", morphing);
  v.Enum("morphkind", morphkind, MorphKindWords);
  v.Int("glowlayerpictureindex", glowlayerpictureindex, -1);
  v.Int("glowlayermaskpictureindex", glowlayermaskpictureindex, -1);
  v.Int("glowlayeroffsetx", glowlayeroffsetx, 0);
  v.Int("glowlayeroffsety", glowlayeroffsety, 0);
  v.Int("glowlayeralphablendvalue", glowlayeralphablendvalue, 255);
}

void TspDataSkinMenuItem::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinObject::Describe(v);
  v.Int("itemleftoffset", itemleftoffset, 0);
  v.Int("itemrightoffset", itemrightoffset, 0);
  v.Rect("dividerrect", dividerrect);
  v.Int("dividerleftoffset", dividerleftoffset, 0);
  v.Int("dividerrightoffset", dividerrightoffset, 0);
  v.Rect("textrect", textrect);
  v.Rect("imagerect", imagerect);
  FontKeys(v, "fontname", fontname, fontheight, fontstyle, fontcolor);
  v.Int("activefontcolor", activefontcolor, 0);
  v.Int("unenabledfontcolor", unenabledfontcolor, 0);
  v.Flag("stretcheffect", stretcheffect);
  v.Flag("inactivestretcheffect", inactivestretcheffect);
  v.Flag("dividerstretcheffect", dividerstretcheffect);
  AnimationKeys(v, animateskinrect, framecount, animateinterval, inactiveanimation);
  v.Flag("useimagecolor", useimagecolor);
  v.Int("imagecolor", imagecolor, 0);
  v.Int("activeimagecolor", activeimagecolor, 0);
  v.Flag("inactivetransparent", inactivetransparent);
  v.Rect("checkimagerect", checkimagerect);
  v.Rect("activecheckimagerect", activecheckimagerect);
  v.Rect("radioimagerect", radioimagerect);
  v.Rect("activeradioimagerect", activeradioimagerect);
  v.Rect("arrowimagerect", arrowimagerect);
  v.Rect("activearrowimagerect", activearrowimagerect);
}

void TspDataSkinMenuItem::AfterLoad() {
  if (activecheckimagerect.IsEmpty()) activecheckimagerect = checkimagerect;
  if (activeradioimagerect.IsEmpty()) activeradioimagerect = radioimagerect;
  if (activearrowimagerect.IsEmpty()) activearrowimagerect = arrowimagerect;
}

void TspDataSkinMainMenuItem::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinObject::Describe(v);
  v.Int("itemleftoffset", itemleftoffset, 0);
  v.Int("itemrightoffset", itemrightoffset, 0);
  v.Rect("downrect", downrect);
  v.Rect("textrect", textrect);
  FontKeys(v, "fontname", fontname, fontheight, fontstyle, fontcolor);
  v.Int("activefontcolor", activefontcolor, 0);
  v.Int("downfontcolor", downfontcolor, 0);
  v.Int("unenabledfontColor", unenabledfontColor, 0);
  v.Flag("stretcheffect", stretcheffect);
  AnimationKeys(v, animateskinrect, framecount, animateinterval, inactiveanimation);
}

void TspDataSkinMainMenuBarItem::Describe(TspSkinFieldVisitor& v) { TspDataSkinMainMenuItem::Describe(v); }

void TspDataSkinButton::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinObject::Describe(v);
  v.Rect("downrect", downrect);
  v.Rect("disableskinrsect", disableskinrsect);
  v.Int("groupindex", groupindex, -1);
}

void TspDataSkinStdButton::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinButton::Describe(v);
  v.Enum("command", command, CommandWords);
  RestoreKeys(v, restorerect, restoreactiverect, restoredownrect, restoreinactiverect, restorehint);
}

void TspDataSkinStdButton::AfterLoad() { DefaultRestoreHint(hint, command, restorehint); }

void TspDataSkinMainMenuBarButton::Describe(TspSkinFieldVisitor& v) { TspDataSkinStdButton::Describe(v); }

void TspDataSkinCaption::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinObject::Describe(v);
  v.Flag("defaultcaption", defaultcaption);
  v.Rect("textrect", textrect);
  FontKeys(v, "fontname", fontname, fontheight, fontstyle, fontcolor);
  v.Int("activefontcolor", activefontcolor, 0);
  v.Alignment("alignment", alignment);
  v.Flag("shadow", shadow);
  v.Int("shadowcolor", shadowcolor, 0);
  v.Flag("light", light);
  v.Int("lightcolor", lightcolor, 0);
  v.Int("activelightcolor", activelightcolor, 0);
  v.Int("activeshadowcolor", activeshadowcolor, 0);
  v.Rect("framerect", framerect);
  v.Rect("activeframerect", activeframerect);
  v.Rect("frametextrect", frametextrect);
  v.Int("frameleftoffset", frameleftoffset, 0);
  v.Int("framerightoffset", framerightoffset, 0);
  v.Flag("stretcheffect", stretcheffect);
  AnimationKeys(v, animateskinrect, framecount, animateinterval, inactiveanimation);
  v.Flag("fullframe", fullframe);
  v.Flag("vistagloweffect", vistagloweffect);
  v.Flag("vistaglowinactiveeffect", vistaglowinactiveeffect);
  v.Flag("gloweffect", gloweffect);
  v.Flag("glowinactiveeffect", glowinactiveeffect);
  v.Int("glowsize", glowsize, 3);
  v.Int("glowcolor", glowcolor, 0);
  v.Int("glowactivecolor", glowactivecolor, 0);
  v.Int("glowoffset", glowoffset, 0);
  v.Flag("reflectioneffect", reflectioneffect);
  v.Int("reflactioncolor", reflactioncolor, 0);
  v.Int("reflactionactivecolor", reflactionactivecolor, 0);
  v.Int("reflectionoffset", reflectionoffset, 0);
}

void TspDataSkinTrackBar::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinObject::Describe(v);
  v.Rect("buttonrect", buttonrect);
  v.Rect("activebuttonrect", activebuttonrect);
  v.Point("beginpoint", beginpoint);
  v.Point("endpoint", endpoint);
  v.Int("minvalue", minvalue, 0);
  v.Int("maxvalue", maxvalue, 0);
  v.Flag("mousedownchangevalue", mousedownchangevalue);
  v.Flag("buttontransparent", buttontransparent);
  v.Int("buttontransparentcolor", buttontransparentcolor, 0);
}

void TspDataSkinGauge::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinObject::Describe(v);
  v.Int("minvalue", minvalue, 0);
  v.Int("maxvalue", maxvalue, 0);
  v.Enum("kind", kind, GaugeKindWords);
}

void TspDataSkinFrameGaugeObject::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinObject::Describe(v);
  v.Int("minvalue", minvalue, 0);
  v.Int("maxvalue", maxvalue, 0);
  v.Int("countframes", countframes, 0);
  v.Enum("framesplacement", framesplacement, FramesPlacementWords);
}

void TspDataSkinFrameRegulatorObject::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinObject::Describe(v);
  v.Int("minvalue", minvalue, 0);
  v.Int("maxvalue", maxvalue, 0);
  v.Int("countframes", countframes, 0);
  v.Enum("framesplacement", framesplacement, FramesPlacementWords);
  v.Enum("kind", kind, RegulatorKindWords);
}

void TspDataSkinLabel::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinObject::Describe(v);
  FontKeys(v, "fontName", fontName, fontheight, fontstyle, fontcolor);
  v.Int("activefontcolor", activefontcolor, 0);
  v.Alignment("alignment", alignment);
  v.Str("textvalue", textvalue, "");
}

void TspDataSkinBitLabel::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinObject::Describe(v);
  v.Str("textvalue", textvalue, "");
  v.Int("symbolwidth", symbolwidth, 0);
  v.Int("symbolheight", symbolheight, 0);
  v.Strings("symbols", symbols);
  v.Flag("transparent", transparent);
  v.Int("transparentcolor", transparentcolor, 16711935);
}

void TspDataSkinSwitch::Describe(TspSkinFieldVisitor& v) { TspDataSkinObject::Describe(v); }

void TspDataSkinAnimate::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinObject::Describe(v);
  v.Int("countframes", countframes, 1);
  v.Flag("cycle", cycle);
  v.Flag("buttonstyle", buttonstyle);
  v.Int("timerinterval", timerinterval, 50);
  v.Enum("command", command, CommandWords);
  v.Rect("downskinrect", downskinrect);
  RestoreKeys(v, restorerect, restoreactiverect, restoredownrect, restoreinactiverect, restorehint);
}

void TspDataSkinAnimate::AfterLoad() {
  morphing = false;
  DefaultRestoreHint(hint, command, restorehint);
}

void TspDataUserObject::Describe(TspSkinFieldVisitor& v) {
  v.Flag("rollup", rollup);
  v.Rect("skinrect", skinrect);
  v.Int("cursorindex", cursorindex, -1);
}

// --- factory -------------------------------------------------------------

namespace {

template <class T>
std::unique_ptr<TspDataSkinObject> MakeObject(const std::string& name) {
  return std::make_unique<T>(name);
}

struct ObjectKind {
  const char* Kind;
  std::unique_ptr<TspDataSkinObject> (*Make)(const std::string&);
};

const ObjectKind kObjectKinds[] = {
    {"menuitem", MakeObject<TspDataSkinMenuItem>},
    {"mainmenubaritem", MakeObject<TspDataSkinMainMenuBarItem>},
    {"mainmenuitem", MakeObject<TspDataSkinMainMenuItem>},
    {"stdbutton", MakeObject<TspDataSkinStdButton>},
    {"mainmenubarbutton", MakeObject<TspDataSkinMainMenuBarButton>},
    {"button", MakeObject<TspDataSkinButton>},
    {"caption", MakeObject<TspDataSkinCaption>},
    {"userobject", MakeObject<TspDataUserObject>},
    {"trackbar", MakeObject<TspDataSkinTrackBar>},
    {"gauge", MakeObject<TspDataSkinGauge>},
    {"framegauge", MakeObject<TspDataSkinFrameGaugeObject>},
    {"frameregulator", MakeObject<TspDataSkinFrameRegulatorObject>},
    {"label", MakeObject<TspDataSkinLabel>},
    {"bitlabel", MakeObject<TspDataSkinBitLabel>},
    {"switch", MakeObject<TspDataSkinSwitch>},
    {"animate", MakeObject<TspDataSkinAnimate>},
};

}  // namespace

const char* const SkinObjectKinds[] = {"menuitem",  "mainmenubaritem", "mainmenuitem", "stdbutton",
                                       "mainmenubarbutton", "button", "caption", "userobject",
                                       "trackbar", "gauge", "framegauge", "frameregulator",
                                       "label", "bitlabel", "switch", "animate"};
const int SkinObjectKindCount = static_cast<int>(std::size(SkinObjectKinds));
static_assert(std::size(SkinObjectKinds) == std::size(kObjectKinds));

std::unique_ptr<TspDataSkinObject> CreateSkinObject(const std::string& kind, const std::string& name) {
  for (const ObjectKind& k : kObjectKinds)
    if (kind == k.Kind) return k.Make(name);
  return nullptr;
}

// --- colours and window looks ------------------------------------------------

void TspSkinColors::SetDefault() {
  cbtnface = clBtnFace;
  cbtntext = clBtnText;
  cwindow = clWindow;
  cwindowtext = clWindowText;
  chighlight = clHighlight;
  chighlighttext = clHighlightText;
  cbtnhighlight = clBtnHighlight;
  cbtnshadow = clBtnShadow;
  c3dlight = cl3DLight;
  c3ddkshadow = cl3DDkShadow;
}

void TspSkinColors::LoadFromIni(const TCustomIniFile& ini) {
  const std::string s = "SKINCOLORS";
  cbtnface = ini.ReadInteger(s, "cbtnface", 0);
  cbtntext = ini.ReadInteger(s, "cbtntext", 0);
  cwindow = ini.ReadInteger(s, "cwindow", 0);
  cwindowtext = ini.ReadInteger(s, "cwindowtext", 0);
  chighlight = ini.ReadInteger(s, "chighlight", 0);
  chighlighttext = ini.ReadInteger(s, "chighlighttext", 0);
  cbtnhighlight = ini.ReadInteger(s, "cbtnhighlight", 0);
  cbtnshadow = ini.ReadInteger(s, "cbtnshadow", 0);
  c3dlight = ini.ReadInteger(s, "c3dlight", 0);
  c3ddkshadow = ini.ReadInteger(s, "c3ddkshadow", 0);
}

void TspDataSkinPopupWindow::LoadFromIni(const TCustomIniFile& ini) {
  const std::string s = "POPUPWINDOW";
  TspSkinIniReader v(ini, s);
  v.Int("windowpictureindex", windowpictureindex, -1);
  v.Int("maskpictureindex", maskpictureindex, -1);
  v.Point("lefttoppoint", lefttoppoint);
  v.Point("righttoppoint", righttoppoint);
  v.Point("leftbottompoint", leftbottompoint);
  v.Point("rightbottompoint", rightbottompoint);
  v.Int("cursorindex", cursorindex, -1);
  v.Rect("itemsrect", itemsrect);
  v.Int("scrollmarkercolor", scrollmarkercolor, 0);
  v.Int("scrollmarkeractivecolor", scrollmarkeractivecolor, 0);
  v.Flag("leftstretch", leftstretch);
  v.Flag("rightstretch", rightstretch);
  v.Flag("topstretch", topstretch);
  v.Flag("bottomstretch", bottomstretch);
  v.Flag("stretcheffect", stretcheffect);
  v.Enum("stretchtype", stretchtype, StretchTypeWords);
}

void TspDataSkinHintWindow::LoadFromIni(const TCustomIniFile& ini) {
  const std::string s = "HINTWINDOW";
  TspSkinIniReader v(ini, s);
  v.Int("windowpictureindex", windowpictureindex, -1);
  v.Int("maskpictureindex", maskpictureindex, -1);
  v.Point("lefttoppoint", lefttoppoint);
  v.Point("righttoppoint", righttoppoint);
  v.Point("leftbottompoint", leftbottompoint);
  v.Point("rightbottompoint", rightbottompoint);
  v.Rect("clientrect", clientrect);
  FontKeys(v, "fontname", fontname, fontheight, fontstyle, fontcolor);
  v.Flag("leftstretch", leftstretch);
  v.Flag("rightstretch", rightstretch);
  v.Flag("topstretch", topstretch);
  v.Flag("bottomstretch", bottomstretch);
  v.Flag("stretcheffect", stretcheffect);
  v.Enum("stretchtype", stretchtype, StretchTypeWords);
}
