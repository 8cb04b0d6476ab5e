// Start-up: the window's layout and texts, the settings with their failure paths, and the failure display.
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QSettings>
#include <QTableView>
#include <QToolButton>

#include "app/PanelStatusBar.h"
#include "app/WindowProgress.h"
#include "support/WindowFixture.h"

using stratex::TMainForm;
using stratex::test::WindowFixture;

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void ControlsStandInTheirColumns();
    void TextsAreThoseOfTheLayout_data();
    void TextsAreThoseOfTheLayout();
    void WindowOpensAtItsSmallestSizeWithItsCaption();
    void DescriptionWrapsItsThreeParagraphs();
    void ListsAndLevelsTableShowTheirColumns_data();
    void ListsAndLevelsTableShowTheirColumns();
    void MenusHoldTheirItems();
    void OnlyOpenMapIsEnabledAtStart();
    void ProgressBarIsFullAndCoversPanelZero();
    void ProgressScalesBeyondInt_data();
    void ProgressScalesBeyondInt();
    void FirstStartWithoutSettingsIsSilent();
    void StoredSettingsAreRestored();
    void DictionaryOptionPersistsAcrossARestart();
    void UseDictionaryOfAnotherTypeIsShownAndEndsStartUp_data();
    void UseDictionaryOfAnotherTypeIsShownAndEndsStartUp();
    void UnopenableSettingsStartSilentlyAndFailOnWrite();
    void ProgramDirIsTheWorkingFolder();
};

void TestStartup::ControlsStandInTheirColumns() {
    WindowFixture fixture;
    fixture.Start();
    const auto bounds = [&fixture](const char* name) {
        QWidget* control = fixture.Find<QWidget>(name);
        return control && control->isVisible() ? control->geometry() : QRect();
    };
    // Across the window: the tool bar at the top, the status bar at the bottom.
    QCOMPARE(bounds("ToolBar1"), QRect(0, 0, 648, 29));
    QCOMPARE(bounds("StatusBar"), QRect(0, 510, 648, 19));
    // The tool bar's buttons from the left in their order, each at least as wide as in the layout.
    const QList<QPair<const char*, int>> buttons = {
        {"OpenSpeedButton", 89},    {"DoSpeedButton", 72},      {"SaveSpeedButton", 88},   {"ToolButton1", 8},
        {"OpenCFGSpeedButton", 89}, {"SaveCFGSpeedButton", 88}, {"SaveDICSpeedButton", 88}};
    int left = 0;
    for (const auto& [name, width] : buttons) {
        QCOMPARE(bounds(name).left(), left);
        QVERIFY2(bounds(name).width() >= width, name);
        left = bounds(name).right() + 1;
    }
    // Between them two columns, each control below the one before: the left column, then the lists' boxes
    // with a list in each.
    int bottom = 29;
    for (const char* name : {"LevelsList", "ShowAllCheck", "DicCheckBox", "Panel1", "Label1"}) {
        QVERIFY2(bounds(name).top() >= bottom && bounds(name).right() < bounds("GroupBox2").left(), name);
        bottom = bounds(name).bottom();
    }
    QVERIFY(bottom < 510);
    bottom = 29;
    for (const char* name : {"GroupBox2", "GroupBox1", "GroupBox3"}) {
        QVERIFY2(bounds(name).top() > bottom && bounds(name).right() < 648, name);
        QCOMPARE(bounds(name).left(), bounds("GroupBox2").left());
        bottom = bounds(name).bottom();
    }
    QVERIFY(bottom < 510);
    for (const char* name : {"POIListView", "LINEListView", "POLYListView"}) {
        QWidget* list = fixture.Find<QWidget>(name);
        QVERIFY2(list->isVisible() && list->parentWidget()->rect().contains(list->geometry()), name);
    }
    // The description lies in its panel.
    QVERIFY(
        bounds("Panel1").contains(fixture.Find<QWidget>("Label2")->geometry().translated(bounds("Panel1").topLeft())));
}

