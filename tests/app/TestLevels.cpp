// The Levels table: adding and removing levels through its popup menu, the pick list of the selected
// row's value cell and the read-only keys.
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListView>
#include <QTableView>

#include "app/QtText.h"
#include "levels/ZoomTable.h"
#include "support/WindowFixture.h"

using stratex::test::WindowFixture;

namespace {

// A map whose header has the given bit counts as Level0, Level1, ...
QString MapWithLevels(const QList<int>& bits) {
    QString header = QString("[IMG ID]\nLevels=%1\n").arg(bits.size());
    for (int i = 0; i < bits.size(); ++i) header += QString("Level%1=%2\n").arg(i).arg(bits[i]);
    return header + "[END-IMG ID]\n[POI]\nType=0x2f06\nEndLevel=1\n[END]\n";
}

QTableView* Levels(WindowFixture& fixture) { return fixture.Find<QTableView>("LevelsList"); }

// Selects row of the Levels table with a click on its key, then chooses a LevelsPopupMenu item.
void LevelsMenu(WindowFixture& fixture, int row, const char* item) {
    QTableView* table = Levels(fixture);
    fixture.ClickCell(table, row, 0);
    fixture.RightClickRow(table, row, 0);
    fixture.ChooseMenuItem("LevelsPopupMenu", item);
}

QStringList Rows(WindowFixture& fixture) {
    QStringList rows;
    QAbstractItemModel* model = Levels(fixture)->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        rows << model->index(row, 0).data().toString() + "=" + model->index(row, 1).data().toString();
    }
    return rows;
}

}  // namespace

class TestLevels : public QObject {
    Q_OBJECT

private slots:
    void AddAndRemove_data();
    void AddAndRemove();
    void PickListStandsOnTheSelectedRowOnly();
    void PickedValueReachesTheProcessedHeader();
    void ValueOutsideThePickListIsShownAsItStands();
    void RepeatedKeyIsOpenToTyping();
    void KeysCannotBeEdited();
};

void TestLevels::AddAndRemove_data() {
    QTest::addColumn<QList<int>>("bits");  // empty: the start table, no map
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("start table") << QList<int>{} << 0 << "N1" << QStringList{"Level0=24bit (<=120м)"};
    QTest::newRow("after the last") << QList<int>{24, 22} << 1 << "N1"
                                    << QStringList{"Level0=24bit (<=120м)", "Level1=22bit (<=500м)",
                                                   "Level2=22bit (<=500м)"};
    QTest::newRow("after the first") << QList<int>{24, 20} << 0 << "N1"
                                     << QStringList{"Level0=24bit (<=120м)", "Level1=24bit (<=120м)",
                                                    "Level2=20bit (<=2км)"};
    QTest::newRow("after a one-digit count")
        << QList<int>{24, 9} << 1 << "N1" << QStringList{"Level0=24bit (<=120м)", "Level1=9bit ()", "Level2=9bit ()"};
    QTest::newRow("full table") << QList<int>{24, 23, 22, 21, 20, 19, 18, 17, 16, 15} << 9 << "N1"
                                << QStringList{"Level0=24bit (<=120м)", "Level1=23bit (<=300м)",
                                               "Level2=22bit (<=500м)", "Level3=21bit (<=1,2км)",
                                               "Level4=20bit (<=2км)",  "Level5=19bit (<=3км)",
                                               "Level6=18bit (<=8км)",  "Level7=17bit (<=12км)",
                                               "Level8=16bit (<=30км)", "Level9=15bit (<=50км)"};
    QTest::newRow("remove the second of four")
        << QList<int>{24, 22, 20, 18} << 1 << "N2"
        << QStringList{"Level0=24bit (<=120м)", "Level1=20bit (<=2км)", "Level2=18bit (<=8км)"};
    QTest::newRow("remove the only row") << QList<int>{} << 0 << "N2" << QStringList{};
}

void TestLevels::AddAndRemove() {
    QFETCH(QList<int>, bits);
    QFETCH(int, row);
    QFETCH(QString, item);
    QFETCH(QStringList, rows);
    WindowFixture fixture;
    fixture.Start();
    if (!bits.isEmpty()) fixture.OpenMap(fixture.WriteCp1251("maps/levels.mp", MapWithLevels(bits)));
    LevelsMenu(fixture, row, item.toLatin1().constData());
    QCOMPARE(Rows(fixture), rows);
    QVERIFY(fixture.prompts().messages.empty());
    // The table in the window is the document's.
    QCOMPARE(static_cast<int>(fixture.window().document().levels().size()), rows.size());
}

void TestLevels::PickListStandsOnTheSelectedRowOnly() {
    WindowFixture fixture;
    fixture.Start();
    fixture.OpenMap(fixture.WriteCp1251("maps/levels.mp", MapWithLevels({24, 22, 20})));
    QTableView* table = Levels(fixture);
    fixture.ClickCell(table, 1, 0);
    auto* combo = qobject_cast<QComboBox*>(table->indexWidget(table->model()->index(1, 1)));
    QVERIFY(combo);
    QVERIFY(combo->isVisible());
    QVERIFY(!combo->isEditable());
    QCOMPARE(combo->count(), 17);
    QCOMPARE(combo->itemText(0), QStringLiteral("10bit (<=1200км)"));
    QCOMPARE(combo->itemText(11), QStringLiteral("21bit (<=1,2км)"));
    QCOMPARE(combo->itemText(16), QStringLiteral("26bit (<=30м)"));
    QCOMPARE(combo->currentText(), QStringLiteral("22bit (<=500м)"));
    QVERIFY(!table->indexWidget(table->model()->index(0, 1)));
    QVERIFY(!table->indexWidget(table->model()->index(2, 1)));

    fixture.ClickCell(table, 2, 0);
    QVERIFY(!table->indexWidget(table->model()->index(1, 1)));
    QWidget* editor = table->indexWidget(table->model()->index(2, 1));
    QVERIFY(editor);

    // A right click on the drop-down opens the table's menu, which acts on the selected row.
    const QPoint inside = editor->rect().center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, inside, editor->mapToGlobal(inside));
    QApplication::sendEvent(editor, &event);
    fixture.ChooseMenuItem("LevelsPopupMenu", "N1");
    QCOMPARE(Rows(fixture), (QStringList{"Level0=24bit (<=120м)", "Level1=22bit (<=500м)", "Level2=20bit (<=2км)",
                                         "Level3=20bit (<=2км)"}));
}

