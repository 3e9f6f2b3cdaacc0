// The file dialog's form, shared by FileDialog.cpp (building, notifications,
// commands), FileDialog_List.cpp (the list and the selection),
// FileDialog_Names.cpp (the name box and the result) and
// FileDialog_Driver.cpp. Not for use outside these files.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/lists/ComboBox.h"
#include "platform/ui/edits/Edit.h"
#include "platform/ui/controls/ExtCtrls.h"
#include "platform/ui/dialogs/FileDialog.h"
#include "platform/ui/lists/ListView.h"
#include "platform/ui/controls/StdCtrls.h"

namespace filedlg {

// Posted to the form so a burst of item changes in the list (a click
// unselects one item and selects another) makes one selection notice.
constexpr UINT kSelectionChanged = WM_APP + 0x3F2;

void SetDialogError(DWORD code);
bool HasWildcard(const std::string& s);
// Patterns are ';'-separated; spaces around each are not part of it.
bool MatchesAny(const std::string& name, const std::string& patterns);

struct TFilterPair {
  std::string description;
  std::string patterns;
};

}  // namespace filedlg

class TFileDialogForm : public TForm {
 public:
  TFileDialogForm(OPENFILENAME* ofn, bool save);
  ~TFileDialogForm() override;

  // Sets up the hook window and the folder, sends the opening notifications.
  void Start();
  void Dispatch(TMessage& Message) override;

  struct TEntry {
    std::string name;
    bool folder = false;
    Int64 size = 0;
    Int64 time = 0;
  };

  OPENFILENAME* ofn;
  bool save;
  std::string folder;
  std::string home;  // HOME when the dialog started, for "~" and the places
  std::vector<filedlg::TFilterPair> filters;
  std::string pattern;  // the list's current patterns
  std::string defExt;
  std::vector<TEntry> entries;  // in list order, one per item
  std::vector<TFileDialogPlace> places;
  HWND hook = nullptr;
  TFileDialogDriver* driver = nullptr;
  bool confirmed = false;
  // The paths being confirmed, while CDN_FILEOK runs.
  std::vector<std::string> confirming;

  TPanel* placesBar = nullptr;
  std::vector<TButton*> placeButtons;
  TEdit* folderBar = nullptr;
  TButton* upButton = nullptr;
  TListView* list = nullptr;
  TImageList* icons = nullptr;
  TStaticText* nameLabel = nullptr;
  TEdit* nameBox = nullptr;
  TStaticText* typeLabel = nullptr;
  TComboBox* typeList = nullptr;
  TCheckBox* readOnly = nullptr;
  TButton* okButton = nullptr;
  TButton* cancelButton = nullptr;

  void Navigate(const std::string& dir, bool notify);
  // Lists the folder again; with keepSelection the selected items still
  // listed stay selected (FlushSelection then tells whether that changed).
  void Refill(bool keepSelection);
  // Orders the list by a column (0 name, 1 size, 2 type, 3 date), folders
  // always first; the same column again reverses the order. The order is
  // kept when the list is filled again. Items keep their selection and
  // focus, and no selection notice goes out.
  void SortBy(int column);
  // Sends the selection notice now if the selection changed since the last.
  void FlushSelection();
  void SelChanged();
  void TypeChanged();
  void ListDblClick();
  void Ok();
  std::string FilePath() const;
  int TypeIndex() const { return typeList->ItemIndex() + 1; }
  LRESULT Notify(UINT code);
  int Ask(const std::string& text, bool question);
  TControl* ControlById(int id) const;
  int IndexOfName(const std::string& name) const;
  // Names of the selected items in list order, folders with a trailing '/'.
  std::vector<std::string> SelectedNames() const;

 private:
  void Build(const TFileDialogTemplate* tpl);
  void BuildPlaces(int x, int y, int height, bool stretch);
  void BuildList(int x, int y, int w, int h, TAnchors anchors);
  void FillList();
  std::vector<std::string> SelectedFiles() const;
  // Absolute path of a typed name: "~" is the home folder, anything not
  // starting with '/' is taken in the current folder.
  std::string Resolve(const std::string& name) const;
  // A wildcard name: filters the list, going first to the folder it names.
  void ApplyPattern(const std::string& name);
  bool WriteResult(const std::vector<std::string>& paths);

  std::vector<std::string> notifiedSelection_;
  bool selectionPosted_ = false;
  int sortColumn_ = 0;
  bool sortDescending_ = false;
};
