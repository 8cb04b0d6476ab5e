#include "app/Language.h"

#include <QCoreApplication>
#include <QTranslator>
#include <memory>

namespace stratex {

namespace {

Language current = Language::Russian;

// The installed translation; null while the window speaks Russian.
std::unique_ptr<QTranslator>& Installed() {
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

}  // namespace

Language LanguageOfLocale(const QLocale& locale) {
    const QStringList languages = locale.uiLanguages();
    const QLocale first = languages.isEmpty() ? locale : QLocale(languages.first());
    return first.language() == QLocale::Russian || first.language() == QLocale::C ? Language::Russian
                                                                                  : Language::English;
}

QString LanguageCode(Language language) {
    return language == Language::English ? QStringLiteral("en") : QStringLiteral("ru");
}

std::optional<Language> LanguageOfCode(const QString& code) {
    if (code == QLatin1String("ru")) return Language::Russian;
    if (code == QLatin1String("en")) return Language::English;
    return std::nullopt;
}

void UseLanguage(Language language) {
    std::unique_ptr<QTranslator>& installed = Installed();
    if (installed) {
        QCoreApplication::removeTranslator(installed.get());
        installed.reset();
    }
    current = language;
    if (language == Language::Russian) return;
    auto translator = std::make_unique<QTranslator>();
    // The translation is built into the program (a resource of the window's library): it cannot be missing.
    if (!translator->load(QStringLiteral(":/i18n/stratex_en.qm"))) {
        qWarning("the English translation is missing from the program");
        return;
    }
    QCoreApplication::installTranslator(translator.get());
    installed = std::move(translator);
}

Language CurrentLanguage() { return current; }

}  // namespace stratex
