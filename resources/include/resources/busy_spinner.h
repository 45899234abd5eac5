// The busy spinner: a green ring of spokes that turns one step per frame.
#pragma once

#include <QImage>
#include <QList>

namespace vellumark {

inline constexpr int kSpinnerSize = 48;  // pixels, square
inline constexpr int kSpinnerFrameCount = 12;
inline constexpr int kSpinnerFrameMs = 100;  // one full turn per 1.2 s

// The frames in playing order, drawn on a transparent background.
QList<QImage> SpinnerFrames();

}  // namespace vellumark
