#pragma once

#include <QAbstractButton>
#include <QByteArray>
#include <QDir>
#include <QMenu>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QtTest>
#include <initializer_list>
#include <memory>

#include "app/MainForm.h"
#include "app/TypeListView.h"
#include "support/ScriptedPrompts.h"

namespace stratex::test {

// One window under test with everything it touches in a temporary folder: the per-user settings (never the
// real user's store), a working folder holding small type name files, and room for maps. The working
// folder is the process's current folder while the fixture lives, and the default locale is the C locale,
// so that the window speaks Russian unless a test sets another locale or the "Language" setting.
class WindowFixture {
public:
    // With blockSettings, the settings store lies where it can be neither opened nor created.
    explicit WindowFixture(bool blockSettings = false);
    ~WindowFixture();

    QString root() const { return dir_.path(); }
    QString workDir() const;
    // The INI file of the settings and a raw write of its text.
    QString SettingsFile() const;
    void WriteSettingsText(const QByteArray& iniText);

    // Writes bytes to root/relativePath (folders created); returns the full native path.
    QString WriteFile(const QString& relativePath, const QByteArray& bytes) const;
    // Writes UTF-8 text as Windows-1251 bytes with CR LF line ends.
    QString WriteCp1251(const QString& relativePath, const QString& text) const;
    static QByteArray ReadFile(const QString& path);

    // The window: Start creates and shows it (a second Start replaces it, as a restart of the program).
    TMainForm& Start();
    void Stop();
    TMainForm& window() { return *window_; }
    ScriptedPrompts& prompts() { return *prompts_; }

    template <typename T>
    T* Find(const char* name) {
        T* found = window_->findChild<T*>(QString::fromLatin1(name));
        if (!found) qWarning("no control %s", name);
        return found;
    }
    QAbstractButton* Button(const char* name) { return Find<QAbstractButton>(name); }
    TypeListView* List(const char* name) { return Find<TypeListView>(name); }

    // Clicks like a user does.
    void Click(const char* buttonName);
    void ClickCell(QAbstractItemView* view, int row, int column, Qt::KeyboardModifiers modifiers = {});
    void ClickHeader(QAbstractItemView* view, int column);
    // A right click on row of a list, which opens its context menu; then the menu item named itemName.
    void RightClickRow(QAbstractItemView* view, int row, int column = 1);
    void ChooseMenuItem(const char* menuName, const char* itemName);
    // Selects rows (a click, then Ctrl+clicks) and chooses the level popup item itemName.
    void SetLevelByPopup(const char* listName, const QList<int>& rows, const char* itemName);

    // Open MAP through its button with the dialog answering path; the messages before are forgotten. Asked
    // about unsaved work, it answers No (the work is given up) unless the test scripted an answer.
    void OpenMap(const QString& path);
    // Closes the window as the close box does; true when it closed.
    bool Close();

    // Text of a column of a list view, top to bottom.
    static QStringList ColumnTexts(QAbstractItemView* view, int column);
    QString Status();

    // The small test map: three levels, two POI types, one polyline and one polygon type.
    static QString SampleMap();

private:
    QTemporaryDir dir_;
    QString previousDir_;
    std::unique_ptr<TMainForm> window_;
    ScriptedPrompts* prompts_ = nullptr;
};

}  // namespace stratex::test
