// What the save dialog asks of the component attached to it
// (AttachedPictoraIO): the I/O components and the views that hold one
// implement this, and the advanced button reaches their save-parameters
// dialog through it. A component that does not implement it is not
// accepted.
#pragma once
#include <cstdint>
#include <memory>

#include "imaging/core/base/vqwords.h"

// A copy of the parameters the advanced button may change, kept by the
// dialog while it runs.
class TVQSaveParamsBackup {
 public:
  virtual ~TVQSaveParamsBackup() = default;
};

class IVQSaveParamsLink {
 public:
  virtual ~IVQSaveParamsLink() = default;
  // The language the component's own texts are in, for a component that
  // has one (the dialog then takes it).
  virtual bool SaveParamsLanguage(TMsgLanguage& language) const = 0;
  // A multi-image source without any image: there is nothing to save and
  // the dialog does not open.
  virtual bool SaveParamsEmpty() const = 0;
  // The parameters as they are; RestoreSaveParams puts them back when the
  // dialog is cancelled.
  virtual std::unique_ptr<TVQSaveParamsBackup> BackupSaveParams() const = 0;
  virtual void RestoreSaveParams(const TVQSaveParamsBackup& backup) = 0;
  // The format of the name in the dialog changed (0: none known).
  virtual void SaveFormatChanged(int fileType) = 0;
  // The advanced button: the save-parameters dialog for the format with
  // these pages.
  virtual void ShowSaveParams(int fileType, std::uint16_t pages) = 0;
};
