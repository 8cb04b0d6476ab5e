// Open MAP: the dialog, the settings, the caption, the lists and the buttons; the outcomes that are not a
// map and the failures, after which the window still shows the map it showed before.
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QSettings>
#include <QTableView>
#include <QUrl>

#include "support/WindowFixture.h"

using stratex::FileDialogState;
using stratex::TMainForm;
using stratex::test::WindowFixture;

namespace {

// What the window shows of the open map, to compare before and after an operation.
struct Shown {
    QString caption;
    QList<QStringList> lists;
    QStringList levels;
    QList<bool> buttons;

    bool operator==(const Shown&) const = default;
};

Shown Capture(WindowFixture& fixture) {
    Shown shown;
    shown.caption = fixture.window().windowTitle();
    for (const char* name : {"POIListView", "LINEListView", "POLYListView"}) {
        QAbstractItemView* view = fixture.List(name);
        for (int column = 0; column < 3; ++column) shown.lists << WindowFixture::ColumnTexts(view, column);
    }
    auto* levels = fixture.Find<QTableView>("LevelsList");
    for (int row = 0; row < levels->model()->rowCount(); ++row) {
        shown.levels << levels->model()->index(row, 0).data().toString() + "=" +
                            levels->model()->index(row, 1).data().toString();
    }
    for (const char* name : {"OpenSpeedButton", "DoSpeedButton", "SaveSpeedButton", "OpenCFGSpeedButton",
                             "SaveCFGSpeedButton", "SaveDICSpeedButton"}) {
        shown.buttons << fixture.Button(name)->isEnabled();
    }
    return shown;
}

QString StoredLastDir() {
    QSettings store(QSettings::IniFormat, QSettings::UserScope, "Stratex", "Stratex");
    return store.value("Software/Stratex/LastDir").toString();
}

}  // namespace

class TestOpenMap : public QObject {
    Q_OBJECT

private slots:
    void OpenedMapFillsTheWindow();
    void OpenDialogProposesTheLastNameCutBeforeTheFirstDot();
    void CancelChangesNothing();
    void FileWithoutHeaderEndIsNoPolishMap();
    void FailedOpenKeepsThePreviousMap_data();
    void FailedOpenKeepsThePreviousMap();
    void OpenMapUnticksShowAllFirst();
    void OpenMapLeavesSaveMapAndModifiedAlone();
    void SaveDicFollowsTheDictionaryOption_data();
    void SaveDicFollowsTheDictionaryOption();
    void DictionaryLevelsAreReadWithTheOption();
    void DroppedMapOpensWithoutTheDialog();
    void MapNamedOnTheCommandLineOpensWithoutTheDialog();
    void KeysActLikeTheirEnabledButtons();
};

