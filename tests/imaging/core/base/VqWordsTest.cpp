#include <gtest/gtest.h>

#include <string>

#include "imaging/core/base/vqwords.h"

namespace {

class WordTable : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearWordTable();
    FillWordTable();
    savedLocale_ = SystemLocaleId;
  }
  void TearDown() override {
    SystemLocaleId = savedLocale_;
    ClearWordTable();
    FillWordTable();
  }
  std::uint32_t savedLocale_ = 0;
};

TEST_F(WordTable, HoldsTheTellingRowsInEveryLanguage) {
  struct Row {
    int Id;
    const char* Words[11];  // English .. Polish
  };
  const Row rows[] = {
      {0, {"Preview", "Anteprima", "Vorschau", "Vista Previa", "Prévisualisation", "Visualizar", "Προεπισκόπηση", "Просмотр", "Voorbeeld", "Granska", "Podgląd"}},
      {3, {"OK", "OK", "OK", "Aceptar", "Ok", "OK", "\u039F\u039A", "OK", "OK", "OK", "OK"}},
      {4, {"Cancel", "Annulla", "Abbrechen", "Cancelar", "Annuler", "Cancelar", "Άκυρο", "Отмена", "Annuleren", "Avbryt", "Anuluj"}},
      {45, {"Advanced", "Avanzate", "Optionen", "Avanzados", "Avancé", "Avançados", "Προχωρημένα", "Опции", "Geavanceerd", "Avancerat", "Zaawansowany"}},
      {58, {"Colors", "Colori", "Farben", "Colores", "Couleurs", "Cores", "Χρώματα", "Цвета", "Kleuren", "Färger", "Kolory"}},
      {87, {"Animate", "Animazione", "Abspielen", "Animado", "Animé", "Animate", "Animate", "Анимация", "Animeren", "Animation", "Animuj"}},
      {120, {"Apply", "Applica", "Anwenden", "Aplicar", "Appliquer", "Aplicar", "Apply", "Применить", "Toepassen", "Applicera", "Zastosuj"}},
      {123, {"Rate", "Qualità", "Rate", "Rate", "Rate", "Rate", "Rate", "Степень", "Rate", "Proportion", "Rate"}},
      {124, {"All graphics", "Tutti", "Alle Bilddateien", "All graphics", "All graphics", "All graphics", "All graphics", "Вся графика", "All graphics", "All graphics", "All graphics"}},
      {125, {"Video for Windows", "Video for Windows", "Video für Windows", "Video for Windows", "Video for Windows", "Video for Windows", "Video for Windows", "Видео для Windows", "Video for Windows", "Video for Windows", "Video for Windows"}},
      {126, {"File", "File", "Datei", "File", "File", "File", "File", "Файл", "File", "File", "File"}},
      {127, {"Mem", "Mem", "Ram", "Mem", "Mem", "Mem", "Mem", "Mem", "Mem", "Mem", "Mem"}},
      {128, {"Automatically updates your preview with the changes you have selected", "Aggiorna automaticamente l'anteprima", "Vorschau einfrieren", "Bloquear Vista Previa", "Bloquer la prévisualisation", "Bloquear Visualização", "Κλείδωμα προεπισκόπησης", "Блокировать", "Voorbeeld op slot", "Lås granskning", "Zablokuj podgląd"}},
  };
  for (const Row& r : rows)
    for (int lang = 0; lang < 11; ++lang)
      EXPECT_EQ(GetWord(static_cast<Byte>(r.Id), static_cast<TMsgLanguage>(msEnglish + lang)), r.Words[lang])
          << "id " << r.Id << " language " << lang + 1;
}

