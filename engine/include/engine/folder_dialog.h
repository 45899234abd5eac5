// The folder-selection and save-file dialogs, with hooks that let tests
// answer them.
#pragma once

#include <QString>

#include <functional>
#include <optional>
#include <string>

class QWidget;

namespace vellumark {

// Asks for an existing folder (folders only, a path can be typed). Returns
// its path as the platform's bytes, or nothing when the user cancels.
std::optional<std::string> ChooseFolder(QWidget* owner, const QString& title);

// While set, ChooseFolder returns the hook's answer and shows nothing.
using FolderDialogHook = std::function<std::optional<std::string>(const QString& title)>;
void SetFolderDialogHook(FolderDialogHook hook);

// Asks where to save a file, offering `suggested` (platform bytes) and the
// file types of `filter`. Returns the chosen path as the platform's bytes,
// or nothing when the user cancels.
std::optional<std::string> ChooseFileToSave(QWidget* owner, const QString& title,
                                            const std::string& suggested, const QString& filter);

// While set, ChooseFileToSave returns the hook's answer and shows nothing.
using SaveDialogHook =
    std::function<std::optional<std::string>(const QString& title, const std::string& suggested)>;
void SetSaveDialogHook(SaveDialogHook hook);

}  // namespace vellumark