void TestStartup::TextsAreThoseOfTheLayout_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::newRow("OpenSpeedButton") << "OpenSpeedButton"
                                     << "Open MAP";
    QTest::newRow("DoSpeedButton") << "DoSpeedButton"
                                   << "Process";
    QTest::newRow("SaveSpeedButton") << "SaveSpeedButton"
                                     << "Save MAP";
    QTest::newRow("OpenCFGSpeedButton") << "OpenCFGSpeedButton"
                                        << "Open CFG";
    QTest::newRow("SaveCFGSpeedButton") << "SaveCFGSpeedButton"
                                        << "Save CFG";
    QTest::newRow("SaveDICSpeedButton") << "SaveDICSpeedButton"
                                        << "Save DIC";
    QTest::newRow("ShowAllCheck") << "ShowAllCheck"
                                  << "Показать все объекты";
    QTest::newRow("DicCheckBox") << "DicCheckBox"
                                 << "Работа с [DICTIONARY]";
    QTest::newRow("GroupBox2") << "GroupBox2"
                               << "Точки";
    QTest::newRow("GroupBox1") << "GroupBox1"
                               << "Полилинии";
    QTest::newRow("GroupBox3") << "GroupBox3"
                               << "Полигоны";
}

void TestStartup::TextsAreThoseOfTheLayout() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    WindowFixture fixture;
    fixture.Start();
    QObject* control = fixture.Find<QObject>(name.toLatin1().constData());
    QVERIFY(control);
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        QCOMPARE(button->text(), text);
        if (auto* tool = qobject_cast<QToolButton*>(control)) {
            // The picture stands left of the caption.
            QCOMPARE(tool->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
            QVERIFY(!tool->icon().isNull());
        }
    } else if (auto* box = qobject_cast<QGroupBox*>(control)) {
        QCOMPARE(box->title(), text);
    } else {
        QFAIL("unexpected control kind");
    }
}

void TestStartup::WindowOpensAtItsSmallestSizeWithItsCaption() {
    WindowFixture fixture;
    TMainForm& window = fixture.Start();
    QCOMPARE(window.windowTitle(), QStringLiteral("Stratex v2.1"));
    QCOMPARE(window.size(), QSize(648, 529));
    QCOMPARE(window.minimumSize(), QSize(648, 529));
    QVERIFY(window.maximumWidth() > 648 && window.maximumHeight() > 529);
    QCOMPARE(window.font().pixelSize(), 11);
    // Without a stored place, centred on the screen.
    const QPoint offset = window.frameGeometry().center() - window.screen()->availableGeometry().center();
    QVERIFY2(qAbs(offset.x()) <= 1 && qAbs(offset.y()) <= 1,
             qPrintable(QString("%1,%2").arg(offset.x()).arg(offset.y())));
    QCOMPARE(window.palette().color(QPalette::Window), window.palette().color(QPalette::Button));
}

void TestStartup::DescriptionWrapsItsThreeParagraphs() {
    WindowFixture fixture;
    fixture.Start();
    auto* label = fixture.Find<QLabel>("Label2");
    QVERIFY(label);
    QCOMPARE(label->parent(), fixture.Find<QObject>("Panel1"));
    QVERIFY(label->wordWrap());
    const QStringList expected = {
        "Утилита предназначена для распределения по слоям обектов Polish Map.",
        "Каждому типу объктов можно указать видимость до конкретного слоя.",
        "Все, что делает программа - это устанавливает объектам карты значение \"EndLevel=\" указанное "
        "пользователем, либо формирует раздел [DICTIONARY].",
    };
    QCOMPARE(label->text().split('\n'), expected);
    auto* credits = fixture.Find<QLabel>("Label1");
    QVERIFY(credits);
    QCOMPARE(credits->text().split('\n').size(), 2);
    QVERIFY(!credits->text().contains("\n\n"));
}

void TestStartup::ListsAndLevelsTableShowTheirColumns_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QList<int>>("widths");
    const QStringList typeTitles = {"До слоя", "Тип", "Название"};
    QTest::newRow("POIListView") << "POIListView" << typeTitles << QList<int>{55, 70, 260};
    QTest::newRow("LINEListView") << "LINEListView" << typeTitles << QList<int>{55, 70, 260};
    QTest::newRow("POLYListView") << "POLYListView" << typeTitles << QList<int>{65, 90, 230};
    // The Levels table's columns fit their texts (TestWindowSize).
    QTest::newRow("LevelsList") << "LevelsList" << QStringList{"Слой", "GPS zoom"} << QList<int>{};
}

