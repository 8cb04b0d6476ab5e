// The Preview window: opened with F6 from the main window, it draws the map at the chosen level and
// follows a change of a type's level without the map being opened again; its pictures are drawn on a
// thread of their own, which leaves the map before it goes.
#include <QComboBox>
#include <QLabel>
#include <QTableView>
#include <QWheelEvent>
#include <atomic>
#include <thread>

#include "app/PreviewCanvas.h"
#include "app/PreviewWindow.h"
#include "support/WindowFixture.h"

using stratex::PreviewCanvas;
using stratex::PreviewWindow;
using stratex::test::WindowFixture;

namespace {

// One lake over most of the map, drawn up to level 0, and a point in a corner.
QString LakeMap() {
    return QStringLiteral(
        "[IMG ID]\nLevels=3\nLevel0=24\nLevel1=22\nLevel2=20\n[END-IMG ID]\n"
        "[POLYGON]\nType=0x3c\nEndLevel=0\nData0=(55.0,37.0),(55.0,37.5),(55.5,37.5),(55.5,37.0)\n[END]\n"
        "[POI]\nType=0x2f06\nEndLevel=2\nData0=(55.0,37.0)\n[END]\n");
}

// A forest over all of another map.
QString ForestMap() {
    return QStringLiteral(
        "[IMG ID]\nLevels=2\nLevel0=24\nLevel1=22\n[END-IMG ID]\n"
        "[POLYGON]\nType=0x50\nEndLevel=1\nData0=(40.0,20.0),(40.0,21.0),(41.0,21.0),(41.0,20.0)\n[END]\n");
}

QRgb Middle(const QImage& picture) { return picture.pixel(picture.width() / 2, picture.height() / 2); }

}  // namespace

class TestPreview : public QObject {
    Q_OBJECT

private slots:
    void LakeFollowsItsTypeLevel();
    void SlowDrawingLeavesTheWindowAnsweringAndTheMapIsLeftFirst();
};

void TestPreview::LakeFollowsItsTypeLevel() {
    WindowFixture fixture;
    fixture.Start();
    fixture.OpenMap(fixture.WriteCp1251("maps/lake.mp", LakeMap()));
    QTest::keyClick(&fixture.window(), Qt::Key_F6);
    PreviewWindow* preview = fixture.window().preview();
    QVERIFY(preview && preview->isVisible());
    auto* levels = preview->findChild<QComboBox*>("PreviewLevel");
    auto* canvas = preview->findChild<PreviewCanvas*>("PreviewCanvas");
    auto* status = preview->findChild<QLabel*>("PreviewStatus");
    QVERIFY(levels && canvas && status);

    // The selector offers every row of the Levels table, key and value.
    QAbstractItemModel* table = fixture.Find<QTableView>("LevelsList")->model();
    QCOMPARE(levels->count(), table->rowCount());
    for (int row = 0; row < table->rowCount(); ++row) {
        QCOMPARE(levels->itemText(row),
                 table->index(row, 0).data().toString() + " " + table->index(row, 1).data().toString());
    }

    const QRgb paper = preview->Picture().pixel(0, 0);
    const auto lakeShownNow = [&] { return Middle(preview->Picture()) != paper; };
    const auto lakeShown = [&](int level) {
        levels->setCurrentIndex(level);
        return lakeShownNow();
    };
    QVERIFY(lakeShown(0));
    QVERIFY(!lakeShown(1));

    // The popup alone redraws the level on show.
    fixture.SetLevelByPopup("POLYListView", {0}, "N01");  // "до Level1"
    QVERIFY(lakeShownNow());
    QVERIFY(!lakeShown(2));
    QVERIFY(lakeShown(0));
    levels->setCurrentIndex(2);
    QCOMPARE(status->text(), QStringLiteral("Нарисовано объектов: 1, скрыто: 1"));
}

void TestPreview::SlowDrawingLeavesTheWindowAnsweringAndTheMapIsLeftFirst() {
    WindowFixture fixture;
    fixture.Start();
    fixture.OpenMap(fixture.WriteCp1251("maps/lake.mp", LakeMap()));
    QTest::keyClick(&fixture.window(), Qt::Key_F6);
    PreviewWindow* preview = fixture.window().preview();
    QVERIFY(preview);
    auto* levels = preview->findChild<QComboBox*>("PreviewLevel");
    auto* canvas = preview->findChild<PreviewCanvas*>("PreviewCanvas");
    auto* status = preview->findChild<QLabel*>("PreviewStatus");
    const QImage lakePicture = preview->Picture();
    const QRgb paper = lakePicture.pixel(0, 0);
    const QRgb lake = Middle(lakePicture);
    levels->setCurrentIndex(1);
    QCOMPARE(status->text(), QStringLiteral("Нарисовано объектов: 1, скрыто: 1"));

    // From now on every drawing waits at its start until released, or until it is asked to stop.
    std::atomic<int> entered{0};
    std::atomic<int> running{0};
    std::atomic<bool> released{false};
    canvas->SetDrawHook([&](const std::atomic<bool>& stop) {
        ++running;
        ++entered;
        while (!released && !stop) std::this_thread::yield();
        --running;
    });
    const auto waitForDrawingHeld = [&](int count) {
        while (entered < count) std::this_thread::yield();
    };
    QWheelEvent wheel(QPointF(50, 50), canvas->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(canvas, &wheel);
    waitForDrawingHeld(1);

    // The window thread takes clicks meanwhile: the lake's type is set up to level 1 through the level menu,
    // and the preview at level 1 counts it.
    fixture.SetLevelByPopup("POLYListView", {0}, "N01");  // "до Level1"
    QCOMPARE(status->text(), QStringLiteral("Нарисовано объектов: 2, скрыто: 0"));
    QVERIFY(canvas->drawing());

    // Closing the preview stops the drawing and waits for it.
    preview->close();
    QCOMPARE(running.load(), 0);
    const int before = entered;
    QTest::keyClick(&fixture.window(), Qt::Key_F6);
    waitForDrawingHeld(before + 1);

    // Whatever changes the map holds a MapChange meanwhile: when one begins, no drawing reads the map.
    {
        const PreviewWindow::MapChange change(preview);
        QCOMPARE(running.load(), 0);
    }
    // Open MAP holds one: another map, drawn once the drawings go on.
    fixture.OpenMap(fixture.WriteCp1251("maps/forest.mp", ForestMap()));
    released = true;
    const QRgb forest = Middle(preview->Picture());
    QVERIFY(forest != paper && forest != lake);
}

QTEST_MAIN(TestPreview)
#include "TestPreview.moc"
