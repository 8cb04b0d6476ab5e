#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "app/UiPrompts.h"

namespace stratex::test {

// Dialogs and message boxes with answers scripted by a test, recording what the window asked and showed.
// A dialog or question without a scripted answer is recorded in `unexpected` and answered Cancel / No
// (a question with Cancel: Cancel).
class ScriptedPrompts : public UiPrompts {
public:
    struct Box {
        QString text;
        QString caption;
        QMessageBox::Icon icon;
    };

    std::optional<QString> RunFileDialog(QWidget* parent, FileDialogState& dialog) override;
    // Takes its answer from dialogAnswers too.
    std::optional<QString> AskFolder(QWidget* parent, const QString& caption, const QString& start) override;
    bool AskYesNo(QWidget* parent, const QString& text, const QString& caption, QMessageBox::Icon icon) override;
    // Recorded in questions; its answers come from threeWayAnswers.
    Answer AskYesNoCancel(QWidget* parent, const QString& text, const QString& caption,
                          QMessageBox::Icon icon) override;
    void ShowMessage(QWidget* parent, const QString& text, const QString& caption, QMessageBox::Icon icon) override;

    // Scripted answers, used in order: a path (chosen; several separated by new lines where the dialog takes
    // several) or a null QString (cancel); Yes (true) or No.
    std::deque<QString> dialogAnswers;
    std::deque<bool> yesNoAnswers;
    std::deque<Answer> threeWayAnswers;

    // What the window did, in order.
    std::vector<FileDialogState> dialogs;  // the dialog state as it was shown
    std::vector<Box> questions;
    std::vector<Box> messages;
    QStringList unexpected;
    // Called while a message is up, to look at the window behind it.
    std::function<void(const Box&)> onMessage;

    // Forgets what was recorded (not the scripted answers).
    void ClearRecord();
};

}  // namespace stratex::test
