// Modal message boxes, with a hook that lets tests see them instead.
#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

namespace vellumark {

// Shows a modal box with one OK button. `text` may separate its lines with
// "\r\n". With no owner the box is modal over the whole application.
void ShowMessageBox(QWidget* owner, const QString& title, const QString& text,
                    QMessageBox::Icon icon);

// While set, ShowMessageBox calls the hook with the same title, text and
// icon and shows nothing. An empty function restores the real box.
using MessageBoxHook =
    std::function<void(const QString& title, const QString& text, QMessageBox::Icon icon)>;
void SetMessageBoxHook(MessageBoxHook hook);

}  // namespace vellumark
