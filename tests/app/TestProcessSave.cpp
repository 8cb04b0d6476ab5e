// Process, Save MAP with the overwrite question, the close question, Save CFG / Open CFG and Save DIC,
// each through the window's buttons and scripted dialogs.
#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QTableView>
#include <QToolTip>

#include "app/MainForm.h"
#include "app/PanelStatusBar.h"
#include "app/QtText.h"
#include "app/WindowTexts.h"
#include "document/MapDocument.h"
#include "support/WindowFixture.h"

using stratex::FileDialogState;
using stratex::MapDocument;
using stratex::TypeListView;
using stratex::test::WindowFixture;

namespace {

QByteArray Bytes(const std::string& text) { return QByteArray(text.data(), static_cast<qsizetype>(text.size())); }

// The engine alone, driven as the window drives it: the bytes the window must write.
MapDocument EngineDocument(WindowFixture& fixture, const QString& map, bool dictionary = false) {
    MapDocument doc(stratex::ToFsPath(fixture.workDir() + QDir::separator()));
    doc.SetUseDictionary(dictionary);
    doc.OpenMap(stratex::ToFsPath(map));
    return doc;
}

}  // namespace

class TestProcessSave : public QObject {
    Q_OBJECT

private slots:
    void ScanAndProcessReportOnTheStatusBar();
    void WaitingTextShowsWhileTheWorkRuns();
    void ProcessThenSaveWritesTheRewrittenMap();
    void ExistingFileIsReplacedOnlyOnYes_data();
    void ExistingFileIsReplacedOnlyOnYes();
    void SaveOperationsProposeTheirTypeAndExtension_data();
    void SaveOperationsProposeTheirTypeAndExtension();
    void SaveFailureKeepsModified();
    void ProcessFailureChangesNothing();
    void CloseAsksOnlyWithUnsavedChanges();
    void CloseAnsweredNoKeepsTheProcessedMap();
    void ProcessThenAnotherMapStillAsksOnClose();
    void SaveCfgThenOpenCfgRestoresLevels();
    void SaveDicWritesTheGeneratedDictionary();
    void ProcessWarningsAreToldInTheTooltip();
    void SummaryTooltipKeepsWithinTheWindow();
    void ChangesAfterProcessAreMarkedUntilTheNext_data();
    void ChangesAfterProcessAreMarkedUntilTheNext();
};

void TestProcessSave::ScanAndProcessReportOnTheStatusBar() {
    WindowFixture fixture;
    fixture.Start();
    const QString map = fixture.WriteCp1251("maps/city.mp", WindowFixture::SampleMap());
    const int lines = static_cast<int>(WindowFixture::SampleMap().count('\n'));
    fixture.OpenMap(map);
    auto* bar = fixture.Find<QProgressBar>("ProgressBar");
    // The scan leaves the bar at the last line.
    QCOMPARE(bar->maximum(), lines);
    QCOMPARE(bar->value(), lines - 1);
    QCOMPARE(fixture.Status(), QStringLiteral("OK"));
    auto* status = fixture.Find<stratex::PanelStatusBar>("StatusBar");
    QCOMPARE(status->toolTip(), QString());
    fixture.Click("DoSpeedButton");
    QCOMPARE(fixture.Status(), QStringLiteral("Изменение OK"));
    QVERIFY(bar->maximum() > lines);  // Process inserted EndLevel lines
    // The tooltip tells what Process did, until the next map is opened.
    // Process's warnings (the polyline keeps its level 2, the top one), then the types whose EndLevel lines
    // changed, with their level, the header and the total.
    QCOMPARE(status->toolTip(), QStringLiteral("Внимание: 1 объект с EndLevel на верхнем уровне 2 или выше (первый "
                                               "кончается в строке 25)\n\n"
                                               "Точка 0x2a00: уровень 0; вставлено 1, заменено 0, без изменений 0\n"
                                               "Полигон 0x4c: уровень 0; вставлено 1, заменено 0, без изменений 0\n"
                                               "Типов без изменений: 2\n"
                                               "Итого: вставлено 2, заменено 0, без изменений 2"));
    fixture.OpenMap(map);
    QCOMPARE(status->toolTip(), QString());
    QVERIFY(fixture.Button("SaveSpeedButton")->isEnabled());
    QVERIFY(fixture.Button("DoSpeedButton")->isEnabled());
}

