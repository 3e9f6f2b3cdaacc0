// The file dialog's list: a report-style list view of the current folder
// (folders first, then the files matching the current patterns) sorted by
// the column whose header was clicked last, and the selection notices it
// gives the hook.
#include <algorithm>
#include <ctime>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/dialogs/FileDialog_Internal.h"
#include "platform/rtl/StockTexts.h"

using namespace filedlg;

namespace {

constexpr int kFolderImage = 0;
constexpr int kFileImage = 1;

struct TColumnSpec {
  const char* caption;
  int width;
  TAlignment alignment;
};
enum TColumnIndex { kColName, kColSize, kColType, kColDate };
constexpr TColumnSpec kColumns[] = {
    {"Name", 160, taLeftJustify},
    {"Size", 70, taRightJustify},
    {"Type", 80, taLeftJustify},
    {"Date modified", 110, taLeftJustify},
};

// Sizes in whole kilobytes rounded up, with thousands grouped, so a
// one-byte file does not read as empty.
std::string SizeText(Int64 bytes) {
  std::string digits = std::to_string((bytes + 1023) / 1024);
  for (int i = int(digits.size()) - 3; i > 0; i -= 3) digits.insert(size_t(i), 1, ',');
  return digits + " KB";
}

std::string TypeText(const std::string& name) {
  std::string ext = ExtractFileExt(name);
  if (ext.size() <= 1) return StockText("File");
  return StockFormat("%s file", {UpperCase(ext.substr(1))});
}

std::string DateText(Int64 seconds) {
  std::time_t t = std::time_t(seconds);
  std::tm local{};
  if (!localtime_r(&t, &local)) return "";
  char text[32];
  return std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local) ? text : "";
}

template <class T>
int Order(const T& a, const T& b) {
  return a < b ? -1 : b < a ? 1 : 0;
}

// Ignoring case first, so "a.jpg" and "B.jpg" sit together as people read
// them; the exact name settles the rest.
int CompareNames(const std::string& a, const std::string& b) {
  const int c = AnsiCompareText(a, b);
  return c != 0 ? c : CompareStr(a, b);
}

// Folders go first whichever way the list runs; within each group the
// column decides, then the name, so no two entries compare equal.
int CompareEntries(const TFileDialogForm::TEntry& a, const TFileDialogForm::TEntry& b, int column, bool descending) {
  if (a.folder != b.folder) return a.folder ? -1 : 1;
  int c = 0;
  switch (column) {
    case kColSize: c = a.folder ? 0 : Order(a.size, b.size); break;  // folders show no size
    case kColType: c = a.folder ? 0 : Order(TypeText(a.name), TypeText(b.name)); break;
    case kColDate: c = Order(a.time, b.time); break;
    default: break;
  }
  if (c == 0) c = CompareNames(a.name, b.name);
  return descending ? -c : c;
}

// A 16x16 picture drawn on a key colour that the image list makes clear.
void AddIcon(TImageList* icons, bool folder) {
  TBitmap bmp;
  bmp.SetPixelFormat(pf24bit);
  bmp.SetSize(16, 16);
  TCanvas* c = bmp.Canvas();
  c->Brush()->SetColor(clFuchsia);
  c->FillRect(Rect(0, 0, 16, 16));
  if (folder) {
    c->Pen()->SetColor(clOlive);
    c->Brush()->SetColor(TColor(0x4CC8F0));
    c->Rectangle(1, 2, 7, 5);
    c->Rectangle(1, 4, 15, 14);
  } else {
    c->Pen()->SetColor(clGray);
    c->Brush()->SetColor(clWhite);
    c->Rectangle(3, 1, 13, 15);
    c->MoveTo(5, 5);
    c->LineTo(11, 5);
    c->MoveTo(5, 8);
    c->LineTo(11, 8);
    c->MoveTo(5, 11);
    c->LineTo(11, 11);
  }
  icons->AddMasked(&bmp, clFuchsia);
}

}  // namespace

void TFileDialogForm::BuildList(int x, int y, int w, int h, TAnchors anchors) {
  icons = new TImageList(this, 16, 16);
  AddIcon(icons, true);
  AddIcon(icons, false);

  list = new TListView(this);
  list->SetName("FileList");
  list->SetParent(this);
  list->SetBounds(x, y, w, h);
  list->SetViewStyle(vsReport);
  list->SetRowSelect(true);
  list->ReadOnly = true;  // renaming in the list would not rename the file
  list->HideSelection = false;
  list->SetSmallImages(icons);
  list->SetMultiSelect((ofn->Flags & OFN_ALLOWMULTISELECT) != 0);
  list->SetAnchors(anchors);
  list->Tag = kFileDlgIdList;
  for (const TColumnSpec& spec : kColumns) {
    TListColumn* col = list->Columns()->Add();
    col->SetCaption(StockText(spec.caption));
    col->SetWidth(spec.width);
    col->SetAlignment(spec.alignment);
  }
  // A click unselects one item and selects another, one event each; the
  // notice goes once the burst is over.
  list->OnSelectItem = [this](TObject*, TListItem*, bool) {
    if (selectionPosted_ || !HandleAllocated()) return;
    selectionPosted_ = true;
    PostMessage(Handle(), kSelectionChanged, 0, 0);
  };
  list->OnDblClick = [this](TObject*) { ListDblClick(); };
  list->OnColumnClick = [this](TObject*, TListColumn* column) { SortBy(column->Index()); };
}

