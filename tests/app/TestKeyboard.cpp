// The window by the keyboard: Tab and Shift+Tab from area to area, arrows inside a list, levels set from a
// list's keys.
#include <QCheckBox>
#include <QTableView>

#include "app/MainForm.h"
#include "support/WindowFixture.h"

using stratex::test::WindowFixture;

namespace {

// The area of the window that holds widget.
QString AreaOf(WindowFixture& fixture, QWidget* widget) {
    const auto within = [widget](QWidget* area) { return area == widget || area->isAncestorOf(widget); };
    if (!widget) return QStringLiteral("none");
    if (within(fixture.Find<QWidget>("ToolBar1"))) return QStringLiteral("toolbar");
    if (within(fixture.Find<QWidget>("LevelsList"))) return QStringLiteral("levels");
    for (const char* list : {"POIListView", "LINEListView", "POLYListView"}) {
        if (within(fixture.Find<QWidget>(list))) return QString::fromLatin1(list);
    }
    if (within(fixture.Find<QWidget>("ShowAllCheck")) || within(fixture.Find<QWidget>("DicCheckBox"))) {
        return QStringLiteral("checks");
    }
    return widget->objectName();
}

// The areas that focus passes through from the tool bar until it comes back to it, pressing key.
QStringList AreasInTurn(WindowFixture& fixture, Qt::Key key) {
    fixture.Find<QWidget>("OpenSpeedButton")->setFocus(Qt::TabFocusReason);
    QStringList areas{AreaOf(fixture, QApplication::focusWidget())};
    for (int press = 0; press < 30; ++press) {
        QTest::keyClick(QApplication::focusWidget(), key, key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
        const QString area = AreaOf(fixture, QApplication::focusWidget());
        if (area != areas.last()) areas << area;
        if (area == QLatin1String("toolbar") && areas.size() > 1) break;
    }
    return areas;
}

}  // namespace

class TestKeyboard : public QObject {
    Q_OBJECT

private slots:
    void TabGoesFromAreaToArea();
    void ListKeysMoveAndSetLevels();
};

void TestKeyboard::TabGoesFromAreaToArea() {
    WindowFixture fixture;
    fixture.Start();
    fixture.OpenMap(fixture.WriteCp1251("maps/city.mp", WindowFixture::SampleMap()));
    const QStringList forward{"toolbar", "levels", "POIListView", "LINEListView", "POLYListView", "checks", "toolbar"};
    QCOMPARE(AreasInTurn(fixture, Qt::Key_Tab), forward);
    QStringList backward = forward;
    std::reverse(backward.begin(), backward.end());
    QCOMPARE(AreasInTurn(fixture, Qt::Key_Backtab), backward);
}

void TestKeyboard::ListKeysMoveAndSetLevels() {
    WindowFixture fixture;
    fixture.Start();
    fixture.OpenMap(fixture.WriteCp1251("maps/city.mp", WindowFixture::SampleMap()));
    stratex::TypeListView* poi = fixture.List("POIListView");
    fixture.ClickCell(poi, 0, 1);
    // An arrow moves inside the list; Shift+arrow selects the next row too.
    QTest::keyClick(poi, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), poi);
    QCOMPARE(poi->currentIndex().row(), 1);
    QCOMPARE(poi->selectionModel()->selectedRows().size(), 2);
    // Ctrl+digit gives every selected row that level, as the popup does; the typing shortcut stays out.
    QTest::keyClick(poi, Qt::Key_2, Qt::ControlModifier);
    QCOMPARE(WindowFixture::ColumnTexts(poi, 0), (QStringList{"2", "2"}));
    QVERIFY(!poi->IsEditing());
    // Shift+F10 opens the level popup of the list; its item applies to the selected rows.
    QTest::keyClick(poi, Qt::Key_F10, Qt::ShiftModifier);
    fixture.ChooseMenuItem("LevelPopupMenu", "N01");
    QCOMPARE(WindowFixture::ColumnTexts(poi, 0), (QStringList{"1", "1"}));
    // Process (F5) disables the lists while it runs; the focus comes back to the list for the next key.
    QTest::keyClick(poi, Qt::Key_F5);
    QCOMPARE(fixture.Status(), QStringLiteral("Изменение OK"));
    QCOMPARE(QApplication::focusWidget(), poi);
    // In the other lists too.
    stratex::TypeListView* line = fixture.List("LINEListView");
    fixture.ClickCell(line, 0, 1);
    QTest::keyClick(line, Qt::Key_0, Qt::ControlModifier);
    QCOMPARE(WindowFixture::ColumnTexts(line, 0), QStringList{"0"});
}

QTEST_MAIN(TestKeyboard)
#include "TestKeyboard.moc"
