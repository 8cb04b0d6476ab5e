#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace stratex {

// The state of one of the window's two file dialogs, kept between uses: the filter list, the selected
// file type, the current file name and the initial folder.
struct FileDialogState {
    enum class Mode { Open, Save };

    Mode mode = Mode::Open;
    QStringList filters;     // "Polish Map (*.mp)", ...: one entry per file type, in Qt's form
    QStringList extensions;  // the extension of each file type without the dot: "mp", "txt", "cfg"
    int filterIndex = 1;     // the selected file type, numbered from 1
    QString fileName;        // the current file name: proposed when shown, the chosen one afterwards
    QString initialDir = QStringLiteral(".");
    QString defaultExtension = QStringLiteral("mp");
    bool multiple = false;  // an Open dialog that takes several files
    QStringList chosen;     // every file chosen at the last use, the one returned first

    // The extension of the selected file type ("mp" for type 1), or the default extension when the
    // index lies outside the list.
    QString SelectedExtension() const;
};

// The dialogs and message boxes of the window, behind an interface so that tests script the answers.
class UiPrompts {
public:
    virtual ~UiPrompts() = default;

    // Shows the file dialog that `dialog` describes, proposing dialog.fileName in dialog.initialDir with
    // file type dialog.filterIndex. Returns the chosen full path (native separators), or nothing when the
    // user cancels. On a choice it also updates dialog.filterIndex to the file type the user ended on.
    // A save dialog asks no overwrite question of its own.
    virtual std::optional<QString> RunFileDialog(QWidget* parent, FileDialogState& dialog) = 0;

    // A folder dialog opening at start; the folder chosen, or none when cancelled.
    virtual std::optional<QString> AskFolder(QWidget* parent, const QString& caption, const QString& start) = 0;

    // A modal question with the buttons Yes and No; true for Yes.
    virtual bool AskYesNo(QWidget* parent, const QString& text, const QString& caption, QMessageBox::Icon icon) = 0;

    // A modal question with the buttons Yes, No and Cancel; closing it answers Cancel.
    enum class Answer { Yes, No, Cancel };
    virtual Answer AskYesNoCancel(QWidget* parent, const QString& text, const QString& caption,
                                  QMessageBox::Icon icon) = 0;

    // A modal message with one OK button.
    virtual void ShowMessage(QWidget* parent, const QString& text, const QString& caption, QMessageBox::Icon icon) = 0;
};

// The production prompts: QFileDialog and QMessageBox.
class QtUiPrompts : public UiPrompts {
public:
    std::optional<QString> RunFileDialog(QWidget* parent, FileDialogState& dialog) override;
    std::optional<QString> AskFolder(QWidget* parent, const QString& caption, const QString& start) override;
    bool AskYesNo(QWidget* parent, const QString& text, const QString& caption, QMessageBox::Icon icon) override;
    Answer AskYesNoCancel(QWidget* parent, const QString& text, const QString& caption,
                          QMessageBox::Icon icon) override;
    void ShowMessage(QWidget* parent, const QString& text, const QString& caption, QMessageBox::Icon icon) override;
};

}  // namespace stratex