void TestLevels::PickedValueReachesTheProcessedHeader() {
    WindowFixture fixture;
    fixture.Start();
    fixture.OpenMap(fixture.WriteCp1251("maps/levels.mp", MapWithLevels({24, 22, 20})));
    QTableView* table = Levels(fixture);
    fixture.ClickCell(table, 1, 0);
    auto* combo = qobject_cast<QComboBox*>(table->indexWidget(table->model()->index(1, 1)));
    QVERIFY(combo);
    // Pick "18bit (<=8км)" from the drop-down as a user does.
    combo->showPopup();
    QListView* popup = qobject_cast<QListView*>(combo->view());
    QVERIFY(popup);
    QTRY_VERIFY(popup->isVisible());
    const QModelIndex choice = combo->model()->index(8, 0);
    QCOMPARE(choice.data().toString(), QStringLiteral("18bit (<=8км)"));
    QTest::mouseClick(popup->viewport(), Qt::LeftButton, {}, popup->visualRect(choice).center());
    QTRY_COMPARE(table->model()->index(1, 1).data().toString(), QStringLiteral("18bit (<=8км)"));
    QCOMPARE(fixture.window().document().levels().rows()[1].value, stratex::LevelValue(18));

    fixture.Click("DoSpeedButton");
    const QString saved = QDir::toNativeSeparators(fixture.root() + "/maps/out.mp");
    fixture.prompts().dialogAnswers.push_back(saved);
    fixture.Click("SaveSpeedButton");
    QVERIFY(WindowFixture::ReadFile(saved).startsWith(
        "[IMG ID]\r\nLevels=3\r\nLevel0=24\r\nLevel1=18\r\nLevel2=20\r\nZoom0=0\r\nZoom1=1\r\nZoom2=2\r\n"));
}

void TestLevels::ValueOutsideThePickListIsShownAsItStands() {
    WindowFixture fixture;
    fixture.Start();
    fixture.OpenMap(fixture.WriteCp1251("maps/levels.mp", MapWithLevels({24, 8})));
    QTableView* table = Levels(fixture);
    fixture.ClickCell(table, 1, 0);
    auto* combo = qobject_cast<QComboBox*>(table->indexWidget(table->model()->index(1, 1)));
    QVERIFY(combo);
    QCOMPARE(combo->currentIndex(), -1);
    QCOMPARE(combo->placeholderText(), QStringLiteral("8bit ()"));
    QCOMPARE(table->model()->index(1, 1).data().toString(), QStringLiteral("8bit ()"));
}

void TestLevels::RepeatedKeyIsOpenToTyping() {
    WindowFixture fixture;
    fixture.Start();
    fixture.OpenMap(fixture.WriteCp1251("maps/levels.mp",
                                        "[IMG ID]\nLevel0=24\nLevel0=22\n[END-IMG ID]\n[POI]\nType=0x2f06\n[END]\n"));
    QTableView* table = Levels(fixture);
    // Both rows take the value of the first line with the key; only the first gets the pick list.
    QCOMPARE(Rows(fixture), (QStringList{"Level0=24bit (<=120м)", "Level0=24bit (<=120м)"}));
    fixture.ClickCell(table, 1, 0);
    auto* edit = qobject_cast<QLineEdit*>(table->indexWidget(table->model()->index(1, 1)));
    QVERIFY(edit);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, "16bit");
    QTest::keyClick(edit, Qt::Key_Return);
    QTRY_COMPARE(fixture.window().document().levels().rows()[1].value, std::string("16bit"));
    QCOMPARE(table->model()->index(1, 1).data().toString(), QStringLiteral("16bit"));

    // The text editor too leaves its right click to the table's menu.
    const QPoint inside = edit->rect().center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, inside, edit->mapToGlobal(inside));
    QApplication::sendEvent(edit, &event);
    fixture.ChooseMenuItem("LevelsPopupMenu", "N2");
    QCOMPARE(Rows(fixture), (QStringList{"Level0=24bit (<=120м)"}));
}

void TestLevels::KeysCannotBeEdited() {
    WindowFixture fixture;
    fixture.Start();
    fixture.OpenMap(fixture.WriteCp1251("maps/levels.mp", MapWithLevels({24, 22})));
    QTableView* table = Levels(fixture);
    const QModelIndex key = table->model()->index(0, 0);
    QVERIFY(!(table->model()->flags(key) & Qt::ItemIsEditable));
    fixture.ClickCell(table, 0, 0);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(key).center());
    QTest::keyClick(table, Qt::Key_F2);
    QVERIFY(!table->indexWidget(key));
    QCOMPARE(key.data().toString(), QStringLiteral("Level0"));
}

QTEST_MAIN(TestLevels)
#include "TestLevels.moc"