void TestStartup::ListsAndLevelsTableShowTheirColumns() {
    QFETCH(QString, name);
    QFETCH(QStringList, titles);
    QFETCH(QList<int>, widths);
    WindowFixture fixture;
    fixture.Start();
    auto* view = fixture.Find<QTableView>(name.toLatin1().constData());
    QVERIFY(view);
    QCOMPARE(view->model()->columnCount(), titles.size());
    for (int column = 0; column < titles.size(); ++column) {
        QCOMPARE(view->model()->headerData(column, Qt::Horizontal).toString(), titles[column]);
        if (!widths.isEmpty()) QCOMPARE(view->columnWidth(column), widths[column]);
    }
    QVERIFY(view->showGrid());
}

void TestStartup::MenusHoldTheirItems() {
    WindowFixture fixture;
    fixture.Start();
    auto* levelMenu = fixture.Find<QMenu>("LevelPopupMenu");
    QVERIFY(levelMenu);
    const QStringList names = {"N1212211", "N01",     "Level21", "Level31", "Level41",
                               "Level51",  "Level61", "Level62", "Level81", "Level91"};
    const QList<QAction*> items = levelMenu->actions();
    // The levels, then past a separator Advise and Apply.
    QCOMPARE(items.size(), names.size() + 3);
    for (int i = 0; i < names.size(); ++i) {
        QCOMPARE(items[i]->objectName(), names[i]);
        QCOMPARE(items[i]->text(), QStringLiteral("до Level%1").arg(i));
    }
    QVERIFY(items[names.size()]->isSeparator());
    QCOMPARE(items[names.size() + 1]->objectName(), QStringLiteral("AdviseAction"));
    QCOMPARE(items[names.size() + 2]->objectName(), QStringLiteral("ApplyAdviceAction"));
    auto* levelsMenu = fixture.Find<QMenu>("LevelsPopupMenu");
    QVERIFY(levelsMenu);
    QCOMPARE(levelsMenu->actions().size(), 2);
    QCOMPARE(levelsMenu->actions()[0]->objectName(), QStringLiteral("N1"));
    QCOMPARE(levelsMenu->actions()[0]->text(), QStringLiteral("Добавить слой (после)"));
    QCOMPARE(levelsMenu->actions()[1]->objectName(), QStringLiteral("N2"));
    QCOMPARE(levelsMenu->actions()[1]->text(), QStringLiteral("Удалить слой"));
    QCOMPARE(fixture.Find<QWidget>("LevelsList")->toolTip(), QStringLiteral("Последний слой должен быть пустым!!!"));
}

void TestStartup::OnlyOpenMapIsEnabledAtStart() {
    WindowFixture fixture;
    fixture.Start();
    QVERIFY(fixture.Button("OpenSpeedButton")->isEnabled());
    for (const char* name :
         {"DoSpeedButton", "SaveSpeedButton", "OpenCFGSpeedButton", "SaveCFGSpeedButton", "SaveDICSpeedButton"}) {
        QVERIFY2(!fixture.Button(name)->isEnabled(), name);
    }
    QVERIFY(!fixture.Find<QCheckBox>("ShowAllCheck")->isChecked());
    QCOMPARE(fixture.Status(), QString());
    // The Levels table holds one empty row; the lists are empty.
    auto* levels = fixture.Find<QTableView>("LevelsList");
    QCOMPARE(levels->model()->rowCount(), 1);
    QCOMPARE(levels->model()->index(0, 0).data().toString(), QString());
    for (const char* list : {"POIListView", "LINEListView", "POLYListView"}) {
        QCOMPARE(fixture.List(list)->model()->rowCount(), 0);
    }
}

