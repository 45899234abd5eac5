#include "resources/busy_spinner.h"

#include <QPainter>
#include <QPen>

namespace vellumark {
namespace {

QImage SpinnerFrame(int step) {
    QImage image(kSpinnerSize, kSpinnerSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(kSpinnerSize / 2.0, kSpinnerSize / 2.0);
    for (int spoke = 0; spoke < kSpinnerFrameCount; ++spoke) {
        // The leading spoke is solid; the ones behind it fade out, so the
        // ring seems to turn clockwise as the step advances.
        const int behind = (step - spoke + kSpinnerFrameCount) % kSpinnerFrameCount;
        QColor green(0, 170, 60);
        green.setAlphaF(1.0 - 0.075 * behind);
        QPen pen(green, 4.5, Qt::SolidLine, Qt::RoundCap);
        painter.setPen(pen);
        painter.save();
        painter.rotate(spoke * 360.0 / kSpinnerFrameCount);
        painter.drawLine(QPointF(0, -11), QPointF(0, -20));
        painter.restore();
    }
    return image;
}

}  // namespace

QList<QImage> SpinnerFrames() {
    QList<QImage> frames;
    for (int step = 0; step < kSpinnerFrameCount; ++step)
        frames.append(SpinnerFrame(step));
    return frames;
}

}  // namespace vellumark
