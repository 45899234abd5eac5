#include "engine/window_helpers.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QPalette>
#include <QScreen>
#include <QUrl>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace vellumark {

QFont UiFont(int pixelSize) {
    QFont font;
    font.setFamilies({QStringLiteral("AR PL UMing CN"), QStringLiteral("Noto Sans CJK SC"),
                      QStringLiteral("Droid Sans Fallback")});
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::Normal);
    return font;
}

QLabel* MakeTransparentLabel(QWidget* parent, int left, int top, int width, int height,
                             const QString& text, int pixelSize, QColor colour) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(left, top, width, height);
    label->setAutoFillBackground(false);
    label->setFont(UiFont(pixelSize));
    label->setTextFormat(Qt::PlainText);
    SetTextColour(label, colour);
    return label;
}

void SetTextColour(QWidget* widget, QColor colour) {
    QPalette palette = widget->palette();
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(role, colour);
    widget->setPalette(palette);
}

void FillBackground(QWidget* widget, QColor colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void FixOuterSize(QWidget* window, int outerWidth, int outerHeight) {
    int frameWidth = 0;
    int frameHeight = 0;
    if (window->isVisible()) {
        frameWidth = window->frameGeometry().width() - window->geometry().width();
        frameHeight = window->frameGeometry().height() - window->geometry().height();
    }
    window->setFixedSize(std::max(1, outerWidth - frameWidth),
                         std::max(1, outerHeight - frameHeight));
}

void CentreOnScreen(QWidget* window) {
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

std::string DroppedPathsText(const QMimeData& data) {
    std::vector<std::string> paths;
    for (const QUrl& url : data.urls()) {
        if (!url.isLocalFile())
            continue;
        // The encoded path keeps bytes that are not UTF-8 as %XX escapes;
        // decoding those gives the name's own bytes back.
        const QByteArray encoded = url.path(QUrl::FullyEncoded).toLatin1();
        paths.push_back(QByteArray::fromPercentEncoding(encoded).toStdString());
    }
    if (paths.size() == 1)
        return paths.front();
    std::string text;
    for (const auto& path : paths)
        text += path + "\r\n";
    return text;
}

}  // namespace vellumark
