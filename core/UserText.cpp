#include "core/UserText.h"

#include <cctype>

namespace {

constexpr int kDecimalBase = 10;
constexpr int kHexBase = 16;
constexpr std::string_view kBlanks = " \t";

// The digit's worth in `base`, or -1.
int DigitValue(char c, int base)
{
    const unsigned char u = static_cast<unsigned char>(c);
    int digit = -1;
    if (std::isdigit(u))
        digit = u - '0';
    else if (std::isxdigit(u))
        digit = std::tolower(u) - 'a' + kDecimalBase;
    return digit < base ? digit : -1;
}

} // namespace

std::string_view TrimBlanks(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool ParseNumber(std::string_view text, long minimum, long maximum, long& value)
{
    std::string_view digits = TrimBlanks(text);
    int base = kDecimalBase;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = kHexBase;
        digits.remove_prefix(2);
    }
    if (digits.empty() || maximum < 0 || minimum > maximum)
        return false;
    // Stop as soon as the number passes the maximum, long before it could
    // overflow; leading zeros add nothing.
    long number = 0;
    for (const char c : digits) {
        const int digit = DigitValue(c, base);
        if (digit < 0 || digit > maximum || number > (maximum - digit) / base)
            return false;
        number = number * base + digit;
    }
    if (number < minimum)
        return false;
    value = number;
    return true;
}
