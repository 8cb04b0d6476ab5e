// The Preview window: opened with F6 from the main window, it draws the map at the chosen level and
// follows a change of a type's level without the map being opened again.
#include <QComboBox>
#include <QLabel>
#include <QTableView>

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

}  // namespace

class TestPreview : public QObject {
    Q_OBJECT

private slots:
    void LakeFollowsItsTypeLevel();
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

    const QRgb paper = canvas->grab().toImage().pixel(0, 0);
    const auto lakeShownNow = [&] {
        const QImage picture = canvas->grab().toImage();
        return picture.pixel(picture.width() / 2, picture.height() / 2) != paper;
    };
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

QTEST_MAIN(TestPreview)
#include "TestPreview.moc"