void TestOpenMap::OpenedMapFillsTheWindow() {
    WindowFixture fixture;
    fixture.Start();
    const QString map = fixture.WriteCp1251("maps/city.mp", WindowFixture::SampleMap());
    fixture.OpenMap(map);
    QVERIFY(fixture.prompts().messages.empty());
    QCOMPARE(fixture.prompts().dialogs.size(), std::size_t(1));
    QCOMPARE(fixture.prompts().dialogs[0].mode, FileDialogState::Mode::Open);
    QCOMPARE(fixture.prompts().dialogs[0].filterIndex, 1);
    QCOMPARE(fixture.prompts().dialogs[0].filters,
             (QStringList{"Polish Map (*.mp)", "Text Files (*.txt)", "MP levels config (*.cfg)"}));

    QCOMPARE(fixture.window().windowTitle(), "Stratex v2.1 (" + map + ")");
    const QString folder = QDir::toNativeSeparators(fixture.root() + "/maps");
    QCOMPARE(StoredLastDir(), folder);
    QCOMPARE(fixture.window().saveDialog().fileName, map);
    QCOMPARE(fixture.window().saveDialog().initialDir, folder);
    QCOMPARE(fixture.window().openDialog().initialDir, folder);

    // Sorted by the code column; names decoded from the type name files.
    QAbstractItemView* poi = fixture.List("POIListView");
    QCOMPARE(WindowFixture::ColumnTexts(poi, 0), (QStringList{"0", "1"}));
    QCOMPARE(WindowFixture::ColumnTexts(poi, 1), (QStringList{"0x2a00", "0x2f06"}));
    QCOMPARE(WindowFixture::ColumnTexts(poi, 2), (QStringList{"Ресторан", "Банк"}));
    QAbstractItemView* lines = fixture.List("LINEListView");
    QCOMPARE(WindowFixture::ColumnTexts(lines, 0), (QStringList{"2"}));
    QCOMPARE(WindowFixture::ColumnTexts(lines, 2), (QStringList{"Тропа"}));
    QAbstractItemView* polygons = fixture.List("POLYListView");
    QCOMPARE(WindowFixture::ColumnTexts(polygons, 1), (QStringList{"0x4c"}));
    QCOMPARE(WindowFixture::ColumnTexts(polygons, 2), (QStringList{"Озеро"}));

    // The catalogue icon stands in the code column only.
    QVERIFY(!poi->model()->index(1, 1).data(Qt::DecorationRole).value<QPixmap>().isNull());
    QVERIFY(poi->model()->index(1, 0).data(Qt::DecorationRole).isNull());
    QCOMPARE(polygons->model()->index(0, 1).data(Qt::DecorationRole).value<QPixmap>().size(), QSize(50, 20));

    auto* levels = fixture.Find<QTableView>("LevelsList");
    QCOMPARE(WindowFixture::ColumnTexts(levels, 0), (QStringList{"Level0", "Level1", "Level2"}));
    QCOMPARE(WindowFixture::ColumnTexts(levels, 1), (QStringList{"24bit (<=120м)", "22bit (<=500м)", "20bit (<=2км)"}));

    QCOMPARE(fixture.Status(), QStringLiteral("OK"));
    QVERIFY(fixture.Button("DoSpeedButton")->isEnabled());
    QVERIFY(fixture.Button("OpenCFGSpeedButton")->isEnabled());
    QVERIFY(fixture.Button("SaveCFGSpeedButton")->isEnabled());
    QVERIFY(!fixture.Button("SaveSpeedButton")->isEnabled());
    QVERIFY(!fixture.Button("SaveDICSpeedButton")->isEnabled());
}

void TestOpenMap::OpenDialogProposesTheLastNameCutBeforeTheFirstDot() {
    WindowFixture fixture;
    fixture.Start();
    const QString map = fixture.WriteCp1251("my.maps/city.mp", WindowFixture::SampleMap());
    fixture.OpenMap(map);
    fixture.OpenMap(map);
    QCOMPARE(fixture.prompts().dialogs.size(), std::size_t(1));
    // The first dot of the whole path counts, also in a folder name.
    QCOMPARE(fixture.prompts().dialogs[0].fileName, QDir::toNativeSeparators(fixture.root() + "/my"));
    QCOMPARE(fixture.window().openDialog().fileName, map);
}

void TestOpenMap::CancelChangesNothing() {
    WindowFixture fixture;
    fixture.Start();
    const QString map = fixture.WriteCp1251("maps/city.mp", WindowFixture::SampleMap());
    fixture.OpenMap(map);
    const Shown before = Capture(fixture);
    fixture.prompts().dialogAnswers.push_back(QString());
    fixture.Click("OpenSpeedButton");
    QCOMPARE(fixture.prompts().dialogs.size(), std::size_t(2));
    QVERIFY(fixture.prompts().messages.empty());
    QCOMPARE(Capture(fixture), before);
    QCOMPARE(fixture.Status(), QStringLiteral("OK"));
}

