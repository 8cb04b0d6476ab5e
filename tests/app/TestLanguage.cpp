// The window's language: the one the settings name, else the one the locale asks for (Russian for a Russian
// and for the C locale, English for any other); the language menu changes it at once and for the next start.
#include <QCheckBox>
#include <QComboBox>
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

// Texts of the window in one language: a box's caption, a check box, a column title, and Qt's own text of
// the Yes button of its questions.
struct Texts {
    QString points;
    QString showAll;
    QString levelColumn;
    QString yes;
};

const Texts kRussian = {"Точки", "Показать все объекты", "До слоя", "&Да"};
const Texts kEnglish = {"Points", "Show all objects", "Up to", "&Yes"};

void CheckTexts(WindowFixture& fixture, const Texts& texts) {
    QCOMPARE(fixture.Find<QGroupBox>("GroupBox2")->title(), texts.points);
    auto* showAll = fixture.Find<QCheckBox>("ShowAllCheck");
    QCOMPARE(showAll->text(), texts.showAll);
    // The caption is never cut.
    QVERIFY(showAll->width() >= showAll->sizeHint().width());
    QCOMPARE(fixture.List("POIListView")->model()->headerData(0, Qt::Horizontal).toString(), texts.levelColumn);
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), texts.yes);
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
    // The English type names, in the folder "en" beside the Russian ones.
    fixture.WriteCp1251("work/en/poi.txt", "0x2f06=Bank\n0x2a00=Restaurant\n");
    fixture.WriteCp1251("work/en/polyline.txt", "0x16=Trail\n");
    fixture.WriteCp1251("work/en/polygon.txt", "0x4c=Lake\n");
    fixture.Start();
    const QString map = fixture.WriteCp1251("maps/city.mp", WindowFixture::SampleMap());
    fixture.OpenMap(map);
    const auto names = [&fixture] { return WindowFixture::ColumnTexts(fixture.List("POIListView"), 2); };
    const auto level1 = [&fixture] {
        return fixture.Find<QTableView>("LevelsList")->model()->index(1, 1).data().toString();
    };
    QCOMPARE(names(), (QStringList{"Ресторан", "Банк"}));
    QCOMPARE(level1(), QStringLiteral("22bit (<=500м)"));
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
    // What the window shows already is said anew: the type names, the zooms, the status text and the summary.
    QCOMPARE(names(), (QStringList{"Restaurant", "Bank"}));
    QCOMPARE(level1(), QStringLiteral("22bit (<=500 m)"));
    QCOMPARE(fixture.Status(), QStringLiteral("Change OK"));
    QVERIFY(status->toolTip().contains(QStringLiteral("Total: 2 inserted")));
    QVERIFY(!status->toolTip().contains(QStringLiteral("Итого")));
    QCOMPARE(rowTip(), QStringLiteral("1 object, EndLevel none (1)"));
    // English counts by its own rule: 21 is plural, as Russian would not have it.
    QCOMPARE(stratex::WindowTexts::ObjectCount(21), QStringLiteral("21 objects"));
    // The open Preview window speaks it too.
    QVERIFY(fixture.window().preview() && fixture.window().preview()->isVisible());
    QCOMPARE(fixture.window().preview()->windowTitle(), QStringLiteral("Preview"));
    QCOMPARE(fixture.window().preview()->findChild<QComboBox*>("PreviewLevel")->itemText(1),
             QStringLiteral("Level1 22bit (<=500 m)"));

    fixture.Start();
    CheckTexts(fixture, kEnglish);
    fixture.Find<QMenu>("LanguageMenu")->popup(fixture.window().mapToGlobal(QPoint(20, 400)));
    fixture.ChooseMenuItem("LanguageMenu", "Language_system");
    QTRY_COMPARE(fixture.Find<QGroupBox>("GroupBox2")->title(), kRussian.points);
    fixture.OpenMap(map);
    QCOMPARE(names(), (QStringList{"Ресторан", "Банк"}));
    fixture.Start();
    CheckTexts(fixture, kRussian);
}

QTEST_MAIN(TestLanguage)
#include "TestLanguage.moc"
