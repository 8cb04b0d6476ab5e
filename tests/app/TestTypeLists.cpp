// The three Type lists: sorting by header clicks, Show All, the level popup on selected rows, the typing
// shortcut of the POI list and the in-place editor that only the first column opens.
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QLineEdit>

#include "app/VirtualKey.h"
#include "support/WindowFixture.h"

using stratex::TypeListView;
using stratex::test::WindowFixture;

namespace {

// Three POI types whose order differs by each column: levels 9, 10, 2 (as text "10" < "2" < "9"), names
// Банк, Ресторан, Мост.
QString SortingMap() {
    return QStringLiteral(
        "[IMG ID]\nLevels=2\nLevel0=22\nLevel1=20\n[END-IMG ID]\n"
        "[POI]\nType=0x2f06\nEndLevel=9\n[END]\n"
        "[POI]\nType=0x2a00\nEndLevel=10\n[END]\n"
        "[POI]\nType=0x6401\nEndLevel=2\n[END]\n"
        "[POLYLINE]\nType=0x16\nEndLevel=1\n[END]\n"
        "[POLYLINE]\nType=0x01\nEndLevel=3\n[END]\n"
        "[POLYGON]\nType=0x4c\nEndLevel=1\n[END]\n"
        "[POLYGON]\nType=0x4a\nEndLevel=1\n[END]\n");
}

}  // namespace

class TestTypeLists : public QObject {
    Q_OBJECT

private slots:
    void HeaderClickSortsThatListAscending_data();
    void HeaderClickSortsThatListAscending();
    void NextScanSortsByTheLastClickedColumn();
    void IconsHaveTheSizesOfTheirKind();
    void ShowAllOffRemovesExactlyTheAddedRowsAfterASort();
    void ShowAllWithoutAMapFillsAndEmptiesTheLists();
    void LevelPopupSetsTheSelectedRows_data();
    void LevelPopupSetsTheSelectedRows();
    void LevelPopupWithoutSelectionChangesNothing();
    void TypingShortcutSetsTheFirstSelectedRow_data();
    void TypingShortcutSetsTheFirstSelectedRow();
    void TypingShortcutIsThePoiListsOnly();
    void EditorOpensOnlyFromTheFirstColumn_data();
    void EditorOpensOnlyFromTheFirstColumn();
    void EditedCaptionReachesTheDocumentAsCp1251();
    void VirtualKeyCodes_data();
    void VirtualKeyCodes();
    void RowTooltipsTellTheObjectsAndTheirEndLevels();
};

void TestTypeLists::RowTooltipsTellTheObjectsAndTheirEndLevels() {
    WindowFixture fixture;
    fixture.Start();
    fixture.OpenMap(
        fixture.WriteCp1251("maps/levels.mp",
                            "[IMG ID]\nLevels=2\nLevel0=22\nLevel1=20\n[END-IMG ID]\n"
                            "[POI]\nType=0x2f06\nEndLevel=1\n[END]\n[POI]\nType=0x2f06\n[END]\n"
                            "[POI]\nType=0x2f06\nEndLevel=1\n[END]\n[POLYLINE]\nType=0x16\nEndLevel=0\n[END]\n"));
    fixture.Click("ShowAllCheck");
    const auto tip = [&fixture](const char* list, int row) {
        QAbstractItemModel* model = fixture.List(list)->model();
        return model->index(row, 1).data(Qt::ToolTipRole).toString();
    };
    QCOMPARE(tip("POIListView", 0), QStringLiteral("3 объекта, EndLevel 1 (2), нет (1)"));
    QCOMPARE(tip("LINEListView", 0), QStringLiteral("1 объект, EndLevel 0 (1)"));
    // A row that Show All added: the map holds no object of its type.
    QCOMPARE(tip("POIListView", 1), QStringLiteral("нет объектов на карте"));
}

