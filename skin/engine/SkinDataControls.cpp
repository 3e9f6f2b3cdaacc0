#include "skin/engine/SkinDataControls.h"

#include <iterator>

#include "platform/rtl/IniFiles.h"

// --- shared description behaviour -------------------------------------------

void TspSkinDescription::LoadFromIni(const TCustomIniFile& ini) {
  TspSkinIniReader reader(ini, SectionName);
  Describe(reader);
  AfterLoad();
}

void TspSkinDescription::SaveToIni(TCustomIniFile& ini) {
  BeforeSave();
  ini.EraseSection(SectionName);
  TspSkinIniWriter writer(ini, SectionName);
  Describe(writer);
}

namespace {

void FontKeys(TspSkinFieldVisitor& v, std::string& name, int& height, TFontStyles& style, int& color) {
  v.Str("fontname", name, "Arial");
  v.Int("fontheight", height, 14);
  v.FontStyle("fontstyle", style);
  v.Int("fontcolor", color, 0);
}

}  // namespace

// --- bases ---------------------------------------------------------------

void TspDataSkinControl::Describe(TspSkinFieldVisitor& v) {
  v.Int("pictureindex", pictureindex, -1);
  v.Int("maskpictureindex", maskpictureindex, -1);
  v.Int("cursorindex", cursorindex, -1);
  v.Rect("skinrect", skinrect);
}

void TspDataSkinCustomControl::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinControl::Describe(v);
  v.Point("lefttoppoint", lefttoppoint);
  v.Point("righttoppoint", righttoppoint);
  v.Point("leftbottompoint", leftbottompoint);
  v.Point("rightbottompoint", rightbottompoint);
  v.Rect("clientrect", clientrect);
  v.Flag("leftstretch", leftstretch);
  v.Flag("topstretch", topstretch);
  v.Flag("rightstretch", rightstretch);
  v.Flag("bottomstretch", bottomstretch);
  v.Flag("stretcheffect", stretcheffect);
  v.Enum("stretchtype", stretchtype, StretchTypeWords);
}

void TspDataSkinFrameControl::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinControl::Describe(v);
  v.Int("framescount", framescount, 1);
  v.Enum("framesplacement", framesplacement, FramesPlacementWords);
}

void TspDataSkinFrameControl::AfterLoad() {
  if (framescount < 1) framescount = 1;
}

// --- kinds on the plain base ------------------------------------------------

void TspDataSkinBevel::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinControl::Describe(v);
  v.Int("lightcolor", lightcolor, 0);
  v.Int("darkcolor", darkcolor, 0);
}

void TspDataSkinSlider::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinControl::Describe(v);
  v.Int("bgcolor", bgcolor, 0);
  v.Rect("hrulerrect", hrulerrect);
  v.Rect("hthumbrect", hthumbrect);
  v.Rect("vrulerrect", vrulerrect);
  v.Rect("vthumbrect", vthumbrect);
  v.Int("edgesize", edgesize, 0);
  v.Int("pointscolor", pointscolor, 0);
}

void TspDataSkinTextControl::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinControl::Describe(v);
  FontKeys(v, fontname, fontheight, fontstyle, fontcolor);
  v.Int("bgcolor", bgcolor, 0);
}
void TspDataSkinTreeView::Describe(TspSkinFieldVisitor& v) { TspDataSkinTextControl::Describe(v); }
void TspDataSkinListView::Describe(TspSkinFieldVisitor& v) { TspDataSkinTextControl::Describe(v); }
void TspDataSkinRichEdit::Describe(TspSkinFieldVisitor& v) { TspDataSkinTextControl::Describe(v); }

void TspDataSkinMainMenuBar::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinControl::Describe(v);
  v.Rect("itemsrect", itemsrect);
  v.Str("menubaritem", menubaritem, "");
  v.Str("closebutton", closebutton, "");
  v.Str("minbutton", minbutton, "");
  v.Str("maxbutton", maxbutton, "");
  v.Str("sysmenubutton", sysmenubutton, "");
  v.Int("trackmarkcolor", trackmarkcolor, 0);
  v.Int("trackmarkactivecolor", trackmarkactivecolor, 0);
  v.Flag("stretcheffect", stretcheffect);
  v.Flag("itemtransparent", itemtransparent);
}

