#include "ui/shared/DialogUnits.h"

#include <QFontMetrics>

namespace {
constexpr int kUnitsPerBaseX = 4;
constexpr int kUnitsPerBaseY = 8;
// The average width is taken over the 52 letters, rounded.
constexpr const char* kSampleLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr int kSampleCount = 52;

// units * base / per, rounded to the nearest pixel as MulDiv rounds.
int Scale(int units, int base, int per)
{
    const long long product = static_cast<long long>(units) * base;
    const long long half = per / 2;
    return static_cast<int>(product >= 0 ? (product + half) / per : (product - half) / per);
}
} // namespace

CDialogUnits::CDialogUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int total = metrics.horizontalAdvance(QString::fromLatin1(kSampleLetters));
    m_baseWidth = (total / (kSampleCount / 2) + 1) / 2;
    m_baseHeight = metrics.height();
}

int CDialogUnits::ToPixelsX(int units) const
{
    return Scale(units, m_baseWidth, kUnitsPerBaseX);
}

int CDialogUnits::ToPixelsY(int units) const
{
    return Scale(units, m_baseHeight, kUnitsPerBaseY);
}

QRect CDialogUnits::ToPixels(int x, int y, int width, int height) const
{
    return QRect(ToPixelsX(x), ToPixelsY(y), ToPixelsX(width), ToPixelsY(height));
}
