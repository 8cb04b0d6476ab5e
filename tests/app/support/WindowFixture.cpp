#include "support/WindowFixture.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLocale>
#include <QSettings>

#include "app/Language.h"
#include "app/PanelStatusBar.h"
#include "app/QtText.h"

namespace stratex::test {

namespace {

// Type name files of the working folder, Windows-1251 on disk.
const char* const kPoiNames =
    "0x2f06=Банк\n"
    "0x2a00=Ресторан\n"
    "0x6401=Мост\n";
const char* const kPolylineNames =
    "0x00=Первая строка файла\n"
    "0x16=Тропа\n"
    "0x01=Магистраль\n";
const char* const kPolygonNames =
    "0x4c=Озеро\n"
    "0x50=Лес\n";

}  // namespace

WindowFixture::WindowFixture(bool blockSettings) : previousDir_(QDir::currentPath()) {
    // The window speaks the language of the locale: the C locale's, Russian, whatever the developer's is.
    QLocale::setDefault(QLocale::c());
    QDir(root()).mkpath(QStringLiteral("work"));
    QString settingsDir = root() + QStringLiteral("/settings");
    if (blockSettings) {
        // A regular file where the settings folder would have to be created.
        WriteFile(QStringLiteral("blocker"), "not a folder");
        settingsDir = root() + QStringLiteral("/blocker/settings");
    }
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir);
    WriteCp1251(QStringLiteral("work/poi.txt"), QString::fromUtf8(kPoiNames));
    WriteCp1251(QStringLiteral("work/polyline.txt"), QString::fromUtf8(kPolylineNames));
    WriteCp1251(QStringLiteral("work/polygon.txt"), QString::fromUtf8(kPolygonNames));
    QDir::setCurrent(workDir());
}

WindowFixture::~WindowFixture() {
    Stop();
    QDir::setCurrent(previousDir_);
    // A window made in English leaves its translation installed; the next test starts in Russian.
    UseLanguage(Language::Russian);
    QLocale::setDefault(QLocale::c());
}

QString WindowFixture::workDir() const { return QDir::toNativeSeparators(root() + QStringLiteral("/work")); }

QString WindowFixture::SettingsFile() const { return root() + QStringLiteral("/settings/Stratex/Stratex.ini"); }

void WindowFixture::WriteSettingsText(const QByteArray& iniText) {
    QDir().mkpath(QFileInfo(SettingsFile()).absolutePath());
    QFile file(SettingsFile());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(iniText);
}