void TspDataSkinTabControl::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinControl::Describe(v);
  v.Rect("tabrect", tabrect);
  v.Rect("activetabrect", activetabrect);
  v.Rect("focustabrect", focustabrect);
  v.Rect("mouseintabrect", mouseintabrect);
  v.Rect("clientrect", clientrect);
  v.Int("bgpictureindex", bgpictureindex, -1);
  v.Point("lefttoppoint", lefttoppoint);
  v.Point("righttoppoint", righttoppoint);
  v.Point("leftbottompoint", leftbottompoint);
  v.Point("rightbottompoint", rightbottompoint);
  v.Int("tableftoffset", tableftoffset, 0);
  v.Int("tabrightoffset", tabrightoffset, 0);
  v.Rect("tabsbgrect", tabsbgrect);
  v.Flag("tabstretcheffect", tabstretcheffect);
  v.Flag("leftstretch", leftstretch);
  v.Flag("topstretch", topstretch);
  v.Flag("rightstretch", rightstretch);
  v.Flag("bottomstretch", bottomstretch);
  v.Flag("stretcheffect", stretcheffect);
  v.Enum("stretchtype", stretchtype, StretchTypeWords);
  FontKeys(v, fontname, fontheight, fontstyle, fontcolor);
  v.Int("activefontcolor", activefontcolor, 0);
  v.Int("focusfontcolor", focusfontcolor, 0);
  v.Int("mouseinfontcolor", mouseinfontcolor, 0);
  v.Str("updown", updown, "");
  v.Flag("showfocus", showfocus);
  v.Int("focusoffsetx", focusoffsetx, 0);
  v.Int("focusoffsety", focusoffsety, 0);
  v.Rect("closebuttonrect", closebuttonrect);
  v.Rect("closebuttonactiverect", closebuttonactiverect);
  v.Rect("closebuttondownrect", closebuttondownrect);
  v.Flag("buttontransparent", buttontransparent);
  v.Int("buttontransparentcolor", buttontransparentcolor, 0);
}

void TspDataSkinGridControl::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinControl::Describe(v);
  v.Rect("fixedcellrect", fixedcellrect);
  v.Rect("selectcellrect", selectcellrect);
  v.Rect("focuscellrect", focuscellrect);
  v.Int("fixedcellleftoffset", fixedcellleftoffset, 0);
  v.Int("fixedcellrightoffset", fixedcellrightoffset, 0);
  v.Rect("fixedcelltextrect", fixedcelltextrect);
  v.Int("cellleftoffset", cellleftoffset, 0);
  v.Int("cellrightoffset", cellrightoffset, 0);
  v.Rect("celltextrect", celltextrect);
  v.Int("linescolor", linescolor, 0);
  v.Int("bgcolor", bgcolor, 0);
  v.Int("bgpictureindex", bgpictureindex, -1);
  FontKeys(v, fontname, fontheight, fontstyle, fontcolor);
  v.Int("selectfontcolor", selectfontcolor, 0);
  v.Int("focusfontcolor", focusfontcolor, 0);
  v.Str("fixedfontname", fixedfontname, "Arial");
  v.Int("fixedfontheight", fixedfontheight, 14);
  v.FontStyle("fixedfontstyle", fixedfontstyle);
  v.Int("fixedfontcolor", fixedfontcolor, 0);
  v.Flag("cellstretcheffect", cellstretcheffect);
  v.Flag("fixedcellstretcheffect", fixedcellstretcheffect);
  v.Flag("showfocus", showfocus);
}

void TspDataSkinStdLabelControl::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinControl::Describe(v);
  FontKeys(v, fontname, fontheight, fontstyle, fontcolor);
  v.Int("activefontcolor", activefontcolor, 16711680);
}

// --- frame-strip kinds -------------------------------------------------------

