#pragma once
#include <QRect>
#include <QSize>
#include <QVector>

#include <optional>
#include <string>

// The main window's placement in the platform's record layout: the fields
// after the length field, in their record order. Positions are in screen
// pixels; the normal position is the outer frame when shown normal.
struct CWindowPlacement
{
    static constexpr int kFieldCount = 10;

    // Show states.
    static constexpr int kShowNormal = 1;
    static constexpr int kShowMinimized = 2;
    static constexpr int kShowMaximized = 3;
    // Placement flag: a minimised window goes back to maximised.
    static constexpr int kRestoreToMaximized = 2;

    int flags = 0;
    int showState = kShowNormal;
    int minX = -1;
    int minY = -1;
    int maxX = -1;
    int maxY = -1;
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool operator==(const CWindowPlacement& other) const;
};

// "%i:%i:%i:%i:%i:%i:%i:%i:%i:%i" with signed decimal numbers.
std::string FormatPlacement(const CWindowPlacement& placement);

// Reads the ten numbers as "%i" does: optional blanks and sign, then decimal,
// hexadecimal with 0x, or octal with a leading 0; the colons must follow the
// numbers directly; text after the tenth number is ignored. Nothing when a
// number is missing or does not fit in an int.
std::optional<CWindowPlacement> ParsePlacement(const std::string& text);

// The placement to apply at start from the stored one: show state 2 becomes
// 1, the stored position keeps the window's current size. Nothing when the
// resulting frame lies entirely outside every screen in `screens` (a monitor
// that is gone), so that the window stays where the system put it.
std::optional<CWindowPlacement> PlacementToRestore(const CWindowPlacement& stored,
                                                   const QSize& currentSize,
                                                   const QVector<QRect>& screens);

// The placement to store when the window closes: a minimised window is
// recorded as maximised when it would be restored to maximised, else normal.
CWindowPlacement PlacementToSave(CWindowPlacement current);
