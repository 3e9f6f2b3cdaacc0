// The text, selection and undo of an edit control, apart from any window,
// and the line layout of its view.
//
// Text is UTF-8. Positions kept here are byte offsets that always fall on a
// character boundary (a byte that does not start a valid sequence counts as
// one character); the public character positions of the edit messages are
// counted in characters through CharToByte and ByteToChar. A multi-line
// model keeps its line breaks as CR LF and treats CR LF as one step for the
// caret; a single-line model never holds a line break.
//
// Undo is one level: each record holds what an edit removed and inserted, so
// undoing swaps them and an undo of an undo redoes. Typing at the end of a
// run of typing extends the same record.
//
// In overwrite mode a typed character with no selection replaces the
// character after the caret, unless that is a line break or the end of the
// text (then it is inserted); typed line breaks are always inserted.
// MaxLength then limits only how far the text grows. Pasting always inserts.
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

class TEditModel {
 public:
  explicit TEditModel(bool multiLine = false) : multiLine_(multiLine) {}

  const std::string& Text() const { return text_; }
  bool MultiLine() const { return multiLine_; }
  // Replaces the text (no limit applies), selects nothing at the start and
  // empties the undo buffer. False when the text stays the same.
  bool SetText(std::string_view s);

  // Characters that typing and pasting may not go past; 0: no limit.
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int v) { maxLength_ = v < 0 ? 0 : v; }
  bool Overwrite() const { return overwrite_; }
  void SetOverwrite(bool v) { overwrite_ = v; }
  TEditCharCase CharCase() const { return charCase_; }
  // Converts the text held as well as what comes later.
  bool SetCharCase(TEditCharCase v);

  // ---- Selection (byte offsets) ----
  std::size_t Anchor() const { return anchor_; }
  std::size_t CaretPos() const { return caret_; }
  std::size_t SelStartByte() const { return anchor_ < caret_ ? anchor_ : caret_; }
  std::size_t SelEndByte() const { return anchor_ < caret_ ? caret_ : anchor_; }
  bool HasSelection() const { return anchor_ != caret_; }
  std::string SelText() const { return text_.substr(SelStartByte(), SelEndByte() - SelStartByte()); }
  // Both ends are snapped back to a character boundary (inside a CR LF, to
  // before it) and clamped to the text.
  void SetSelection(std::size_t anchor, std::size_t caret);
  void SelectAll() { SetSelection(0, text_.size()); }

  // ---- Characters ----
  int CharCount() const { return ByteToChar(text_.size()); }
  int ByteToChar(std::size_t byte) const;
  // Negative or past the end: the end of the text.
  std::size_t CharToByte(int ch) const;
  // The neighbouring caret stops (CR LF is one step).
  std::size_t NextPos(std::size_t p) const;
  std::size_t PrevPos(std::size_t p) const;
  // The start of the next word (Ctrl+Right) and of this or the previous
  // word (Ctrl+Left); line breaks stop both.
  std::size_t NextWordPos(std::size_t p) const;
  std::size_t PrevWordPos(std::size_t p) const;
  // The word, run of spaces or run of punctuation at p (double click).
  void WordAt(std::size_t p, std::size_t& start, std::size_t& end) const;

  // ---- Editing: true when the text changed ----
  // Typed characters replace the selection (or overwrite), refused as a
  // whole when the result would pass MaxLength.
  bool Type(std::string_view s);
  // A run typed at once (an input method's result): as Type, but cut to
  // what MaxLength leaves room for; `cut` tells that something was left out.
  bool TypeRun(std::string_view s, bool* cut = nullptr);
  // The character overwrite mode would replace at the caret: true with its
  // bytes when there is no selection and the caret is before a character
  // other than a line break.
  bool OverwriteTarget(std::size_t& start, std::size_t& end) const;
  // Pasted text: a single line is cut at the first line break, then the
  // text is cut to the room MaxLength leaves.
  bool Paste(std::string_view s);
  // EM_REPLACESEL: as Paste; canUndo false empties the undo buffer.
  bool ReplaceSel(std::string_view s, bool canUndo);
  bool DeleteSelection();
  // Replaces bytes [start, end) with s (prepared, no limit), empties the
  // undo buffer and puts the caret after the insertion.
  bool ReplaceRange(std::size_t start, std::size_t end, std::string_view s);
  // The selection, else the character before (or after) the caret.
  bool Backspace();
  bool DeleteForward();

  // ---- Undo ----
  bool CanUndo() const { return undo_.valid; }
  void EmptyUndoBuffer() { undo_ = {}; }
  // Swaps the last edit back; the restored text ends up selected.
  bool Undo();
  // Ends a run of typing, so the next typed character starts a new record.
  void EndTypingRun() { undo_.typing = false; }

  bool Modified = false;

  // Text as this model would hold it: case converted, single-line text cut
  // at its first line break, multi-line breaks made CR LF.
  std::string Prepare(std::string_view s) const;

 private:
  // Replaces [start, end) with s, records undo (unless `typing` extends the
  // open record) and puts the caret after the insertion.
  void Replace(std::size_t start, std::size_t end, const std::string& s, bool typing);
  std::size_t Snap(std::size_t p) const;
  // What fits of s (in characters) in the room MaxLength leaves once the
  // selection is gone.
  std::string CutToRoom(const std::string& s) const;
  // Bytes of prepared typed text t that fit in MaxLength, overwriting
  // where the mode says so.
  std::size_t FitTyped(const std::string& t) const;
  // Replaces what typing t replaces and records it as typing.
  void TypePrepared(const std::string& t);

  struct UndoRecord {
    bool valid = false;
    bool typing = false;
    std::size_t pos = 0;
    std::string removed;
    std::string inserted;
  };

  std::string text_;
  bool multiLine_;
  int maxLength_ = 0;
  TEditCharCase charCase_ = ecNormal;
  bool overwrite_ = false;
  std::size_t anchor_ = 0;
  std::size_t caret_ = 0;
  UndoRecord undo_;
};

// ---- UTF-8 helpers ----
// The offset after the character at p (one byte for a stray byte).
std::size_t Utf8Next(std::string_view s, std::size_t p);
// The start of the character before p.
std::size_t Utf8Prev(std::string_view s, std::size_t p);
std::size_t Utf8Length(std::string_view s);
// The first n characters of s.
std::string_view Utf8Left(std::string_view s, std::size_t n);
// The character at p (U+FFFD for a stray byte).
char32_t Utf8At(std::string_view s, std::size_t p);

// ---- Line layout ----
// One line on screen: [start, end) is drawn, `next` starts the following
// line (after a CR LF, or equal to end where a long line wraps).
struct TEditLine {
  std::size_t start = 0;
  std::size_t end = 0;
  std::size_t next = 0;
};

// Advance of a character in pixels; tabs are handled by the layout.
using TEditCharWidth = std::function<int(char32_t)>;

// Pixel x of every character boundary of [start, end), from 0; tabs go to
// the next multiple of tabWidth. Result has one entry more than characters.
std::vector<int> EditCharPositions(std::string_view text, std::size_t start, std::size_t end,
                                   const TEditCharWidth& width, int tabWidth);

// Lines of the text: one line when !multiLine; else split at CR LF and,
// when wrapWidth > 0, wrapped to it after spaces (which hang past the
// edge) and on either side of CJK ideographs (keeping closing punctuation
// with what precedes it), a word wider than the line broken between
// characters. Always at least one line.
std::vector<TEditLine> LayoutEditLines(std::string_view text, bool multiLine, int wrapWidth,
                                       const TEditCharWidth& width, int tabWidth);
