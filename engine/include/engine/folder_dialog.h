// The folder-selection dialog, with a hook that lets tests answer it.
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

}  // namespace vellumark