namespace {

// Records the status text each time the status bar paints.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(stratex::PanelStatusBar* bar) : bar_(bar) { bar->installEventFilter(this); }
    QStringList painted;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == bar_ && event->type() == QEvent::Paint) painted << bar_->text();
        return false;
    }

private:
    stratex::PanelStatusBar* bar_;
};

}  // namespace

void TestProcessSave::WaitingTextShowsWhileTheWorkRuns() {
    WindowFixture fixture;
    fixture.Start();
    QString map = "[IMG ID]\nLevels=2\nLevel0=22\nLevel1=20\n[END-IMG ID]\n";
    for (int i = 0; i < 20000; ++i) map += "[POI]\nType=0x2f06\nData0=(55.75,37.61)\n[END]\n";
    const QString path = fixture.WriteCp1251("maps/large.mp", map);
    auto* bar = fixture.Find<stratex::PanelStatusBar>("StatusBar");
    QVERIFY(bar);
    QTest::qWait(50);  // the first paints of the window are done

    // No event is processed while the work runs: only the window's own repaints show the text.
    PaintRecorder recorder(bar);
    fixture.OpenMap(path);
    QVERIFY2(recorder.painted.contains("Обработка файла. Поиск объектов. Пожалуйста подождите..."),
             qPrintable(recorder.painted.join('|')));
    recorder.painted.clear();
    fixture.Click("DoSpeedButton");
    QVERIFY2(recorder.painted.contains("Изменение конечного уровня объектов. Пожалуйста подождите..."),
             qPrintable(recorder.painted.join('|')));
    QCOMPARE(fixture.Status(), QStringLiteral("Изменение OK"));
}

void TestProcessSave::ProcessThenSaveWritesTheRewrittenMap() {
    WindowFixture fixture;
    fixture.Start();
    const QString map = fixture.WriteCp1251("maps/city.mp", WindowFixture::SampleMap());
    fixture.OpenMap(map);
    fixture.Click("DoSpeedButton");
    const QString saved = QDir::toNativeSeparators(fixture.root() + "/maps/city-levels.mp");
    fixture.prompts().dialogAnswers.push_back(saved);
    fixture.Click("SaveSpeedButton");
    QVERIFY(fixture.prompts().messages.empty());
    QVERIFY(fixture.prompts().questions.empty());  // a new file: no question
    QVERIFY(!fixture.window().document().modified());

    MapDocument engine = EngineDocument(fixture, map);
    engine.Process();
    const QByteArray written = WindowFixture::ReadFile(saved);
    QCOMPARE(written, Bytes(engine.map().ToCrLf()));
    // The object without EndLevel got one; every line ends with CR LF.
    QVERIFY(written.contains("Type=0x2a00\r\nLabel=\xd1\xf2\xee\xeb\xee\xe2\xe0\xff\r\nEndLevel=0\r\n"));
    QVERIFY(written.endsWith("[END]\r\n"));
    // Saving changes no button and stays available.
    QVERIFY(fixture.Button("SaveSpeedButton")->isEnabled());
}

void TestProcessSave::ExistingFileIsReplacedOnlyOnYes_data() {
    QTest::addColumn<bool>("answer");
    QTest::newRow("yes") << true;
    QTest::newRow("no") << false;
}

