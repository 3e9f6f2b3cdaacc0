#include "platform/graphics/Graphic.h"

#include "platform/rtl/Streams.h"

void TGraphic::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead);
  TMemoryStream mem;
  mem.CopyFrom(&file, 0);
  mem.SetPosition(0);
  LoadFromStream(mem);
}

void TGraphic::SaveToFile(const std::string& fileName) {
  TMemoryStream mem;
  SaveToStream(mem);
  TFileStream file(fileName, fmCreate);
  mem.SetPosition(0);
  file.CopyFrom(&mem, 0);
}

void TGraphic::SetTransparent(bool t) {
  if (t == transparent_) return;
  transparent_ = t;
  Changed();
}

void TGraphic::SetModified(bool m) {
  if (m)
    Changed();
  else
    modified_ = false;
}

void TGraphic::Changed() {
  modified_ = true;
  if (OnChange) OnChange(this);
}
