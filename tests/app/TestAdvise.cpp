// Advise and Apply: the proposals shown beside each row's level with their reasons, and Apply as a level
// change of the selected rows that the window marks as it marks one made by hand.
#include "support/WindowFixture.h"

using stratex::test::WindowFixture;

namespace {

// Levels of 24, 22, 20 and 18 bits. Trail 0x16 is 0.001° long (47 units at full resolution, enough for
// Level1 only), motorway 0x01 0.01°; lake 0x4c is 0.005° across, sea 0x3c 0.0001° (under 8 units at once).
QString AdviceMap() {
    return QStringLiteral(
        "[IMG ID]\nLevels=4\nLevel0=24\nLevel1=22\nLevel2=20\nLevel3=18\n[END-IMG ID]\n"
        "[POI]\nType=0x2f06\nEndLevel=0\nData0=(50.0,30.0)\n[END]\n"
        "[POLYLINE]\nType=0x16\nEndLevel=3\nData0=(50.0,30.0),(50.001,30.0)\n[END]\n"
        "[POLYLINE]\nType=0x01\nEndLevel=0\nData0=(50.0,30.0),(50.01,30.0)\n[END]\n"
        "[POLYGON]\nType=0x4c\nEndLevel=1\nData0=(50.0,30.0),(50.005,30.0),(50.005,30.005)\n[END]\n"
        "[POLYGON]\nType=0x3c\nEndLevel=2\nData0=(50.0,30.0),(50.0001,30.0),(50.0001,30.0001)\n[END]\n");
}

}  // namespace

class TestAdvise : public QObject {
    Q_OBJECT

private slots:
    void AdviseShowsProposalsAndApplyTakesTheSelectedRow();
};

void TestAdvise::AdviseShowsProposalsAndApplyTakesTheSelectedRow() {
    WindowFixture fixture;
    fixture.Start();
    QVERIFY(!fixture.Button("AdviseSpeedButton")->isEnabled());
    fixture.OpenMap(fixture.WriteCp1251("maps/advice.mp", AdviceMap()));
    QVERIFY(!fixture.Button("ApplyAdviceSpeedButton")->isEnabled());
    // Apply after a Process is a change since that Process.
    fixture.Click("DoSpeedButton");

    fixture.Click("AdviseSpeedButton");
    QVERIFY(fixture.Button("ApplyAdviceSpeedButton")->isEnabled());
    QCOMPARE(WindowFixture::ColumnTexts(fixture.List("POIListView"), 0), QStringList({"0 → 2"}));
    QCOMPARE(WindowFixture::ColumnTexts(fixture.List("LINEListView"), 0), QStringList({"0 → 2", "3 → 1"}));
    QCOMPARE(WindowFixture::ColumnTexts(fixture.List("POLYListView"), 0), QStringList({"2 → 0", "1 → 2"}));
    auto* polygons = fixture.List("POLYListView");
    const QString tip = polygons->model()->index(0, 1).data(Qt::ToolTipRole).toString();
    QVERIFY2(tip.startsWith(QStringLiteral("Совет: до Level0 (at Level0 (24 bits) 100 % of the 1 polygons are under")),
             qPrintable(tip));
    // Proposals alone change no level.
    QCOMPARE(fixture.Status(), QStringLiteral("Изменение OK"));

    auto* lines = fixture.List("LINEListView");
    fixture.ClickCell(lines, 1, 1);
    fixture.Click("ApplyAdviceSpeedButton");
    QCOMPARE(WindowFixture::ColumnTexts(lines, 0), QStringList({"0 → 2", "1 → 1"}));
    QCOMPARE(WindowFixture::ColumnTexts(polygons, 0), QStringList({"2 → 0", "1 → 2"}));
    QCOMPARE(WindowFixture::ColumnTexts(fixture.List("POIListView"), 0), QStringList({"0 → 2"}));
    QCOMPARE(lines->model()->index(1, 0).data(Qt::EditRole).toString(), QStringLiteral("1"));
    QCOMPARE(fixture.Status(), QStringLiteral("Уровни изменены после Process"));
}

QTEST_MAIN(TestAdvise)
#include "TestAdvise.moc"