void TestProcessSave::ExistingFileIsReplacedOnlyOnYes() {
    QFETCH(bool, answer);
    WindowFixture fixture;
    fixture.Start();
    const QString map = fixture.WriteCp1251("maps/city.mp", WindowFixture::SampleMap());
    const QString existing = fixture.WriteFile("maps/existing.mp", "old content\r\n");
    fixture.OpenMap(map);
    fixture.Click("DoSpeedButton");
    fixture.prompts().dialogAnswers.push_back(existing);
    fixture.prompts().yesNoAnswers.push_back(answer);
    fixture.Click("SaveSpeedButton");

    QCOMPARE(fixture.prompts().questions.size(), std::size_t(1));
    QCOMPARE(fixture.prompts().questions[0].text, QStringLiteral("Файл уже существует! Заменить?"));
    QCOMPARE(fixture.prompts().questions[0].caption, QStringLiteral("Внимание!"));
    QCOMPARE(fixture.prompts().questions[0].icon, QMessageBox::Warning);
    QVERIFY(fixture.prompts().unexpected.isEmpty());
    QCOMPARE(WindowFixture::ReadFile(existing) == "old content\r\n", !answer);
    QCOMPARE(fixture.window().document().modified(), !answer);

    // Refused: a later close still asks about the unsaved map.
    fixture.prompts().yesNoAnswers.push_back(true);
    QVERIFY(fixture.Close());
    QCOMPARE(fixture.prompts().questions.size(), std::size_t(answer ? 1 : 2));
}

void TestProcessSave::SaveOperationsProposeTheirTypeAndExtension_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("fileType");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("written");
    QTest::newRow("Save MAP") << "SaveSpeedButton" << 1 << "result"
                              << "result.mp";
    QTest::newRow("Save CFG") << "SaveCFGSpeedButton" << 3 << "levels"
                              << "levels.cfg";
    QTest::newRow("Save DIC") << "SaveDICSpeedButton" << 2 << "dictionary"
                              << "dictionary.txt";
    QTest::newRow("name with extension") << "SaveCFGSpeedButton" << 3 << "levels.v2"
                                         << "levels.v2";
}

void TestProcessSave::SaveOperationsProposeTheirTypeAndExtension() {
    QFETCH(QString, button);
    QFETCH(int, fileType);
    QFETCH(QString, typed);
    QFETCH(QString, written);
    WindowFixture fixture;
    fixture.Start();
    fixture.Click("DicCheckBox");
    const QString map = fixture.WriteCp1251("my.maps/city.mp", WindowFixture::SampleMap());
    fixture.OpenMap(map);
    fixture.Click("DoSpeedButton");
    fixture.prompts().ClearRecord();
    fixture.prompts().dialogAnswers.push_back(QDir::toNativeSeparators(fixture.root() + "/" + typed));
    fixture.Click(button.toLatin1().constData());

    QCOMPARE(fixture.prompts().dialogs.size(), std::size_t(1));
    const FileDialogState& shown = fixture.prompts().dialogs[0];
    QCOMPARE(shown.mode, FileDialogState::Mode::Save);
    QCOMPARE(shown.filterIndex, fileType);
    QCOMPARE(shown.filters, (QStringList{"Polish Map (*.mp)", "Text Files (*.txt)", "MP levels config (*.cfg)"}));
    // The map's path, cut before the first dot of the whole path.
    QCOMPARE(shown.fileName, QDir::toNativeSeparators(fixture.root() + "/my"));
    QCOMPARE(shown.initialDir, QDir::toNativeSeparators(fixture.root() + "/my.maps"));
    QVERIFY(fixture.prompts().messages.empty());
    const QString path = QDir::toNativeSeparators(fixture.root() + "/" + written);
    QVERIFY(QFileInfo::exists(path));
    // The dialog keeps the name it returned: the next save proposes it, cut.
    QCOMPARE(fixture.window().saveDialog().fileName, path);
}

void TestProcessSave::SaveFailureKeepsModified() {
    WindowFixture fixture;
    fixture.Start();
    fixture.OpenMap(fixture.WriteCp1251("maps/city.mp", WindowFixture::SampleMap()));
    fixture.Click("DoSpeedButton");
    const QString target = QDir::toNativeSeparators(fixture.root() + "/absent/out.mp");
    fixture.prompts().dialogAnswers.push_back(target);
    fixture.Click("SaveSpeedButton");
    QCOMPARE(fixture.prompts().messages.size(), std::size_t(1));
    QCOMPARE(fixture.prompts().messages[0].text, "Cannot create file " + target + ".");
    QCOMPARE(fixture.prompts().messages[0].caption, QStringLiteral("Stratex"));
    QVERIFY(fixture.window().document().modified());
    QVERIFY(fixture.window().isVisible());
}