void TestStartup::ProgressBarIsFullAndCoversPanelZero() {
    WindowFixture fixture;
    fixture.Start();
    auto* bar = fixture.Find<QProgressBar>("ProgressBar");
    auto* status = fixture.Find<stratex::PanelStatusBar>("StatusBar");
    QVERIFY(bar && status);
    QCOMPARE(bar->parent(), status);
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 100);
    QCOMPARE(bar->value(), 100);
    QCOMPARE(bar->geometry(), status->PanelRect(0).adjusted(-1, -1, 1, 1));
    QCOMPARE(status->PanelRect(0).width() + 2, stratex::PanelStatusBar::kPanel0Width);
    QCOMPARE(status->PanelRect(1).left(), stratex::PanelStatusBar::kPanel0Width);
    QCOMPARE(status->PanelRect(1).right(), status->width() - 1);
}

void TestStartup::ProgressScalesBeyondInt_data() {
    QTest::addColumn<quint64>("maximum");
    QTest::addColumn<quint64>("position");
    QTest::addColumn<int>("scaledMaximum");
    QTest::addColumn<int>("scaledPosition");
    QTest::newRow("small") << quint64(1000) << quint64(999) << 1000 << 999;
    QTest::newRow("int max") << quint64(2147483647) << quint64(5) << 2147483647 << 5;
    QTest::newRow("twice int") << quint64(4294967294ULL) << quint64(4294967294ULL) << 1431655764 << 1431655764;
    QTest::newRow("position beyond") << quint64(10) << quint64(20) << 10 << 10;
    QTest::newRow("empty map") << quint64(0) << quint64(0) << 0 << 0;
}

void TestStartup::ProgressScalesBeyondInt() {
    QFETCH(quint64, maximum);
    QFETCH(quint64, position);
    QFETCH(int, scaledMaximum);
    QFETCH(int, scaledPosition);
    int top = -1;
    int at = -1;
    stratex::WindowProgress::ScaleToInt(maximum, position, &top, &at);
    QCOMPARE(top, scaledMaximum);
    QCOMPARE(at, scaledPosition);
}

void TestStartup::FirstStartWithoutSettingsIsSilent() {
    WindowFixture fixture;
    QVERIFY(!QFileInfo::exists(QFileInfo(fixture.SettingsFile()).absolutePath()));
    fixture.Start();
    QVERIFY(fixture.prompts().messages.empty());
    // The key is created: the store's folder exists, ready for the first write.
    QVERIFY(QFileInfo(QFileInfo(fixture.SettingsFile()).absolutePath()).isDir());
    QVERIFY(!fixture.Find<QCheckBox>("DicCheckBox")->isChecked());
    // The empty "LastDir" becomes the dialogs' folder.
    QCOMPARE(fixture.window().openDialog().initialDir, QString());
    QCOMPARE(fixture.window().saveDialog().initialDir, QString());
    QVERIFY(!fixture.window().document().useDictionary());
}

void TestStartup::StoredSettingsAreRestored() {
    WindowFixture fixture;
    // The folder holds a comma, which an INI store must keep as one string.
    const QString folder = QDir::toNativeSeparators(fixture.root() + "/maps, old");
    {
        QSettings store(QSettings::IniFormat, QSettings::UserScope, "Stratex", "Stratex");
        // Any value but 0 counts as true.
        store.setValue("Software/Stratex/UseDictionary", 2);
        store.setValue("Software/Stratex/LastDir", folder);
    }
    fixture.Start();
    QVERIFY(fixture.prompts().messages.empty());
    QVERIFY(fixture.Find<QCheckBox>("DicCheckBox")->isChecked());
    QVERIFY(fixture.window().document().useDictionary());
    QCOMPARE(fixture.window().openDialog().initialDir, folder);
    QCOMPARE(fixture.window().saveDialog().initialDir, folder);
}

void TestStartup::DictionaryOptionPersistsAcrossARestart() {
    WindowFixture fixture;
    fixture.Start();
    fixture.Click("DicCheckBox");
    QVERIFY(fixture.Find<QCheckBox>("DicCheckBox")->isChecked());
    QVERIFY(fixture.window().document().useDictionary());
    // Ticking the box changes no button.
    QVERIFY(!fixture.Button("SaveDICSpeedButton")->isEnabled());
    QVERIFY(QFileInfo::exists(fixture.SettingsFile()));

    fixture.Start();
    QVERIFY(fixture.Find<QCheckBox>("DicCheckBox")->isChecked());
    fixture.Click("DicCheckBox");
    fixture.Start();
    QVERIFY(!fixture.Find<QCheckBox>("DicCheckBox")->isChecked());
    QVERIFY(fixture.prompts().messages.empty());
}