void TestOpenMap::FileWithoutHeaderEndIsNoPolishMap() {
    WindowFixture fixture;
    fixture.Start();
    const QString text = fixture.WriteCp1251("notes.txt", "Заметки\nLevel0=22\nLevel1=20\n[POI]\nType=0x2f06\n[END]\n");
    // While the message is up the scan is over, and Open MAP has not yet enabled its buttons.
    int levelRowsBehindMessage = -1;
    bool processEnabledBehindMessage = true;
    fixture.prompts().onMessage = [&](const auto&) {
        levelRowsBehindMessage = fixture.Find<QTableView>("LevelsList")->model()->rowCount();
        processEnabledBehindMessage = fixture.Button("DoSpeedButton")->isEnabled();
    };
    fixture.OpenMap(text);
    QCOMPARE(levelRowsBehindMessage, 2);
    QVERIFY(!processEnabledBehindMessage);
    QCOMPARE(fixture.prompts().messages.size(), std::size_t(1));
    QCOMPARE(fixture.prompts().messages[0].text, QStringLiteral("Этот файл не Polish MAP!!!"));
    QCOMPARE(fixture.prompts().messages[0].caption, QStringLiteral("Ошибка"));
    QCOMPARE(fixture.prompts().messages[0].icon, QMessageBox::Critical);
    QCOMPARE(fixture.Status(), QStringLiteral("Ошибка при обработке файла"));
    // The level lines make rows; no type is listed; the buttons are enabled all the same.
    QCOMPARE(WindowFixture::ColumnTexts(fixture.Find<QTableView>("LevelsList"), 1),
             (QStringList{"22bit (<=500м)", "20bit (<=2км)"}));
    QCOMPARE(fixture.List("POIListView")->model()->rowCount(), 0);
    QVERIFY(fixture.Button("DoSpeedButton")->isEnabled());
    QCOMPARE(fixture.window().windowTitle(), "Stratex v2.1 (" + text + ")");
}

void TestOpenMap::FailedOpenKeepsThePreviousMap_data() {
    QTest::addColumn<QString>("brokenFile");  // relative to the fixture's root; empty: none
    QTest::addColumn<QByteArray>("brokenText");
    QTest::addColumn<QString>("opened");   // relative to the fixture's root
    QTest::addColumn<QString>("message");  // %1: the fixture's root, native separators
    QTest::newRow("type name file missing")
        << "" << QByteArray() << "maps/second.mp"
        << "Cannot open file %1" + QString(QDir::separator()) + "work" + QDir::separator() + "poi.txt.";
    QTest::newRow("map missing") << "" << QByteArray() << "maps/absent.mp"
                                 << "Cannot open file %1" + QString(QDir::separator()) + "maps" + QDir::separator() +
                                        "absent.mp.";
    QTest::newRow("level is no number") << "maps/second.mp"
                                        << QByteArray("[IMG ID]\r\nLevels=1\r\nLevel0=2x\r\n[END-IMG ID]\r\n")
                                        << "maps/second.mp"
                                        << "'2x' is not a valid integer value.";
    QTest::newRow("type is no number") << "maps/second.mp"
                                       << QByteArray("[IMG ID]\r\n[END-IMG ID]\r\n[POI]\r\nType=0xzz\r\n[END]\r\n")
                                       << "maps/second.mp"
                                       << "'0xzz' is not a valid integer value.";
}

void TestOpenMap::FailedOpenKeepsThePreviousMap() {
    QFETCH(QString, brokenFile);
    QFETCH(QByteArray, brokenText);
    QFETCH(QString, opened);
    QFETCH(QString, message);
    WindowFixture fixture;
    fixture.Start();
    const QString first = fixture.WriteCp1251("maps/city.mp", WindowFixture::SampleMap());
    fixture.OpenMap(first);
    fixture.Click("DoSpeedButton");
    const Shown before = Capture(fixture);
    QVERIFY(before.buttons[2]);  // Save MAP, enabled by Process

    fixture.WriteCp1251("maps/second.mp", WindowFixture::SampleMap());
    if (!brokenFile.isEmpty()) fixture.WriteFile(brokenFile, brokenText);
    if (QTest::currentDataTag() == QByteArray("type name file missing")) {
        QVERIFY(QFile::remove(fixture.root() + "/work/poi.txt"));
    }
    fixture.OpenMap(QDir::toNativeSeparators(fixture.root() + "/" + opened));

    QCOMPARE(fixture.prompts().messages.size(), std::size_t(1));
    if (message.contains("%1")) message = message.arg(QDir::toNativeSeparators(fixture.root()));
    QCOMPARE(fixture.prompts().messages[0].text, message);
    QCOMPARE(fixture.prompts().messages[0].caption, QStringLiteral("Stratex"));
    QCOMPARE(fixture.prompts().messages[0].icon, QMessageBox::Critical);
    QCOMPARE(Capture(fixture), before);
    // The open map is still the first one: it can be saved as it was processed.
    QVERIFY(fixture.window().document().modified());
}

