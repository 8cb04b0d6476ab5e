#include "support/ScriptedPrompts.h"

namespace stratex::test {

std::optional<QString> ScriptedPrompts::RunFileDialog(QWidget*, FileDialogState& dialog) {
    dialogs.push_back(dialog);
    if (dialogAnswers.empty()) {
        unexpected << QStringLiteral("file dialog");
        return std::nullopt;
    }
    const QString answer = dialogAnswers.front();
    dialogAnswers.pop_front();
    if (answer.isNull()) return std::nullopt;
    dialog.chosen = answer.split(QLatin1Char('\n'));
    return std::optional<QString>(dialog.chosen.first());
}

std::optional<QString> ScriptedPrompts::AskFolder(QWidget*, const QString& caption, const QString&) {
    if (dialogAnswers.empty()) {
        unexpected << QStringLiteral("folder dialog: ") + caption;
        return std::nullopt;
    }
    const QString answer = dialogAnswers.front();
    dialogAnswers.pop_front();
    if (answer.isNull()) return std::nullopt;
    return std::optional<QString>(answer);
}

bool ScriptedPrompts::AskYesNo(QWidget*, const QString& text, const QString& caption, QMessageBox::Icon icon) {
    questions.push_back({text, caption, icon});
    if (yesNoAnswers.empty()) {
        unexpected << QStringLiteral("question: ") + text;
        return false;
    }
    const bool answer = yesNoAnswers.front();
    yesNoAnswers.pop_front();
    return answer;
}

UiPrompts::Answer ScriptedPrompts::AskYesNoCancel(QWidget*, const QString& text, const QString& caption,
                                                  QMessageBox::Icon icon) {
    questions.push_back({text, caption, icon});
    if (threeWayAnswers.empty()) {
        unexpected << QStringLiteral("question: ") + text;
        return Answer::Cancel;
    }
    const Answer answer = threeWayAnswers.front();
    threeWayAnswers.pop_front();
    return answer;
}

void ScriptedPrompts::ShowMessage(QWidget*, const QString& text, const QString& caption, QMessageBox::Icon icon) {
    messages.push_back({text, caption, icon});
    if (onMessage) onMessage(messages.back());
}

void ScriptedPrompts::ClearRecord() {
    dialogs.clear();
    questions.clear();
    messages.clear();
    unexpected.clear();
}

}  // namespace stratex::test
