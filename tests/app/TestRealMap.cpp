// A real map opened, levelled, processed and saved through the window gives the same bytes as the engine
// and stratex-cli given the same choices.
#include <QCheckBox>
#include <QProcess>
#include <QTableView>

#include "app/QtText.h"
#include "document/MapDocument.h"
#include "support/WindowFixture.h"

using stratex::MapDocument;
using stratex::TypeListView;
using stratex::test::WindowFixture;

namespace {

const QString kRealMap = QStringLiteral(STRATEX_TESTDATA_DIR "/real/map_podm/mp/n37-075.mp");

struct PopupChoice {
    const char* list;
    const char* letter;  // of the list in a level config file
    QList<int> rows;
    const char* item;
    int level;
};

const PopupChoice kChoices[] = {
    {"POIListView", "p", {0, 2}, "Level31", 3},
    {"LINEListView", "l", {0, 1, 5}, "Level21", 2},
    {"LINEListView", "l", {3}, "Level91", 9},
    {"POLYListView", "g", {1, 2}, "N1212211", 0},
};

}  // namespace

class TestRealMap : public QObject {
    Q_OBJECT

private slots:
    void WindowWritesWhatTheEngineAndTheCliWrite_data();
    void WindowWritesWhatTheEngineAndTheCliWrite();
};

void TestRealMap::WindowWritesWhatTheEngineAndTheCliWrite_data() {
    QTest::addColumn<bool>("dictionary");
    QTest::newRow("EndLevel only") << false;
    QTest::newRow("with the dictionary") << true;
}

void TestRealMap::WindowWritesWhatTheEngineAndTheCliWrite() {
    QFETCH(bool, dictionary);
    // The shared real maps lie beside the project, not in it: a clone of the project alone has none.
    if (!QFileInfo::exists(kRealMap)) QSKIP(qPrintable("needs ../shared/testdata beside the project: " + kRealMap));
    WindowFixture fixture;
    // The type name files that ship with Stratex.
    for (const char* name : {"poi.txt", "polyline.txt", "polygon.txt"}) {
        const QByteArray names = WindowFixture::ReadFile(QStringLiteral(STRATEX_DATA_DIR "/") + name);
        QVERIFY2(!names.isEmpty(), name);
        fixture.WriteFile(QStringLiteral("work/") + name, names);
    }
    fixture.Start();
    if (dictionary) fixture.Click("DicCheckBox");
    fixture.OpenMap(kRealMap);
    QVERIFY(fixture.prompts().messages.empty());
    QCOMPARE(fixture.Status(), QStringLiteral("OK"));
    QCOMPARE(fixture.List("POIListView")->model()->rowCount(), 4);
    QCOMPARE(fixture.List("LINEListView")->model()->rowCount(), 16);
    QCOMPARE(fixture.List("POLYListView")->model()->rowCount(), 8);

    // Levels for selected rows through the popup, written down as config lines for the engine and the CLI.
    QStringList config;
    for (const PopupChoice& choice : kChoices) {
        TypeListView* view = fixture.List(choice.list);
        for (int row : choice.rows) {
            QVERIFY(row < view->model()->rowCount());
            config << QString("%1%2=%3")
                          .arg(choice.letter, view->model()->index(row, 1).data().toString())
                          .arg(choice.level);
        }
        fixture.SetLevelByPopup(choice.list, choice.rows, choice.item);
    }
    for (const PopupChoice& choice : kChoices) {
        for (int row : choice.rows) {
            QCOMPARE(fixture.List(choice.list)->model()->index(row, 0).data().toString(),
                     QString::number(choice.level));
        }
    }
    // The last level goes: Level0..Level2 remain.
    auto* levels = fixture.Find<QTableView>("LevelsList");
    QCOMPARE(levels->model()->rowCount(), 4);
    fixture.ClickCell(levels, 3, 0);
    fixture.RightClickRow(levels, 3, 0);
    fixture.ChooseMenuItem("LevelsPopupMenu", "N2");
    QCOMPARE(WindowFixture::ColumnTexts(levels, 1),
             (QStringList{"22bit (<=500м)", "21bit (<=1,2км)", "19bit (<=3км)"}));

    fixture.Click("DoSpeedButton");
    const QString saved = QDir::toNativeSeparators(fixture.root() + "/window.mp");
    fixture.prompts().dialogAnswers.push_back(saved);
    fixture.Click("SaveSpeedButton");
    QVERIFY(fixture.prompts().messages.empty());
    const QByteArray windowBytes = WindowFixture::ReadFile(saved);
    QVERIFY(windowBytes.contains("Levels=3\r\nLevel0=22\r\nLevel1=21\r\nLevel2=19\r\nZoom0=0\r\n"));
    QCOMPARE(windowBytes.contains("[DICTIONARY]"), dictionary);

    const QString cfg = fixture.WriteFile("choices.cfg", config.join("\r\n").toLatin1() + "\r\n");

    // The engine, step by step.
    MapDocument engine(stratex::ToFsPath(fixture.workDir() + QDir::separator()));
    engine.SetUseDictionary(dictionary);
    QVERIFY(engine.OpenMap(stratex::ToFsPath(kRealMap)));
    engine.OpenConfig(stratex::ToFsPath(cfg));
    engine.SetLevels({22, 21, 19});
    engine.Process();
    const std::string engineText = engine.map().ToCrLf();
    QCOMPARE(windowBytes, QByteArray(engineText.data(), static_cast<qsizetype>(engineText.size())));

    // stratex-cli with the same choices.
    const QString cliOut = QDir::toNativeSeparators(fixture.root() + "/cli.mp");
    QStringList args = {"process", kRealMap,   "-o",       cliOut,        "--config",
                        cfg,       "--levels", "22,21,19", "--names-dir", fixture.workDir()};
    if (dictionary) args << "--dictionary";
    QProcess cli;
    cli.start(QStringLiteral(STRATEX_CLI_PATH), args);
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitCode(), 0);
    QCOMPARE(WindowFixture::ReadFile(cliOut), windowBytes);
}

QTEST_MAIN(TestRealMap)
#include "TestRealMap.moc"
