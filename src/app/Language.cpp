#include "app/Language.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

namespace stratex {

namespace {

Language current = Language::Russian;
// The installed translation, a child of the application object; null where there is none.
QTranslator* installed = nullptr;

// Qt's Russian texts: from the system's Qt, else from a copy deployed beside the program (Windows, where
// windeployqt gathers them into qt_ru.qm).
QTranslator* LoadQtRussian() {
    auto* translator = new QTranslator(QCoreApplication::instance());
    const QString folders[] = {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                               QCoreApplication::applicationDirPath() + QStringLiteral("/translations")};
    for (const QString& folder : folders) {
        for (const char* name : {"qtbase_ru", "qt_ru"}) {
            if (translator->load(QString::fromLatin1(name), folder)) return translator;
        }
    }
    delete translator;
    return nullptr;
}

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
    if (language == Language::Russian) {
        installed = LoadQtRussian();
        if (installed) QCoreApplication::installTranslator(installed);
        return;
    }
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

QString TypeNamesFolder(Language language, const QString& programDir) {
    const QString english = programDir + QStringLiteral("en") + QDir::separator();
    if (language == Language::English && QDir(english).exists()) return english;
    return programDir;
}

}  // namespace stratex