void TestProcessSave::ProcessFailureChangesNothing() {
    WindowFixture fixture;
    fixture.Start();
    fixture.OpenMap(fixture.WriteCp1251("maps/city.mp", WindowFixture::SampleMap()));
    const std::string linesBefore = fixture.window().document().map().Buffer();
    // The typing shortcut leaves the caption "A", which no level lookup can read.
    TypeListView* poi = fixture.List("POIListView");
    fixture.ClickCell(poi, 1, 2);
    QTest::keyClick(poi, Qt::Key_A);
    QVERIFY(poi->IsEditing());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QCOMPARE(WindowFixture::ColumnTexts(poi, 0), (QStringList{"0", "A"}));

    fixture.Click("DoSpeedButton");
    QCOMPARE(fixture.prompts().messages.size(), std::size_t(1));
    QCOMPARE(fixture.prompts().messages[0].text, QStringLiteral("'A' is not a valid integer value."));
    QCOMPARE(fixture.prompts().messages[0].caption, QStringLiteral("Stratex"));
    QVERIFY(!fixture.window().document().modified());
    QVERIFY(!fixture.Button("SaveSpeedButton")->isEnabled());
    QVERIFY(fixture.window().document().map().Buffer() == linesBefore);
    // The window stays usable: Process is still there, and closing asks only about the level typed.
    QVERIFY(fixture.Button("DoSpeedButton")->isEnabled());
    fixture.prompts().threeWayAnswers = {stratex::UiPrompts::Answer::No};
    QVERIFY(fixture.Close());
    QCOMPARE(fixture.prompts().questions.size(), std::size_t(1));
    QCOMPARE(fixture.prompts().questions[0].text,
             QStringLiteral("Уровни объектов изменены и не сохранены. Сохранить их в файл уровней?"));
}

void TestProcessSave::CloseAsksOnlyWithUnsavedChanges() {
    WindowFixture fixture;
    fixture.Start();
    QVERIFY(fixture.Close());
    QVERIFY(fixture.prompts().questions.empty());

    fixture.Start();
    fixture.OpenMap(fixture.WriteCp1251("maps/city.mp", WindowFixture::SampleMap()));
    QVERIFY(fixture.Close());
    QVERIFY(fixture.prompts().questions.empty());
}

void TestProcessSave::CloseAnsweredNoKeepsTheProcessedMap() {
    WindowFixture fixture;
    fixture.Start();
    const QString map = fixture.WriteCp1251("maps/city.mp", WindowFixture::SampleMap());
    fixture.OpenMap(map);
    fixture.Click("DoSpeedButton");
    fixture.prompts().yesNoAnswers.push_back(false);
    QVERIFY(!fixture.Close());
    QCOMPARE(fixture.prompts().questions.size(), std::size_t(1));
    QCOMPARE(fixture.prompts().questions[0].text, QStringLiteral("Файл не сохранен. Выйти?"));
    QCOMPARE(fixture.prompts().questions[0].caption, QStringLiteral("Подтверждение"));
    QCOMPARE(fixture.prompts().questions[0].icon, QMessageBox::Question);
    QVERIFY(fixture.window().isVisible());
    QCOMPARE(fixture.List("POIListView")->model()->rowCount(), 2);

    // The processed map can still be saved, and then the window closes without asking.
    const QString saved = QDir::toNativeSeparators(fixture.root() + "/maps/saved.mp");
    fixture.prompts().dialogAnswers.push_back(saved);
    fixture.Click("SaveSpeedButton");
    MapDocument engine = EngineDocument(fixture, map);
    engine.Process();
    QCOMPARE(WindowFixture::ReadFile(saved), Bytes(engine.map().ToCrLf()));
    QVERIFY(fixture.Close());
    QCOMPARE(fixture.prompts().questions.size(), std::size_t(1));
}

