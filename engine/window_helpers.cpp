#include "engine/window_helpers.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace vellumark {
namespace {

class RoomForUnderscoreDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        const QFontMetrics metrics(option.font);
        // The glyph's own box, not the font's descent, says how low it goes.
        const int below =
            std::max(metrics.descent(), metrics.boundingRect(QChar('_')).bottom() + 1);
        size.setHeight(std::max(size.height(), metrics.ascent() + below + 2));
        return size;
    }
};

}  // namespace

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

void GiveRowsRoomForUnderscores(QAbstractItemView* view) {
    view->setItemDelegate(new RoomForUnderscoreDelegate(view));
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

namespace {

// Fixes and centres its window when it is first shown, and once more a
// little later; then goes.
class FirstShowPlacer : public QObject {
public:
    FirstShowPlacer(QWidget* window, int width, int height)
        : QObject(window), window_(window), width_(width), height_(height) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && event->type() == QEvent::Show) {
            window_->removeEventFilter(this);
            for (const int delayMs : {0, 250}) {
                QTimer::singleShot(delayMs, window_, [window = window_, w = width_, h = height_] {
                    FixOuterSize(window, w, h);
                    CentreOnScreen(window);
                });
            }
            deleteLater();
        }
        return false;
    }

private:
    QWidget* window_;
    int width_;
    int height_;
};

}  // namespace

void KeepOuterSizeOnFirstShow(QWidget* window, int outerWidth, int outerHeight) {
    FixOuterSize(window, outerWidth, outerHeight);
    CentreOnScreen(window);
    window->installEventFilter(new FirstShowPlacer(window, outerWidth, outerHeight));
}

QPushButton* MakeButton(QWidget* parent, int left, int top, int width, int height,
                        const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setGeometry(left, top, width, height);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

}  // namespace vellumark