void TspDataSkinAnimateControl::Describe(TspSkinFieldVisitor& v) { TspDataSkinFrameControl::Describe(v); }
void TspDataSkinSwitchControl::Describe(TspSkinFieldVisitor& v) { TspDataSkinFrameControl::Describe(v); }
void TspDataSkinFrameGauge::Describe(TspSkinFieldVisitor& v) { TspDataSkinFrameControl::Describe(v); }
void TspDataSkinFrameRegulator::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinFrameControl::Describe(v);
  v.Enum("kind", kind, RegulatorKindWords);
}

// --- custom-control kinds ----------------------------------------------------

void TspDataSkinControlBar::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinCustomControl::Describe(v);
  v.Rect("itemrect", itemrect);
  v.Int("bgpictureindex", bgpictureindex, -1);
  v.Rect("hgriprect", hgriprect);
  v.Rect("vgriprect", vgriprect);
  v.Int("gripoffset1", gripoffset1, 0);
  v.Int("gripoffset2", gripoffset2, 0);
  v.Flag("itemstretcheffect", itemstretcheffect);
  v.Int("itemoffset1", itemoffset1, 3);
  v.Int("itemoffset2", itemoffset2, 3);
  v.Flag("itemtransparent", itemtransparent);
  v.Int("itemtransparentcolor", itemtransparentcolor, 0);
  v.Flag("griptransparent", griptransparent);
  v.Int("griptransparentcolor", griptransparentcolor, 0);
}

void TspDataSkinUpDownControl::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinCustomControl::Describe(v);
  v.Rect("upbuttonrect", upbuttonrect);
  v.Rect("activeupbuttonrect", activeupbuttonrect);
  v.Rect("downupbuttonrect", downupbuttonrect);
  v.Rect("downbuttonrect", downbuttonrect);
  v.Rect("activedownbuttonrect", activedownbuttonrect);
  v.Rect("downdownbuttonrect", downdownbuttonrect);
}

// The up-down buttons are never composed from corners.
void TspDataSkinUpDownControl::ClearCorners() {
  lefttoppoint = righttoppoint = leftbottompoint = rightbottompoint = TPoint{};
  clientrect = TRect{};
}

void TspDataSkinComboBox::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinCustomControl::Describe(v);
  v.Rect("activeskinrect", activeskinrect);
  v.Rect("itemrect", itemrect);
  v.Rect("activeitemrect", activeitemrect);
  v.Rect("focusitemrect", focusitemrect);
  v.Int("itemleftoffset", itemleftoffset, 0);
  v.Int("itemrightoffset", itemrightoffset, 0);
  v.Rect("itemtextrect", itemtextrect);
  FontKeys(v, fontname, fontheight, fontstyle, fontcolor);
  v.Int("focusfontcolor", focusfontcolor, 0);
  v.Int("activefontcolor", activefontcolor, 0);
  v.Str("listboxname", listboxname, "");
  v.Rect("buttonrect", buttonrect);
  v.Rect("activebuttonrect", activebuttonrect);
  v.Rect("downbuttonrect", downbuttonrect);
  v.Rect("unenabledbuttonrect", unenabledbuttonrect);
  v.Flag("itemstretcheffect", itemstretcheffect);
  v.Flag("focusitemstretcheffect", focusitemstretcheffect);
  v.Flag("showfocus", showfocus);
}

void TspDataSkinListBox::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinCustomControl::Describe(v);
  v.Rect("itemrect", itemrect);
  v.Rect("activeitemrect", activeitemrect);
  v.Rect("focusitemrect", focusitemrect);
  v.Int("itemleftoffset", itemleftoffset, 0);
  v.Int("itemrightoffset", itemrightoffset, 0);
  v.Rect("itemtextrect", itemtextrect);
  FontKeys(v, fontname, fontheight, fontstyle, fontcolor);
  v.Int("activefontcolor", activefontcolor, 0);
  v.Int("focusfontcolor", focusfontcolor, 0);
  v.Rect("captionrect", captionrect);
  v.Str("captionfontname", captionfontname, "Arial");
  v.Int("captionfontheight", captionfontheight, 14);
  v.FontStyle("captionfontstyle", captionfontstyle);
  v.Int("captionfontcolor", captionfontcolor, 0);
  v.Rect("upbuttonrect", upbuttonrect);
  v.Rect("activeupbuttonrect", activeupbuttonrect);
  v.Rect("downupbuttonrect", downupbuttonrect);
  v.Rect("downbuttonrect", downbuttonrect);
  v.Rect("activedownbuttonrect", activedownbuttonrect);
  v.Rect("downdownbuttonrect", downdownbuttonrect);
  v.Rect("checkbuttonrect", checkbuttonrect);
  v.Rect("activecheckbuttonrect", activecheckbuttonrect);
  v.Rect("downcheckbuttonrect", downcheckbuttonrect);
  v.Str("vscrollbarname", vscrollbarname, "vscrollbar");
  v.Str("hscrollbarname", hscrollbarname, "hscrollbar");
  v.Str("bothhscrollbarname", bothhscrollbarname, "bothhscrollbar");
  v.Flag("showfocus", showfocus);
  v.Rect("disabledbuttonsrect", disabledbuttonsrect);
  v.Rect("buttonsarea", buttonsarea);
}

