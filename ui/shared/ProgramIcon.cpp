#include "ui/shared/ProgramIcon.h"

#include <QColor>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>

namespace {

// The drawing is laid out on a 128 by 128 grid, as in the SVG source.
constexpr qreal kGrid = 128.0;

struct CRoundedPart
{
    QRectF rect;
    qreal radius;
    QRgb fill;
    qreal outline; // pen width; 0 draws none
};

constexpr QRgb kOutline = 0xff0d1014;
constexpr QRgb kCable = 0xff2a2f36;
constexpr QRgb kBodyLight = 0xff4a5564;
constexpr QRgb kBodyDark = 0xff1c222b;
constexpr QRgb kGrilleLight = 0xff2b3340;
constexpr QRgb kGrilleDark = 0xff11151b;
constexpr QRgb kGrilleHole = 0xff8c97a6;
constexpr QRgb kLed = 0xffe8402f;

constexpr qreal kCableWidth = 3.5;
constexpr qreal kBodyOutline = 2.0;
constexpr qreal kPartOutline = 1.5;

const QRectF kBody(30, 8, 68, 104);
constexpr qreal kBodyRadius = 16;
const QRectF kGrille(40, 18, 48, 58);
constexpr qreal kGrilleRadius = 10;

const CRoundedPart kSmallParts[] = {
    {QRectF(24, 36, 8, 34), 3, 0xff1f6fd1, kPartOutline},  // push-to-talk bar
    {QRectF(62, 85, 24, 10), 4, 0xffc9d1db, kPartOutline}, // function key
};

// The grille's holes: four full rows and two holes in the middle below them.
constexpr qreal kHoleRadius = 2.6;
constexpr qreal kHoleFirstX = 50;
constexpr qreal kHoleFirstY = 28;
constexpr qreal kHolePitch = 10;
constexpr int kHoleRows = 4;
constexpr int kHoleColumns = 4;
constexpr qreal kLastRowY = 67;
constexpr qreal kLastRowX[] = {60, 70};

const QPointF kLedCentre(48, 90);
constexpr qreal kLedRadius = 5;

QPainterPath CablePath()
{
    // One loop of the coil below the body and the cable's loose end.
    QPainterPath path(QPointF(64, 112));
    path.cubicTo(54, 112, 54, 120, 64, 120);
    path.cubicTo(74, 120, 74, 112, 64, 112);
    path.moveTo(64, 120);
    path.cubicTo(54, 120, 54, 126, 62, 127);
    return path;
}

void DrawHoles(QPainter& painter)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgba(kGrilleHole));
    for (int row = 0; row < kHoleRows; ++row) {
        for (int column = 0; column < kHoleColumns; ++column) {
            painter.drawEllipse(
                QPointF(kHoleFirstX + column * kHolePitch, kHoleFirstY + row * kHolePitch),
                kHoleRadius, kHoleRadius);
        }
    }
    for (const qreal x : kLastRowX)
        painter.drawEllipse(QPointF(x, kLastRowY), kHoleRadius, kHoleRadius);
}

void DrawMicrophone(QPainter& painter)
{
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor::fromRgba(kCable), kCableWidth, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(CablePath());

    QLinearGradient body(kBody.topLeft(), kBody.bottomRight());
    body.setColorAt(0, QColor::fromRgba(kBodyLight));
    body.setColorAt(1, QColor::fromRgba(kBodyDark));
    painter.setPen(QPen(QColor::fromRgba(kOutline), kBodyOutline));
    painter.setBrush(body);
    painter.drawRoundedRect(kBody, kBodyRadius, kBodyRadius);

    for (const CRoundedPart& part : kSmallParts) {
        painter.setPen(QPen(QColor::fromRgba(kOutline), part.outline));
        painter.setBrush(QColor::fromRgba(part.fill));
        painter.drawRoundedRect(part.rect, part.radius, part.radius);
    }

    QLinearGradient grille(kGrille.topLeft(), kGrille.bottomLeft());
    grille.setColorAt(0, QColor::fromRgba(kGrilleLight));
    grille.setColorAt(1, QColor::fromRgba(kGrilleDark));
    painter.setPen(Qt::NoPen);
    painter.setBrush(grille);
    painter.drawRoundedRect(kGrille, kGrilleRadius, kGrilleRadius);
    DrawHoles(painter);

    painter.setPen(QPen(QColor::fromRgba(kOutline), kPartOutline));
    painter.setBrush(QColor::fromRgba(kLed));
    painter.drawEllipse(kLedCentre, kLedRadius, kLedRadius);
}

constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 128};

} // namespace

QPixmap ProgramIcon::Pixmap(int size, qreal devicePixelRatio)
{
    const int device = qRound(size * devicePixelRatio);
    QPixmap pixmap(device, device);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(device / kGrid, device / kGrid);
        DrawMicrophone(painter);
    }
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

QIcon ProgramIcon::Icon()
{
    QIcon icon;
    for (const int size : kIconSizes)
        icon.addPixmap(Pixmap(size));
    return icon;
}