void TestStartup::UseDictionaryOfAnotherTypeIsShownAndEndsStartUp_data() {
    QTest::addColumn<QByteArray>("value");
    QTest::newRow("text") << QByteArray("yes");
    QTest::newRow("byte array") << QByteArray("@ByteArray(1)");
    QTest::newRow("list") << QByteArray("1, 2");
    QTest::newRow("beyond 32 bits") << QByteArray("4294967296");
}

void TestStartup::UseDictionaryOfAnotherTypeIsShownAndEndsStartUp() {
    QFETCH(QByteArray, value);
    WindowFixture fixture;
    fixture.WriteSettingsText("[Software]\nStratex\\UseDictionary=" + value + "\nStratex\\LastDir=/srv/maps\n");
    fixture.Start();
    QCOMPARE(fixture.prompts().messages.size(), std::size_t(1));
    const auto& box = fixture.prompts().messages.front();
    // A message ending in "'" gets no full stop.
    QCOMPARE(box.text, QStringLiteral("Invalid data type for 'UseDictionary'"));
    QCOMPARE(box.caption, QStringLiteral("Stratex"));
    QCOMPARE(box.icon, QMessageBox::Critical);
    QVERIFY(!fixture.Find<QCheckBox>("DicCheckBox")->isChecked());
    // "LastDir" was not read: the dialogs keep ".".
    QCOMPARE(fixture.window().openDialog().initialDir, QStringLiteral("."));
    QCOMPARE(fixture.window().saveDialog().initialDir, QStringLiteral("."));
    QVERIFY(fixture.window().isVisible());
}

void TestStartup::UnopenableSettingsStartSilentlyAndFailOnWrite() {
    WindowFixture fixture(/*blockSettings=*/true);
    fixture.Start();
    QVERIFY(fixture.prompts().messages.empty());
    QVERIFY(!fixture.Find<QCheckBox>("DicCheckBox")->isChecked());
    QCOMPARE(fixture.window().openDialog().initialDir, QStringLiteral("."));

    fixture.Click("DicCheckBox");
    QCOMPARE(fixture.prompts().messages.size(), std::size_t(1));
    QCOMPARE(fixture.prompts().messages[0].text, QStringLiteral("Failed to set data for 'UseDictionary'"));
    QCOMPARE(fixture.prompts().messages[0].caption, QStringLiteral("Stratex"));
    // The option itself follows the box.
    QVERIFY(fixture.window().document().useDictionary());

    // Open MAP ends at the refused "LastDir", before the caption, the dialogs and the map.
    const QString map = fixture.WriteCp1251("maps/city.mp", WindowFixture::SampleMap());
    fixture.OpenMap(map);
    QCOMPARE(fixture.prompts().messages.size(), std::size_t(1));
    QCOMPARE(fixture.prompts().messages[0].text, QStringLiteral("Failed to set data for 'LastDir'"));
    QCOMPARE(fixture.window().windowTitle(), QStringLiteral("Stratex v2.1"));
    QCOMPARE(fixture.window().saveDialog().fileName, QString());
    QCOMPARE(fixture.window().saveDialog().initialDir, QStringLiteral("."));
    QVERIFY(!fixture.window().document().hasMap());
    QVERIFY(!fixture.Button("DoSpeedButton")->isEnabled());
    QCOMPARE(fixture.List("POIListView")->model()->rowCount(), 0);
}

void TestStartup::ProgramDirIsTheWorkingFolder() {
    WindowFixture fixture;
    fixture.Start();
    QCOMPARE(fixture.window().programDir(), fixture.workDir() + QDir::separator());
    // The type name files are read from there: a map opened lists their names.
    const QString map = fixture.WriteCp1251("maps/city.mp", WindowFixture::SampleMap());
    fixture.OpenMap(map);
    QVERIFY(fixture.prompts().messages.empty());
    QCOMPARE(WindowFixture::ColumnTexts(fixture.List("POIListView"), 2), (QStringList{"Ресторан", "Банк"}));
}

QTEST_MAIN(TestStartup)
#include "TestStartup.moc"
