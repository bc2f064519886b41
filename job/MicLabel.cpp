#include "job/MicLabel.h"

#include "core/FileIo.h"
#include "job/LogLayout.h"

#include <cstdio>

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

void CLabelBook::AddDone(const std::string& label, const CLabelUse& use)
{
    if (label.empty())
        return;
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_used.emplace(label, use);
}

bool CLabelBook::Take(const std::string& label, const std::string& port, const std::string& time,
                      CLabelUse& earlier)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    const auto used = m_used.find(label);
    if (used != m_used.end() && !m_allowDuplicates) {
        earlier = used->second;
        return false;
    }
    m_used[label] = {port, time, false, {}};
    return true;
}

void CLabelBook::GiveBack(const std::string& label)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    const auto used = m_used.find(label);
    if (used != m_used.end() && !used->second.inLog)
        m_used.erase(used);
}

std::vector<std::string> CLabelBook::Labels() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> labels;
    for (const auto& [label, use] : m_used)
        labels.push_back(label);
    return labels;
}

namespace {

// The records of the log at `path`, as far as it is a log.
std::vector<CMicRecord> LoggedRecords(const std::string& path)
{
    std::vector<CMicRecord> records;
    std::FILE* file = OpenRegularFile(path);
    if (!file)
        return records;
    std::string text;
    char buffer[1 << 16];
    for (std::size_t count = 0; (count = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        text.append(buffer, count);
    std::fclose(file);
    LogVersion version = kNewestLog;
    if (!ReadLogHeader(text.substr(0, text.find('\n')), version))
        return records;
    const std::vector<CCsvRecord> lines = ParseCsv(text);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        CLogEntry entry;
        CMicRecord record;
        if (ReadLogEntry(lines[i].fields, version, entry) && RecordOfEntry(entry, record))
            records.push_back(record);
    }
    return records;
}

} // namespace

void ReadDoneLabels(const std::string& path, CLabelBook& book)
{
    for (const CMicRecord& record : LoggedRecords(path)) {
        const bool programmed =
            record.operation == Operation::kWrite || record.operation == Operation::kVerify;
        if (programmed && IsSuccess(record.result))
            book.AddDone(record.label, {record.port, record.time, true, {}});
    }
}

std::vector<std::string> LoggedLabels(const std::string& path)
{
    std::vector<std::string> labels;
    for (const CMicRecord& record : LoggedRecords(path))
        if (!record.label.empty())
            labels.push_back(record.label);
    return labels;
}
