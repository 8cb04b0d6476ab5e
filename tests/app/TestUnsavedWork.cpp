// Work that is in no file (a processed map not saved, levels changed since the last Process or Save CFG) is
// never dropped without a question: closing, Open MAP, a drop and a set ask "save first?"; Save MAP asks to
// Process first when the map does not hold the choices.
#include <QDragEnterEvent>
#include <QMimeData>
#include <QUrl>

#include "app/MainForm.h"
#include "app/QtText.h"
#include "document/MapDocument.h"
#include "support/WindowFixture.h"

using stratex::MapDocument;
using stratex::ObjectKind;
using stratex::test::WindowFixture;
using Answer = stratex::UiPrompts::Answer;

Q_DECLARE_METATYPE(Answer)

namespace {

const QString kMapQuestion = QStringLiteral("Обработанная карта не сохранена. Сохранить её?");
const QString kLevelsQuestion = QStringLiteral("Уровни объектов изменены и не сохранены. Сохранить их в файл уровней?");
const QString kProcessFirst =
    QStringLiteral("Выбранные уровни ещё не применены к карте. Выполнить Process перед сохранением?");

void Drop(QWidget* window, const QStringList& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
    data.setUrls(urls);
    QDragEnterEvent enter(window->rect().center(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent event(QPointF(window->rect().center()), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &event);
}

// The bytes that Process, with the first POI row (0x2a00) at poiLevel where given, makes of map.
QByteArray Processed(WindowFixture& fixture, const QString& map, int poiLevel = -1) {
    MapDocument doc(stratex::ToFsPath(fixture.workDir() + QDir::separator()));
    doc.OpenMap(stratex::ToFsPath(map));
    if (poiLevel >= 0) doc.SetLevelOfRows(ObjectKind::Poi, {0}, poiLevel);
    doc.Process();
    const std::string bytes = doc.map().ToCrLf();
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

}  // namespace

class TestUnsavedWork : public QObject {
    Q_OBJECT

private slots:
    void LosingWorkAsksFirst_data();
    void LosingWorkAsksFirst();
    void YesSavesThenGoesOn();
    void SaveMapAsksToProcessFirst_data();
    void SaveMapAsksToProcessFirst();
};

void TestUnsavedWork::LosingWorkAsksFirst_data() {
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<bool>("processed");  // the work: a processed map, else a level changed
    QTest::addColumn<Answer>("answer");
    for (const char* trigger : {"close", "open", "drop", "set"}) {
        for (const bool processed : {false, true}) {
            // Closing with a processed map asks the close question of its own (TestProcessSave).
            if (processed && QLatin1String(trigger) == QLatin1String("close")) continue;
            for (const Answer answer : {Answer::No, Answer::Cancel}) {
                QTest::addRow("%s %s %s", trigger, processed ? "processed" : "level",
                              answer == Answer::No ? "no" : "cancel")
                    << QString::fromLatin1(trigger) << processed << answer;
            }
        }
    }
}

void TestUnsavedWork::LosingWorkAsksFirst() {
    QFETCH(QString, trigger);
    QFETCH(bool, processed);
    QFETCH(Answer, answer);
    WindowFixture fixture;
    fixture.Start();
    const QString city = fixture.WriteCp1251("maps/city.mp", WindowFixture::SampleMap());
    const QString other = fixture.WriteCp1251("maps/other.mp", WindowFixture::SampleMap());
    const QString third = fixture.WriteCp1251("maps/third.mp", WindowFixture::SampleMap());
    fixture.OpenMap(city);
    if (processed) {
        fixture.Click("DoSpeedButton");
    } else {
        fixture.SetLevelByPopup("POIListView", {0}, "Level21");
    }
    auto& prompts = fixture.prompts();
    prompts.ClearRecord();
    prompts.threeWayAnswers = {answer};
    const bool goOn = answer == Answer::No;
    if (trigger == QLatin1String("close")) {
        QCOMPARE(fixture.Close(), goOn);
    } else if (trigger == QLatin1String("drop")) {
        Drop(&fixture.window(), {other});
    } else {
        prompts.dialogAnswers = {trigger == QLatin1String("set") ? other + QLatin1Char('\n') + third : other};
        fixture.Click("OpenSpeedButton");
    }
    QCOMPARE(prompts.questions.size(), std::size_t(1));
    QCOMPARE(prompts.questions[0].text, processed ? kMapQuestion : kLevelsQuestion);
    QCOMPARE(prompts.questions[0].caption, QStringLiteral("Несохранённые изменения"));
    QVERIFY2(prompts.unexpected.isEmpty(), qPrintable(prompts.unexpected.join(QLatin1Char('|'))));
    if (goOn) {
        if (trigger != QLatin1String("close")) {
            QVERIFY(fixture.window().windowTitle().contains(QStringLiteral("other.mp")));
            QCOMPARE(fixture.window().document().tiles().size(), trigger == QLatin1String("set") ? 2u : 0u);
        }
        return;
    }
    // Cancel keeps the map, the change and its being unsaved: the next close asks again.
    QVERIFY(fixture.window().isVisible());
    QVERIFY(fixture.window().windowTitle().contains(QStringLiteral("city.mp")));
    QCOMPARE(fixture.window().document().modified(), processed);
    QCOMPARE(WindowFixture::ColumnTexts(fixture.List("POIListView"), 0).first(),
             processed ? QStringLiteral("0") : QStringLiteral("2"));
    prompts.ClearRecord();
    prompts.yesNoAnswers = {true};
    prompts.threeWayAnswers = {Answer::No};
    QVERIFY(fixture.Close());
    QCOMPARE(prompts.questions.size(), std::size_t(1));
}

void TestUnsavedWork::YesSavesThenGoesOn() {
    WindowFixture fixture;
    fixture.Start();
    const QString city = fixture.WriteCp1251("maps/city.mp", WindowFixture::SampleMap());
    const QString other = fixture.WriteCp1251("maps/other.mp", WindowFixture::SampleMap());
    const QString cfg = QDir::toNativeSeparators(fixture.root() + QStringLiteral("/maps/levels.cfg"));
    auto& prompts = fixture.prompts();
    fixture.OpenMap(city);

    // Changed levels: Yes is Save CFG; a cancelled dialog there cancels the open too.
    fixture.SetLevelByPopup("POIListView", {0}, "Level21");
    prompts.threeWayAnswers = {Answer::Yes, Answer::Yes};
    prompts.dialogAnswers = {other, QString(), other, cfg};
    fixture.Click("OpenSpeedButton");
    QVERIFY(fixture.window().windowTitle().contains(QStringLiteral("city.mp")));
    QVERIFY(!QFileInfo::exists(cfg));
    fixture.Click("OpenSpeedButton");
    QCOMPARE(WindowFixture::ReadFile(cfg), QByteArray("p0x2a00=2\r\np0x2f06=1\r\nl0x16=2\r\ng0x4c=0\r\n"));
    QVERIFY(fixture.window().windowTitle().contains(QStringLiteral("other.mp")));

    // A processed map: Yes is Save MAP, without asking to Process first (nothing changed since).
    fixture.Click("DoSpeedButton");
    const QString saved = QDir::toNativeSeparators(fixture.root() + QStringLiteral("/maps/saved.mp"));
    prompts.ClearRecord();
    prompts.threeWayAnswers = {Answer::Yes};
    prompts.dialogAnswers = {saved};
    Drop(&fixture.window(), {city});
    QCOMPARE(prompts.questions.size(), std::size_t(1));
    QCOMPARE(WindowFixture::ReadFile(saved), Processed(fixture, other));
    QVERIFY(fixture.window().windowTitle().contains(QStringLiteral("city.mp")));

    // Saved work is not asked about: levels saved with Save CFG, a map saved after its Process.
    fixture.SetLevelByPopup("POIListView", {0}, "N01");
    prompts.ClearRecord();
    prompts.dialogAnswers = {cfg};
    prompts.yesNoAnswers = {true};  // the file exists
    fixture.Click("SaveCFGSpeedButton");
    fixture.OpenMap(other);
    QVERIFY(fixture.window().windowTitle().contains(QStringLiteral("other.mp")));
    QVERIFY(fixture.Close());
    QCOMPARE(prompts.questions.size(), std::size_t(0));
    QVERIFY(prompts.unexpected.isEmpty());
}

void TestUnsavedWork::SaveMapAsksToProcessFirst_data() {
    QTest::addColumn<bool>("everProcessed");  // else another map was opened after a Process
    QTest::addColumn<Answer>("answer");
    for (const bool everProcessed : {true, false}) {
        for (const Answer answer : {Answer::Yes, Answer::No, Answer::Cancel}) {
            QTest::addRow("%s %d", everProcessed ? "changed" : "unprocessed", static_cast<int>(answer))
                << everProcessed << answer;
        }
    }
}

void TestUnsavedWork::SaveMapAsksToProcessFirst() {
    QFETCH(bool, everProcessed);
    QFETCH(Answer, answer);
    WindowFixture fixture;
    fixture.Start();
    const QString city = fixture.WriteCp1251("maps/city.mp", WindowFixture::SampleMap());
    const QString other = fixture.WriteCp1251("maps/other.mp", WindowFixture::SampleMap());
    const QString saved = QDir::toNativeSeparators(fixture.root() + QStringLiteral("/maps/saved.mp"));
    auto& prompts = fixture.prompts();
    fixture.OpenMap(city);
    fixture.Click("DoSpeedButton");
    QByteArray unprocessed;  // what Save MAP writes on No
    if (everProcessed) {
        // The list shows the new level; the map in memory has the Process before.
        fixture.SetLevelByPopup("POIListView", {0}, "Level21");
        unprocessed = Processed(fixture, city);
    } else {
        // Modified survives Open MAP: Save MAP stays enabled although this map was never processed.
        prompts.threeWayAnswers = {Answer::No};
        fixture.OpenMap(other);
        QVERIFY(fixture.Button("SaveSpeedButton")->isEnabled());
        unprocessed = WindowFixture::ReadFile(other);
    }
    prompts.ClearRecord();
    prompts.threeWayAnswers = {answer};
    prompts.dialogAnswers = {saved};
    fixture.Click("SaveSpeedButton");
    QCOMPARE(prompts.questions.size(), std::size_t(1));
    QCOMPARE(prompts.questions[0].text, kProcessFirst);
    switch (answer) {
        case Answer::Yes:
            QCOMPARE(WindowFixture::ReadFile(saved),
                     everProcessed ? Processed(fixture, city, 2) : Processed(fixture, other));
            QVERIFY(!fixture.window().document().modified());
            break;
        case Answer::No:
            QCOMPARE(WindowFixture::ReadFile(saved), unprocessed);
            break;
        case Answer::Cancel:
            QCOMPARE(prompts.dialogs.size(), std::size_t(0));
            QVERIFY(!QFileInfo::exists(saved));
            QVERIFY(fixture.window().document().modified());
            break;
    }
}

QTEST_MAIN(TestUnsavedWork)
#include "TestUnsavedWork.moc"