QString WindowFixture::WriteFile(const QString& relativePath, const QByteArray& bytes) const {
    const QString path = root() + QLatin1Char('/') + relativePath;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("cannot write %s", qPrintable(path));
    file.write(bytes);
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

QString WindowFixture::WriteCp1251(const QString& relativePath, const QString& text) const {
    QString crlf = text;
    crlf.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    const std::string bytes = EncodeCp1251(crlf);
    return WriteFile(relativePath, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

QByteArray WindowFixture::ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

TMainForm& WindowFixture::Start() {
    Stop();
    auto prompts = std::make_unique<ScriptedPrompts>();
    prompts_ = prompts.get();
    window_ = std::make_unique<TMainForm>(std::move(prompts));
    window_->show();
    if (!QTest::qWaitForWindowExposed(window_.get())) qWarning("window not exposed");
    window_->activateWindow();
    if (!QTest::qWaitForWindowActive(window_.get())) qWarning("window not active");
    return *window_;
}

void WindowFixture::Stop() {
    if (!window_) return;
    // Destroyed without the close question: the test has checked what it wanted.
    window_.reset();
    prompts_ = nullptr;
}

void WindowFixture::Click(const char* buttonName) {
    QAbstractButton* button = Button(buttonName);
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
}

void WindowFixture::ClickCell(QAbstractItemView* view, int row, int column, Qt::KeyboardModifiers modifiers) {
    const QRect cell = view->visualRect(view->model()->index(row, column));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, cell.center());
}

void WindowFixture::ClickHeader(QAbstractItemView* view, int column) {
    auto* table = qobject_cast<QTableView*>(view);
    QVERIFY(table);
    QHeaderView* header = table->horizontalHeader();
    const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
}

void WindowFixture::RightClickRow(QAbstractItemView* view, int row, int column) {
    const QPoint point = view->visualRect(view->model()->index(row, column)).center();
    QTest::mousePress(view->viewport(), Qt::RightButton, {}, point);
    QTest::mouseRelease(view->viewport(), Qt::RightButton, {}, point);
    // The window system follows a right click with a context menu event.
    QContextMenuEvent event(QContextMenuEvent::Mouse, point, view->viewport()->mapToGlobal(point));
    QApplication::sendEvent(view->viewport(), &event);
}

void WindowFixture::ChooseMenuItem(const char* menuName, const char* itemName) {
    auto* menu = Find<QMenu>(menuName);
    QVERIFY(menu);
    QTRY_VERIFY(menu->isVisible());
    QAction* action = menu->findChild<QAction*>(QString::fromLatin1(itemName));
    QVERIFY(action);
    const QPoint point = menu->actionGeometry(action).center();
    QTest::mouseMove(menu, point);
    QTest::mouseClick(menu, Qt::LeftButton, {}, point);
    QTRY_VERIFY(!menu->isVisible());
}

void WindowFixture::SetLevelByPopup(const char* listName, const QList<int>& rows, const char* itemName) {
    TypeListView* view = List(listName);
    QVERIFY(view);
    bool first = true;
    for (int row : rows) {
        // Clicks on the code column only select: the first column would open the editor.
        ClickCell(view, row, 1, first ? Qt::NoModifier : Qt::ControlModifier);
        first = false;
    }
    RightClickRow(view, rows.first());
    ChooseMenuItem("LevelPopupMenu", itemName);
}

void WindowFixture::OpenMap(const QString& path) {
    prompts().ClearRecord();
    prompts().dialogAnswers.push_back(path);
    // Unless the test answers it, the question about unsaved work is answered No; an answer left unused
    // is not kept for a later question.
    const bool answerNo = prompts().threeWayAnswers.empty();
    if (answerNo) prompts().threeWayAnswers.push_back(UiPrompts::Answer::No);
    Click("OpenSpeedButton");
    if (answerNo) prompts().threeWayAnswers.clear();
}

bool WindowFixture::Close() { return window_->close(); }

QStringList WindowFixture::ColumnTexts(QAbstractItemView* view, int column) {
    QStringList texts;
    for (int row = 0; row < view->model()->rowCount(); ++row) {
        texts << view->model()->index(row, column).data().toString();
    }
    return texts;
}

QString WindowFixture::Status() {
    auto* bar = Find<PanelStatusBar>("StatusBar");
    return bar ? bar->text() : QString();
}

QString WindowFixture::SampleMap() {
    return QStringLiteral(
        "[IMG ID]\n"
        "Name=Проба\n"
        "Levels=3\n"
        "Level0=24\n"
        "Level1=22\n"
        "Level2=20\n"
        "Zoom0=0\n"
        "Zoom1=1\n"
        "Zoom2=2\n"
        "[END-IMG ID]\n"
        "[POI]\n"
        "Type=0x2f06\n"
        "EndLevel=1\n"
        "Data0=(55.75,37.61)\n"
        "[END]\n"
        "[POI]\n"
        "Type=0x2a00\n"
        "Label=Столовая\n"
        "Data0=(55.70,37.60)\n"
        "[END]\n"
        "[POLYLINE]\n"
        "Type=0x16\n"
        "EndLevel=2\n"
        "Data0=(55.10,37.20),(55.11,37.21)\n"
        "[END]\n"
        "[POLYGON]\n"
        "Type=0x4c\n"
        "Data0=(55.10,37.20),(55.11,37.21),(55.12,37.22)\n"
        "[END]\n");
}

}  // namespace stratex::test
