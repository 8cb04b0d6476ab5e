// stratex_screenshots: takes the pictures of the user's guide from the real window.
//
//   cd data && xvfb-run -a -s "-screen 0 1920x1200x24" stratex_screenshots MAP OTHER_MAP IMAGE_DIR [OUTPUT_DIR
//   [REVIEW_DIR]]
//
// It runs in the folder of the type name files, as the window does, creates the window with dialogs that
// answer from a script, and then clicks, types, drops a file and opens popup menus as a user would. Each
// state it reaches is saved as IMAGE_DIR/<name>.png; a popup menu, a pick list or a message box is taken
// from the screen while it is open. The files the window writes (the processed maps, the level config, the
// dictionary) go to OUTPUT_DIR, a temporary folder when none is given. The window speaks Russian, as in
// the C locale, but for the pictures taken in English (the README's "window" among them). Every step checks
// that the window shows what its picture is meant to show; the program ends with status 1 when one does not.
//
// With REVIEW_DIR it also takes the pictures that show whether any text is cut, for a look at them after a
// change of the layout or of a font: the main window in both languages at its smallest size and at
// 1600 x 1000 (main-ru-648x529.png, ...), and Qt's own file dialog and a question in Russian
// (file-dialog-ru.png, question-ru.png). Run it once per font to be looked at.

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QWheelEvent>
#include <QtTest>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <utility>

#include "app/MainForm.h"
#include "app/PanelStatusBar.h"
#include "app/PreviewCanvas.h"
#include "app/PreviewWindow.h"
#include "app/QtText.h"
#include "app/TypeListView.h"
#include "app/UiPrompts.h"
#include "levels/ZoomTable.h"

namespace {

using stratex::TMainForm;
using stratex::TypeListView;

int failures = 0;
QString imageDir;

void Check(bool ok, const QString& what) {
    if (ok) return;
    ++failures;
    std::fprintf(stderr, "not as pictured: %s\n", qPrintable(what));
}

// Lets the window paint what the last step changed.
void Settle(int ms = 200) { QTest::qWait(ms); }

// name: a picture of IMAGE_DIR, or a full path without ".png".
void SavePicture(const QPixmap& picture, const QString& name) {
    const QString path =
        (QDir::isAbsolutePath(name) ? name : imageDir + QLatin1Char('/') + name) + QStringLiteral(".png");
    // Quality 0 is the PNG writer's strongest compression; the picture itself is lossless either way.
    Check(!picture.isNull() && picture.save(path, "PNG", 0), QStringLiteral("cannot save ") + path);
    std::printf("%s %dx%d\n", qPrintable(path), picture.width(), picture.height());
}

// The window alone.
void ShotOfWindow(QWidget* window, const QString& name) {
    Settle();
    SavePicture(window->grab(), name);
}

// The part of the screen that holds the window and a popup open over it (a menu, a pick list, a message).
void ShotOfScreen(QWidget* window, QWidget* popup, const QString& name) {
    Settle(400);
    QScreen* screen = QGuiApplication::primaryScreen();
    QRect area = window->frameGeometry();
    if (popup) area = area.united(popup->frameGeometry());
    area = area.intersected(screen->geometry());
    SavePicture(screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()), name);
}

// Dialog answers from the script; every message the window shows is recorded, and when messageShot is set
// the next one is shown in a real message box and photographed.
class ScriptPrompts : public stratex::UiPrompts {
public:
    std::deque<QString> paths;
    std::deque<bool> answers;
    QStringList messages;
    QString messageShot;

    // Several paths in one answer, separated by new lines, choose several files.
    std::optional<QString> RunFileDialog(QWidget*, stratex::FileDialogState& dialog) override {
        if (paths.empty()) {
            Check(false, QStringLiteral("a file dialog without a scripted answer"));
            return std::nullopt;
        }
        dialog.chosen.clear();
        for (const QString& path : paths.front().split(QLatin1Char('\n')))
            dialog.chosen << QDir::toNativeSeparators(path);
        paths.pop_front();
        return dialog.chosen.first();
    }