void TestTypeLists::HeaderClickSortsThatListAscending_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QStringList>("codes");
    QTest::newRow("level as text") << 0 << QStringList{"0x2a00", "0x6401", "0x2f06"};
    QTest::newRow("code") << 1 << QStringList{"0x2a00", "0x2f06", "0x6401"};
    QTest::newRow("name") << 2 << QStringList{"0x2f06", "0x6401", "0x2a00"};
}

void TestTypeLists::HeaderClickSortsThatListAscending() {
    QFETCH(int, column);
    QFETCH(QStringList, codes);
    WindowFixture fixture;
    fixture.Start();
    fixture.OpenMap(fixture.WriteCp1251("maps/sort.mp", SortingMap()));
    TypeListView* poi = fixture.List("POIListView");
    const QStringList linesBefore = WindowFixture::ColumnTexts(fixture.List("LINEListView"), 1);
    fixture.ClickHeader(poi, column);
    QCOMPARE(WindowFixture::ColumnTexts(poi, 1), codes);
    // Always ascending: a second click sorts the same way.
    fixture.ClickHeader(poi, column);
    QCOMPARE(WindowFixture::ColumnTexts(poi, 1), codes);
    QCOMPARE(fixture.window().document().sortColumn(), column);
    // The other lists keep their order.
    QCOMPARE(WindowFixture::ColumnTexts(fixture.List("LINEListView"), 1), linesBefore);
    QVERIFY(fixture.prompts().messages.empty());
}

void TestTypeLists::NextScanSortsByTheLastClickedColumn() {
    WindowFixture fixture;
    fixture.Start();
    const QString map = fixture.WriteCp1251("maps/sort.mp", SortingMap());
    fixture.OpenMap(map);
    QCOMPARE(WindowFixture::ColumnTexts(fixture.List("LINEListView"), 1), (QStringList{"0x01", "0x16"}));
    fixture.ClickHeader(fixture.List("POLYListView"), 0);
    fixture.OpenMap(map);
    QCOMPARE(WindowFixture::ColumnTexts(fixture.List("POIListView"), 0), (QStringList{"10", "2", "9"}));
    QCOMPARE(WindowFixture::ColumnTexts(fixture.List("LINEListView"), 0), (QStringList{"1", "3"}));
}

void TestTypeLists::IconsHaveTheSizesOfTheirKind() {
    WindowFixture fixture;
    fixture.Start();
    fixture.OpenMap(fixture.WriteCp1251("maps/sort.mp", SortingMap()));
    const struct {
        const char* list;
        int row;
        QSize size;
    } kinds[] = {
        {"POIListView", 0, QSize(16, 16)}, {"LINEListView", 0, QSize(30, 15)}, {"POLYListView", 1, QSize(50, 20)}};
    for (const auto& kind : kinds) {
        TypeListView* view = fixture.List(kind.list);
        QCOMPARE(view->iconSize(), kind.size);
        const QPixmap icon = view->model()->index(kind.row, 1).data(Qt::DecorationRole).value<QPixmap>();
        QCOMPARE(icon.size(), kind.size);
    }
    // The polygon 0x4a is known without an icon: it shows the stand-in of its kind's size, so that its code
    // lines up with the others.
    TypeListView* polygons = fixture.List("POLYListView");
    QCOMPARE(WindowFixture::ColumnTexts(polygons, 1), (QStringList{"0x4a", "0x4c"}));
    const QPixmap standIn = polygons->model()->index(0, 1).data(Qt::DecorationRole).value<QPixmap>();
    QCOMPARE(standIn.size(), QSize(50, 20));
    QVERIFY(standIn.toImage() != polygons->model()->index(1, 1).data(Qt::DecorationRole).value<QPixmap>().toImage());
}

