// The window's size: the layout's size is the smallest, the room the user gives goes to the Type lists, the
// Levels table and the left column, texts and codes show whole, and the window opens where it closed, kept
// on a screen.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QRegularExpression>
#include <QSettings>
#include <QTableView>
#include <QToolButton>

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
    void TextsShowWholeAtTheSmallestSize_data();
    void TextsShowWholeAtTheSmallestSize();
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
                               "StatusBar",   "ShowAllCheck", "Panel1",       "Label1"};
    for (const QString& name : names) before[name] = fixture.Find<QWidget>(name.toLatin1().constData())->geometry();
    const int nameColumn = fixture.List("POIListView")->columnWidth(2);

    window.resize(1000, 800);
    const QRect levels = fixture.Find<QWidget>("LevelsList")->geometry();
    // The Levels table takes the height, and what the wider description gives up.
    QVERIFY(levels.height() >= before["LevelsList"].height() + 800 - 529);
    QVERIFY(fixture.Find<QWidget>("Panel1")->height() <= before["Panel1"].height());
    // The controls under the Levels table keep their distance from the bottom edge.
    QCOMPARE(fixture.Find<QWidget>("Label1")->geometry().bottom(), before["Label1"].bottom() + 800 - 529);
    QCOMPARE(fixture.Find<QWidget>("StatusBar")->geometry(), QRect(0, 800 - 19, 1000, 19));

    // The left column and the lists share the window's gain in width; each list takes a share of the
    // height; the boxes neither overlap nor leave the window.
    QVERIFY(levels.width() > before["LevelsList"].width());
    int grownHeights = 0;
    int lastBottom = 0;
    for (const char* name : kLists) {
        TypeListView* view = fixture.List(name);
        QCOMPARE(view->width() - before[name].width() + levels.width() - before["LevelsList"].width(), 1000 - 648);
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

void TestWindowSize::TextsShowWholeAtTheSmallestSize_data() {
    QTest::addColumn<QString>("language");
    QTest::newRow("Russian") << "ru";
    QTest::newRow("English") << "en";
}

// Every caption, title and cell text of the window fits its control at the smallest size, measured with
// the font that the window has here: a text wider than its room shows cut.
void TestWindowSize::TextsShowWholeAtTheSmallestSize() {
    QFETCH(QString, language);
    WindowFixture fixture;
    {
        QSettings store(QSettings::IniFormat, QSettings::UserScope, "Stratex", "Stratex");
        store.setValue("Software/Stratex/Language", language);
    }
    stratex::TMainForm& window = fixture.Start();
    // The widest zoom texts of the pick list stand in the table: 10 bits (<=1200 km) and 22 (<=500 m).
    fixture.OpenMap(fixture.WriteCp1251("maps/zooms.mp",
                                        "[IMG ID]\nLevels=3\nLevel0=22\nLevel1=21\nLevel2=10\n[END-IMG ID]\n"
                                        "[POI]\nType=0x2f06\n[END]\n"));
    QCOMPARE(window.size(), QSize(648, 529));
    QStringList cut;
    const auto fits = [&cut](const QWidget* control, const QString& text, int needed, int room) {
        if (needed > room)
            cut << QStringLiteral("%1 '%2': %3 > %4").arg(control->objectName(), text).arg(needed).arg(room);
    };
    for (QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
        if (button->isVisible()) fits(button, button->text(), button->sizeHint().width(), button->width());
    }
    for (QLabel* label : window.findChildren<QLabel*>()) {
        if (!label->isVisible()) continue;
        const QFontMetrics metrics(label->font());
        const int room = label->contentsRect().width();
        // A wrapped label breaks between words: each word must fit, and every line the width gives.
        const QStringList parts =
            label->text().split(label->wordWrap() ? QRegularExpression("\\s+") : QRegularExpression("\n"));
        for (const QString& part : parts) fits(label, part, metrics.horizontalAdvance(part), room);
        const int height =
            label->wordWrap() ? label->heightForWidth(label->width()) : int(parts.size()) * metrics.lineSpacing();
        fits(label, QStringLiteral("(height)"), height, label->height());
    }
    for (QGroupBox* box : window.findChildren<QGroupBox*>()) {
        fits(box, box->title(), box->minimumSizeHint().width(), box->width());
    }
    for (QTableView* view : window.findChildren<QTableView*>()) {
        QHeaderView* header = view->horizontalHeader();
        for (int column = 0; column < header->count(); ++column) {
            fits(view, view->model()->headerData(column, Qt::Horizontal).toString(), header->sectionSizeHint(column),
                 header->sectionSize(column));
        }
    }
    // The Levels table's keys and values, the selected value in its pick list's box.
    auto* levels = fixture.Find<QTableView>("LevelsList");
    QCOMPARE(levels->model()->rowCount(), 3);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 2; ++column) {
            const QModelIndex cell = levels->model()->index(row, column);
            QStyleOptionViewItem option;
            option.initFrom(levels);
            // The cell gives up a pixel to the grid line.
            fits(levels, cell.data().toString(), levels->itemDelegateForIndex(cell)->sizeHint(option, cell).width() + 1,
                 levels->columnWidth(column));
        }
    }
    auto* pick = levels->findChild<QComboBox*>(QStringLiteral("LevelPickList"));
    QVERIFY(pick && pick->isVisible());
    fits(pick, pick->currentText(), pick->sizeHint().width(), pick->width());
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('\n'))));
    // The English window says its zooms in English units.
    QCOMPARE(levels->model()->index(1, 1).data().toString(),
             language == "en" ? QStringLiteral("21bit (<=1.2 km)") : QStringLiteral("21bit (<=1,2км)"));
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
