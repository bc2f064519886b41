#include "link/TransferLog.h"

#include "core/FileIo.h"
#include "link/TickClock.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDateTime>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace {
constexpr const char* kLineEnd = "\r\n";
constexpr int kSecondsPerMinute = 60;
constexpr int kMinutesPerHour = 60;

bool NeedsQuotes(const std::string& field)
{
    return field.find_first_of(",\"\r\n") != std::string::npos;
}

std::string Duration(uint32_t ms)
{
    char text[32];
    std::snprintf(text, sizeof text, "%u.%03u", ms / kMsPerSecond, ms % kMsPerSecond);
    return text;
}
} // namespace

const char* const CTransferLog::kHeaderWithoutLabel =
    "time,port,device,model,version,operation,file,sha256,result,message,duration_s";
const char* const CTransferLog::kHeader =
    "time,port,device,model,version,operation,file,sha256,result,message,duration_s,label";

std::string CsvLine(const std::vector<std::string>& fields)
{
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += ',';
        const std::string& field = fields[i];
        if (!NeedsQuotes(field)) {
            line += field;
            continue;
        }
        line += '"';
        for (const char c : field) {
            if (c == '"')
                line += '"';
            line += c;
        }
        line += '"';
    }
    return line + kLineEnd;
}

std::string FormatLogLine(const CLogRecord& record, bool withLabel)
{
    std::vector<std::string> fields = {record.time,
                                       record.port,
                                       record.device,
                                       record.model,
                                       record.version,
                                       record.operation,
                                       record.file,
                                       record.sha256,
                                       record.result,
                                       record.message,
                                       Duration(record.durationMs)};
    if (withLabel)
        fields.push_back(record.label);
    return CsvLine(fields);
}

bool LogHasLabelColumn(const std::string& path)
{
    // Opened as a regular file only: a FIFO there must not hold the run.
    std::FILE* log = OpenRegularFile(path);
    if (!log)
        return true;
    char first[256] = {};
    const bool read = std::fgets(first, sizeof first, log) != nullptr;
    std::fclose(log);
    std::string header = read ? first : "";
    while (!header.empty() && (header.back() == '\n' || header.back() == '\r'))
        header.pop_back();
    return header != CTransferLog::kHeaderWithoutLabel;
}

bool CTransferLog::Append(const CLogRecord& record, std::string& error) const
{
    return AppendLockedLine(m_path, std::string(kHeader) + kLineEnd,
                            FormatLogLine(record, LogHasLabelColumn(m_path)), error);
}

std::string IsoLocalTimeNow()
{
    const QDateTime now = QDateTime::currentDateTime();
    const int offset = now.offsetFromUtc() / kSecondsPerMinute;
    const int magnitude = std::abs(offset);
    char zone[16];
    std::snprintf(zone, sizeof zone, "%c%02d:%02d", offset < 0 ? '-' : '+',
                  magnitude / kMinutesPerHour, magnitude % kMinutesPerHour);
    return now.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toStdString() + zone;
}

std::string FileTimeStampNow()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")).toStdString();
}

std::string Sha256Hex(const uint8_t* bytes, std::size_t count)
{
    const QByteArray data(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(count));
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex().toStdString();
}

bool CanAppendLog(const std::string& path, std::string& error)
{
    std::error_code notRegular;
    if (path.empty() || ((!FileExists(path) || IsWritableFile(path, notRegular)) &&
                         std::ofstream(path, std::ios::binary | std::ios::app)))
        return true;
    error = "cannot write the log " + path;
    return false;
}