void TestTypeLists::ShowAllOffRemovesExactlyTheAddedRowsAfterASort() {
    WindowFixture fixture;
    fixture.Start();
    fixture.OpenMap(fixture.WriteCp1251("maps/city.mp", WindowFixture::SampleMap()));
    fixture.Click("DoSpeedButton");
    TypeListView* poi = fixture.List("POIListView");

    fixture.Click("ShowAllCheck");
    QCOMPARE(WindowFixture::ColumnTexts(poi, 1), (QStringList{"0x2a00", "0x2f06", "0x6401"}));
    QCOMPARE(WindowFixture::ColumnTexts(poi, 0), (QStringList{"0", "1", "0"}));
    // The first line of the polyline file never gives a row.
    QCOMPARE(WindowFixture::ColumnTexts(fixture.List("LINEListView"), 1), (QStringList{"0x16", "0x01"}));
    QCOMPARE(WindowFixture::ColumnTexts(fixture.List("POLYListView"), 1), (QStringList{"0x4c", "0x50"}));
    QVERIFY(fixture.Button("SaveCFGSpeedButton")->isEnabled());

    // Sorted by name the added "Мост" stands between the found rows.
    fixture.ClickHeader(poi, 2);
    QCOMPARE(WindowFixture::ColumnTexts(poi, 1), (QStringList{"0x2f06", "0x6401", "0x2a00"}));

    fixture.Click("ShowAllCheck");
    QCOMPARE(WindowFixture::ColumnTexts(poi, 1), (QStringList{"0x2f06", "0x2a00"}));
    QCOMPARE(WindowFixture::ColumnTexts(fixture.List("LINEListView"), 1), (QStringList{"0x16"}));
    QCOMPARE(WindowFixture::ColumnTexts(fixture.List("POLYListView"), 1), (QStringList{"0x4c"}));
    for (const char* name : {"DoSpeedButton", "SaveSpeedButton", "OpenCFGSpeedButton", "SaveCFGSpeedButton"}) {
        QVERIFY2(!fixture.Button(name)->isEnabled(), name);
    }
    QVERIFY(fixture.prompts().messages.empty());
}

void TestTypeLists::ShowAllWithoutAMapFillsAndEmptiesTheLists() {
    WindowFixture fixture;
    fixture.Start();
    fixture.Click("ShowAllCheck");
    QCOMPARE(WindowFixture::ColumnTexts(fixture.List("POIListView"), 2), (QStringList{"Банк", "Ресторан", "Мост"}));
    QCOMPARE(fixture.List("LINEListView")->model()->rowCount(), 2);
    QVERIFY(fixture.Button("SaveCFGSpeedButton")->isEnabled());
    QVERIFY(!fixture.Button("DoSpeedButton")->isEnabled());
    fixture.Click("ShowAllCheck");
    for (const char* list : {"POIListView", "LINEListView", "POLYListView"}) {
        QCOMPARE(fixture.List(list)->model()->rowCount(), 0);
    }

    // A missing type name file: the box stays ticked and Save CFG enabled, with the failure shown.
    QVERIFY(QFile::remove(fixture.root() + "/work/polygon.txt"));
    fixture.Click("ShowAllCheck");
    QCOMPARE(fixture.prompts().messages.size(), std::size_t(1));
    QVERIFY(fixture.prompts().messages[0].text.startsWith("Cannot open file "));
    QVERIFY(fixture.prompts().messages[0].text.endsWith("polygon.txt."));
    QVERIFY(fixture.Find<QCheckBox>("ShowAllCheck")->isChecked());
    QVERIFY(fixture.Button("SaveCFGSpeedButton")->isEnabled());
    QCOMPARE(fixture.List("POIListView")->model()->rowCount(), 0);
}