void TestOpenMap::OpenMapUnticksShowAllFirst() {
    WindowFixture fixture;
    fixture.Start();
    const QString map = fixture.WriteCp1251("maps/city.mp", WindowFixture::SampleMap());
    fixture.OpenMap(map);
    fixture.Click("DoSpeedButton");
    fixture.Click("ShowAllCheck");
    QVERIFY(fixture.Find<QCheckBox>("ShowAllCheck")->isChecked());
    QCOMPARE(fixture.List("POIListView")->model()->rowCount(), 3);

    fixture.OpenMap(map);
    QVERIFY(!fixture.Find<QCheckBox>("ShowAllCheck")->isChecked());
    QCOMPARE(WindowFixture::ColumnTexts(fixture.List("POIListView"), 1), (QStringList{"0x2a00", "0x2f06"}));
    // Unticking disabled Save MAP; Open MAP enables the others again.
    QVERIFY(!fixture.Button("SaveSpeedButton")->isEnabled());
    QVERIFY(fixture.Button("DoSpeedButton")->isEnabled());
    QVERIFY(fixture.Button("SaveCFGSpeedButton")->isEnabled());
}

void TestOpenMap::OpenMapLeavesSaveMapAndModifiedAlone() {
    WindowFixture fixture;
    fixture.Start();
    const QString map = fixture.WriteCp1251("maps/city.mp", WindowFixture::SampleMap());
    const QString other = fixture.WriteCp1251("maps/other.mp", WindowFixture::SampleMap());
    fixture.OpenMap(map);
    fixture.Click("DoSpeedButton");
    QCOMPARE(fixture.Status(), QStringLiteral("Изменение OK"));
    fixture.OpenMap(other);
    QCOMPARE(fixture.Status(), QStringLiteral("OK"));
    QVERIFY(fixture.Button("SaveSpeedButton")->isEnabled());
    QVERIFY(fixture.window().document().modified());
}

void TestOpenMap::SaveDicFollowsTheDictionaryOption_data() {
    QTest::addColumn<bool>("option");
    QTest::newRow("off") << false;
    QTest::newRow("on") << true;
}

void TestOpenMap::SaveDicFollowsTheDictionaryOption() {
    QFETCH(bool, option);
    WindowFixture fixture;
    fixture.Start();
    if (option) fixture.Click("DicCheckBox");
    QVERIFY(!fixture.Button("SaveDICSpeedButton")->isEnabled());
    fixture.OpenMap(fixture.WriteCp1251("maps/city.mp", WindowFixture::SampleMap()));
    QCOMPARE(fixture.Button("SaveDICSpeedButton")->isEnabled(), option);
    // Switching the option off again leaves the button as it is.
    if (option) {
        fixture.Click("DicCheckBox");
        QVERIFY(fixture.Button("SaveDICSpeedButton")->isEnabled());
    }
}

void TestOpenMap::DictionaryLevelsAreReadWithTheOption() {
    WindowFixture fixture;
    fixture.Start();
    fixture.Click("DicCheckBox");
    // Type 0x16 drawn up to level 3 by the dictionary, whatever its EndLevel says.
    QString flags(255, '0');
    flags[0x16 - 1] = '1';
    QString map = WindowFixture::SampleMap();
    QString dictionary = "[DICTIONARY]\n";
    for (int level = 1; level <= 3; ++level) dictionary += QString("Level%1Rgn40=%2\n").arg(level).arg(flags);
    dictionary += "[END-DICTIONARY]\n";
    map.replace("[END-IMG ID]\n", "[END-IMG ID]\n" + dictionary);
    fixture.OpenMap(fixture.WriteCp1251("maps/dict.mp", map));
    QVERIFY(fixture.prompts().messages.empty());
    QCOMPARE(WindowFixture::ColumnTexts(fixture.List("LINEListView"), 0), (QStringList{"3"}));
}