void TestProcessSave::ProcessThenAnotherMapStillAsksOnClose() {
    WindowFixture fixture;
    fixture.Start();
    fixture.OpenMap(fixture.WriteCp1251("maps/city.mp", WindowFixture::SampleMap()));
    fixture.Click("DoSpeedButton");
    // Asked first whether to save the processed map: No gives it up.
    fixture.OpenMap(fixture.WriteCp1251("maps/other.mp", WindowFixture::SampleMap()));
    QCOMPARE(fixture.prompts().questions.size(), std::size_t(1));
    fixture.prompts().yesNoAnswers.push_back(true);
    QVERIFY(fixture.Close());
    QCOMPARE(fixture.prompts().questions.size(), std::size_t(2));
    QVERIFY(!fixture.window().isVisible());
}

void TestProcessSave::SaveCfgThenOpenCfgRestoresLevels() {
    WindowFixture fixture;
    fixture.Start();
    fixture.OpenMap(fixture.WriteCp1251("maps/city.mp", WindowFixture::SampleMap()));
    const QString cfg = QDir::toNativeSeparators(fixture.root() + "/maps/levels.cfg");
    fixture.prompts().dialogAnswers.push_back(cfg);
    fixture.Click("SaveCFGSpeedButton");
    QCOMPARE(WindowFixture::ReadFile(cfg), QByteArray("p0x2a00=0\r\np0x2f06=1\r\nl0x16=2\r\ng0x4c=0\r\n"));

    // Edited elsewhere: the POI 0x2f06 up to level 7, a line config never writes, a foreign line, and a type
    // of another map, which is no problem.
    fixture.WriteFile("maps/levels.cfg", "p0x2f06=7\r\nl1=4\r\nP0x2a00=9\r\ng0x4c=3\r\nl0x1f=2\r\n");
    fixture.prompts().ClearRecord();
    fixture.prompts().dialogAnswers.push_back(cfg);
    fixture.Click("OpenCFGSpeedButton");
    QCOMPARE(fixture.prompts().dialogs.size(), std::size_t(1));
    QCOMPARE(fixture.prompts().dialogs[0].mode, FileDialogState::Mode::Open);
    QCOMPARE(fixture.prompts().dialogs[0].filterIndex, 3);
    // The two lines that set nothing are told (the upper-case letter with its spelling); the rest applies.
    QCOMPARE(fixture.prompts().messages.size(), std::size_t(1));
    QVERIFY2(fixture.prompts().messages[0].text.endsWith(
                 QStringLiteral("\nстрока 2: «l1» не называет тип из списков\n"
                                "строка 3: «P0x2a00» не называет тип из списков; может быть, «p0x2a00»?")),
             qPrintable(fixture.prompts().messages[0].text));
    QCOMPARE(WindowFixture::ColumnTexts(fixture.List("POIListView"), 0), (QStringList{"0", "7"}));
    QCOMPARE(WindowFixture::ColumnTexts(fixture.List("LINEListView"), 0), (QStringList{"2"}));
    QCOMPARE(WindowFixture::ColumnTexts(fixture.List("POLYListView"), 0), (QStringList{"3"}));
    QVERIFY(!fixture.window().document().modified());

    // Saving again over the same file asks first.
    fixture.prompts().dialogAnswers.push_back(cfg);
    fixture.prompts().yesNoAnswers.push_back(true);
    fixture.Click("SaveCFGSpeedButton");
    QCOMPARE(fixture.prompts().questions.size(), std::size_t(1));
    QCOMPARE(WindowFixture::ReadFile(cfg), QByteArray("p0x2a00=0\r\np0x2f06=7\r\nl0x16=2\r\ng0x4c=3\r\n"));
}