void TspDataSkinCheckListBox::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinListBox::Describe(v);
  v.Rect("checkimagerect", checkimagerect);
  v.Rect("itemcheckrect", itemcheckrect);
  v.Rect("uncheckimagerect", uncheckimagerect);
}

void TspDataSkinScrollBarControl::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinCustomControl::Describe(v);
  v.Rect("trackarea", trackarea);
  v.Rect("upbuttonrect", upbuttonrect);
  v.Rect("activeupbuttonrect", activeupbuttonrect);
  v.Rect("downupbuttonrect", downupbuttonrect);
  v.Rect("downbuttonrect", downbuttonrect);
  v.Rect("activedownbuttonrect", activedownbuttonrect);
  v.Rect("downdownbuttonrect", downdownbuttonrect);
  v.Rect("thumbrect", thumbrect);
  v.Rect("activethumbrect", activethumbrect);
  v.Rect("downthumbrect", downthumbrect);
  v.Int("thumboffset1", thumboffset1, 0);
  v.Int("thumboffset2", thumboffset2, 0);
  v.Flag("thumbtransparent", thumbtransparent);
  v.Int("thumbtransparentcolor", thumbtransparentcolor, 0);
  v.Flag("thumbstretcheffect", thumbstretcheffect);
  v.Int("thumbminsize", thumbminsize, 0);
  v.Int("thumbminpagesize", thumbminpagesize, 0);
  v.Rect("glyphrect", glyphrect);
  v.Rect("activeglyphrect", activeglyphrect);
  v.Rect("downglyphrect", downglyphrect);
  v.Flag("glyphtransparent", glyphtransparent);
  v.Int("glyphtransparentcolor", glyphtransparentcolor, 0);
}

void TspDataSkinSpinEditControl::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinCustomControl::Describe(v);
  v.Rect("activeskinrect", activeskinrect);
  FontKeys(v, fontname, fontheight, fontstyle, fontcolor);
  v.Int("activefontcolor", activefontcolor, 0);
  v.Int("disabledfontcolor", disabledfontcolor, 0);
  v.Rect("upbuttonrect", upbuttonrect);
  v.Rect("activeupbuttonrect", activeupbuttonrect);
  v.Rect("downupbuttonrect", downupbuttonrect);
  v.Rect("downbuttonrect", downbuttonrect);
  v.Rect("activedownbuttonrect", activedownbuttonrect);
  v.Rect("downdownbuttonrect", downdownbuttonrect);
}

void TspDataSkinEditControl::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinCustomControl::Describe(v);
  v.Rect("activeskinrect", activeskinrect);
  FontKeys(v, fontname, fontheight, fontstyle, fontcolor);
  v.Int("disabledfontcolor", disabledfontcolor, 0);
  v.Int("activefontcolor", activefontcolor, 0);
  v.Rect("buttonrect", buttonrect);
  v.Rect("activebuttonrect", activebuttonrect);
  v.Rect("downbuttonrect", downbuttonrect);
  v.Rect("unenabledbuttonrect", unenabledbuttonrect);
}

void TspDataSkinMemoControl::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinEditControl::Describe(v);
  v.Int("bgcolor", bgcolor, 0);
  v.Int("activebgcolor", activebgcolor, 0);
}