void TFileDialogForm::FillList() {
  TListItems* items = list->Items();
  items->BeginUpdate();
  items->Clear();
  for (const TEntry& e : entries) {
    TListItem* item = items->Add();
    item->SetCaption(e.name);
    item->SetImageIndex(e.folder ? kFolderImage : kFileImage);
    item->SubItems()->Add(e.folder ? "" : SizeText(e.size));
    item->SubItems()->Add(e.folder ? StockText("Folder") : TypeText(e.name));
    item->SubItems()->Add(DateText(e.time));
  }
  items->EndUpdate();
}

void TFileDialogForm::Refill(bool keepSelection) {
  std::vector<std::string> kept = keepSelection ? SelectedNames() : std::vector<std::string>();
  entries.clear();
  bool hidden = (ofn->Flags & OFN_FORCESHOWHIDDEN) != 0;
  TSearchRec rec;
  if (FindFirst(IncludeTrailingPathDelimiter(folder) + "*", faDirectory | faHidden, rec) == 0) {
    do {
      if (rec.Name == "." || rec.Name == "..") continue;
      if (!hidden && rec.Name[0] == '.') continue;
      bool isDir = (rec.Attr & faDirectory) != 0;
      if (!isDir && !MatchesAny(rec.Name, pattern)) continue;
      entries.push_back({rec.Name, isDir, rec.Size, rec.Time});
    } while (FindNext(rec) == 0);
    FindClose(rec);
  }
  std::sort(entries.begin(), entries.end(), [this](const TEntry& a, const TEntry& b) {
    return CompareEntries(a, b, sortColumn_, sortDescending_) < 0;
  });
  FillList();
  for (const std::string& name : kept) {
    int i = IndexOfName(name);
    if (i < 0) continue;
    TListItem* item = list->Items()->Item(i);
    item->SetSelected(true);
    item->SetFocused(true);
  }
}

void TFileDialogForm::SortBy(int column) {
  TListItems* items = list->Items();
  if (column < 0 || column >= list->Columns()->Count() || items->Count() != int(entries.size())) return;
  sortDescending_ = column == sortColumn_ && !sortDescending_;
  sortColumn_ = column;
  // The selection is the same after sorting, only its order changes; a
  // notice already given stays given.
  const bool notified = SelectedNames() == notifiedSelection_;
  // Each item carries its entry through the sort, so the two stay in step.
  for (int i = 0; i < items->Count(); ++i) items->Item(i)->Data = &entries[size_t(i)];
  list->CustomSort([this](TListItem* a, TListItem* b) {
    return CompareEntries(*static_cast<const TEntry*>(a->Data), *static_cast<const TEntry*>(b->Data), sortColumn_,
                          sortDescending_);
  });
  std::vector<TEntry> sorted;
  sorted.reserve(entries.size());
  for (int i = 0; i < items->Count(); ++i) {
    sorted.push_back(*static_cast<const TEntry*>(items->Item(i)->Data));
    items->Item(i)->Data = nullptr;
  }
  entries = std::move(sorted);
  if (notified) notifiedSelection_ = SelectedNames();
}

int TFileDialogForm::IndexOfName(const std::string& name) const {
  bool wantFolder = !name.empty() && name.back() == '/';
  std::string bare = wantFolder ? name.substr(0, name.size() - 1) : name;
  for (size_t i = 0; i < entries.size(); ++i)
    if (entries[i].name == bare && (!wantFolder || entries[i].folder)) return int(i);
  return -1;
}

std::vector<std::string> TFileDialogForm::SelectedNames() const {
  std::vector<std::string> names;
  for (int i = 0; i < int(entries.size()) && i < list->Items()->Count(); ++i)
    if (list->Items()->Item(i)->Selected()) names.push_back(entries[size_t(i)].name + (entries[size_t(i)].folder ? "/" : ""));
  return names;
}

std::vector<std::string> TFileDialogForm::SelectedFiles() const {
  std::vector<std::string> files;
  for (int i = 0; i < int(entries.size()) && i < list->Items()->Count(); ++i)
    if (!entries[size_t(i)].folder && list->Items()->Item(i)->Selected()) files.push_back(entries[size_t(i)].name);
  return files;
}

void TFileDialogForm::FlushSelection() {
  std::vector<std::string> now = SelectedNames();
  if (now == notifiedSelection_) return;
  notifiedSelection_ = std::move(now);
  SelChanged();
}

void TFileDialogForm::SelChanged() {
  std::vector<std::string> files = SelectedFiles();
  if (files.size() == 1) {
    nameBox->SetText(files[0]);
  } else if (files.size() > 1) {
    std::string text;
    for (const std::string& f : files) text += (text.empty() ? "\"" : " \"") + f + "\"";
    nameBox->SetText(text);
  }
  Notify(CDN_SELCHANGE);
}

void TFileDialogForm::TypeChanged() {
  int i = typeList->ItemIndex();
  if (i < 0 || i >= int(filters.size())) return;
  pattern = filters[size_t(i)].patterns;
  ofn->nFilterIndex = DWORD(i + 1);
  Refill(true);
  FlushSelection();
  Notify(CDN_TYPECHANGE);
}

void TFileDialogForm::ListDblClick() {
  FlushSelection();
  TListItem* item = list->ItemFocused();
  if (!item || !item->Selected()) item = list->Selected();
  if (!item) return;
  int i = item->Index();
  if (i < 0 || i >= int(entries.size())) return;
  if (entries[size_t(i)].folder) {
    Navigate(IncludeTrailingPathDelimiter(folder) + entries[size_t(i)].name, true);
  } else {
    nameBox->SetText(entries[size_t(i)].name);
    Ok();
  }
}
