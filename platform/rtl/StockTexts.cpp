#include "platform/rtl/StockTexts.h"

#include <cstdlib>
#include <cstring>

namespace {

struct TStockEntry {
  const char* english;
  const char* chinese;
};

// Sorted by nothing: looked up rarely (when a dialog or menu is built).
constexpr TStockEntry kChinese[] = {
    // Message boxes.
    {"Yes", "是"}, {"&Yes", "是(&Y)"}, {"No", "否"}, {"&No", "否(&N)"}, {"OK", "确定"}, {"Cancel", "取消"},
    {"&Abort", "中止(&A)"}, {"&Retry", "重试(&R)"}, {"&Ignore", "忽略(&I)"}, {"&All", "全部(&A)"},
    {"N&o to All", "全部否(&O)"}, {"Yes to &All", "全部是(&A)"}, {"&Help", "帮助(&H)"},
    {"Warning", "警告"}, {"Error", "错误"}, {"Information", "信息"}, {"Confirm", "确认"},
    // The window menu.
    {"&Restore", "还原(&R)"}, {"&Move", "移动(&M)"}, {"&Size", "大小(&S)"}, {"Mi&nimize", "最小化(&N)"},
    {"Ma&ximize", "最大化(&X)"}, {"&Close\tAlt+F4", "关闭(&C)\tAlt+F4"},
    {"&Close\tCtrl+F4", "关闭(&C)\tCtrl+F4"}, {"Nex&t\tCtrl+F6", "下一个(&T)\tCtrl+F6"},
    // An MDI frame's list of windows.
    {"&More Windows...", "其他窗口(&M)..."}, {"Select Window", "选择窗口"},
    // The edit menu.
    {"&Undo", "撤消(&U)"}, {"Cu&t", "剪切(&T)"}, {"&Copy", "复制(&C)"}, {"&Paste", "粘贴(&P)"},
    {"&Delete", "删除(&D)"}, {"Select &All", "全选(&A)"},
    // The open and save dialogs.
    {"Open", "打开"}, {"Save As", "另存为"}, {"&Open", "打开(&O)"}, {"&Save", "保存(&S)"},
    {"Look in:", "查找范围:"}, {"Up", "向上"}, {"File name:", "文件名:"}, {"Files of type:", "文件类型:"},
    {"Open as &read-only", "以只读方式打开(&R)"}, {"Name", "名称"}, {"Size", "大小"}, {"Type", "类型"},
    {"Date modified", "修改日期"}, {"File", "文件"}, {"Folder", "文件夹"}, {"%s file", "%s 文件"},
    {"Desktop", "桌面"}, {"Documents", "文档"}, {"Pictures", "图片"}, {"Home", "主文件夹"},
    {"File System", "文件系统"},
    {"The folder does not exist. Check the path and try again.", "文件夹不存在。请检查路径，然后重试。"},
    {"File not found. Check the file name and try again.", "找不到文件。请检查文件名，然后重试。"},
    {"%s already exists.\nDo you want to replace it?", "%s 已存在。\n要替换它吗?"},
    {"%s does not exist.\nDo you want to create it?", "%s 不存在。\n要创建它吗?"},
    // The colour dialog.
    {"Color", "颜色"}, {"&Basic colors:", "基本颜色(&B):"}, {"&Custom colors:", "自定义颜色(&C):"},
    {"&Define Custom Colors >>", "规定自定义颜色(&D) >>"}, {"&Add to Custom Colors", "添加到自定义颜色(&A)"},
    {"Hu&e:", "色调(&E):"}, {"&Sat:", "饱和度(&S):"}, {"&Lum:", "亮度(&L):"}, {"&Red:", "红(&R):"},
    {"&Green:", "绿(&G):"}, {"Bl&ue:", "蓝(&U):"}, {"Color|S&olid", "颜色|纯色(&O)"},
    // The font dialog.
    {"Font", "字体"}, {"&Font:", "字体(&F):"}, {"Font st&yle:", "字形(&Y):"}, {"&Size:", "大小(&S):"},
    {"Sample", "示例"}, {"Sc&ript:", "字符集(&R):"}, {"Effects", "效果"}, {"Stri&keout", "删除线(&K)"},
    {"&Underline", "下划线(&U)"}, {"&Color:", "颜色(&C):"}, {"Custom", "自定义"}, {"Regular", "常规"},
    {"Italic", "倾斜"}, {"Bold", "粗体"}, {"Bold Italic", "粗偏斜体"},
    {"Choose a font from the list of fonts.", "请从字体列表中选择一种字体。"},
    {"There is no font with that name.\nChoose a font from the list of fonts.",
     "没有该名称的字体。\n请从字体列表中选择一种字体。"},
    {"Size must be a number.", "大小必须是数字。"},
    {"Size must be between %s and %s points.", "大小必须介于 %s 和 %s 磅之间。"},
};

std::optional<TStockLanguage> g_language;

}  // namespace

TStockLanguage StockLanguageFromLocale(const char* lcAll, const char* lcMessages, const char* lang) {
  const char* chosen = nullptr;
  for (const char* v : {lcAll, lcMessages, lang})
    if (v && *v) {
      chosen = v;
      break;
    }
  return chosen && std::strncmp(chosen, "zh", 2) == 0 ? TStockLanguage::Chinese : TStockLanguage::English;
}

TStockLanguage StockLanguage() {
  if (!g_language)
    g_language = StockLanguageFromLocale(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
  return *g_language;
}

void SetStockLanguage(std::optional<TStockLanguage> language) { g_language = language; }

std::string StockText(std::string_view english) {
  if (StockLanguage() == TStockLanguage::Chinese)
    for (const TStockEntry& e : kChinese)
      if (english == e.english) return e.chinese;
  return std::string(english);
}

std::string StockFormat(std::string_view englishPattern, std::initializer_list<std::string> args) {
  std::string text = StockText(englishPattern);
  std::size_t from = 0;
  for (const std::string& arg : args) {
    const std::size_t at = text.find("%s", from);
    if (at == std::string::npos) break;
    text.replace(at, 2, arg);
    from = at + arg.size();
  }
  return text;
}
