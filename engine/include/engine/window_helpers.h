// Small helpers for building fixed-layout windows and taking drops.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>

#include <string>

class QAbstractItemView;
class QLabel;
class QMimeData;
class QPushButton;
class QWidget;

namespace vellumark {

// The user-interface face for Chinese text at a character height in pixels.
// A Song face is preferred: its tight line spacing keeps multi-line texts
// inside the boxes they were laid out for.
QFont UiFont(int pixelSize);

// A label that draws only its text (no background), at a fixed place.
QLabel* MakeTransparentLabel(QWidget* parent, int left, int top, int width, int height,
                             const QString& text, int pixelSize, QColor colour);

// Sets the colour of a widget's text (window text, button text and text roles).
void SetTextColour(QWidget* widget, QColor colour);

// Fills the widget's background uniformly with `colour`.
void FillBackground(QWidget* widget, QColor colour);

// The title-bar buttons of the program's fixed-size windows: minimise and
// close, no maximise.
inline constexpr Qt::WindowFlags kFixedWindowButtons =
    Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
    Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;

// Makes a top-level window fixed-size with the given outer size: the client
// area is the outer size minus the frame the window manager reports (none
// without a window manager). Call again once the window is shown, when the
// frame is known; then the window is also centred on its screen.
void FixOuterSize(QWidget* window, int outerWidth, int outerHeight);
void CentreOnScreen(QWidget* window);

// Fixes the outer size now and again once the window is first shown (the
// window manager's frame is known only once it is mapped, and managers report
// it at different moments), centring it on its screen each time.
void KeepOuterSizeOnFirstShow(QWidget* window, int outerWidth, int outerHeight);

// A button at a fixed place that Enter never presses: in these windows Enter
// either does nothing or moves the focus.
QPushButton* MakeButton(QWidget* parent, int left, int top, int width, int height,
                        const QString& text);

// Gives the rows of `view` room for the whole of its font: a Song face draws
// "_" below its descent, where a row as tall as the font would cut it off
// and a name like "深圳_962" would read "深圳 962".
void GiveRowsRoomForUnderscores(QAbstractItemView* view);

// The text of a drop of files or folders: one item gives its path, several
// give each path followed by "\r\n". Paths are the platform's bytes, taken
// from the percent-encoded URLs so names that are not UTF-8 survive.
std::string DroppedPathsText(const QMimeData& data);

}  // namespace vellumark
