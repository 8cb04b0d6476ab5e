// The window's language: the one the settings name, else the one the locale asks for (Russian for a Russian
// and for the C locale, English for any other); the language menu changes it at once and for the next start.
#include <QCheckBox>
#include <QGroupBox>
#include <QLocale>
#include <QSettings>
#include <QTableView>

#include "app/Language.h"
#include "app/PanelStatusBar.h"
#include "app/PreviewWindow.h"
#include "app/WindowTexts.h"
#include "support/WindowFixture.h"

using stratex::test::WindowFixture;

namespace {

// Texts of the window in one language: a box's caption, a check box, a column title.
struct Texts {
    QString points;
    QString showAll;
    QString levelColumn;
};

const Texts kRussian = {"Точки", "Показать все объекты", "До слоя"};
const Texts kEnglish = {"Points", "Show all objects", "Up to"};

void CheckTexts(WindowFixture& fixture, const Texts& texts) {
    QCOMPARE(fixture.Find<QGroupBox>("GroupBox2")->title(), texts.points);
    auto* showAll = fixture.Find<QCheckBox>("ShowAllCheck");
    QCOMPARE(showAll->text(), texts.showAll);
    // The caption is never cut.
    QVERIFY(showAll->width() >= showAll->sizeHint().width());
    QCOMPARE(fixture.List("POIListView")->model()->headerData(0, Qt::Horizontal).toString(), texts.levelColumn);
}

}  // namespace

class TestLanguage : public QObject {
    Q_OBJECT

private slots:
    void LanguageFollowsTheSettingElseTheLocale_data();
    void LanguageFollowsTheSettingElseTheLocale();
    void MenuChangesTheLanguageAtOnceAndForTheNextStart();
};

void TestLanguage::LanguageFollowsTheSettingElseTheLocale_data() {
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<bool>("english");
    QTest::newRow("C locale") << QString() << QLocale::c() << false;
    QTest::newRow("Russian locale") << QString() << QLocale(QLocale::Russian, QLocale::Russia) << false;
    QTest::newRow("English locale") << QString() << QLocale(QLocale::English, QLocale::UnitedStates) << true;
    QTest::newRow("German locale") << QString() << QLocale(QLocale::German, QLocale::Germany) << true;
    QTest::newRow("setting en, C locale") << "en" << QLocale::c() << true;
    QTest::newRow("setting ru, English locale") << "ru" << QLocale(QLocale::English, QLocale::UnitedStates) << false;
    QTest::newRow("unknown setting") << "fr" << QLocale(QLocale::English, QLocale::UnitedStates) << true;
}

void TestLanguage::LanguageFollowsTheSettingElseTheLocale() {
    QFETCH(QString, setting);
    QFETCH(QLocale, locale);
    QFETCH(bool, english);
    WindowFixture fixture;
    if (!setting.isEmpty()) {
        QSettings store(QSettings::IniFormat, QSettings::UserScope, "Stratex", "Stratex");
        store.setValue("Software/Stratex/Language", setting);
    }
    QLocale::setDefault(locale);
    fixture.Start();
    CheckTexts(fixture, english ? kEnglish : kRussian);
    QVERIFY(fixture.prompts().messages.empty());
}

void TestLanguage::MenuChangesTheLanguageAtOnceAndForTheNextStart() {
    WindowFixture fixture;
    fixture.Start();
    const QString map = fixture.WriteCp1251("maps/city.mp", WindowFixture::SampleMap());
    fixture.OpenMap(map);
    fixture.Click("DoSpeedButton");
    QCOMPARE(fixture.Status(), QStringLiteral("Изменение OK"));
    auto* status = fixture.Find<stratex::PanelStatusBar>("StatusBar");
    QVERIFY(status->toolTip().contains(QStringLiteral("Итого: вставлено 2")));
    const auto rowTip = [&fixture] {
        return fixture.List("POIListView")->model()->index(0, 1).data(Qt::ToolTipRole).toString();
    };
    QCOMPARE(rowTip(), QStringLiteral("1 объект, EndLevel нет (1)"));
    QTest::keyClick(&fixture.window(), Qt::Key_F6);
    QVERIFY(fixture.window().preview() && fixture.window().preview()->isVisible());
    QCOMPARE(fixture.window().preview()->windowTitle(), QStringLiteral("Просмотр"));

    // The menu is the window's context menu's "Язык".
    auto* menu = fixture.Find<QMenu>("LanguageMenu");
    QVERIFY(menu);
    menu->popup(fixture.window().mapToGlobal(QPoint(20, 400)));
    fixture.ChooseMenuItem("LanguageMenu", "Language_en");
    QTRY_COMPARE(fixture.Find<QGroupBox>("GroupBox2")->title(), kEnglish.points);
    CheckTexts(fixture, kEnglish);
    // What the window shows already is said anew: the status text and the summary.
    QCOMPARE(fixture.Status(), QStringLiteral("Change OK"));
    QVERIFY(status->toolTip().contains(QStringLiteral("Total: 2 inserted")));
    QVERIFY(!status->toolTip().contains(QStringLiteral("Итого")));
    QCOMPARE(rowTip(), QStringLiteral("1 object, EndLevel none (1)"));
    // English counts by its own rule: 21 is plural, as Russian would not have it.
    QCOMPARE(stratex::WindowTexts::ObjectCount(21), QStringLiteral("21 objects"));
    // The open Preview window speaks it too.
    QVERIFY(fixture.window().preview() && fixture.window().preview()->isVisible());
    QCOMPARE(fixture.window().preview()->windowTitle(), QStringLiteral("Preview"));

    fixture.Start();
    CheckTexts(fixture, kEnglish);
    fixture.Find<QMenu>("LanguageMenu")->popup(fixture.window().mapToGlobal(QPoint(20, 400)));
    fixture.ChooseMenuItem("LanguageMenu", "Language_system");
    QTRY_COMPARE(fixture.Find<QGroupBox>("GroupBox2")->title(), kRussian.points);
    fixture.Start();
    CheckTexts(fixture, kRussian);
}

QTEST_MAIN(TestLanguage)
#include "TestLanguage.moc"