void TestTypeLists::LevelPopupSetsTheSelectedRows_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QStringList>("poiLevels");
    QTest::addColumn<QStringList>("lineLevels");
    // POI rows by code: 0x2a00 (10), 0x2f06 (9), 0x6401 (2); polylines 0x01 (3), 0x16 (1).
    QTest::newRow("two of three, level 5")
        << "POIListView" << QList<int>{0, 2} << "Level51" << QStringList{"5", "9", "5"} << QStringList{"3", "1"};
    QTest::newRow("one, level 0") << "POIListView" << QList<int>{1} << "N1212211" << QStringList{"10", "0", "2"}
                                  << QStringList{"3", "1"};
    QTest::newRow("polylines, level 7") << "LINEListView" << QList<int>{0, 1} << "Level62"
                                        << QStringList{"10", "9", "2"} << QStringList{"7", "7"};
    QTest::newRow("level 9 beyond the levels")
        << "LINEListView" << QList<int>{1} << "Level91" << QStringList{"10", "9", "2"} << QStringList{"3", "9"};
}

void TestTypeLists::LevelPopupSetsTheSelectedRows() {
    QFETCH(QString, list);
    QFETCH(QList<int>, rows);
    QFETCH(QString, item);
    QFETCH(QStringList, poiLevels);
    QFETCH(QStringList, lineLevels);
    WindowFixture fixture;
    fixture.Start();
    fixture.OpenMap(fixture.WriteCp1251("maps/sort.mp", SortingMap()));
    TypeListView* view = fixture.List(list.toLatin1().constData());
    for (int i = 0; i < rows.size(); ++i) {
        fixture.ClickCell(view, rows[i], 1, i == 0 ? Qt::NoModifier : Qt::ControlModifier);
    }
    fixture.RightClickRow(view, rows[0]);
    fixture.ChooseMenuItem("LevelPopupMenu", item.toLatin1().constData());
    QCOMPARE(WindowFixture::ColumnTexts(fixture.List("POIListView"), 0), poiLevels);
    QCOMPARE(WindowFixture::ColumnTexts(fixture.List("LINEListView"), 0), lineLevels);
    // No re-sort: the codes keep their places.
    QCOMPARE(WindowFixture::ColumnTexts(fixture.List("POIListView"), 1), (QStringList{"0x2a00", "0x2f06", "0x6401"}));
    QVERIFY(fixture.prompts().messages.empty());
}

void TestTypeLists::LevelPopupWithoutSelectionChangesNothing() {
    WindowFixture fixture;
    fixture.Start();
    fixture.OpenMap(fixture.WriteCp1251("maps/sort.mp", SortingMap()));
    TypeListView* poi = fixture.List("POIListView");
    fixture.ClickCell(poi, 0, 1);
    // A right click below the rows clears the selection and opens the popup.
    const QPoint empty(200, poi->viewport()->height() - 5);
    QTest::mousePress(poi->viewport(), Qt::RightButton, {}, empty);
    QTest::mouseRelease(poi->viewport(), Qt::RightButton, {}, empty);
    QContextMenuEvent event(QContextMenuEvent::Mouse, empty, poi->viewport()->mapToGlobal(empty));
    QApplication::sendEvent(poi->viewport(), &event);
    QVERIFY(poi->selectionModel()->selectedRows().isEmpty());
    fixture.ChooseMenuItem("LevelPopupMenu", "Level41");
    QCOMPARE(WindowFixture::ColumnTexts(poi, 0), (QStringList{"10", "9", "2"}));
}

void TestTypeLists::TypingShortcutSetsTheFirstSelectedRow_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QString>("caption");  // of the first selected row; empty: the key passes to the list
    QTest::newRow("digit 7") << int(Qt::Key_7) << Qt::KeyboardModifiers() << "7";
    QTest::newRow("digit 0") << int(Qt::Key_0) << Qt::KeyboardModifiers() << "0";
    QTest::newRow("letter") << int(Qt::Key_K) << Qt::KeyboardModifiers() << "K";
    QTest::newRow("keypad 5") << int(Qt::Key_5) << Qt::KeyboardModifiers(Qt::KeypadModifier) << "e";
    QTest::newRow("F1") << int(Qt::Key_F1) << Qt::KeyboardModifiers() << "p";
    QTest::newRow("space") << int(Qt::Key_Space) << Qt::KeyboardModifiers() << "";
    QTest::newRow("arrow") << int(Qt::Key_Down) << Qt::KeyboardModifiers() << "";
    QTest::newRow("delete") << int(Qt::Key_Delete) << Qt::KeyboardModifiers() << "";
}