void TspDataSkinLabelControl::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinCustomControl::Describe(v);
  FontKeys(v, fontname, fontheight, fontstyle, fontcolor);
}

void TspDataSkinBitLabelControl::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinCustomControl::Describe(v);
  v.Rect("skintextrect", skintextrect);
  v.Int("symbolwidth", symbolwidth, 0);
  v.Int("symbolheight", symbolheight, 0);
  v.Strings("symbols", symbols);
}

void TspDataSkinTrackBarControl::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinCustomControl::Describe(v);
  v.Rect("activeskinrect", activeskinrect);
  v.Rect("trackarea", trackarea);
  v.Rect("buttonrect", buttonrect);
  v.Rect("activebuttonrect", activebuttonrect);
  v.Flag("vertical", vertical);
  v.Flag("buttontransparent", buttontransparent);
  v.Int("buttontransparentcolor", buttontransparentcolor, 0);
}

void TspDataSkinSplitterControl::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinCustomControl::Describe(v);
  v.Rect("gripperrect", gripperrect);
  v.Flag("grippertransparent", grippertransparent);
  v.Int("grippertransparentcolor", grippertransparentcolor, 0);
}

void TspDataSkinGaugeControl::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinCustomControl::Describe(v);
  v.Rect("progressarea", progressarea);
  v.Rect("progressrect", progressrect);
  v.Int("beginoffset", beginoffset, 0);
  v.Int("endoffset", endoffset, 0);
  v.Flag("vertical", vertical);
  FontKeys(v, fontname, fontheight, fontstyle, fontcolor);
  v.Flag("progresstransparent", progresstransparent);
  v.Int("progresstransparentcolor", progresstransparentcolor, 0);
  v.Flag("progressstretch", progressstretch);
  v.Rect("animationskinrect", animationskinrect);
  v.Int("animationcountframes", animationcountframes, 0);
  v.Int("animationtimerinterval", animationtimerinterval, 0);
  v.Rect("progressanimationskinrect", progressanimationskinrect);
  v.Int("progressanimationcountframes", progressanimationcountframes, 0);
  v.Int("progressanimationtimerinterval", progressanimationtimerinterval, 0);
  v.Int("animationbeginoffset", animationbeginoffset, 0);
  v.Int("animationendoffset", animationendoffset, 0);
}

void TspDataSkinButtonControl::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinCustomControl::Describe(v);
  FontKeys(v, fontname, fontheight, fontstyle, fontcolor);
  v.Int("activefontcolor", activefontcolor, 0);
  v.Int("disabledfontcolor", disabledfontcolor, 0);
  v.Int("downfontcolor", downfontcolor, 0);
  v.Flag("morphing", morphing);
  v.Enum("morphkind", morphkind, MorphKindWords);
  v.Rect("activeskinrect", activeskinrect);
  v.Rect("downskinrect", downskinrect);
  v.Rect("focusedskinrect", focusedskinrect);
  v.Rect("disabledskinrect", disabledskinrect);
  v.Rect("animateskinrect", animateskinrect);
  v.Int("framecount", framecount, 0);
  v.Int("animateinterval", animateinterval, 25);
  v.Flag("showfocus", showfocus);
  v.Rect("menumarkerflatrect", menumarkerflatrect);
  v.Rect("menumarkerrect", menumarkerrect);
  v.Rect("menumarkeractiverect", menumarkeractiverect);
  v.Rect("menumarkerdownrect", menumarkerdownrect);
  v.Int("menumarkertransparentcolor", menumarkertransparentcolor, 0);
  v.Int("glowlayerpictureindex", glowlayerpictureindex, -1);
  v.Int("glowlayermaskpictureindex", glowlayermaskpictureindex, -1);
  v.Int("glowlayeroffsetleft", glowlayeroffsetleft, 0);
  v.Int("glowlayeroffsettop", glowlayeroffsettop, 0);
  v.Int("glowlayeroffsetright", glowlayeroffsetright, 0);
  v.Int("glowlayeroffsetbottom", glowlayeroffsetbottom, 0);
  v.Int("glowlayershowoffsetx", glowlayershowoffsetx, 0);
  v.Int("glowlayershowoffsety", glowlayershowoffsety, 0);
  v.Int("glowlayeralphablendvalue", glowlayeralphablendvalue, 255);
}

