// The platform's own texts shown to the user: common dialogs' labels and
// messages, message-box captions and buttons, window-menu and edit-menu
// items. They are written in English at their place of use and looked up
// here, as the system supplies its stock texts in the user's language: a
// locale naming Chinese (zh_*) gives the Simplified Chinese table.
#pragma once
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

enum class TStockLanguage { English, Chinese };

// From the first of LC_ALL, LC_MESSAGES and LANG that is set and not empty,
// as the C library's message catalogues choose.
TStockLanguage StockLanguageFromLocale(const char* lcAll, const char* lcMessages, const char* lang);
// The language in use: read from the environment once, unless set.
TStockLanguage StockLanguage();
// Fixes the language (tests); nullopt reads the environment again.
void SetStockLanguage(std::optional<TStockLanguage> language);

// The text for an English stock text in the language in use; a text without
// a translation stays as it is. Mnemonics follow the language's custom
// ("&Open" becomes "打开(&O)").
std::string StockText(std::string_view english);
// StockText of a pattern whose "%s" marks take `args` in order.
std::string StockFormat(std::string_view englishPattern, std::initializer_list<std::string> args);
