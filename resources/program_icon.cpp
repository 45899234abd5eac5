#include "resources/program_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>

namespace vellumark {
namespace {

// One invoice on the sheet: a frame, lines of text and the red seal.
void DrawInvoice(QPainter& painter, const QRectF& box, qreal unit) {
    painter.setPen(QPen(QColor(150, 90, 60), qMax(1.0, unit * 0.6)));
    painter.setBrush(QColor(255, 252, 245));
    painter.drawRect(box);
    painter.setPen(QPen(QColor(120, 120, 120), qMax(1.0, unit * 0.8), Qt::SolidLine, Qt::FlatCap));
    const qreal left = box.left() + box.width() * 0.12;
    for (int line = 1; line <= 3; ++line) {
        const qreal y = box.top() + box.height() * (0.22 + 0.2 * line);
        const qreal right = box.right() - box.width() * (line == 2 ? 0.45 : 0.12);
        painter.drawLine(QPointF(left, y), QPointF(right, y));
    }
    const qreal seal = box.height() * 0.42;
    painter.setPen(QPen(QColor(210, 30, 30), qMax(1.0, unit * 0.9)));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QRectF(box.right() - box.width() * 0.12 - seal * 1.3,
                               box.top() + box.height() * 0.12, seal * 1.3, seal));
}

}  // namespace

QImage DrawProgramIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 32.0;
    // The sheet, upright like A4, with a soft edge below it.
    const QRectF sheet(size * 0.17, size * 0.04, size * 0.66, size * 0.92);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 50));
    painter.drawRoundedRect(sheet.translated(unit * 0.8, unit * 0.8), unit, unit);
    painter.setBrush(Qt::white);
    painter.setPen(QPen(QColor(90, 90, 90), qMax(1.0, unit * 0.5)));
    painter.drawRoundedRect(sheet, unit, unit);

    const qreal margin = sheet.width() * 0.08;
    const qreal half = sheet.height() / 2;
    DrawInvoice(painter,
                QRectF(sheet.left() + margin, sheet.top() + margin, sheet.width() - 2 * margin,
                       half - 1.5 * margin),
                unit);
    DrawInvoice(painter,
                QRectF(sheet.left() + margin, sheet.top() + half + margin / 2,
                       sheet.width() - 2 * margin, half - 1.5 * margin),
                unit);
    // The cut line between them, dashed as the cut marks are.
    QPen cut(QColor(40, 40, 40), qMax(1.0, unit * 0.7), Qt::DashLine);
    painter.setPen(cut);
    painter.drawLine(QPointF(sheet.left() - unit, sheet.top() + half),
                     QPointF(sheet.right() + unit, sheet.top() + half));
    return image;
}

}  // namespace vellumark
