// Line breaks for message boxes. A message keeps its own line ends; a line
// wider than the room is broken at the last point that fits: after a space,
// on either side of a CJK ideograph (closing punctuation stays with what it
// closes), or after a path separator, so a long file name breaks between
// its folders; a run with none of these is broken between characters.
#pragma once
#include <functional>
#include <string>
#include <string_view>

// Widths come from a callback (the width of one line of text), so the rule
// is the same for every dialog and testable without a font. maxWidth below
// one character still places one character per line.
std::string WrapMessageText(std::string_view text, int maxWidth, const std::function<int(std::string_view)>& width);

// The widest a message box may be: about two thirds of the work area of
// the monitor it opens on, as Windows' message boxes are.
int MessageBoxMaxWidth();
