#include "engine/frame_player.h"

#include <QPixmap>

namespace vellumark {

FramePlayer::FramePlayer(QWidget* parent, const QList<QImage>& frames, int frameMs)
    : QLabel(parent), frames_(frames) {
    setAlignment(Qt::AlignCenter);
    timer_.setInterval(frameMs);
    QObject::connect(&timer_, &QTimer::timeout, this,
                     [this] { ShowFrame(frames_.isEmpty() ? 0 : (index_ + 1) % frames_.size()); });
}

void FramePlayer::showEvent(QShowEvent* event) {
    QLabel::showEvent(event);
    if (frames_.size() > 1)
        timer_.start();
}

void FramePlayer::hideEvent(QHideEvent* event) {
    timer_.stop();
    QLabel::hideEvent(event);
}

void FramePlayer::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    scaled_.clear();
    for (const QImage& frame : frames_)
        scaled_.append(QPixmap::fromImage(
            frame.scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    ShowFrame(index_);
}

void FramePlayer::ShowFrame(int index) {
    index_ = index;
    if (index_ < scaled_.size())
        setPixmap(scaled_[index_]);
}

}  // namespace vellumark