    std::optional<QString> AskFolder(QWidget*, const QString&, const QString&) override {
        if (paths.empty()) {
            Check(false, QStringLiteral("a folder dialog without a scripted answer"));
            return std::nullopt;
        }
        QString path = paths.front();
        paths.pop_front();
        return QDir::toNativeSeparators(path);
    }

    bool AskYesNo(QWidget*, const QString& text, const QString&, QMessageBox::Icon) override {
        messages << text;
        if (answers.empty()) return false;
        const bool yes = answers.front();
        answers.pop_front();
        return yes;
    }

    // The questions before unsaved work is lost or saved unprocessed: answered No, which goes on as the
    // window did before it asked them; not recorded, so that the pictures' checks see only their messages.
    Answer AskYesNoCancel(QWidget*, const QString&, const QString&, QMessageBox::Icon) override { return Answer::No; }

    void ShowMessage(QWidget* parent, const QString& text, const QString& caption, QMessageBox::Icon icon) override {
        messages << text;
        if (messageShot.isEmpty()) return;
        const QString name = std::exchange(messageShot, QString());
        QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
        QTimer::singleShot(600, &box, [&box, parent, name]() {
            ShotOfScreen(parent, &box, name);
            box.accept();
        });
        box.exec();
    }
};

// Finds a control by its object name; a missing one is reported and ends the run.
template <typename T>
T* Find(QWidget* window, const char* name) {
    T* found = window->findChild<T*>(QString::fromLatin1(name));
    if (!found) {
        std::fprintf(stderr, "no control %s\n", name);
        std::exit(1);
    }
    return found;
}

void Click(QWidget* window, const char* buttonName) {
    auto* button = Find<QAbstractButton>(window, buttonName);
    Check(button->isEnabled(), QStringLiteral("%1 is disabled").arg(QLatin1String(buttonName)));
    QTest::mouseClick(button, Qt::LeftButton);
    Settle();
}

void ClickCell(QTableView* view, int row, int column, Qt::KeyboardModifiers modifiers = {}) {
    const QModelIndex cell = view->model()->index(row, column);
    view->scrollTo(cell);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, view->visualRect(cell).center());
}

void ClickHeader(QTableView* view, int column) {
    QHeaderView* header = view->horizontalHeader();
    const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    Settle();
}

// A right click on a cell: the press and release, then the context menu event the window system sends.
void RightClick(QTableView* view, int row, int column) {
    const QPoint point = view->visualRect(view->model()->index(row, column)).center();
    QTest::mousePress(view->viewport(), Qt::RightButton, {}, point);
    QTest::mouseRelease(view->viewport(), Qt::RightButton, {}, point);
    QContextMenuEvent event(QContextMenuEvent::Mouse, point, view->viewport()->mapToGlobal(point));
    QApplication::sendEvent(view->viewport(), &event);
    Settle();
}

// The centre of a menu item, the mouse moved onto it (the item lights up); a null point when it is missing.
QPoint PointAtMenuItem(QMenu* menu, const char* itemName) {
    Check(menu->isVisible(), QStringLiteral("menu %1 is not open").arg(menu->objectName()));
    auto* action = menu->findChild<QAction*>(QString::fromLatin1(itemName));
    if (!action) {
        Check(false, QStringLiteral("no menu item %1").arg(QLatin1String(itemName)));
        return {};
    }
    const QPoint point = menu->actionGeometry(action).center();
    QTest::mouseMove(menu, point);
    Settle();
    return point;
}

void ClickMenuItem(QMenu* menu, const QPoint& point) {
    if (point.isNull()) return;
    QTest::mouseClick(menu, Qt::LeftButton, {}, point);
    Settle();
    Check(!menu->isVisible(), QStringLiteral("menu %1 stayed open").arg(menu->objectName()));
}

void ScrollToTop(std::initializer_list<QTableView*> views) {
    for (QTableView* view : views) view->scrollToTop();
}

// The row of a list whose "Тип" cell reads code, or -1.
int RowOfCode(QTableView* view, const QString& code) {
    for (int row = 0; row < view->model()->rowCount(); ++row) {
        if (view->model()->index(row, 1).data().toString() == code) return row;
    }
    Check(false, QStringLiteral("no row %1 in %2").arg(code, view->objectName()));
    return -1;
}

