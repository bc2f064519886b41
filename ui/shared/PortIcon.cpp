#include "ui/shared/PortIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {
constexpr int kSize = 16;
constexpr int kUpperPins = 5;
constexpr int kLowerPins = 4;
constexpr qreal kPinRadius = 0.9;
constexpr qreal kPinPitch = 2.4;
constexpr qreal kUpperPinY = 6.5;
constexpr qreal kLowerPinY = 9.5;
constexpr qreal kCentreX = kSize / 2.0;
// The shell: wider at the top than at the bottom.
constexpr qreal kShellTop = 3.5;
constexpr qreal kShellBottom = 12.5;
constexpr qreal kShellTopHalf = 7.0;
constexpr qreal kShellBottomHalf = 5.0;
constexpr qreal kShellPen = 1.2;
} // namespace

QIcon PortIcon(const QColor& colour)
{
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);

    QPainterPath shell;
    shell.moveTo(kCentreX - kShellTopHalf, kShellTop);
    shell.lineTo(kCentreX + kShellTopHalf, kShellTop);
    shell.lineTo(kCentreX + kShellBottomHalf, kShellBottom);
    shell.lineTo(kCentreX - kShellBottomHalf, kShellBottom);
    shell.closeSubpath();
    painter.setPen(QPen(colour, kShellPen));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(shell);

    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    const auto drawRow = [&painter](int count, qreal y) {
        const qreal first = kCentreX - (count - 1) * kPinPitch / 2.0;
        for (int i = 0; i < count; ++i)
            painter.drawEllipse(QPointF(first + i * kPinPitch, y), kPinRadius, kPinRadius);
    };
    drawRow(kUpperPins, kUpperPinY);
    drawRow(kLowerPins, kLowerPinY);
    painter.end();
    return QIcon(pixmap);
}
