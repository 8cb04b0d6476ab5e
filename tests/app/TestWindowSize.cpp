// The window's size: the layout's size is the smallest, the room the user gives goes to the Type lists and
// the Levels table, codes show whole, and the window opens where it closed, kept on a screen.
#include <QCheckBox>
#include <QGroupBox>
#include <QSettings>
#include <QTableView>

#include "app/PanelStatusBar.h"
#include "app/WindowPlacement.h"
#include "support/WindowFixture.h"

using stratex::TypeListView;
using stratex::test::WindowFixture;

namespace {

const char* const kLists[] = {"POIListView", "LINEListView", "POLYListView"};

// Every code of the list is shown whole: its cell is as wide as the delegate needs for the icon and text,
// plus the grid line that the cell gives up.
void CheckCodesShowWhole(TypeListView* view) {
    QVERIFY(view->model()->rowCount() > 0);
    for (int row = 0; row < view->model()->rowCount(); ++row) {
        const QModelIndex cell = view->model()->index(row, 1);
        QStyleOptionViewItem option;
        option.initFrom(view);
        option.font = view->font();
        const int needed = view->itemDelegateForIndex(cell)->sizeHint(option, cell).width() + 1;
        QVERIFY2(view->columnWidth(1) >= needed, qPrintable(QStringLiteral("%1 row %2: %3 < %4")
                                                                .arg(view->objectName())
                                                                .arg(row)
                                                                .arg(view->columnWidth(1))
                                                                .arg(needed)));
    }
}

}  // namespace

class TestWindowSize : public QObject {
    Q_OBJECT

private slots:
    void GrownWindowGivesItsRoomToTheListsAndTheLevels();
    void WindowOpensWhereItClosed();
    void StoredPlaceIsKeptOnAScreen_data();
    void StoredPlaceIsKeptOnAScreen();
    void PreviewOpensBesideTheWindow_data();
    void PreviewOpensBesideTheWindow();
};

void TestWindowSize::GrownWindowGivesItsRoomToTheListsAndTheLevels() {
    WindowFixture fixture;
    stratex::TMainForm& window = fixture.Start();
    // Extended codes, wider than the columns' default widths with their icons.
    fixture.OpenMap(fixture.WriteCp1251("maps/codes.mp",
                                        "[IMG ID]\nLevels=2\nLevel0=22\nLevel1=20\n[END-IMG ID]\n"
                                        "[POI]\nType=0x10f04\n[END]\n[POI]\nType=0x2f06\n[END]\n"
                                        "[POLYLINE]\nType=0x10e14\n[END]\n[POLYLINE]\nType=0x16\n[END]\n"
                                        "[POLYGON]\nType=0x10f1b\n[END]\n[POLYGON]\nType=0x4c\n[END]\n"));
    for (const char* name : kLists) CheckCodesShowWhole(fixture.List(name));

    QMap<QString, QRect> before;
    const QStringList names = {"POIListView", "LINEListView", "POLYListView", "LevelsList",
                               "StatusBar",   "ShowAllCheck", "Panel1"};
    for (const QString& name : names) before[name] = fixture.Find<QWidget>(name.toLatin1().constData())->geometry();
    const int nameColumn = fixture.List("POIListView")->columnWidth(2);

    window.resize(1000, 800);
    const QRect levels = fixture.Find<QWidget>("LevelsList")->geometry();
    QCOMPARE(levels.height(), before["LevelsList"].height() + 800 - 529);
    // The controls under the Levels table keep their distance from the bottom edge.
    QCOMPARE(fixture.Find<QWidget>("ShowAllCheck")->y(), before["ShowAllCheck"].y() + 800 - 529);
    QCOMPARE(fixture.Find<QWidget>("Panel1")->geometry().bottom(), before["Panel1"].bottom() + 800 - 529);
    QCOMPARE(fixture.Find<QWidget>("StatusBar")->geometry(), QRect(0, 800 - 19, 1000, 19));

    // Each list is wider by the window's gain and takes a share of its height; the boxes neither overlap
    // nor leave the window.
    int grownHeights = 0;
    int lastBottom = 0;
    for (const char* name : kLists) {
        TypeListView* view = fixture.List(name);
        QCOMPARE(view->width(), before[name].width() + 1000 - 648);
        QVERIFY(view->height() > before[name].height());
        grownHeights += view->height() - before[name].height();
        const QRect box = view->parentWidget()->geometry();
        QVERIFY(box.top() > lastBottom);
        QVERIFY(box.right() < 1000);
        lastBottom = box.bottom();
        CheckCodesShowWhole(view);
    }
    QCOMPARE(grownHeights, 800 - 529);
    QVERIFY(lastBottom < fixture.Find<QWidget>("StatusBar")->y());
    QVERIFY(fixture.List("POIListView")->columnWidth(2) > nameColumn);

    // Back at the smallest size, everything stands where the layout puts it.
    window.resize(648, 529);
    for (const QString& name : names) {
        QCOMPARE(fixture.Find<QWidget>(name.toLatin1().constData())->geometry(), before[name]);
    }
}

