// A picture box that plays a looping sequence of frames while visible.
#pragma once

#include <QImage>
#include <QLabel>
#include <QList>
#include <QTimer>

namespace vellumark {

class FramePlayer : public QLabel {
public:
    // Frames are scaled to the box's size; each stays `frameMs` on screen.
    FramePlayer(QWidget* parent, const QList<QImage>& frames, int frameMs);

    int FrameIndex() const { return index_; }
    bool Playing() const { return timer_.isActive(); }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowFrame(int index);

    QList<QImage> frames_;
    QList<QPixmap> scaled_;
    QTimer timer_;
    int index_ = 0;
};

}  // namespace vellumark
