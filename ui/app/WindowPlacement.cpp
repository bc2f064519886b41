#include "ui/app/WindowPlacement.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr char kSeparator = ':';
constexpr int kDecimalOrPrefixed = 0; // strtol base: what "%i" accepts
constexpr int kMaxFieldChars = 12;    // "-2147483648" and its separator

int* FieldAt(CWindowPlacement& p, int index)
{
    int* const fields[CWindowPlacement::kFieldCount] = {&p.flags, &p.showState, &p.minX, &p.minY,
                                                        &p.maxX,  &p.maxY,      &p.left, &p.top,
                                                        &p.right, &p.bottom};
    return fields[index];
}

} // namespace

bool CWindowPlacement::operator==(const CWindowPlacement& other) const
{
    return flags == other.flags && showState == other.showState && minX == other.minX &&
           minY == other.minY && maxX == other.maxX && maxY == other.maxY && left == other.left &&
           top == other.top && right == other.right && bottom == other.bottom;
}

std::string FormatPlacement(const CWindowPlacement& p)
{
    char text[CWindowPlacement::kFieldCount * kMaxFieldChars + 1];
    std::snprintf(text, sizeof text, "%i:%i:%i:%i:%i:%i:%i:%i:%i:%i", p.flags, p.showState, p.minX,
                  p.minY, p.maxX, p.maxY, p.left, p.top, p.right, p.bottom);
    return text;
}

std::optional<CWindowPlacement> ParsePlacement(const std::string& text)
{
    CWindowPlacement placement;
    const char* cursor = text.c_str();
    for (int i = 0; i < CWindowPlacement::kFieldCount; ++i) {
        if (i > 0) {
            if (*cursor != kSeparator)
                return std::nullopt;
            ++cursor;
        }
        char* end = nullptr;
        errno = 0;
        const long value = std::strtol(cursor, &end, kDecimalOrPrefixed);
        if (end == cursor || errno == ERANGE || value < INT_MIN || value > INT_MAX)
            return std::nullopt;
        *FieldAt(placement, i) = static_cast<int>(value);
        cursor = end;
    }
    return placement;
}

std::optional<CWindowPlacement> PlacementToRestore(const CWindowPlacement& stored,
                                                   const QSize& currentSize,
                                                   const QVector<QRect>& screens)
{
    CWindowPlacement placement = stored;
    if (placement.showState == CWindowPlacement::kShowMinimized)
        placement.showState = CWindowPlacement::kShowNormal;
    // 64-bit sums: a stored edge near the int limits must not overflow.
    const long long right = static_cast<long long>(placement.left) + currentSize.width();
    const long long bottom = static_cast<long long>(placement.top) + currentSize.height();
    if (right > INT_MAX || bottom > INT_MAX)
        return std::nullopt;
    placement.right = static_cast<int>(right);
    placement.bottom = static_cast<int>(bottom);

    const QRect frame(QPoint(placement.left, placement.top), currentSize);
    for (const QRect& screen : screens)
        if (screen.intersects(frame))
            return placement;
    return std::nullopt;
}

CWindowPlacement PlacementToSave(CWindowPlacement current)
{
    if (current.showState == CWindowPlacement::kShowMinimized) {
        current.showState = current.flags == CWindowPlacement::kRestoreToMaximized
                                ? CWindowPlacement::kShowMaximized
                                : CWindowPlacement::kShowNormal;
    }
    return current;
}
