// Descriptions of the skinned-control kinds of section SKINCONTROLS. Each
// class lists its keys once in Describe (base keys first); that one list reads
// the section, writes it back and sets the defaults.
#pragma once
#include <memory>
#include <string>

#include "platform/rtl/Object.h"
#include "platform/rtl/StringList.h"
#include "skin/engine/SkinDataIni.h"

class TCustomIniFile;

// Shared shape of the control and object description roots.
class TspSkinDescription : public TObject {
 public:
  explicit TspSkinDescription(const std::string& name) : SectionName(name) {}
  std::string SectionName;

  // Reads the keys of section SectionName; absent keys give defaults.
  virtual void LoadFromIni(const TCustomIniFile& ini);
  // Erases the section and writes every key LoadFromIni reads, once.
  virtual void SaveToIni(TCustomIniFile& ini);
  // Lists every key of the class, base keys first, in reading order.
  virtual void Describe(TspSkinFieldVisitor& v) = 0;

 protected:
  // Fix-ups after reading, and before writing.
  virtual void AfterLoad() {}
  virtual void BeforeSave() {}
  // Called from each constructor: the most derived one sets every field.
  void ResetFields() {
    TspSkinFieldDefaults d;
    Describe(d);
  }
};

// Boilerplate of one description class: constructor with defaults, class
// name and the key list.
#define SP_SKIN_DESCRIPTION(Class, Base)                                        \
 public:                                                                       \
  explicit Class(const std::string& name) : Base(name) { ResetFields(); }     \
  std::string ClassName() const override { return #Class; }                   \
  void Describe(TspSkinFieldVisitor& v) override;

class TspDataSkinControl : public TspSkinDescription {
  SP_SKIN_DESCRIPTION(TspDataSkinControl, TspSkinDescription)
  int pictureindex = -1;
  int maskpictureindex = -1;
  int cursorindex = -1;
  TRect skinrect;
};

class TspDataSkinCustomControl : public TspDataSkinControl {
  SP_SKIN_DESCRIPTION(TspDataSkinCustomControl, TspDataSkinControl)
  TPoint lefttoppoint, righttoppoint, leftbottompoint, rightbottompoint;
  TRect clientrect;
  bool leftstretch = false, topstretch = false, rightstretch = false, bottomstretch = false;
  bool stretcheffect = false;
  TspStretchType stretchtype = stFull;
};

class TspDataSkinFrameControl : public TspDataSkinControl {
  SP_SKIN_DESCRIPTION(TspDataSkinFrameControl, TspDataSkinControl)
  int framescount = 1;
  TspFramesPlacement framesplacement = fpHorizontal;

 protected:
  void AfterLoad() override;
};

class TspDataSkinBevel : public TspDataSkinControl {
  SP_SKIN_DESCRIPTION(TspDataSkinBevel, TspDataSkinControl)
  int lightcolor = 0, darkcolor = 0;
};

class TspDataSkinSlider : public TspDataSkinControl {
  SP_SKIN_DESCRIPTION(TspDataSkinSlider, TspDataSkinControl)
  int bgcolor = 0;
  TRect hrulerrect, hthumbrect, vrulerrect, vthumbrect;
  int edgesize = 0;
  int pointscolor = 0;
};

// Shared keys of the tree view, list view and rich edit descriptions.
class TspDataSkinTextControl : public TspDataSkinControl {
  SP_SKIN_DESCRIPTION(TspDataSkinTextControl, TspDataSkinControl)
  std::string fontname;
  int fontheight = 14;
  TFontStyles fontstyle = 0;
  int fontcolor = 0;
  int bgcolor = 0;
};

class TspDataSkinTreeView : public TspDataSkinTextControl {
  SP_SKIN_DESCRIPTION(TspDataSkinTreeView, TspDataSkinTextControl)
};
class TspDataSkinListView : public TspDataSkinTextControl {
  SP_SKIN_DESCRIPTION(TspDataSkinListView, TspDataSkinTextControl)
};
class TspDataSkinRichEdit : public TspDataSkinTextControl {
  SP_SKIN_DESCRIPTION(TspDataSkinRichEdit, TspDataSkinTextControl)
};

class TspDataSkinMainMenuBar : public TspDataSkinControl {
  SP_SKIN_DESCRIPTION(TspDataSkinMainMenuBar, TspDataSkinControl)
  TRect itemsrect;
  std::string menubaritem, closebutton, minbutton, maxbutton, sysmenubutton;
  int trackmarkcolor = 0, trackmarkactivecolor = 0;
  bool stretcheffect = false, itemtransparent = false;
};

class TspDataSkinTabControl : public TspDataSkinControl {
  SP_SKIN_DESCRIPTION(TspDataSkinTabControl, TspDataSkinControl)
  TRect tabrect, activetabrect, focustabrect, mouseintabrect, clientrect;
  int bgpictureindex = -1;
  TPoint lefttoppoint, righttoppoint, leftbottompoint, rightbottompoint;
  int tableftoffset = 0, tabrightoffset = 0;
  TRect tabsbgrect;
  bool tabstretcheffect = false, leftstretch = false, topstretch = false, rightstretch = false,
       bottomstretch = false, stretcheffect = false;
  TspStretchType stretchtype = stFull;
  std::string fontname;
  int fontheight = 14;
  TFontStyles fontstyle = 0;
  int fontcolor = 0, activefontcolor = 0, focusfontcolor = 0, mouseinfontcolor = 0;
  std::string updown;
  bool showfocus = false;
  int focusoffsetx = 0, focusoffsety = 0;
  TRect closebuttonrect, closebuttonactiverect, closebuttondownrect;
  bool buttontransparent = false;
  int buttontransparentcolor = 0;
};

class TspDataSkinGridControl : public TspDataSkinControl {
  SP_SKIN_DESCRIPTION(TspDataSkinGridControl, TspDataSkinControl)
  TRect fixedcellrect, selectcellrect, focuscellrect;
  int fixedcellleftoffset = 0, fixedcellrightoffset = 0;
  TRect fixedcelltextrect;
  int cellleftoffset = 0, cellrightoffset = 0;
  TRect celltextrect;
  int linescolor = 0, bgcolor = 0, bgpictureindex = -1;
  std::string fontname;
  int fontheight = 14;
  TFontStyles fontstyle = 0;
  int fontcolor = 0, selectfontcolor = 0, focusfontcolor = 0;
  std::string fixedfontname;
  int fixedfontheight = 14;
  TFontStyles fixedfontstyle = 0;
  int fixedfontcolor = 0;
  bool cellstretcheffect = false, fixedcellstretcheffect = false, showfocus = false;
};

class TspDataSkinStdLabelControl : public TspDataSkinControl {
  SP_SKIN_DESCRIPTION(TspDataSkinStdLabelControl, TspDataSkinControl)
  std::string fontname;
  int fontheight = 14;
  TFontStyles fontstyle = 0;
  int fontcolor = 0, activefontcolor = 0;
};

class TspDataSkinAnimateControl : public TspDataSkinFrameControl {
  SP_SKIN_DESCRIPTION(TspDataSkinAnimateControl, TspDataSkinFrameControl)
};
class TspDataSkinSwitchControl : public TspDataSkinFrameControl {
  SP_SKIN_DESCRIPTION(TspDataSkinSwitchControl, TspDataSkinFrameControl)
};
class TspDataSkinFrameGauge : public TspDataSkinFrameControl {
  SP_SKIN_DESCRIPTION(TspDataSkinFrameGauge, TspDataSkinFrameControl)
};
class TspDataSkinFrameRegulator : public TspDataSkinFrameControl {
  SP_SKIN_DESCRIPTION(TspDataSkinFrameRegulator, TspDataSkinFrameControl)
  TspRegulatorKind kind = rkRound;
};

class TspDataSkinControlBar : public TspDataSkinCustomControl {
  SP_SKIN_DESCRIPTION(TspDataSkinControlBar, TspDataSkinCustomControl)
  TRect itemrect;
  int bgpictureindex = -1;
  TRect hgriprect, vgriprect;
  int gripoffset1 = 0, gripoffset2 = 0;
  bool itemstretcheffect = false;
  int itemoffset1 = 3, itemoffset2 = 3;
  bool itemtransparent = false;
  int itemtransparentcolor = 0;
  bool griptransparent = false;
  int griptransparentcolor = 0;
};

class TspDataSkinUpDownControl : public TspDataSkinCustomControl {
  SP_SKIN_DESCRIPTION(TspDataSkinUpDownControl, TspDataSkinCustomControl)
  TRect upbuttonrect, activeupbuttonrect, downupbuttonrect, downbuttonrect, activedownbuttonrect,
      downdownbuttonrect;

 protected:
  void AfterLoad() override { ClearCorners(); }
  void BeforeSave() override { ClearCorners(); }

 private:
  void ClearCorners();
};

class TspDataSkinComboBox : public TspDataSkinCustomControl {
  SP_SKIN_DESCRIPTION(TspDataSkinComboBox, TspDataSkinCustomControl)
  TRect activeskinrect, itemrect, activeitemrect, focusitemrect;
  int itemleftoffset = 0, itemrightoffset = 0;
  TRect itemtextrect;
  std::string fontname;
  int fontheight = 14;
  TFontStyles fontstyle = 0;
  int fontcolor = 0, focusfontcolor = 0, activefontcolor = 0;
  std::string listboxname;
  TRect buttonrect, activebuttonrect, downbuttonrect, unenabledbuttonrect;
  bool itemstretcheffect = false, focusitemstretcheffect = false, showfocus = false;
};

class TspDataSkinListBox : public TspDataSkinCustomControl {
  SP_SKIN_DESCRIPTION(TspDataSkinListBox, TspDataSkinCustomControl)
  TRect itemrect, activeitemrect, focusitemrect;
  int itemleftoffset = 0, itemrightoffset = 0;
  TRect itemtextrect;
  std::string fontname;
  int fontheight = 14;
  TFontStyles fontstyle = 0;
  int fontcolor = 0, activefontcolor = 0, focusfontcolor = 0;
  TRect captionrect;
  std::string captionfontname;
  int captionfontheight = 14;
  TFontStyles captionfontstyle = 0;
  int captionfontcolor = 0;
  TRect upbuttonrect, activeupbuttonrect, downupbuttonrect, downbuttonrect, activedownbuttonrect,
      downdownbuttonrect, checkbuttonrect, activecheckbuttonrect, downcheckbuttonrect;
  std::string vscrollbarname, hscrollbarname, bothhscrollbarname;
  bool showfocus = false;
  TRect disabledbuttonsrect, buttonsarea;
};

class TspDataSkinCheckListBox : public TspDataSkinListBox {
  SP_SKIN_DESCRIPTION(TspDataSkinCheckListBox, TspDataSkinListBox)
  TRect checkimagerect, itemcheckrect, uncheckimagerect;
};

class TspDataSkinScrollBarControl : public TspDataSkinCustomControl {
  SP_SKIN_DESCRIPTION(TspDataSkinScrollBarControl, TspDataSkinCustomControl)
  TRect trackarea, upbuttonrect, activeupbuttonrect, downupbuttonrect, downbuttonrect, activedownbuttonrect,
      downdownbuttonrect, thumbrect, activethumbrect, downthumbrect;
  int thumboffset1 = 0, thumboffset2 = 0;
  bool thumbtransparent = false;
  int thumbtransparentcolor = 0;
  bool thumbstretcheffect = false;
  int thumbminsize = 0, thumbminpagesize = 0;
  TRect glyphrect, activeglyphrect, downglyphrect;
  bool glyphtransparent = false;
  int glyphtransparentcolor = 0;
};

class TspDataSkinSpinEditControl : public TspDataSkinCustomControl {
  SP_SKIN_DESCRIPTION(TspDataSkinSpinEditControl, TspDataSkinCustomControl)
  TRect activeskinrect;
  std::string fontname;
  int fontheight = 14;
  TFontStyles fontstyle = 0;
  int fontcolor = 0, activefontcolor = 0, disabledfontcolor = 0;
  TRect upbuttonrect, activeupbuttonrect, downupbuttonrect, downbuttonrect, activedownbuttonrect,
      downdownbuttonrect;
};

class TspDataSkinEditControl : public TspDataSkinCustomControl {
  SP_SKIN_DESCRIPTION(TspDataSkinEditControl, TspDataSkinCustomControl)
  TRect activeskinrect;
  std::string fontname;
  int fontheight = 14;
  TFontStyles fontstyle = 0;
  int fontcolor = 0, disabledfontcolor = 0, activefontcolor = 0;
  TRect buttonrect, activebuttonrect, downbuttonrect, unenabledbuttonrect;
};

class TspDataSkinMemoControl : public TspDataSkinEditControl {
  SP_SKIN_DESCRIPTION(TspDataSkinMemoControl, TspDataSkinEditControl)
  int bgcolor = 0, activebgcolor = 0;
};

class TspDataSkinLabelControl : public TspDataSkinCustomControl {
  SP_SKIN_DESCRIPTION(TspDataSkinLabelControl, TspDataSkinCustomControl)
  std::string fontname;
  int fontheight = 14;
  TFontStyles fontstyle = 0;
  int fontcolor = 0;
};

class TspDataSkinBitLabelControl : public TspDataSkinCustomControl {
  SP_SKIN_DESCRIPTION(TspDataSkinBitLabelControl, TspDataSkinCustomControl)
  TRect skintextrect;
  int symbolwidth = 0, symbolheight = 0;
  TStringList symbols;
};

class TspDataSkinTrackBarControl : public TspDataSkinCustomControl {
  SP_SKIN_DESCRIPTION(TspDataSkinTrackBarControl, TspDataSkinCustomControl)
  TRect activeskinrect, trackarea, buttonrect, activebuttonrect;
  bool vertical = false, buttontransparent = false;
  int buttontransparentcolor = 0;
};

class TspDataSkinSplitterControl : public TspDataSkinCustomControl {
  SP_SKIN_DESCRIPTION(TspDataSkinSplitterControl, TspDataSkinCustomControl)
  TRect gripperrect;
  bool grippertransparent = false;
  int grippertransparentcolor = 0;
};

class TspDataSkinGaugeControl : public TspDataSkinCustomControl {
  SP_SKIN_DESCRIPTION(TspDataSkinGaugeControl, TspDataSkinCustomControl)
  TRect progressarea, progressrect;
  int beginoffset = 0, endoffset = 0;
  bool vertical = false;
  std::string fontname;
  int fontheight = 14;
  TFontStyles fontstyle = 0;
  int fontcolor = 0;
  bool progresstransparent = false;
  int progresstransparentcolor = 0;
  bool progressstretch = false;
  TRect animationskinrect;
  int animationcountframes = 0, animationtimerinterval = 0;
  TRect progressanimationskinrect;
  int progressanimationcountframes = 0, progressanimationtimerinterval = 0;
  int animationbeginoffset = 0, animationendoffset = 0;
};

class TspDataSkinButtonControl : public TspDataSkinCustomControl {
  SP_SKIN_DESCRIPTION(TspDataSkinButtonControl, TspDataSkinCustomControl)
  std::string fontname;
  int fontheight = 14;
  TFontStyles fontstyle = 0;
  int fontcolor = 0, activefontcolor = 0, disabledfontcolor = 0, downfontcolor = 0;
  bool morphing = false;
  TspMorphKind morphkind = mkDefault;
  TRect activeskinrect, downskinrect, focusedskinrect, disabledskinrect, animateskinrect;
  int framecount = 0, animateinterval = 25;
  bool showfocus = false;
  TRect menumarkerflatrect, menumarkerrect, menumarkeractiverect, menumarkerdownrect;
  int menumarkertransparentcolor = 0;
  int glowlayerpictureindex = -1, glowlayermaskpictureindex = -1;
  int glowlayeroffsetleft = 0, glowlayeroffsettop = 0, glowlayeroffsetright = 0, glowlayeroffsetbottom = 0;
  int glowlayershowoffsetx = 0, glowlayershowoffsety = 0;
  int glowlayeralphablendvalue = 255;
};

class TspDataSkinMenuButtonControl : public TspDataSkinButtonControl {
  SP_SKIN_DESCRIPTION(TspDataSkinMenuButtonControl, TspDataSkinButtonControl)
  TRect trackbuttonrect;
};

class TspDataSkinCheckRadioControl : public TspDataSkinCustomControl {
  SP_SKIN_DESCRIPTION(TspDataSkinCheckRadioControl, TspDataSkinCustomControl)
  std::string fontname;
  int fontheight = 14;
  TFontStyles fontstyle = 0;
  int fontcolor = 0, activefontcolor = 0, unenabledfontcolor = 0, framefontcolor = 0;
  bool morphing = false;
  TspMorphKind morphkind = mkDefault;
  TRect activeskinrect, checkimagearea, textarea, checkimagerect, uncheckimagerect, activecheckimagerect,
      activeuncheckimagerect, unenabledcheckimagerect, unenableduncheckimagerect, grayedcheckimagerect,
      activegrayedcheckimagerect;
};

class TspDataSkinScrollBoxControl : public TspDataSkinCustomControl {
  SP_SKIN_DESCRIPTION(TspDataSkinScrollBoxControl, TspDataSkinCustomControl)
  int bgpictureindex = -1;
};

class TspDataSkinPanelControl : public TspDataSkinCustomControl {
  SP_SKIN_DESCRIPTION(TspDataSkinPanelControl, TspDataSkinCustomControl)
  int bgpictureindex = -1;
  TRect captionrect;
  TAlignment alignment = taCenter;
  std::string fontname;
  int fontheight = 14;
  TFontStyles fontstyle = 0;
  int fontcolor = 0;
  TRect checkimagerect, uncheckimagerect, markframerect, framerect, frametextrect;
  int frameleftoffset = 0, framerightoffset = 0;
  TRect gripperrect;
  bool grippertransparent = false;
  int grippertransparentcolor = 0;
};

class TspDataSkinExPanelControl : public TspDataSkinCustomControl {
  SP_SKIN_DESCRIPTION(TspDataSkinExPanelControl, TspDataSkinCustomControl)
  TRect rollhskinrect, rollvskinrect;
  int rollleftoffset = 0, rollrightoffset = 0, rolltopoffset = 0, rollbottomoffset = 0;
  TRect rollvcaptionrect, rollhcaptionrect, closebuttonrect, closebuttonactiverect, closebuttondownrect,
      hrollbuttonrect, hrollbuttonactiverect, hrollbuttondownrect, hrestorebuttonrect, hrestorebuttonactiverect,
      hrestorebuttondownrect, vrollbuttonrect, vrollbuttonactiverect, vrollbuttondownrect, vrestorebuttonrect,
      vrestorebuttonactiverect, vrestorebuttondownrect, captionrect;
  std::string fontname;
  int fontheight = 14;
  TFontStyles fontstyle = 0;
  int fontcolor = 0;
  bool buttonstransparent = false;
  int buttonstransparentcolor = 0;
};

// The description class of a SKINCONTROLS kind word (exact case), or null
// for a word that names no kind.
std::unique_ptr<TspDataSkinControl> CreateSkinControl(const std::string& kind, const std::string& name);
// The kind words, in table order.
extern const char* const SkinControlKinds[];
extern const int SkinControlKindCount;
