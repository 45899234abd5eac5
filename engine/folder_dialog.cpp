#include "engine/folder_dialog.h"

#include <QFile>
#include <QFileDialog>

#include <utility>

namespace vellumark {
namespace {

FolderDialogHook& Hook() {
    static FolderDialogHook hook;
    return hook;
}

SaveDialogHook& SaveHook() {
    static SaveDialogHook hook;
    return hook;
}

}  // namespace

std::optional<std::string> ChooseFolder(QWidget* owner, const QString& title) {
    if (Hook())
        return Hook()(title);
    const QString folder =
        QFileDialog::getExistingDirectory(owner, title, QString(), QFileDialog::ShowDirsOnly);
    if (folder.isEmpty())
        return std::nullopt;
    return QFile::encodeName(folder).toStdString();
}

void SetFolderDialogHook(FolderDialogHook hook) {
    Hook() = std::move(hook);
}

std::optional<std::string> ChooseFileToSave(QWidget* owner, const QString& title,
                                            const std::string& suggested, const QString& filter) {
    if (SaveHook())
        return SaveHook()(title, suggested);
    const QString file = QFileDialog::getSaveFileName(
        owner, title, QFile::decodeName(QByteArray::fromStdString(suggested)), filter);
    if (file.isEmpty())
        return std::nullopt;
    return QFile::encodeName(file).toStdString();
}

void SetSaveDialogHook(SaveDialogHook hook) {
    SaveHook() = std::move(hook);
}

}  // namespace vellumark