TEST_F(WordTable, FillsEveryCellButPolish123AndLeavesSystemAndUserRowsEmpty) {
  int english = 0;
  for (int id = 0; id < kWordCount; ++id)
    if (!GetWord(static_cast<Byte>(id), msEnglish).empty()) ++english;
  EXPECT_EQ(english, kWordCount);
  // With the English row emptied, every other row shows only its own cells.
  for (int id = 0; id < kWordCount; ++id) SetWord(msEnglish, static_cast<Byte>(id), "");
  int others = 0;
  for (int lang = msItalian; lang <= msPolish; ++lang)
    for (int id = 0; id < kWordCount; ++id)
      if (!GetWord(static_cast<Byte>(id), static_cast<TMsgLanguage>(lang)).empty()) ++others;
  EXPECT_EQ(english + others, 1440);
  EXPECT_EQ(GetWord(123, msPolish), "");
  EXPECT_EQ(GetWord(0, msUser), "");
}

TEST_F(WordTable, FallsBackToEnglish) {
  EXPECT_EQ(GetWord(123, msPolish), "Rate");
  for (int id = 0; id < kWordCount; ++id)
    EXPECT_EQ(GetWord(static_cast<Byte>(id), msUser), GetWord(static_cast<Byte>(id), msEnglish)) << id;
  EXPECT_EQ(GetWord(11, msEnglish), "Value");
  EXPECT_EQ(GetWord(103, msEnglish), "Value");
}

TEST_F(WordTable, UserWordsReplaceOnlyTheirCell) {
  SetWord(msUser, 0, "X");
  EXPECT_EQ(GetWord(0, msUser), "X");
  EXPECT_EQ(GetWord(1, msUser), "Original");
  EXPECT_EQ(GetWord(130, msUser), "Print Selected");
}

TEST_F(WordTable, SystemLanguageFollowsTheLocaleWithoutFallback) {
  struct Case {
    std::uint32_t Locale;
    Byte Id;
    const char* Word;
  } cases[] = {
      {0x0407, 0, "Vorschau"},      // German
      {0x0807, 0, "Vorschau"},      // Swiss German: only the low 10 bits count
      {0x0804, 0, "Preview"},       // Chinese
      {0x0411, 0, "Preview"},       // Japanese
      {0x0415, 123, ""},            // Polish: the gap is not filled from English
      {0x0415, 0, "Podgląd"},
      {0x0419, 4, "Отмена"},
      {0x0408, 3, "\u039F\u039A"},
      {0x041D, 123, "Proportion"},
      {0x0000, 0, "Preview"},       // low 16 bits zero: English
      {0x10000, 0, "Preview"},
  };
  for (const Case& c : cases) {
    SystemLocaleId = c.Locale;
    EXPECT_EQ(GetWord(c.Id, msSystem), c.Word) << std::hex << c.Locale;
  }
}

TEST_F(WordTable, MapsPosixLocaleNamesToWindowsIdentifiers) {
  EXPECT_EQ(LocaleIdFromName("de_DE.UTF-8"), 0x0407u);
  EXPECT_EQ(LocaleIdFromName("pl_PL"), 0x0415u);
  EXPECT_EQ(LocaleIdFromName("zh_CN.GB2312"), 0x0804u);
  EXPECT_EQ(LocaleIdFromName("sv"), 0x041Du);
  EXPECT_EQ(LocaleIdFromName("C"), 0u);
  EXPECT_EQ(LocaleIdFromName(""), 0u);
  EXPECT_EQ(LanguageOfLocale(LocaleIdFromName("el_GR.UTF-8")), msGreek);
  EXPECT_EQ(LanguageOfLocale(LocaleIdFromName("POSIX")), msEnglish);
}

TEST_F(WordTable, IgnoresIdsBeyondTheTable) {
  EXPECT_EQ(GetWord(131, msEnglish), "");
  EXPECT_EQ(GetWord(255, msUser), "");
  SetWord(msUser, 200, "ignored");
  EXPECT_EQ(GetWord(200, msUser), "");
  EXPECT_EQ(GetWord(0, static_cast<TMsgLanguage>(13)), "");
}

TEST_F(WordTable, ClearEmptiesEveryRow) {
  ClearWordTable();
  EXPECT_EQ(GetWord(0, msEnglish), "");
  EXPECT_EQ(GetWord(0, msGerman), "");
}

}  // namespace
