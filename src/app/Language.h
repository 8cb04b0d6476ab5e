#pragma once

#include <QLocale>
#include <QString>
#include <optional>

namespace stratex {

// The language the window speaks. Its texts are written in Russian; English comes from the translation
// built into the program (translations/stratex_en.ts). Qt's own texts (file dialogs, message boxes, their
// buttons) are English; in Russian they come from Qt's translation "qtbase_ru" where the system has it.
enum class Language { Russian, English };

// The language a locale asks for: Russian for a Russian locale and for the C (POSIX) locale, English for
// any other. The first of the locale's user interface languages decides (LANGUAGE, LC_MESSAGES, LANG for
// the system locale).
Language LanguageOfLocale(const QLocale& locale);

// The language that the settings' "Language" names: "ru" or "en"; nothing for any other text.
std::optional<Language> LanguageOfCode(const QString& code);

// Makes language the application's: installs its translation, the program's for English or Qt's for
// Russian (from Qt's translations folder, else the "translations" folder beside the program; without it
// Qt's texts stay English). Widgets receive a LanguageChange event when the language changes.
void UseLanguage(Language language);
// The language of the last UseLanguage; Russian before any.
Language CurrentLanguage();

// The folder of the type name files that the window reads in language: for English the folder "en" of
// programDir where there is one, else programDir (the Russian names). programDir ends in a separator, and
// so does the folder returned.
QString TypeNamesFolder(Language language, const QString& programDir);

}  // namespace stratex
