// The progress block of the imaging library's long routines: the handler,
// its sender, a running counter with the percentage per unit of work, and
// the caller's abort flag.
#pragma once
#include <functional>

class TObject;

using TVQProgressEvent = std::function<void(TObject* Sender, int per)>;

struct TVQProgressRec {
  TVQProgressEvent OnProgress;
  TObject* Sender = nullptr;
  double Val = 0;
  double Per = 0;
  bool* Aborting = nullptr;
};

// Calls the handler, when one is assigned, with the percentage.
inline void ReportProgress(TVQProgressRec* progress, int percent) {
  if (progress && progress->OnProgress) progress->OnProgress(progress->Sender, percent);
}

// Trunc(100 / (rows + 0.5) x done): the percentage reported after row done
// (from 1) of rows.
inline int RowPercent(int done, int rows) { return static_cast<int>(100.0 / (rows + 0.5) * done); }
