// The word table of the imaging library's dialogs: 131 words in eleven
// built-in languages plus a row the application may fill. Texts are UTF-8.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rtl/Types.h"

enum TMsgLanguage : Byte {
  msSystem,
  msEnglish,
  msItalian,
  msGerman,
  msSpanish,
  msFrench,
  msPortuguese,
  msGreek,
  msRussian,
  msDutch,
  msSwedish,
  msPolish,
  msUser,
};

constexpr int kMsgLanguageCount = 13;
constexpr int kWordCount = 131;

// Stores text in the cell (language, id); ids above 130 are ignored.
void SetWord(TMsgLanguage language, Byte id, const std::string& text);
// The word to show: the language's cell, or the English one when that is
// empty; msSystem picks the row of the system locale without that fallback.
// "" for ids above 130.
std::string GetWord(Byte id, TMsgLanguage language);
// Fills rows msEnglish to msPolish.
void FillWordTable();
// Empties every cell.
void ClearWordTable();

// Locale identifier of the system as Windows numbers it (primary language in
// the low 10 bits), read from LC_ALL, LC_MESSAGES or LANG at start; 0 when
// none is set. An application or a test may replace it.
extern std::uint32_t SystemLocaleId;
// "de_DE.UTF-8" gives 0x0407; an unknown or empty name gives 0.
std::uint32_t LocaleIdFromName(std::string_view name);
// The built-in row that msSystem reads for a locale identifier.
TMsgLanguage LanguageOfLocale(std::uint32_t localeId);