void TestTypeLists::TypingShortcutSetsTheFirstSelectedRow() {
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QString, caption);
    WindowFixture fixture;
    fixture.Start();
    fixture.OpenMap(fixture.WriteCp1251("maps/sort.mp", SortingMap()));
    TypeListView* poi = fixture.List("POIListView");
    // Three rows selected, the first by a click on row 1, then rows 0 and 2: row 0 is the first selected.
    fixture.ClickCell(poi, 1, 2);
    fixture.ClickCell(poi, 0, 2, Qt::ControlModifier);
    fixture.ClickCell(poi, 2, 2, Qt::ControlModifier);
    QCOMPARE(poi->selectionModel()->selectedRows().size(), 3);

    QTest::keyClick(poi, Qt::Key(key), modifiers);
    if (caption.isEmpty()) {
        QVERIFY(!poi->IsEditing());
        QCOMPARE(WindowFixture::ColumnTexts(poi, 0), (QStringList{"10", "9", "2"}));
        return;
    }
    QCOMPARE(WindowFixture::ColumnTexts(poi, 0), (QStringList{caption, "9", "2"}));
    QVERIFY(poi->IsEditing());
    auto* editor = qobject_cast<QLineEdit*>(poi->indexWidget(poi->model()->index(0, 0)));
    QVERIFY(editor);
    QCOMPARE(editor->text(), caption);
    // The delegate commits an Enter once the editor has seen the key.
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(!poi->IsEditing());
    QCOMPARE(fixture.window().document().lists().poi[0].level, caption.toStdString());
}

void TestTypeLists::TypingShortcutIsThePoiListsOnly() {
    WindowFixture fixture;
    fixture.Start();
    fixture.OpenMap(fixture.WriteCp1251("maps/sort.mp", SortingMap()));
    TypeListView* lines = fixture.List("LINEListView");
    fixture.ClickCell(lines, 0, 2);
    QTest::keyClick(lines, Qt::Key_7);
    QVERIFY(!lines->IsEditing());
    QCOMPARE(WindowFixture::ColumnTexts(lines, 0), (QStringList{"3", "1"}));

    // Without a selected row the POI list takes the key as a list does.
    TypeListView* poi = fixture.List("POIListView");
    poi->setFocus();
    QTest::keyClick(poi, Qt::Key_7);
    QVERIFY(!poi->IsEditing());
    QCOMPARE(WindowFixture::ColumnTexts(poi, 0), (QStringList{"10", "9", "2"}));
}

void TestTypeLists::EditorOpensOnlyFromTheFirstColumn_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("opens");
    QTest::newRow("level column") << 0 << true;
    QTest::newRow("code column") << 1 << false;
    QTest::newRow("name column") << 2 << false;
}

void TestTypeLists::EditorOpensOnlyFromTheFirstColumn() {
    QFETCH(int, column);
    QFETCH(bool, opens);
    WindowFixture fixture;
    fixture.Start();
    fixture.OpenMap(fixture.WriteCp1251("maps/sort.mp", SortingMap()));
    for (const char* name : {"POIListView", "LINEListView", "POLYListView"}) {
        TypeListView* view = fixture.List(name);
        fixture.ClickCell(view, 1, column);
        QVERIFY(!fixture.window().mouseDownInList());  // cleared by the release
        QCOMPARE(view->IsEditing(), opens);
        if (opens) {
            // The editor stands on the caption of the clicked (first selected) row.
            QVERIFY(view->indexWidget(view->model()->index(1, 0)));
            QTest::keyClick(view->indexWidget(view->model()->index(1, 0)), Qt::Key_Escape);
        }
        QTRY_VERIFY(!view->IsEditing());
    }
}