void TspDataSkinMenuButtonControl::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinButtonControl::Describe(v);
  v.Rect("trackbuttonrect", trackbuttonrect);
}

void TspDataSkinCheckRadioControl::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinCustomControl::Describe(v);
  FontKeys(v, fontname, fontheight, fontstyle, fontcolor);
  v.Int("activefontcolor", activefontcolor, 0);
  v.Int("unenabledfontcolor", unenabledfontcolor, 0);
  v.Int("framefontcolor", framefontcolor, 0);
  v.Flag("morphing", morphing);
  v.Enum("morphkind", morphkind, MorphKindWords);
  v.Rect("activeskinrect", activeskinrect);
  v.Rect("checkimagearea", checkimagearea);
  v.Rect("textarea", textarea);
  v.Rect("checkimagerect", checkimagerect);
  v.Rect("uncheckimagerect", uncheckimagerect);
  v.Rect("activecheckimagerect", activecheckimagerect);
  v.Rect("activeuncheckimagerect", activeuncheckimagerect);
  v.Rect("unenabledcheckimagerect", unenabledcheckimagerect);
  v.Rect("unenableduncheckimagerect", unenableduncheckimagerect);
  v.Rect("grayedcheckimagerect", grayedcheckimagerect);
  v.Rect("activegrayedcheckimagerect", activegrayedcheckimagerect);
}

void TspDataSkinScrollBoxControl::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinCustomControl::Describe(v);
  v.Int("bgpictureindex", bgpictureindex, -1);
}

void TspDataSkinPanelControl::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinCustomControl::Describe(v);
  v.Int("bgpictureindex", bgpictureindex, -1);
  v.Rect("captionrect", captionrect);
  v.Alignment("alignment", alignment);
  FontKeys(v, fontname, fontheight, fontstyle, fontcolor);
  v.Rect("checkimagerect", checkimagerect);
  v.Rect("uncheckimagerect", uncheckimagerect);
  v.Rect("markframerect", markframerect);
  v.Rect("framerect", framerect);
  v.Rect("frametextrect", frametextrect);
  v.Int("frameleftoffset", frameleftoffset, 0);
  v.Int("framerightoffset", framerightoffset, 0);
  v.Rect("gripperrect", gripperrect);
  v.Flag("grippertransparent", grippertransparent);
  v.Int("grippertransparentcolor", grippertransparentcolor, 0);
}

void TspDataSkinExPanelControl::Describe(TspSkinFieldVisitor& v) {
  TspDataSkinCustomControl::Describe(v);
  v.Rect("rollhskinrect", rollhskinrect);
  v.Rect("rollvskinrect", rollvskinrect);
  v.Int("rollleftoffset", rollleftoffset, 0);
  v.Int("rollrightoffset", rollrightoffset, 0);
  v.Int("rolltopoffset", rolltopoffset, 0);
  v.Int("rollbottomoffset", rollbottomoffset, 0);
  v.Rect("rollvcaptionrect", rollvcaptionrect);
  v.Rect("rollhcaptionrect", rollhcaptionrect);
  v.Rect("closebuttonrect", closebuttonrect);
  v.Rect("closebuttonactiverect", closebuttonactiverect);
  v.Rect("closebuttondownrect", closebuttondownrect);
  v.Rect("hrollbuttonrect", hrollbuttonrect);
  v.Rect("hrollbuttonactiverect", hrollbuttonactiverect);
  v.Rect("hrollbuttondownrect", hrollbuttondownrect);
  v.Rect("hrestorebuttonrect", hrestorebuttonrect);
  v.Rect("hrestorebuttonactiverect", hrestorebuttonactiverect);
  v.Rect("hrestorebuttondownrect", hrestorebuttondownrect);
  v.Rect("vrollbuttonrect", vrollbuttonrect);
  v.Rect("vrollbuttonactiverect", vrollbuttonactiverect);
  v.Rect("vrollbuttondownrect", vrollbuttondownrect);
  v.Rect("vrestorebuttonrect", vrestorebuttonrect);
  v.Rect("vrestorebuttonactiverect", vrestorebuttonactiverect);
  v.Rect("vrestorebuttondownrect", vrestorebuttondownrect);
  v.Rect("captionrect", captionrect);
  FontKeys(v, fontname, fontheight, fontstyle, fontcolor);
  v.Flag("buttonstransparent", buttonstransparent);
  v.Int("buttonstransparentcolor", buttonstransparentcolor, 0);
}