QString Cell(QTableView* view, int row, int column) { return view->model()->index(row, column).data().toString(); }

QString Status(QWidget* window) { return Find<stratex::PanelStatusBar>(window, "StatusBar")->text(); }

// The visible line editor inside a list, or null.
QLineEdit* OpenEditor(QTableView* view) {
    for (QLineEdit* editor : view->viewport()->findChildren<QLineEdit*>()) {
        if (editor->isVisible()) return editor;
    }
    return nullptr;
}

// Drops one file on the window, as a file manager does.
void DropFile(QWidget* window, const QString& path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    const QPoint point = window->rect().center();
    QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(window, &enter);
    Check(enter.isAccepted(), QStringLiteral("the window refuses a dropped map"));
    QDropEvent drop(QPointF(point), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(window, &drop);
    Settle();
}

bool Exists(const QString& path) { return QFileInfo::exists(path); }

// Chooses a language as a user does: a right click on the window's description opens its context menu,
// the pointer rests on "Язык" ("Language") until the language menu opens, and a click picks itemName
// there. The screen is photographed with both menus open when shot is given.
void ChooseLanguage(QWidget* window, const char* itemName, const QString& shot = QString()) {
    auto* languages = Find<QMenu>(window, "LanguageMenu");
    auto* description = Find<QWidget>(window, "Panel1");
    // The context menu runs its own event loop: the steps inside it are timed from here.
    QTimer::singleShot(400, window, [=]() {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        auto* language = window->findChild<QAction*>(QStringLiteral("LanguageAction"));
        if (!menu || !language || menu->actionGeometry(language).isNull()) {
            Check(false, QStringLiteral("no language item in the context menu"));
            if (menu) menu->close();
            return;
        }
        QTest::mouseMove(menu, menu->actionGeometry(language).center());
        QTimer::singleShot(800, window, [=]() {
            Check(languages->isVisible(), QStringLiteral("the language menu did not open"));
            const QPoint point = PointAtMenuItem(languages, itemName);
            if (!shot.isEmpty()) ShotOfScreen(window, languages, shot);
            ClickMenuItem(languages, point);
        });
    });
    const QPoint point = description->mapTo(window, description->rect().center());
    QContextMenuEvent event(QContextMenuEvent::Mouse, point, window->mapToGlobal(point));
    QApplication::sendEvent(window, &event);
    Settle();
}

// Shows a modal dialog that run opens, photographs it over the window once it is up, and cancels it.
void ShotOfModal(QWidget* window, const QString& name, const std::function<void()>& run) {
    QTimer::singleShot(800, window, [window, name]() {
        QWidget* modal = QApplication::activeModalWidget();
        Check(modal != nullptr, QStringLiteral("no dialog for ") + name);
        if (!modal) return;
        ShotOfScreen(window, modal, name);
        if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
    });
    run();
    Settle();
}

// The main window in both languages at the smallest size and at 1600 x 1000, then Qt's own dialogs in
// Russian, into dir; the README's picture of the English window into imageDir.
void TakeWindowPictures(QWidget* window, const QString& dir) {
    const QPoint home = window->pos();
    const QSize sizes[] = {QSize(648, 529), QSize(1600, 1000)};
    for (const char* language : {"ru", "en"}) {
        if (QLatin1String(language) == QLatin1String("en")) ChooseLanguage(window, "Language_en");
        for (const QSize& size : sizes) {
            window->move(0, 0);
            window->resize(size);
            Settle(300);
            Check(window->size() == size,
                  QStringLiteral("the window is not %1x%2").arg(size.width()).arg(size.height()));
            if (!dir.isEmpty()) {
                SavePicture(window->grab(), dir + QStringLiteral("/main-%1-%2x%3")
                                                      .arg(QLatin1String(language))
                                                      .arg(size.width())
                                                      .arg(size.height()));
            }
        }
        window->resize(sizes[0]);
        window->move(home);
        Settle(300);
        if (QLatin1String(language) == QLatin1String("en")) ShotOfWindow(window, QStringLiteral("window"));
    }
    ChooseLanguage(window, "Language_system");
    Check(Find<QCheckBox>(window, "ShowAllCheck")->text() == QStringLiteral("Показать все объекты"),
          QStringLiteral("the window does not speak Russian again"));
    if (dir.isEmpty()) return;
    stratex::QtUiPrompts qtPrompts;
    stratex::FileDialogState open;
    open.mode = stratex::FileDialogState::Mode::Open;
    open.filters = QStringList{QStringLiteral("Polish Map (*.mp)"), QStringLiteral("Text Files (*.txt)")};
    open.filterIndex = 1;
    open.initialDir = QDir::currentPath();
    ShotOfModal(window, dir + QStringLiteral("/file-dialog-ru"), [&] { qtPrompts.RunFileDialog(window, open); });
    ShotOfModal(window, dir + QStringLiteral("/question-ru"), [&] {
        qtPrompts.AskYesNo(window, QStringLiteral("Файл не сохранен. Выйти?"), QStringLiteral("Подтверждение"),
                           QMessageBox::Question);
    });
    // The dialogs took the focus: the window's keys (F6) need it back.
    window->activateWindow();
    Settle();
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Stratex"));
    QApplication::setOrganizationName(QStringLiteral("Stratex"));
    const QStringList args = QApplication::arguments();
    if (args.size() < 4 || !QFileInfo::exists(QStringLiteral("poi.txt"))) {
        std::fprintf(stderr,
                     "usage: (in the folder of the type name files) stratex_screenshots MAP OTHER_MAP IMAGE_DIR "
                     "[OUTPUT_DIR]\n");
        return 2;
    }
    const QString map = QFileInfo(args[1]).absoluteFilePath();
    const QString otherMap = QFileInfo(args[2]).absoluteFilePath();
    imageDir = QFileInfo(args[3]).absoluteFilePath();
    QDir().mkpath(imageDir);
    QTemporaryDir scratch;
    const QString outDir = args.size() > 4 ? QFileInfo(args[4]).absoluteFilePath() : scratch.path();
    const QString reviewDir = args.size() > 5 ? QFileInfo(args[5]).absoluteFilePath() : QString();
    if (!reviewDir.isEmpty()) QDir().mkpath(reviewDir);
    QDir().mkpath(outDir);
    // The window starts as on a first run (dictionary option off, no last folder) and leaves the user's
    // own settings alone; it speaks the C locale's language, Russian.
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, scratch.path() + QStringLiteral("/settings"));
    QLocale::setDefault(QLocale::c());

    auto ownedPrompts = std::make_unique<ScriptPrompts>();
    ScriptPrompts* prompts = ownedPrompts.get();
    auto form = std::make_unique<TMainForm>(std::move(ownedPrompts));
    TMainForm* window = form.get();
    window->show();
    if (!QTest::qWaitForWindowExposed(window)) std::fprintf(stderr, "the window is not exposed\n");
    window->activateWindow();
    Settle(300);

    auto* poi = Find<TypeListView>(window, "POIListView");
    auto* lines = Find<TypeListView>(window, "LINEListView");
    auto* polygons = Find<TypeListView>(window, "POLYListView");
    auto* levels = Find<QTableView>(window, "LevelsList");
    auto* levelPopup = Find<QMenu>(window, "LevelPopupMenu");
    auto* levelsPopup = Find<QMenu>(window, "LevelsPopupMenu");

    // Open MAP: the button, the dialog answering the map.
    prompts->paths.push_back(map);
    Click(window, "OpenSpeedButton");
    Check(window->document().hasMap() && lines->model()->rowCount() > 0 && Status(window) == QStringLiteral("OK"),
          QStringLiteral("the map did not open"));
    Check(prompts->messages.isEmpty(), QStringLiteral("messages on open: ") + prompts->messages.join(u'|'));
    ShotOfWindow(window, QStringLiteral("open-map"));
    TakeWindowPictures(window, reviewDir);

    // Several polylines at once: a click and Ctrl+clicks on the "Тип" cells, a right click, "до Level1".
    const QList<int> contours = {RowOfCode(lines, QStringLiteral("0x20")), RowOfCode(lines, QStringLiteral("0x21")),
                                 RowOfCode(lines, QStringLiteral("0x22"))};
    for (int i = 0; i < contours.size(); ++i) {
        ClickCell(lines, contours[i], 1, i == 0 ? Qt::NoModifier : Qt::ControlModifier);
    }
    RightClick(lines, contours.last(), 1);
    Check(levelPopup->isVisible(), QStringLiteral("the level popup did not open"));
    const QPoint levelOne = PointAtMenuItem(levelPopup, "N01");
    ShotOfScreen(window, levelPopup, QStringLiteral("level-popup"));
    ClickMenuItem(levelPopup, levelOne);
    for (int row : contours) Check(Cell(lines, row, 0) == QStringLiteral("1"), QStringLiteral("contour not at 1"));

    // The Preview window (F6) at level 0 and at level 1, where only the types drawn up to 1 or more remain.
    QTest::keyClick(window, Qt::Key_F6);
    Settle(300);
    if (stratex::PreviewWindow* preview = window->preview()) {
        preview->resize(760, 600);
        auto* previewLevel = Find<QComboBox>(preview, "PreviewLevel");
        auto* previewStatus = Find<QLabel>(preview, "PreviewStatus");
        // The sheet's frame is far larger than its drawn part: zoom with the wheel about the middle of
        // what is drawn (the centre of the pixels that are not background).
        auto* canvas = Find<stratex::PreviewCanvas>(preview, "PreviewCanvas");
        const QImage picture = preview->Picture();
        const QRgb paper = picture.pixel(0, 0);
        double sumX = 0, sumY = 0, count = 0;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                if (picture.pixel(x, y) == paper) continue;
                sumX += x;
                sumY += y;
                ++count;
            }
        }
        if (count > 0) {
            const QPointF middle(sumX / count, sumY / count);
            for (int notch = 0; notch < 5; ++notch) {
                QWheelEvent wheel(middle, canvas->mapToGlobal(middle), QPoint(), QPoint(0, 120), Qt::NoButton,
                                  Qt::NoModifier, Qt::NoScrollPhase, false);
                QApplication::sendEvent(canvas, &wheel);
            }
        }
        for (int level : {0, 1}) {
            previewLevel->setCurrentIndex(level);
            Check(previewStatus->text().startsWith(QStringLiteral("Нарисовано объектов: ")) &&
                      preview->selection().DrawnCount() > 0,
                  QStringLiteral("nothing drawn at level %1").arg(level));
            preview->Picture();  // drawn on the preview's own thread: waited for
            ShotOfWindow(preview, QStringLiteral("preview-level%1").arg(level));
        }
        preview->hide();
        window->activateWindow();
        Settle();
    } else {
        Check(false, QStringLiteral("F6 opened no preview"));
    }

    // In-place edit: a click on the "До слоя" cell of a polygon opens its editor.
    const int swamp = RowOfCode(polygons, QStringLiteral("0x51"));
    ClickCell(polygons, swamp, 0);
    Settle();
    if (QLineEdit* editor = OpenEditor(polygons)) {
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("2"));
        ShotOfWindow(window, QStringLiteral("inplace-edit"));
        QTest::keyClick(editor, Qt::Key_Return);
        Settle();
    } else {
        Check(false, QStringLiteral("no editor on the polygon list"));
    }
    Check(Cell(polygons, swamp, 0) == QStringLiteral("2"), QStringLiteral("swamp not at 2"));

    // Typing a digit on the point list: the selected point takes it and the editor opens on it.
    const int villages = RowOfCode(poi, QStringLiteral("0x1100"));
    ClickCell(poi, villages, 1);
    QTest::keyClick(poi, Qt::Key_1);
    Settle();
    Check(Cell(poi, villages, 0) == QStringLiteral("1") && OpenEditor(poi), QStringLiteral("typing did not set 1"));
    ShotOfWindow(window, QStringLiteral("point-typing"));
    if (QLineEdit* editor = OpenEditor(poi)) QTest::keyClick(editor, Qt::Key_Return);
    Settle();

    // Sorting: a click on the "До слоя" header of the polylines.
    ClickHeader(lines, 0);
    lines->scrollToTop();
    bool sorted = true;
    for (int row = 1; row < lines->model()->rowCount(); ++row) {
        sorted = sorted && Cell(lines, row - 1, 0) <= Cell(lines, row, 0);
    }
    Check(sorted, QStringLiteral("polylines not sorted by level"));
    ShotOfWindow(window, QStringLiteral("sorted"));

    // The Levels table: a right click on the last level opens its menu; a level goes in after it.
    const int lastLevel = levels->model()->rowCount() - 1;
    ClickCell(levels, lastLevel, 0);
    RightClick(levels, lastLevel, 0);
    Check(levelsPopup->isVisible(), QStringLiteral("the Levels popup did not open"));
    const QPoint addAfter = PointAtMenuItem(levelsPopup, "N1");
    ShotOfScreen(window, levelsPopup, QStringLiteral("levels-menu"));
    ClickMenuItem(levelsPopup, addAfter);
    Check(levels->model()->rowCount() == lastLevel + 2, QStringLiteral("no level added"));

    // The new level's zoom pick list, open, then a pick.
    ClickCell(levels, lastLevel + 1, 0);
    Settle();
    auto* pick = levels->findChild<QComboBox*>(QStringLiteral("LevelPickList"));
    const QString wanted = stratex::DecodeCp1251(stratex::LevelValue(16));
    if (pick && pick->isVisible()) {
        pick->showPopup();
        Settle(600);
        QAbstractItemView* list = pick->view();
        const QModelIndex choice = list->model()->index(pick->findText(wanted), 0);
        list->scrollTo(choice);
        const QPoint point = list->visualRect(choice).center();
        QTest::mouseMove(list->viewport(), point);
        Settle();
        ShotOfScreen(window, list->window(), QStringLiteral("zoom-pick"));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, point);
        Settle();
    } else {
        Check(false, QStringLiteral("no pick list on the new level"));
    }
    Check(Cell(levels, lastLevel + 1, 1) == wanted, QStringLiteral("the new level is not ") + wanted);
    ShotOfWindow(window, QStringLiteral("levels-added"));

    // Process, then Save MAP to a new file; a second save to the same name asks before replacing.
    Click(window, "DoSpeedButton");
    Check(Status(window) == QStringLiteral("Изменение OK"), QStringLiteral("Process did not finish"));
    ShotOfWindow(window, QStringLiteral("processed"));
    const QString processed = outDir + QStringLiteral("/o37-121-levels.mp");
    QFile::remove(processed);
    prompts->paths.push_back(processed);
    Click(window, "SaveSpeedButton");
    Check(Exists(processed), QStringLiteral("Save MAP wrote nothing"));
    prompts->messages.clear();
    prompts->paths.push_back(processed);
    prompts->answers.push_back(true);
    Click(window, "SaveSpeedButton");
    Check(prompts->messages == QStringList{QStringLiteral("Файл уже существует! Заменить?")},
          QStringLiteral("no replace question"));

    // Save CFG, then a second map dropped on the window takes the same levels through Open CFG.
    const QString config = outDir + QStringLiteral("/podm.cfg");
    QFile::remove(config);
    prompts->paths.push_back(config);
    Click(window, "SaveCFGSpeedButton");
    Check(Exists(config), QStringLiteral("Save CFG wrote nothing"));
    DropFile(window, otherMap);
    Check(window->windowTitle().contains(QFileInfo(otherMap).fileName()), QStringLiteral("the drop did not open"));
    prompts->paths.push_back(config);
    Click(window, "OpenCFGSpeedButton");
    const int otherContour = RowOfCode(lines, QStringLiteral("0x21"));
    Check(otherContour >= 0 && Cell(lines, otherContour, 0) == QStringLiteral("1"),
          QStringLiteral("the config did not set the contours"));
    ScrollToTop({poi, polygons});
    if (otherContour >= 0) lines->scrollTo(lines->model()->index(otherContour, 0), QAbstractItemView::PositionAtTop);
    ShotOfWindow(window, QStringLiteral("config-reused"));

    // Show All: every type of the type name files; the ones the map lacks follow its own.
    const int mapLines = lines->model()->rowCount();
    QTest::mouseClick(Find<QCheckBox>(window, "ShowAllCheck"), Qt::LeftButton);
    Settle();
    Check(window->document().showAll() && lines->model()->rowCount() > mapLines,
          QStringLiteral("Show All added nothing"));
    for (QTableView* view : std::initializer_list<QTableView*>{poi, lines, polygons}) view->scrollToBottom();
    ShotOfWindow(window, QStringLiteral("show-all"));

    // The window enlarged: the lists take the room. After a Process, a level changed by the popup marks
    // the status bar.
    const QPoint home = window->pos();
    window->move(16, 16);
    window->resize(1000, 860);
    Settle();
    Check(poi->height() > 129 && poi->width() > 409, QStringLiteral("the lists did not grow"));
    Click(window, "DoSpeedButton");
    ScrollToTop({poi, lines, polygons});
    const int forest = RowOfCode(polygons, QStringLiteral("0x50"));
    ClickCell(polygons, forest, 1);
    RightClick(polygons, forest, 1);
    ClickMenuItem(levelPopup, PointAtMenuItem(levelPopup, "Level21"));
    Check(Status(window) == QStringLiteral("Уровни изменены после Process"), QStringLiteral("no change mark"));
    ShotOfWindow(window, QStringLiteral("window-enlarged"));

    // The same window in English, at its default size, the language chosen in its context menu.
    window->resize(648, 529);
    window->move(home);
    ChooseLanguage(window, "Language_en", QStringLiteral("language-menu"));
    Check(Find<QToolButton>(window, "DoSpeedButton")->text() == QStringLiteral("Process") &&
              Find<QCheckBox>(window, "ShowAllCheck")->text() == QStringLiteral("Show all objects") &&
              Status(window) == QStringLiteral("Levels changed since Process"),
          QStringLiteral("the window does not speak English"));
    ScrollToTop({poi, lines, polygons});
    ShotOfWindow(window, QStringLiteral("window-english"));
    ChooseLanguage(window, "Language_system");
    Check(Find<QCheckBox>(window, "ShowAllCheck")->text() == QStringLiteral("Показать все объекты"),
          QStringLiteral("the window does not speak Russian again"));
    QTest::mouseClick(Find<QCheckBox>(window, "ShowAllCheck"), Qt::LeftButton);
    Settle();

    // A set of tiles: every map of the other map's folder chosen at once in the Open dialog; the rows of the
    // types the maps disagree on are red, and the Levels table is marked where their headers differ.
    QStringList tiles;
    for (const QFileInfo& tile :
         QDir(QFileInfo(otherMap).absolutePath()).entryInfoList({QStringLiteral("*.mp")}, QDir::Files, QDir::Name)) {
        tiles << tile.absoluteFilePath();
    }
    prompts->paths.push_back(tiles.join(u'\n'));
    prompts->messages.clear();
    Click(window, "OpenSpeedButton");
    Check(window->document().tiles().size() == static_cast<std::size_t>(tiles.size()) && prompts->messages.isEmpty(),
          QStringLiteral("the set of tiles did not open: ") + prompts->messages.join(u'|'));
    window->move(16, 16);
    window->resize(900, 700);
    ScrollToTop({poi, lines, polygons});
    const int disagreeing = RowOfCode(poi, QStringLiteral("0x5905"));
    if (disagreeing >= 0) poi->scrollTo(poi->model()->index(disagreeing, 0));
    Settle();
    ShotOfWindow(window, QStringLiteral("tile-set"));
    // Its preview: every tile drawn together.
    QTest::keyClick(window, Qt::Key_F6);
    Settle(300);
    if (stratex::PreviewWindow* preview = window->preview()) {
        preview->resize(760, 600);
        Find<QComboBox>(preview, "PreviewLevel")->setCurrentIndex(0);
        preview->Picture();  // read and drawn on the preview's own threads: waited for
        Check(preview->selection().DrawnCount() > 0, QStringLiteral("the set's preview draws nothing"));
        ShotOfWindow(preview, QStringLiteral("tile-set-preview"));
        preview->hide();
        Settle();
    }
    window->resize(648, 529);
    window->move(home);
    Settle();

    // The dictionary option: ticked, the map opened again and given the saved levels, Save DIC, then Process
    // puts the dictionary into the map; opened again, the saved map gives its levels from that dictionary.
    QTest::mouseClick(Find<QCheckBox>(window, "DicCheckBox"), Qt::LeftButton);
    prompts->paths.push_back(map);
    Click(window, "OpenSpeedButton");
    Check(window->document().useDictionary() && Find<QToolButton>(window, "SaveDICSpeedButton")->isEnabled(),
          QStringLiteral("Save DIC is not enabled"));
    prompts->paths.push_back(config);
    Click(window, "OpenCFGSpeedButton");
    const QString dictionary = outDir + QStringLiteral("/o37-121-dictionary.txt");
    QFile::remove(dictionary);
    prompts->paths.push_back(dictionary);
    Click(window, "SaveDICSpeedButton");
    Check(Exists(dictionary), QStringLiteral("Save DIC wrote nothing"));
    Click(window, "DoSpeedButton");
    const QString withDictionary = outDir + QStringLiteral("/o37-121-dictionary.mp");
    QFile::remove(withDictionary);
    prompts->paths.push_back(withDictionary);
    Click(window, "SaveSpeedButton");
    Check(Exists(withDictionary), QStringLiteral("Save MAP with the dictionary wrote nothing"));
    prompts->paths.push_back(withDictionary);
    Click(window, "OpenSpeedButton");
    const int dictionaryContour = RowOfCode(lines, QStringLiteral("0x21"));
    Check(dictionaryContour >= 0 && Cell(lines, dictionaryContour, 0) == QStringLiteral("1"),
          QStringLiteral("the map's dictionary did not give the contours"));
    ScrollToTop({poi, polygons});
    if (dictionaryContour >= 0) {
        lines->scrollTo(lines->model()->index(dictionaryContour, 0), QAbstractItemView::PositionAtTop);
    }
    ShotOfWindow(window, QStringLiteral("dictionary"));
    QTest::mouseClick(Find<QCheckBox>(window, "DicCheckBox"), Qt::LeftButton);
    Settle();

    // A file without the end of a map header.
    const QString draft = outDir + QStringLiteral("/draft.mp");
    {
        QFile file(draft);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            file.write("[IMG ID]\r\nName=Draft\r\nLevels=2\r\nLevel0=24\r\nLevel1=22\r\n");
        }
    }
    prompts->messages.clear();
    prompts->messageShot = QStringLiteral("not-a-map");
    prompts->paths.push_back(draft);
    Click(window, "OpenSpeedButton");
    Check(prompts->messages == QStringList{QStringLiteral("Этот файл не Polish MAP!!!")},
          QStringLiteral("no not-a-map message: ") + prompts->messages.join(u'|'));

    // The window started in a folder without the type name files.
    const QString namesDir = QDir::currentPath();
    form.reset();
    QDir::setCurrent(outDir);
    auto strayPrompts = std::make_unique<ScriptPrompts>();
    ScriptPrompts* stray = strayPrompts.get();
    form = std::make_unique<TMainForm>(std::move(strayPrompts));
    window = form.get();
    window->show();
    if (!QTest::qWaitForWindowExposed(window)) std::fprintf(stderr, "the window is not exposed\n");
    Settle(300);
    stray->messageShot = QStringLiteral("no-type-names");
    stray->paths.push_back(map);
    Click(window, "OpenSpeedButton");
    Check(stray->messages.size() == 1 && stray->messages.front().startsWith(QStringLiteral("Cannot open file ")) &&
              stray->messages.front().contains(QStringLiteral("poi.txt")),
          QStringLiteral("no message about poi.txt: ") + stray->messages.join(u'|'));
    form.reset();
    QDir::setCurrent(namesDir);

    if (failures) std::fprintf(stderr, "%d step(s) not as pictured\n", failures);
    return failures ? 1 : 0;
}
