// Descriptions of the frame objects of section SKINOBJECTS, and the skin's
// areas, colours and popup and hint window looks.
#pragma once
#include <memory>
#include <string>

#include "platform/graphics/Colors.h"
#include "skin/engine/SkinDataControls.h"

class TspDataSkinObject : public TspSkinDescription {
  SP_SKIN_DESCRIPTION(TspDataSkinObject, TspSkinDescription)
  std::string hint;
  bool rollup = false;
  int activepictureindex = -1, activemaskpictureindex = -1;
  bool skinrectinapicture = false;
  int cursorindex = -1;
  TRect skinrect, activeskinrect, inactiveskinrect;
  bool morphing = false;
  TspMorphKind morphkind = mkDefault;
  int glowlayerpictureindex = -1, glowlayermaskpictureindex = -1;
  int glowlayeroffsetx = 0, glowlayeroffsety = 0;
  int glowlayeralphablendvalue = 255;
};

class TspDataSkinMenuItem : public TspDataSkinObject {
  SP_SKIN_DESCRIPTION(TspDataSkinMenuItem, TspDataSkinObject)
  int itemleftoffset = 0, itemrightoffset = 0;
  TRect dividerrect;
  int dividerleftoffset = 0, dividerrightoffset = 0;
  TRect textrect, imagerect;
  std::string fontname;
  int fontheight = 14;
  TFontStyles fontstyle = 0;
  int fontcolor = 0, activefontcolor = 0, unenabledfontcolor = 0;
  bool stretcheffect = false, inactivestretcheffect = false, dividerstretcheffect = false;
  TRect animateskinrect;
  int framecount = 0, animateinterval = 25;
  bool inactiveanimation = false, useimagecolor = false;
  int imagecolor = 0, activeimagecolor = 0;
  bool inactivetransparent = false;
  TRect checkimagerect, activecheckimagerect, radioimagerect, activeradioimagerect, arrowimagerect,
      activearrowimagerect;

 protected:
  void AfterLoad() override;
};

class TspDataSkinMainMenuItem : public TspDataSkinObject {
  SP_SKIN_DESCRIPTION(TspDataSkinMainMenuItem, TspDataSkinObject)
  int itemleftoffset = 0, itemrightoffset = 0;
  TRect downrect, textrect;
  std::string fontname;
  int fontheight = 14;
  TFontStyles fontstyle = 0;
  int fontcolor = 0, activefontcolor = 0, downfontcolor = 0, unenabledfontColor = 0;
  bool stretcheffect = false;
  TRect animateskinrect;
  int framecount = 0, animateinterval = 25;
  bool inactiveanimation = false;
};

class TspDataSkinMainMenuBarItem : public TspDataSkinMainMenuItem {
  SP_SKIN_DESCRIPTION(TspDataSkinMainMenuBarItem, TspDataSkinMainMenuItem)
};

class TspDataSkinButton : public TspDataSkinObject {
  SP_SKIN_DESCRIPTION(TspDataSkinButton, TspDataSkinObject)
  TRect downrect, disableskinrsect;
  int groupindex = -1;
};

class TspDataSkinStdButton : public TspDataSkinButton {
  SP_SKIN_DESCRIPTION(TspDataSkinStdButton, TspDataSkinButton)
  TspSkinCommand command = cmDefault;
  TRect restorerect, restoreactiverect, restoredownrect, restoreinactiverect;
  std::string restorehint;

 protected:
  void AfterLoad() override;
};

class TspDataSkinMainMenuBarButton : public TspDataSkinStdButton {
  SP_SKIN_DESCRIPTION(TspDataSkinMainMenuBarButton, TspDataSkinStdButton)
};

class TspDataSkinCaption : public TspDataSkinObject {
  SP_SKIN_DESCRIPTION(TspDataSkinCaption, TspDataSkinObject)
  bool defaultcaption = false;
  TRect textrect;
  std::string fontname;
  int fontheight = 14;
  TFontStyles fontstyle = 0;
  int fontcolor = 0, activefontcolor = 0;
  TAlignment alignment = taCenter;
  bool shadow = false;
  int shadowcolor = 0;
  bool light = false;
  int lightcolor = 0, activelightcolor = 0, activeshadowcolor = 0;
  TRect framerect, activeframerect, frametextrect;
  int frameleftoffset = 0, framerightoffset = 0;
  bool stretcheffect = false;
  TRect animateskinrect;
  int framecount = 0, animateinterval = 25;
  bool inactiveanimation = false, fullframe = false, vistagloweffect = false, vistaglowinactiveeffect = false,
       gloweffect = false, glowinactiveeffect = false;
  int glowsize = 3, glowcolor = 0, glowactivecolor = 0, glowoffset = 0;
  bool reflectioneffect = false;
  int reflactioncolor = 0, reflactionactivecolor = 0, reflectionoffset = 0;
};

class TspDataSkinTrackBar : public TspDataSkinObject {
  SP_SKIN_DESCRIPTION(TspDataSkinTrackBar, TspDataSkinObject)
  TRect buttonrect, activebuttonrect;
  TPoint beginpoint, endpoint;
  int minvalue = 0, maxvalue = 0;
  bool mousedownchangevalue = false, buttontransparent = false;
  int buttontransparentcolor = 0;

