#include "job/SerialCounter.h"

#include "job/MicLabel.h"

#include <QDate>

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace {

constexpr std::size_t kWidestNumber = 9;

bool AllDigits(const std::string& text)
{
    return !text.empty() && std::all_of(
                                text.begin(), text.end(),
                                [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

std::string Padded(long value, std::size_t width)
{
    std::string digits = std::to_string(value);
    if (digits.size() < width)
        digits.insert(0, width - digits.size(), '0');
    return digits;
}

} // namespace

CSerialDate Today()
{
    const QDate today = QDate::currentDate();
    return {today.year(), today.month(), today.day()};
}

bool CSerialCounter::SetPattern(const std::string& pattern, SerialFault& fault)
{
    std::vector<CPart> parts;
    int numbers = 0;
    long first = 1;
    std::size_t width = 1;
    fault = SerialFault::kNone;
    for (std::size_t at = 0; at < pattern.size();) {
        const char c = pattern[at];
        if (c == '}') {
            fault = SerialFault::kUnclosed;
            return false;
        }
        if (c != '{') {
            if (parts.empty() || parts.back().kind != PartKind::kText)
                parts.push_back({PartKind::kText, {}});
            parts.back().text += c;
            ++at;
            continue;
        }
        const std::size_t end = pattern.find('}', at);
        const std::size_t nested = pattern.find('{', at + 1);
        if (end == std::string::npos || (nested != std::string::npos && nested < end)) {
            fault = SerialFault::kUnclosed;
            return false;
        }
        const std::string field = pattern.substr(at + 1, end - at - 1);
        at = end + 1;
        if (AllDigits(field) && field.size() <= kWidestNumber) {
            ++numbers;
            first = std::stol(field);
            width = field.size();
            parts.push_back({PartKind::kNumber, {}});
        } else if (field == "YYYY") {
            parts.push_back({PartKind::kYear, {}});
        } else if (field == "YY") {
            parts.push_back({PartKind::kShortYear, {}});
        } else if (field == "MM") {
            parts.push_back({PartKind::kMonth, {}});
        } else if (field == "DD") {
            parts.push_back({PartKind::kDay, {}});
        } else {
            fault = SerialFault::kUnknownField;
            return false;
        }
    }
    if (numbers != 1) {
        fault = numbers == 0 ? SerialFault::kNoNumber : SerialFault::kTwoNumbers;
        return false;
    }
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_parts = std::move(parts);
    m_first = first;
    m_width = width;
    m_next = first;
    // The widest number it may give has to make a label still.
    std::string widest;
    for (const CPart& part : m_parts)
        widest += part.kind == PartKind::kText     ? part.text
                  : part.kind == PartKind::kNumber ? std::string(kWidestNumber, '9')
                                                   : DatePart(part.kind);
    std::string checked = widest;
    if (CheckLabel(checked) != LabelFault::kNone || checked != widest) {
        fault = SerialFault::kNotALabel;
        return false;
    }
    return true;
}

void CSerialCounter::SetDate(const CSerialDate& date)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_date = date;
}

std::string CSerialCounter::DatePart(PartKind kind) const
{
    switch (kind) {
    case PartKind::kYear:
        return Padded(m_date.year, 4);
    case PartKind::kShortYear:
        return Padded(m_date.year % 100, 2);
    case PartKind::kMonth:
        return Padded(m_date.month, 2);
    case PartKind::kDay:
        return Padded(m_date.day, 2);
    case PartKind::kText:
    case PartKind::kNumber:
        break;
    }
    return {};
}

long CSerialCounter::NextNumber() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_next;
}

std::string CSerialCounter::Format(long number) const
{
    std::string label;
    for (const CPart& part : m_parts)
        label += part.kind == PartKind::kText     ? part.text
                 : part.kind == PartKind::kNumber ? Padded(number, m_width)
                                                  : DatePart(part.kind);
    return label;
}

bool CSerialCounter::NumberOf(const std::string& label, long& number) const
{
    // Everything but the number is fixed text today; the number is the
    // digits between, at least as many as the width.
    std::string before;
    std::string after;
    bool past = false;
    for (const CPart& part : m_parts) {
        const std::string text = part.kind == PartKind::kText ? part.text : DatePart(part.kind);
        if (part.kind == PartKind::kNumber)
            past = true;
        else
            (past ? after : before) += text;
    }
    if (label.size() < before.size() + after.size() + m_width ||
        label.compare(0, before.size(), before) != 0 ||
        label.compare(label.size() - after.size(), after.size(), after) != 0)
        return false;
    const std::string digits =
        label.substr(before.size(), label.size() - before.size() - after.size());
    if (!AllDigits(digits) || digits.size() > kWidestNumber ||
        (digits.size() > m_width && digits[0] == '0'))
        return false;
    number = std::stol(digits);
    return true;
}

void CSerialCounter::ContinueAfter(const std::vector<std::string>& labels)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    for (const std::string& label : labels) {
        long number = 0;
        if (NumberOf(label, number))
            m_next = std::max(m_next, number + 1);
    }
}

bool CSerialCounter::Next(std::string& label)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_next > kLargestNumber)
        return false;
    label = Format(m_next++);
    return true;
}
