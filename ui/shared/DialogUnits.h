#pragma once
#include <QFont>
#include <QRect>

// Dialog units of a font, as dialog templates measure: a horizontal unit is
// a quarter of the font's average character width, a vertical unit an
// eighth of its character height.
class CDialogUnits
{
public:
    explicit CDialogUnits(const QFont& font);

    int ToPixelsX(int units) const;
    int ToPixelsY(int units) const;
    // A rectangle given as x, y, width, height in dialog units.
    QRect ToPixels(int x, int y, int width, int height) const;
    QRect ToPixels(const QRect& units) const
    {
        return ToPixels(units.x(), units.y(), units.width(), units.height());
    }

    int BaseWidth() const { return m_baseWidth; }
    int BaseHeight() const { return m_baseHeight; }

private:
    int m_baseWidth;
    int m_baseHeight;
};