void TestWindowSize::WindowOpensWhereItClosed() {
    WindowFixture fixture;
    stratex::TMainForm& window = fixture.Start();
    // Within the offscreen platform's screen of 800 x 600.
    window.resize(720, 560);
    window.move(30, 20);
    QVERIFY(fixture.Close());
    QSettings store(QSettings::IniFormat, QSettings::UserScope, "Stratex", "Stratex");
    QCOMPARE(store.value("Software/Stratex/WindowBounds").toString(), QStringLiteral("30 20 720 560"));

    fixture.Start();
    QCOMPARE(fixture.window().size(), QSize(720, 560));
    QCOMPARE(fixture.window().pos(), QPoint(30, 20));

    // A place that is no such text is passed over: the window opens at its default size.
    fixture.Stop();
    store.setValue("Software/Stratex/WindowBounds", "wide");
    store.sync();
    fixture.Start();
    QCOMPARE(fixture.window().size(), QSize(648, 529));
    QVERIFY(fixture.prompts().messages.empty());
}

void TestWindowSize::StoredPlaceIsKeptOnAScreen_data() {
    QTest::addColumn<QRect>("stored");
    QTest::addColumn<QRect>("placed");
    // Two screens side by side, the primary on the left; the window's smallest size is 648 x 529.
    QTest::newRow("on the primary screen") << QRect(100, 50, 800, 600) << QRect(100, 50, 800, 600);
    QTest::newRow("on the second screen") << QRect(1400, 100, 700, 500) << QRect(1400, 100, 700, 529);
    QTest::newRow("across both, mostly on the second") << QRect(1200, 0, 800, 600) << QRect(1280, 0, 800, 600);
    QTest::newRow("off every screen") << QRect(5000, 3000, 800, 600) << QRect(480, 424, 800, 600);
    QTest::newRow("above the top") << QRect(100, -300, 800, 600) << QRect(100, 0, 800, 600);
    QTest::newRow("larger than its screen") << QRect(-50, -50, 2000, 1400) << QRect(0, 0, 1280, 1024);
}

void TestWindowSize::StoredPlaceIsKeptOnAScreen() {
    QFETCH(QRect, stored);
    QFETCH(QRect, placed);
    const QList<QRect> screens = {QRect(0, 0, 1280, 1024), QRect(1280, 0, 1920, 1080)};
    QCOMPARE(stratex::PlaceOnScreens(stored, QSize(648, 529), screens), placed);
}

void TestWindowSize::PreviewOpensBesideTheWindow_data() {
    QTest::addColumn<QRect>("main");
    QTest::addColumn<QPoint>("expected");  // (-1, -1): left where it is
    QTest::newRow("room on the right") << QRect(100, 50, 660, 560) << QPoint(760, 50);
    QTest::newRow("room on the left only") << QRect(900, 50, 660, 560) << QPoint(160, 50);
    QTest::newRow("neither side") << QRect(500, 50, 660, 560) << QPoint(-1, -1);
    QTest::newRow("low window: moved up") << QRect(100, 800, 660, 560) << QPoint(760, 400);
}

void TestWindowSize::PreviewOpensBesideTheWindow() {
    QFETCH(QRect, main);
    QFETCH(QPoint, expected);
    const std::optional<QPoint> place = stratex::PlaceBeside(main, QSize(740, 600), QRect(0, 0, 1600, 1000));
    QCOMPARE(place.value_or(QPoint(-1, -1)), expected);
}

QTEST_MAIN(TestWindowSize)
#include "TestWindowSize.moc"