// --- factory -------------------------------------------------------------

namespace {

template <class T>
std::unique_ptr<TspDataSkinControl> MakeControl(const std::string& name) {
  return std::make_unique<T>(name);
}

struct ControlKind {
  const char* Kind;
  std::unique_ptr<TspDataSkinControl> (*Make)(const std::string&);
};

const ControlKind kControlKinds[] = {
    {"slider", MakeControl<TspDataSkinSlider>},
    {"bevel", MakeControl<TspDataSkinBevel>},
    {"panel", MakeControl<TspDataSkinPanelControl>},
    {"expanel", MakeControl<TspDataSkinExPanelControl>},
    {"menubutton", MakeControl<TspDataSkinMenuButtonControl>},
    {"button", MakeControl<TspDataSkinButtonControl>},
    {"checkradio", MakeControl<TspDataSkinCheckRadioControl>},
    {"gauge", MakeControl<TspDataSkinGaugeControl>},
    {"splitter", MakeControl<TspDataSkinSplitterControl>},
    {"trackbar", MakeControl<TspDataSkinTrackBarControl>},
    {"label", MakeControl<TspDataSkinLabelControl>},
    {"stdlabel", MakeControl<TspDataSkinStdLabelControl>},
    {"bitlabel", MakeControl<TspDataSkinBitLabelControl>},
    {"frameregulator", MakeControl<TspDataSkinFrameRegulator>},
    {"framegauge", MakeControl<TspDataSkinFrameGauge>},
    {"animate", MakeControl<TspDataSkinAnimateControl>},
    {"updown", MakeControl<TspDataSkinUpDownControl>},
    {"switch", MakeControl<TspDataSkinSwitchControl>},
    {"grid", MakeControl<TspDataSkinGridControl>},
    {"tab", MakeControl<TspDataSkinTabControl>},
    {"mainmenubar", MakeControl<TspDataSkinMainMenuBar>},
    {"controlbar", MakeControl<TspDataSkinControlBar>},
    {"memo", MakeControl<TspDataSkinMemoControl>},
    {"edit", MakeControl<TspDataSkinEditControl>},
    {"checklistbox", MakeControl<TspDataSkinCheckListBox>},
    {"listbox", MakeControl<TspDataSkinListBox>},
    {"combobox", MakeControl<TspDataSkinComboBox>},
    {"scrollbar", MakeControl<TspDataSkinScrollBarControl>},
    {"spinedit", MakeControl<TspDataSkinSpinEditControl>},
    {"scrollbox", MakeControl<TspDataSkinScrollBoxControl>},
    {"treeview", MakeControl<TspDataSkinTreeView>},
    {"listview", MakeControl<TspDataSkinListView>},
    {"richedit", MakeControl<TspDataSkinRichEdit>},
};

}  // namespace

const char* const SkinControlKinds[] = {
    "slider", "bevel", "panel", "expanel", "menubutton", "button", "checkradio", "gauge", "splitter",
    "trackbar", "label", "stdlabel", "bitlabel", "frameregulator", "framegauge", "animate", "updown",
    "switch", "grid", "tab", "mainmenubar", "controlbar", "memo", "edit", "checklistbox", "listbox",
    "combobox", "scrollbar", "spinedit", "scrollbox", "treeview", "listview", "richedit"};
const int SkinControlKindCount = static_cast<int>(std::size(SkinControlKinds));
static_assert(std::size(SkinControlKinds) == std::size(kControlKinds));

std::unique_ptr<TspDataSkinControl> CreateSkinControl(const std::string& kind, const std::string& name) {
  for (const ControlKind& k : kControlKinds)
    if (kind == k.Kind) return k.Make(name);
  return nullptr;
}