void TestProcessSave::SaveDicWritesTheGeneratedDictionary() {
    WindowFixture fixture;
    fixture.Start();
    fixture.Click("DicCheckBox");
    const QString map = fixture.WriteCp1251("maps/city.mp", WindowFixture::SampleMap());
    fixture.OpenMap(map);
    QVERIFY(fixture.Button("SaveDICSpeedButton")->isEnabled());

    // Cancelled: nothing is written.
    fixture.prompts().dialogAnswers.push_back(QString());
    fixture.Click("SaveDICSpeedButton");
    QVERIFY(fixture.window().document().dicLines().empty());

    const QString dictionary = QDir::toNativeSeparators(fixture.root() + "/maps/dictionary.txt");
    fixture.prompts().dialogAnswers.push_back(dictionary);
    fixture.Click("SaveDICSpeedButton");
    QVERIFY(fixture.prompts().messages.empty());
    const QByteArray written = WindowFixture::ReadFile(dictionary);
    QCOMPARE(written.count("\r\n"), 38);
    QVERIFY(written.startsWith("\r\n;Stratex Generated DICTIONARY!!!\r\n[DICTIONARY]\r\n"));
    QVERIFY(written.endsWith("[END-DICTIONARY]\r\n\r\n"));

    MapDocument engine = EngineDocument(fixture, map, /*dictionary=*/true);
    engine.SaveDictionary(stratex::ToFsPath(fixture.root() + "/engine.txt"));
    QCOMPARE(written, WindowFixture::ReadFile(fixture.root() + "/engine.txt"));
    QVERIFY(!fixture.window().document().modified());
}

QTEST_MAIN(TestProcessSave)
// Process's warnings stand in the status bar's tooltip above the summary, in Russian, counted as Russian
// counts them.
void TestProcessSave::ProcessWarningsAreToldInTheTooltip() {
    stratex::ProcessWarnings made;
    made.dataAboveEndLevel = {1, 14};
    made.endLevelAtTop = {22, 9};
    made.endsInsideObject = {1, 30};
    QCOMPARE(
        stratex::WindowTexts::WarningsText(made, 3),
        QStringLiteral("Внимание: 1 объект с EndLevel ниже уровня своих координат (первый кончается в строке 14)\n"
                       "Внимание: 22 объекта с EndLevel на верхнем уровне 2 или выше (первый кончается в строке 9)\n"
                       "Внимание: карта кончается внутри объекта, открытого в строке 30"));
    made = {};
    made.endLevelAtTop = {11, 9};
    QVERIFY(stratex::WindowTexts::WarningsText(made, 3).contains(QStringLiteral(" 11 объектов ")));
    QCOMPARE(stratex::WindowTexts::WarningsText({}, 3), QString());

    // In the window: a polyline whose data lies at level 1 gets EndLevel 0.
    WindowFixture fixture;
    fixture.Start();
    const QString map = fixture.WriteCp1251(
        "maps/above.mp", QStringLiteral("[IMG ID]\nLevels=3\nLevel0=24\nLevel1=22\nLevel2=20\n[END-IMG ID]\n"
                                        "[POLYLINE]\nType=0x16\nData1=(55.1,37.2),(55.2,37.3)\n[END]\n"));
    fixture.OpenMap(map);
    fixture.Click("DoSpeedButton");
    auto* status = fixture.Find<stratex::PanelStatusBar>("StatusBar");
    QVERIFY2(status->toolTip().startsWith(QStringLiteral("Внимание: 1 объект с EndLevel ниже уровня своих координат "
                                                         "(первый кончается в строке 10)\n\n")),
             qPrintable(status->toolTip()));
}

