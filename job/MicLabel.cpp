#include "job/MicLabel.h"

namespace {
constexpr unsigned char kFirstPrintable = 0x20;
constexpr unsigned char kDelete = 0x7F;
} // namespace

LabelFault CheckLabel(std::string& label)
{
    if (!label.empty() && label.back() == '\r')
        label.pop_back();
    for (const char c : label)
        if (static_cast<unsigned char>(c) < kFirstPrintable ||
            static_cast<unsigned char>(c) == kDelete)
            return LabelFault::kControlCharacter;
    if (label.size() > kLongestLabel)
        return LabelFault::kTooLong;
    return LabelFault::kNone;
}
