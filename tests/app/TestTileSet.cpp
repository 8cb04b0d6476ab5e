// A set of tiles in the window: several maps chosen in the Open dialog show the union of their types with the
// set's level; Process and Save MAP write every map into a folder, each from its own file.
#include <QTableView>

#include "app/MainForm.h"
#include "app/PanelStatusBar.h"
#include "app/QtText.h"
#include "support/WindowFixture.h"

using stratex::test::WindowFixture;

namespace {

// A map of three levels (Level1 of the given bits) with a POI 0x2f06 of the given EndLevel and, where
// withTrail, a polyline 0x16 without one.
QString Tile(const QString& bits, const QString& poiLevel, bool withTrail) {
    QString text = QStringLiteral(
                       "[IMG ID]\nLevels=3\nLevel0=24\nLevel1=%1\nLevel2=14\nZoom0=0\nZoom1=1\nZoom2=2\n"
                       "[END-IMG ID]\n[POI]\nType=0x2f06\nEndLevel=%2\nData0=(55.75,37.61)\n[END]\n")
                       .arg(bits, poiLevel);
    if (withTrail) text += QStringLiteral("[POLYLINE]\nType=0x16\nData0=(55.75,37.61),(55.76,37.62)\n[END]\n");
    return text;
}

}  // namespace

class TestTileSet : public QObject {
    Q_OBJECT

private slots:
    void SeveralMapsOpenAsOneSet();
    void SaveMapWritesEveryMapIntoAFolder();
    void CommandLineMapsOpenAsASet();
};

void TestTileSet::SeveralMapsOpenAsOneSet() {
    WindowFixture fixture;
    fixture.Start();
    const QString a = fixture.WriteCp1251("tiles/a.mp", Tile("18", "1", false));
    const QString b = fixture.WriteCp1251("tiles/b.mp", Tile("18", "1", true));
    const QString c = fixture.WriteCp1251("tiles/c.mp", Tile("16", "0", false));
    fixture.OpenMap(a + QLatin1Char('\n') + b + QLatin1Char('\n') + c);
    QVERIFY(fixture.window().windowTitle().contains(a));
    QVERIFY(fixture.window().windowTitle().contains(QStringLiteral("и ещё 2")));

    // The union of the types, each at the set's level; the POI's maps disagree, and its row says how.
    auto* poi = fixture.List("POIListView");
    QCOMPARE(WindowFixture::ColumnTexts(poi, 0), QStringList{QStringLiteral("1")});
    QCOMPARE(WindowFixture::ColumnTexts(fixture.List("LINEListView"), 1), QStringList{QStringLiteral("0x16")});
    const QString tip = poi->model()->index(0, 1).data(Qt::ToolTipRole).toString();
    QVERIFY2(tip.contains(QStringLiteral("Карты набора дают типу разные уровни")), qPrintable(tip));
    QVERIFY2(tip.contains(QStringLiteral("c.mp: уровень 0, 1 объект")), qPrintable(tip));
    QVERIFY(poi->model()->index(0, 0).data(Qt::ForegroundRole).isValid());
    // The Levels table is the first map's, marked since c.mp's header differs.
    QVERIFY(!fixture.Find<QTableView>("LevelsList")->toolTip().isEmpty());

    // One map again: every mark goes.
    fixture.OpenMap(a);
    QVERIFY(fixture.Find<QTableView>("LevelsList")->toolTip().isEmpty());
    QVERIFY(!poi->model()->index(0, 0).data(Qt::ForegroundRole).isValid());
}

void TestTileSet::SaveMapWritesEveryMapIntoAFolder() {
    WindowFixture fixture;
    fixture.Start();
    const QString a = fixture.WriteCp1251("tiles/a.mp", Tile("18", "1", false));
    const QString b = fixture.WriteCp1251("tiles/b.mp", Tile("18", "1", false));
    const QString c = fixture.WriteCp1251("tiles/c.mp", Tile("16", "0", false));
    fixture.WriteCp1251("out/c.mp", QStringLiteral("an older c.mp\n"));
    fixture.OpenMap(a + QLatin1Char('\n') + b + QLatin1Char('\n') + c);
    fixture.Click("DoSpeedButton");
    QVERIFY(fixture.Button("SaveSpeedButton")->isEnabled());
    const QString tip = fixture.Find<stratex::PanelStatusBar>("StatusBar")->toolTip();
    QVERIFY2(tip.contains(QStringLiteral("c.mp: EndLevel вставлено 0, заменено 1, без изменений 0")), qPrintable(tip));

    // No: nothing is written. Yes: every map, each with its own header and the set's level of the POI.
    const QString out = fixture.root() + QStringLiteral("/out");
    fixture.prompts().dialogAnswers = {out};
    fixture.prompts().yesNoAnswers = {false};
    fixture.Click("SaveSpeedButton");
    QCOMPARE(WindowFixture::ReadFile(out + QStringLiteral("/c.mp")), QByteArray("an older c.mp\r\n"));
    QVERIFY(!QFileInfo::exists(out + QStringLiteral("/a.mp")));
    fixture.prompts().dialogAnswers = {out};
    fixture.prompts().yesNoAnswers = {true};
    fixture.Click("SaveSpeedButton");
    QCOMPARE(fixture.prompts().questions.size(), 2u);
    const QByteArray written = WindowFixture::ReadFile(out + QStringLiteral("/c.mp"));
    QVERIFY2(written.contains("Level1=16\r\n"), written.constData());
    QVERIFY2(written.contains("Type=0x2f06\r\nEndLevel=1\r\n"), written.constData());
    QVERIFY(WindowFixture::ReadFile(out + QStringLiteral("/a.mp")).contains("Level1=18\r\n"));
}

void TestTileSet::CommandLineMapsOpenAsASet() {
    WindowFixture fixture;
    fixture.Start();
    fixture.WriteCp1251("work/a.mp", Tile("18", "1", false));
    fixture.WriteCp1251("work/b.mp", Tile("18", "1", true));
    const QString c = fixture.WriteCp1251("tiles/c.mp", Tile("16", "0", false));
    // Names relative to the working folder, and one absolute.
    fixture.window().OpenMapArguments({QStringLiteral("a.mp"), QStringLiteral("b.mp"), c});
    const auto& tiles = fixture.window().document().tiles();
    QCOMPARE(tiles.size(), 3u);
    QCOMPARE(stratex::ToQString(tiles[1].path), QDir::toNativeSeparators(fixture.workDir() + QStringLiteral("/b.mp")));
    QCOMPARE(WindowFixture::ColumnTexts(fixture.List("LINEListView"), 1), QStringList{QStringLiteral("0x16")});
}

QTEST_MAIN(TestTileSet)
#include "TestTileSet.moc"
