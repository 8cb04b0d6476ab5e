#include "app/Language.h"

#include <QCoreApplication>
#include <QTranslator>

namespace stratex {

namespace {

Language current = Language::Russian;
// The installed translation, a child of the application object; null while the window speaks Russian.
QTranslator* installed = nullptr;

}  // namespace

Language LanguageOfLocale(const QLocale& locale) {
    const QStringList languages = locale.uiLanguages();
    const QLocale first = languages.isEmpty() ? locale : QLocale(languages.first());
    return first.language() == QLocale::Russian || first.language() == QLocale::C ? Language::Russian
                                                                                  : Language::English;
}

std::optional<Language> LanguageOfCode(const QString& code) {
    if (code == QLatin1String("ru")) return Language::Russian;
    if (code == QLatin1String("en")) return Language::English;
    return std::nullopt;
}

void UseLanguage(Language language) {
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
        installed = nullptr;
    }
    current = language;
    if (language == Language::Russian) return;
    auto* translator = new QTranslator(QCoreApplication::instance());
    // The translation is built into the program (a resource of the window's library): it cannot be missing.
    if (!translator->load(QStringLiteral(":/i18n/stratex_en.qm"))) {
        qWarning("the English translation is missing from the program");
        delete translator;
        return;
    }
    QCoreApplication::installTranslator(translator);
    installed = translator;
}

Language CurrentLanguage() { return current; }

}  // namespace stratex
