// What the window tells after its operations: the rows a Process changed, what Save MAP and Save CFG wrote
// where, the lines Open CFG could not apply.
#include <QFont>
#include <QTimer>
#include <algorithm>
#include <vector>

#include "app/AsideWork.h"
#include "app/MainForm.h"
#include "bytes/Error.h"
#include "support/WindowFixture.h"

using stratex::TypeListView;
using stratex::test::WindowFixture;

namespace {

// The rows of a list shown in bold, by their codes.
QStringList BoldCodes(TypeListView* list) {
    QStringList codes;
    for (int row = 0; row < list->model()->rowCount(); ++row) {
        const QModelIndex index = list->model()->index(row, 1);
        if (index.data(Qt::FontRole).value<QFont>().bold()) codes << index.data().toString();
    }
    return codes;
}

}  // namespace

class TestFeedback : public QObject {
    Q_OBJECT

private slots:
    void ProcessMarksTheRowsItChangedUntilTheNext();
    void OpenCfgAppliesTheRestAndTellsWhatItDidNot();
    void WorkAsideShowsItsProgressAndStopsOnCancel();
};

void TestFeedback::ProcessMarksTheRowsItChangedUntilTheNext() {
    WindowFixture fixture;
    fixture.Start();
    fixture.OpenMap(fixture.WriteCp1251("maps/city.mp", WindowFixture::SampleMap()));
    TypeListView* poi = fixture.List("POIListView");
    TypeListView* line = fixture.List("LINEListView");
    // The first Process has no Process before it to differ from.
    fixture.Click("DoSpeedButton");
    QCOMPARE(BoldCodes(poi), QStringList());
    fixture.SetLevelByPopup("POIListView", {0}, "Level21");
    fixture.SetLevelByPopup("LINEListView", {0}, "N01");
    fixture.SetLevelByPopup("LINEListView", {0}, "Level21");  // and back: no change
    QCOMPARE(BoldCodes(poi), QStringList());
    fixture.Click("DoSpeedButton");
    QCOMPARE(BoldCodes(poi), QStringList{QStringLiteral("0x2a00")});
    QCOMPARE(BoldCodes(line), QStringList());
    QVERIFY(poi->model()
                ->index(0, 1)
                .data(Qt::ToolTipRole)
                .toString()
                .startsWith(QStringLiteral("Уровень изменён последним Process\n")));
    fixture.Click("DoSpeedButton");
    QCOMPARE(BoldCodes(poi), QStringList());

    // Save MAP and Save CFG say what they wrote where.
    const QString saved = QDir::toNativeSeparators(fixture.root() + QStringLiteral("/maps/saved.mp"));
    const QString cfg = QDir::toNativeSeparators(fixture.root() + QStringLiteral("/maps/saved.cfg"));
    fixture.prompts().dialogAnswers = {saved, cfg};
    fixture.Click("SaveSpeedButton");
    QCOMPARE(fixture.Status(), QStringLiteral("Карта записана в ") + saved);
    fixture.Click("SaveCFGSpeedButton");
    QCOMPARE(fixture.Status(), QStringLiteral("Уровни записаны в ") + cfg);
    QVERIFY(fixture.prompts().unexpected.isEmpty());
}

void TestFeedback::OpenCfgAppliesTheRestAndTellsWhatItDidNot() {
    WindowFixture fixture;
    fixture.Start();
    fixture.OpenMap(fixture.WriteCp1251("maps/city.mp", WindowFixture::SampleMap()));
    // A level applied, a code written in decimal, a level that is no number, a line of no list; the last
    // line unterminated.
    const QString cfg = fixture.WriteFile("maps/levels.cfg", "p0x2a00=2\r\nl22=1\r\ng0x4c=x\r\nq0x01=3");
    fixture.prompts().dialogAnswers = {cfg};
    fixture.Click("OpenCFGSpeedButton");
    QCOMPARE(WindowFixture::ColumnTexts(fixture.List("POIListView"), 0), (QStringList{"2", "1"}));
    QCOMPARE(fixture.prompts().messages.size(), std::size_t(1));
    QCOMPARE(fixture.prompts().messages[0].caption, QStringLiteral("Open CFG"));
    QCOMPARE(fixture.prompts().messages[0].icon, QMessageBox::Warning);
    QCOMPARE(fixture.prompts().messages[0].text,
             QStringLiteral("Файл уровней %1 применён, кроме строк:\n"
                            "строка 2: «l22» не называет тип из списков; может быть, «l0x16»?\n"
                            "строка 3: уровень «x» не целое число\n"
                            "строка 4: «q0x01» не называет тип из списков")
                 .arg(cfg));

    // A file without problems says nothing.
    fixture.prompts().ClearRecord();
    fixture.prompts().dialogAnswers = {fixture.WriteFile("maps/good.cfg", "l0x16=1\r\n")};
    fixture.Click("OpenCFGSpeedButton");
    QVERIFY(fixture.prompts().messages.empty());
}

namespace {

// Records what the window's progress is told, on the window thread.
class RecordedProgress : public stratex::Progress {
public:
    void SetState(stratex::PassState state) override { states.push_back(state); }
    void SetProgress(std::uint64_t, std::uint64_t position) override { positions.push_back(position); }
    std::vector<stratex::PassState> states;
    std::vector<std::uint64_t> positions;
};

}  // namespace

void TestFeedback::WorkAsideShowsItsProgressAndStopsOnCancel() {
    RecordedProgress shown;
    stratex::AsideWork aside(shown);
    // Work that reports until it is stopped; the window thread cancels it once it has shown a report.
    QTimer canceller;
    QObject::connect(&canceller, &QTimer::timeout, [&] {
        QVERIFY(aside.running());
        if (!shown.positions.empty()) aside.Cancel();
    });
    canceller.start(5);
    const bool done = aside.Run([](stratex::Progress& progress) {
        progress.SetState(stratex::PassState::Processing);
        for (std::uint64_t position = 0;; ++position) progress.SetProgress(0, position);
    });
    canceller.stop();
    QVERIFY(!done);
    QVERIFY(!aside.running());
    QCOMPARE(shown.states, std::vector<stratex::PassState>{stratex::PassState::Processing});
    QVERIFY(std::is_sorted(shown.positions.begin(), shown.positions.end()));

    // The next run starts uncancelled: it ends, with its last report shown; a failure is passed on.
    QVERIFY(aside.Run([](stratex::Progress& progress) { progress.SetProgress(10, 10); }));
    QCOMPARE(shown.positions.back(), std::uint64_t(10));
    QVERIFY_THROWS_EXCEPTION(stratex::Error, aside.Run([](stratex::Progress&) { throw stratex::Error("broken"); }));
}

QTEST_MAIN(TestFeedback)
#include "TestFeedback.moc"
