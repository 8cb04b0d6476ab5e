#include "app/UiPrompts.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace stratex {

QString FileDialogState::SelectedExtension() const {
    if (filterIndex >= 1 && filterIndex <= extensions.size()) return extensions[filterIndex - 1];
    return defaultExtension;
}

std::optional<QString> QtUiPrompts::RunFileDialog(QWidget* parent, FileDialogState& dialog) {
    QFileDialog fileDialog(parent);
    const bool save = dialog.mode == FileDialogState::Mode::Save;
    fileDialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    fileDialog.setFileMode(save              ? QFileDialog::AnyFile
                           : dialog.multiple ? QFileDialog::ExistingFiles
                                             : QFileDialog::ExistingFile);
    // The overwrite question is the window's own, asked once after the dialog.
    fileDialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    fileDialog.setNameFilters(dialog.filters);
    if (dialog.filterIndex >= 1 && dialog.filterIndex <= dialog.filters.size()) {
        fileDialog.selectNameFilter(dialog.filters[dialog.filterIndex - 1]);
    }

    // A proposed name with a folder opens in that folder; a bare name opens in the initial folder.
    const QFileInfo proposed(dialog.fileName);
    QString folder = dialog.initialDir.isEmpty() ? QDir::currentPath() : dialog.initialDir;
    if (!dialog.fileName.isEmpty() && proposed.isAbsolute()) {
        folder = proposed.absolutePath();
    }
    fileDialog.setDirectory(folder);
    if (!dialog.fileName.isEmpty()) fileDialog.selectFile(proposed.fileName());

    if (fileDialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = fileDialog.selectedFiles();
    if (files.isEmpty()) return std::nullopt;

    const qsizetype chosenFilter = dialog.filters.indexOf(fileDialog.selectedNameFilter());
    if (chosenFilter >= 0) dialog.filterIndex = static_cast<int>(chosenFilter) + 1;
    dialog.chosen.clear();
    for (const QString& file : files) dialog.chosen << QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath());
    return dialog.chosen.first();
}

std::optional<QString> QtUiPrompts::AskFolder(QWidget* parent, const QString& caption, const QString& start) {
    const QString folder = QFileDialog::getExistingDirectory(parent, caption, start);
    if (folder.isEmpty()) return std::nullopt;
    return QDir::toNativeSeparators(folder);
}

bool QtUiPrompts::AskYesNo(QWidget* parent, const QString& text, const QString& caption, QMessageBox::Icon icon) {
    QMessageBox box(icon, caption, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

UiPrompts::Answer QtUiPrompts::AskYesNoCancel(QWidget* parent, const QString& text, const QString& caption,
                                              QMessageBox::Icon icon) {
    QMessageBox box(icon, caption, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return Answer::Cancel;
    }
}

void QtUiPrompts::ShowMessage(QWidget* parent, const QString& text, const QString& caption, QMessageBox::Icon icon) {
    QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace stratex
