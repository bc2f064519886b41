#pragma once
// Serial numbers from a counter, as a label for each microphone: a pattern
// such as "SN-{0001}" (the digits in braces are the first number and the
// width) or "{YYYY}{MM}-{000}", whose date parts are today's.
#include <mutex>
#include <string>
#include <vector>

// What is wrong with a pattern.
enum class SerialFault
{
    kNone,
    kNoNumber,     // no {digits} field
    kTwoNumbers,   // more than one
    kUnknownField, // braces around something else than digits or YYYY, YY, MM, DD
    kUnclosed,     // a brace without its partner
    kNotALabel     // what it gives is no label (too long, a control character)
};

// A day, for the date parts.
struct CSerialDate
{
    int year = 1970;
    int month = 1;
    int day = 1;
};
// Today, by the system's local clock.
CSerialDate Today();

// Hands out the numbers of one pattern, each once: the first number, or the
// one after the highest number of the pattern's form (today's date parts)
// among the labels it was told of. Several ports' threads may draw from one
// counter.
class CSerialCounter
{
public:
    // Reads `pattern`; false with `fault` set when it is no pattern.
    bool SetPattern(const std::string& pattern, SerialFault& fault);
    // The day whose date parts the numbers take; today unless set.
    void SetDate(const CSerialDate& date);
    // Goes on after the highest number of this form in `labels`.
    void ContinueAfter(const std::vector<std::string>& labels);

    // The next label; each call gives another. False when the numbers are
    // used up (past 999999999).
    bool Next(std::string& label);
    // The number the next label would take.
    long NextNumber() const;
    // The label of `number`.
    std::string Format(long number) const;

    // The highest number a pattern gives.
    static constexpr long kLargestNumber = 999999999;
    // The number of `label` when it is of this form; false when not.
    bool NumberOf(const std::string& label, long& number) const;

private:
    enum class PartKind
    {
        kText,
        kNumber,
        kYear,      // four digits
        kShortYear, // two
        kMonth,
        kDay
    };
    struct CPart
    {
        PartKind kind;
        std::string text; // kText
    };
    std::string DatePart(PartKind kind) const;

    mutable std::mutex m_mutex;
    std::vector<CPart> m_parts;
    long m_first = 1;
    std::size_t m_width = 1;
    long m_next = 1;
    CSerialDate m_date = Today();
};
