#pragma once

#include <QLocale>
#include <QString>
#include <optional>

namespace stratex {

// The language the window speaks. Its texts are written in Russian; English comes from the translation
// built into the program (translations/stratex_en.ts), so Russian needs no translation loaded.
enum class Language { Russian, English };

// The language a locale asks for: Russian for a Russian locale and for the C (POSIX) locale, English for
// any other. The first of the locale's user interface languages decides (LANGUAGE, LC_MESSAGES, LANG for
// the system locale).
Language LanguageOfLocale(const QLocale& locale);

// The language that the settings' "Language" names: "ru" or "en"; nothing for any other text.
std::optional<Language> LanguageOfCode(const QString& code);

// Makes language the application's: installs its translation (English) or removes it (Russian). Widgets
// receive a LanguageChange event when the language changes.
void UseLanguage(Language language);
// The language of the last UseLanguage; Russian before any.
Language CurrentLanguage();

}  // namespace stratex