void TestTypeLists::EditedCaptionReachesTheDocumentAsCp1251() {
    WindowFixture fixture;
    fixture.Start();
    fixture.OpenMap(fixture.WriteCp1251("maps/sort.mp", SortingMap()));
    TypeListView* poi = fixture.List("POIListView");
    fixture.ClickCell(poi, 2, 0);
    auto* editor = qobject_cast<QLineEdit*>(poi->indexWidget(poi->model()->index(2, 0)));
    QVERIFY(editor);
    QCOMPARE(editor->text(), QStringLiteral("2"));
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_1);
    // A Cyrillic letter as a Russian keyboard layout delivers it: a key event carrying its text.
    QTest::sendKeyEvent(QTest::Click, editor, Qt::Key_unknown, QStringLiteral("ы"), Qt::NoModifier);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(!poi->IsEditing());
    QCOMPARE(WindowFixture::ColumnTexts(poi, 0), (QStringList{"10", "9", "1ы"}));
    QCOMPARE(fixture.window().document().lists().poi[2].level, std::string("1\xfb"));
}

void TestTypeLists::VirtualKeyCodes_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<int>("code");
    const Qt::KeyboardModifiers none;
    const Qt::KeyboardModifiers keypad(Qt::KeypadModifier);
    QTest::newRow("A") << int(Qt::Key_A) << none << 65;
    QTest::newRow("Z") << int(Qt::Key_Z) << none << 90;
    QTest::newRow("0") << int(Qt::Key_0) << none << 48;
    QTest::newRow("9") << int(Qt::Key_9) << none << 57;
    QTest::newRow("keypad 0") << int(Qt::Key_0) << keypad << 96;
    QTest::newRow("keypad 9") << int(Qt::Key_9) << keypad << 105;
    QTest::newRow("F1") << int(Qt::Key_F1) << none << 112;
    QTest::newRow("F12") << int(Qt::Key_F12) << none << 123;
    QTest::newRow("shifted 1") << int(Qt::Key_Exclam) << none << 49;
    QTest::newRow("shifted 0") << int(Qt::Key_ParenRight) << none << 48;
    QTest::newRow("Backspace") << int(Qt::Key_Backspace) << none << 8;
    QTest::newRow("Enter") << int(Qt::Key_Return) << none << 13;
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << keypad << 13;
    QTest::newRow("Escape") << int(Qt::Key_Escape) << none << 27;
    QTest::newRow("Space") << int(Qt::Key_Space) << none << 32;
    QTest::newRow("Home") << int(Qt::Key_Home) << none << 36;
    QTest::newRow("Left") << int(Qt::Key_Left) << none << 37;
    QTest::newRow("Down") << int(Qt::Key_Down) << none << 40;
    QTest::newRow("Insert") << int(Qt::Key_Insert) << none << 45;
    QTest::newRow("Delete") << int(Qt::Key_Delete) << none << 46;
    QTest::newRow("Shift") << int(Qt::Key_Shift) << none << 16;
    QTest::newRow("keypad *") << int(Qt::Key_Asterisk) << keypad << 106;
    QTest::newRow("keypad -") << int(Qt::Key_Minus) << keypad << 109;
    QTest::newRow("minus") << int(Qt::Key_Minus) << none << 189;
    QTest::newRow("comma") << int(Qt::Key_Comma) << none << 188;
    QTest::newRow("bracket") << int(Qt::Key_BracketLeft) << none << 219;
    QTest::newRow("unknown") << 0x0410 << none << 0;  // a Cyrillic letter of a Russian layout
}

void TestTypeLists::VirtualKeyCodes() {
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(int, code);
    QCOMPARE(stratex::VirtualKeyOf(key, modifiers), code);
}

QTEST_MAIN(TestTypeLists)
#include "TestTypeLists.moc"