void TestOpenMap::DroppedMapOpensWithoutTheDialog() {
    WindowFixture fixture;
    fixture.Start();
    const QString map = fixture.WriteCp1251("maps/city.mp", WindowFixture::SampleMap());
    const QString notes = fixture.WriteCp1251("maps/notes.txt", "text\n");
    TMainForm& window = fixture.window();

    const auto drag = [&window](const QString& path) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(300, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &enter);
        if (!enter.isAccepted()) return false;
        QDropEvent drop(QPointF(300, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &drop);
        return true;
    };
    QVERIFY(!drag(notes));
    QVERIFY(drag(map));
    QVERIFY(fixture.prompts().dialogs.empty());
    QVERIFY(fixture.prompts().messages.empty());
    QCOMPARE(window.windowTitle(), "Stratex v2.1 (" + map + ")");
    QCOMPARE(fixture.List("POIListView")->model()->rowCount(), 2);
    QCOMPARE(StoredLastDir(), QDir::toNativeSeparators(fixture.root() + "/maps"));
    QCOMPARE(window.saveDialog().fileName, map);
}

// `stratex city.mp`: the name is taken from the working folder and opened as Open MAP opens it.
void TestOpenMap::MapNamedOnTheCommandLineOpensWithoutTheDialog() {
    WindowFixture fixture;
    fixture.Start();
    fixture.WriteCp1251("work/city.mp", WindowFixture::SampleMap());
    TMainForm& window = fixture.window();
    window.OpenMapArgument("city.mp");
    const QString map = fixture.workDir() + QDir::separator() + "city.mp";
    QVERIFY(fixture.prompts().dialogs.empty());
    QVERIFY(fixture.prompts().messages.empty());
    QCOMPARE(window.windowTitle(), "Stratex v2.1 (" + map + ")");
    QCOMPARE(fixture.List("POIListView")->model()->rowCount(), 2);
    QVERIFY(fixture.Button("DoSpeedButton")->isEnabled());
    QCOMPARE(window.openDialog().fileName, map);
    QCOMPARE(window.saveDialog().fileName, map);

    // A name that cannot be opened is told as Open MAP tells it, and the open map stays.
    window.OpenMapArgument("absent.mp");
    QCOMPARE(fixture.prompts().messages.size(), std::size_t(1));
    QCOMPARE(fixture.prompts().messages[0].text,
             "Cannot open file " + fixture.workDir() + QDir::separator() + "absent.mp.");
    QCOMPARE(window.windowTitle(), "Stratex v2.1 (" + map + ")");
}

void TestOpenMap::KeysActLikeTheirEnabledButtons() {
    WindowFixture fixture;
    fixture.Start();
    const QString map = fixture.WriteCp1251("maps/city.mp", WindowFixture::SampleMap());
    // F5 and Ctrl+S do nothing while their buttons are disabled.
    QTest::keyClick(&fixture.window(), Qt::Key_F5);
    QTest::keyClick(&fixture.window(), Qt::Key_S, Qt::ControlModifier);
    QVERIFY(fixture.prompts().dialogs.empty());
    QVERIFY(!fixture.window().document().modified());

    fixture.prompts().dialogAnswers.push_back(map);
    QTest::keyClick(&fixture.window(), Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(fixture.prompts().dialogs.size(), std::size_t(1));
    QCOMPARE(fixture.List("POIListView")->model()->rowCount(), 2);

    QTest::keyClick(&fixture.window(), Qt::Key_F5);
    QVERIFY(fixture.window().document().modified());
    const QString saved = QDir::toNativeSeparators(fixture.root() + "/out/saved.mp");
    QDir().mkpath(fixture.root() + "/out");
    fixture.prompts().dialogAnswers.push_back(saved);
    QTest::keyClick(&fixture.window(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(fixture.prompts().dialogs.size(), std::size_t(2));
    QVERIFY(QFileInfo::exists(saved));
    QVERIFY(!fixture.window().document().modified());
}

QTEST_MAIN(TestOpenMap)
#include "TestOpenMap.moc"
