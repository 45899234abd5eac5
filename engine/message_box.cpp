#include "engine/message_box.h"

#include <utility>

namespace vellumark {
namespace {

MessageBoxHook& Hook() {
    static MessageBoxHook hook;
    return hook;
}

}  // namespace

void ShowMessageBox(QWidget* owner, const QString& title, const QString& text,
                    QMessageBox::Icon icon) {
    if (Hook()) {
        Hook()(title, text, icon);
        return;
    }
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(icon, title, shown, QMessageBox::Ok, owner);
    box.setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
    box.exec();
}

void SetMessageBoxHook(MessageBoxHook hook) {
    Hook() = std::move(hook);
}

}  // namespace vellumark