// The tooltip lists the changed types only, as many as the window's height holds, and counts the others.
void TestProcessSave::SummaryTooltipKeepsWithinTheWindow() {
    WindowFixture fixture;
    fixture.Start();
    // 150 polyline types without EndLevel (changed) and 3 that keep theirs.
    QString map = "[IMG ID]\nLevels=2\nLevel0=22\nLevel1=20\n[END-IMG ID]\n";
    for (int type = 0x100; type < 0x100 + 150; ++type) {
        map += QStringLiteral("[POLYLINE]\nType=0x%1\nData0=(55.1,37.2),(55.2,37.3)\n[END]\n").arg(type, 0, 16);
    }
    for (int type = 1; type <= 3; ++type) {
        map += QStringLiteral("[POLYLINE]\nType=0x%1\nEndLevel=0\nData0=(55.1,37.2),(55.2,37.3)\n[END]\n").arg(type);
    }
    fixture.OpenMap(fixture.WriteCp1251("maps/many.mp", map));
    fixture.Click("DoSpeedButton");
    auto* status = fixture.Find<stratex::PanelStatusBar>("StatusBar");
    const auto check = [&](int windowHeight) {
        const QStringList lines = status->toolTip().split('\n');
        QVERIFY2(lines.size() * QFontMetrics(QToolTip::font()).lineSpacing() <= windowHeight,
                 qPrintable(QString::number(lines.size())));
        QCOMPARE(lines.first(), QStringLiteral("Полилиния 0x100: уровень 0; вставлено 1, заменено 0, без изменений 0"));
        // The rows that do not fit are counted; the three unchanged types are not listed.
        const qsizetype shown = lines.size() - 3;
        QCOMPARE(lines[shown], QStringLiteral("… и ещё %1").arg(150 - shown));
        // The level count stayed 2: no "Число уровней" line.
        QCOMPARE(lines.mid(shown + 1),
                 (QStringList{"Типов без изменений: 3", "Итого: вставлено 150, заменено 0, без изменений 3"}));
    };
    check(fixture.window().height());
    const qsizetype before = status->toolTip().count('\n');
    // A taller window shows more rows.
    fixture.window().resize(fixture.window().width(), 900);
    check(900);
    QVERIFY(status->toolTip().count('\n') > before);
}

// After Process, a change of what Process reads marks the status bar until the next Process or Open MAP;
// a step that leaves the choices as they were marks nothing.
void TestProcessSave::ChangesAfterProcessAreMarkedUntilTheNext_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("marks");
    QTest::newRow("level popup") << "popup" << true;
    QTest::newRow("level popup, the same level") << "popup same" << false;
    QTest::newRow("level typed in the editor") << "editor" << true;
    QTest::newRow("editor left as it was") << "editor same" << false;
    QTest::newRow("Levels table") << "levels" << true;
    QTest::newRow("dictionary option") << "dictionary" << true;
}

void TestProcessSave::ChangesAfterProcessAreMarkedUntilTheNext() {
    QFETCH(QString, change);
    QFETCH(bool, marks);
    const QString mark = QStringLiteral("Уровни изменены после Process");
    WindowFixture fixture;
    fixture.Start();
    const QString map = fixture.WriteCp1251("maps/city.mp", WindowFixture::SampleMap());
    const auto makeChange = [&] {
        // Row 0 of the points is 0x2a00 at level 0.
        TypeListView* poi = fixture.List("POIListView");
        if (change.startsWith("popup")) {
            fixture.SetLevelByPopup("POIListView", {0}, change == "popup" ? "N01" : "N1212211");
        } else if (change.startsWith("editor")) {
            fixture.ClickCell(poi, 0, 0);
            auto* editor = qobject_cast<QLineEdit*>(poi->indexWidget(poi->model()->index(0, 0)));
            QVERIFY(editor);
            if (change == "editor") {
                editor->selectAll();
                QTest::keyClick(editor, Qt::Key_2);
            }
            QTest::keyClick(editor, Qt::Key_Return);
            QTRY_VERIFY(!poi->IsEditing());
        } else if (change == "levels") {
            auto* levels = fixture.Find<QTableView>("LevelsList");
            fixture.ClickCell(levels, 0, 0);
            fixture.RightClickRow(levels, 0, 0);
            fixture.ChooseMenuItem("LevelsPopupMenu", "N1");
        } else {
            fixture.Click("DicCheckBox");
        }
    };

    fixture.OpenMap(map);
    // Before a Process there is nothing to be outdated.
    makeChange();
    QCOMPARE(fixture.Status(), QStringLiteral("OK"));
    fixture.OpenMap(map);
    fixture.Click("DoSpeedButton");
    QCOMPARE(fixture.Status(), QStringLiteral("Изменение OK"));
    makeChange();
    QCOMPARE(fixture.Status(), marks ? mark : QStringLiteral("Изменение OK"));
    fixture.Click("DoSpeedButton");
    QCOMPARE(fixture.Status(), QStringLiteral("Изменение OK"));

    makeChange();
    fixture.OpenMap(map);
    QCOMPARE(fixture.Status(), QStringLiteral("OK"));
}

#include "TestProcessSave.moc"
