// Message text broken to the room of a message box, and the plain message
// dialog kept within two thirds of the work area with a long path.
#include <gtest/gtest.h>

#include "platform/gdi/TextLayout.h"
#include "platform/ui/controls/StdCtrls.h"
#include "platform/ui/dialogs/Dialogs.h"
#include "platform/ui/dialogs/MessageWrap.h"
#include "tests/platform/ui/FormTestFixture.h"

namespace {

// 10 pixels a character, 20 for a CJK ideograph.
int FakeLineWidth(std::string_view s) {
  int w = 0;
  for (std::size_t pos = 0, next = 0; pos < s.size(); pos = next)
    w += IsCjkBreakChar(ReadTextChar(s, pos, next)) ? 20 : 10;
  return w;
}

std::string Unwrapped(std::string s) {
  std::string out;
  for (char c : s)
    if (c != '\n') out.push_back(c);
  return out;
}

TEST(MessageWrap, BreaksAtTheLastPointThatFits) {
  struct TCase {
    const char* text;
    int room;
    const char* wrapped;
  } cases[] = {
      // Short lines and the message's own line ends stay as they are.
      {"short", 100, "short"},
      {"one\rtwo\r\nthree", 50, "one\rtwo\r\nthree"},
      {"", 50, ""},
      // Spaces: the break comes after the last word that fits; the space
      // at the break is not shown.
      {"aaa bbb ccc", 70, "aaa bbb\nccc"},
      {"aaa bbb ccc", 30, "aaa\nbbb\nccc"},
      {"aaa    bbb", 40, "aaa\nbbb"},
      // Paths break after their separators, either kind.
      {"/home/user/pictures/photo.bmp", 120, "/home/user/\npictures/\nphoto.bmp"},
      {"C:\\photos\\2011\\face.bmp", 100, "C:\\photos\\\n2011\\\nface.bmp"},
      // A run with no break point is cut between characters.
      {"abcdefghij", 40, "abcd\nefgh\nij"},
      {"/abcdefghijkl", 50, "/abcd\nefghi\njkl"},
      {"a bbbbbbbbbb", 50, "a\nbbbbb\nbbbbb"},
      // Ideographs break on either side, but not before closing punctuation.
      {"保存图片失败", 60, "保存图\n片失败"},
      {"图片已修改，是否保存？", 100, "图片已修\n改，是否保\n存？"},
      // Less room than one character: still one per line.
      {"abc", 5, "a\nb\nc"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(WrapMessageText(c.text, c.room, FakeLineWidth), c.wrapped);
  }
}

TEST(MessageWrap, EveryLineFitsAndNothingIsLost) {
  std::string path = "/srv";
  while (path.size() < 300) path += "/folder-" + std::to_string(path.size());
  path += "/result.bmp";
  const std::string message = "保存图片失败：\r" + path + "\r文件夹是只读的。";
  const std::string wrapped = WrapMessageText(message, 400, FakeLineWidth);
  std::size_t start = 0;
  int lines = 0;
  while (start <= wrapped.size()) {
    std::size_t end = wrapped.find_first_of("\r\n", start);
    if (end == std::string::npos) end = wrapped.size();
    EXPECT_LE(FakeLineWidth(std::string_view(wrapped).substr(start, end - start)), 400);
    ++lines;
    start = end + 1;
  }
  EXPECT_GE(lines, 2 + (FakeLineWidth(path) + 399) / 400);
  // Breaks without a space only add a line end.
  EXPECT_EQ(Unwrapped(wrapped), message);
}

class MessageBoxWidth : public FormsTest {};

TEST_F(MessageBoxWidth, ALongPathStaysWithinTwoThirdsOfTheWorkArea) {
  std::string path = "/home/user";
  while (path.size() < 300) path += "/Pictures" + std::to_string(path.size());
  const TRect work = Screen->WorkAreaRect();
  for (TMsgDlgType type : {mtError, mtCustom}) {
    std::unique_ptr<TForm> d(CreateMessageDialog("Cannot save the picture:\n" + path + ".bmp", type, {mbOK}));
    EXPECT_LE(d->Width(), work.Width() * 2 / 3);
    // Wider than a short message: the room is used.
    EXPECT_GT(d->Width(), work.Width() / 3);
    auto* label = dynamic_cast<TLabel*>(d->FindComponent("Message"));
    ASSERT_NE(label, nullptr);
    EXPECT_LE(label->Left() + label->Width(), d->ClientWidth());
    EXPECT_EQ(Unwrapped(label->Caption()), "Cannot save the picture:" + path + ".bmp");
    // Broken between folders: every line but the last ends with a separator.
    const std::string shown = label->Caption();
    const std::size_t first = shown.find('\n');
    for (std::size_t at = shown.find('\n', first + 1); at != std::string::npos; at = shown.find('\n', at + 1))
      EXPECT_EQ(shown[at - 1], '/') << shown;
  }
}

}  // namespace