 protected:
  void AfterLoad() override { morphing = false; }
};

class TspDataSkinGauge : public TspDataSkinObject {
  SP_SKIN_DESCRIPTION(TspDataSkinGauge, TspDataSkinObject)
  int minvalue = 0, maxvalue = 0;
  TspGaugeKind kind = gkHorizontal;
};

class TspDataSkinFrameGaugeObject : public TspDataSkinObject {
  SP_SKIN_DESCRIPTION(TspDataSkinFrameGaugeObject, TspDataSkinObject)
  int minvalue = 0, maxvalue = 0, countframes = 0;
  TspFramesPlacement framesplacement = fpHorizontal;
};

class TspDataSkinFrameRegulatorObject : public TspDataSkinObject {
  SP_SKIN_DESCRIPTION(TspDataSkinFrameRegulatorObject, TspDataSkinObject)
  int minvalue = 0, maxvalue = 0, countframes = 0;
  TspFramesPlacement framesplacement = fpHorizontal;
  TspRegulatorKind kind = rkRound;
};

class TspDataSkinLabel : public TspDataSkinObject {
  SP_SKIN_DESCRIPTION(TspDataSkinLabel, TspDataSkinObject)
  std::string fontName;
  int fontheight = 14;
  TFontStyles fontstyle = 0;
  int fontcolor = 0, activefontcolor = 0;
  TAlignment alignment = taCenter;
  std::string textvalue;
};

class TspDataSkinBitLabel : public TspDataSkinObject {
  SP_SKIN_DESCRIPTION(TspDataSkinBitLabel, TspDataSkinObject)
  std::string textvalue;
  int symbolwidth = 0, symbolheight = 0;
  TStringList symbols;
  bool transparent = false;
  int transparentcolor = 16711935;

 protected:
  void AfterLoad() override { morphing = false; }
};

class TspDataSkinSwitch : public TspDataSkinObject {
  SP_SKIN_DESCRIPTION(TspDataSkinSwitch, TspDataSkinObject)
};

class TspDataSkinAnimate : public TspDataSkinObject {
  SP_SKIN_DESCRIPTION(TspDataSkinAnimate, TspDataSkinObject)
  int countframes = 1;
  bool cycle = false, buttonstyle = false;
  int timerinterval = 50;
  TspSkinCommand command = cmDefault;
  TRect downskinrect, restorerect, restoreactiverect, restoredownrect, restoreinactiverect;
  std::string restorehint;

 protected:
  void AfterLoad() override;
};

// Reads only rollup, skinrect and cursorindex; the other base fields keep
// their construction values.
class TspDataUserObject : public TspDataSkinObject {
  SP_SKIN_DESCRIPTION(TspDataUserObject, TspDataSkinObject)
};

std::unique_ptr<TspDataSkinObject> CreateSkinObject(const std::string& kind, const std::string& name);
extern const char* const SkinObjectKinds[];
extern const int SkinObjectKindCount;

// A named rectangle of section SKINAREAS.
class TspDataSkinArea : public TObject {
 public:
  TspDataSkinArea(const std::string& name, const TRect& bounds) : AreaName(name), AreaBounds(bounds) {}
  std::string ClassName() const override { return "TspDataSkinArea"; }
  std::string AreaName;
  TRect AreaBounds;
};

class TspSkinColors : public TObject {
 public:
  std::string ClassName() const override { return "TspSkinColors"; }
  TColor cbtnface = 0, cbtntext = 0, cwindow = 0, cwindowtext = 0, chighlight = 0, chighlighttext = 0,
         cbtnhighlight = 0, cbtnshadow = 0, c3dlight = 0, c3ddkshadow = 0;
  // The platform's system colours.
  void SetDefault();
  // A key missing from SKINCOLORS reads as 0 (black), not as the system colour.
  void LoadFromIni(const TCustomIniFile& ini);
};

class TspDataSkinPopupWindow : public TObject {
 public:
  std::string ClassName() const override { return "TspDataSkinPopupWindow"; }
  int windowpictureindex = -1, maskpictureindex = -1;
  TPoint lefttoppoint, righttoppoint, leftbottompoint, rightbottompoint;
  int cursorindex = -1;
  TRect itemsrect;
  int scrollmarkercolor = 0, scrollmarkeractivecolor = 0;
  bool leftstretch = false, rightstretch = false, topstretch = false, bottomstretch = false;
  bool stretcheffect = false;
  TspStretchType stretchtype = stFull;
  void LoadFromIni(const TCustomIniFile& ini);
};

class TspDataSkinHintWindow : public TObject {
 public:
  std::string ClassName() const override { return "TspDataSkinHintWindow"; }
  int windowpictureindex = -1, maskpictureindex = -1;
  TPoint lefttoppoint, righttoppoint, leftbottompoint, rightbottompoint;
  TRect clientrect;
  std::string fontname = "Arial";
  int fontheight = 12;  // the reader's default is 14
  TFontStyles fontstyle = 0;
  int fontcolor = 0;
  bool leftstretch = false, rightstretch = false, topstretch = false, bottomstretch = false;
  bool stretcheffect = false;
  TspStretchType stretchtype = stFull;
  void LoadFromIni(const TCustomIniFile& ini);
};
