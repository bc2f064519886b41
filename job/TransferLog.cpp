#include "job/TransferLog.h"

#include "core/FileIo.h"
#include "job/MicRecord.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDateTime>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace {

constexpr const char* kLineEnd = "\r\n";
constexpr int kSecondsPerMinute = 60;
constexpr int kMinutesPerHour = 60;
// A first line longer than the longest header is no header.
constexpr std::size_t kLongestHeader = 512;

} // namespace

LogFileState InspectLog(const std::string& path, LogVersion& version)
{
    version = kNewestLog;
    if (!FileExists(path)) {
        // A new log is made where its folder lets it be.
        const std::string folder =
            QFileInfo(QString::fromStdString(path)).absolutePath().toStdString();
        return IsWritableFolder(folder) ? LogFileState::kNew : LogFileState::kNotWritable;
    }
    std::error_code notRegular;
    if (!IsWritableFile(path, notRegular) || !std::ofstream(path, std::ios::binary | std::ios::app))
        return LogFileState::kNotWritable;
    // Opened as a regular file only: a FIFO there must not hold the run.
    std::FILE* log = OpenRegularFile(path);
    if (!log)
        return LogFileState::kNotWritable;
    char first[kLongestHeader + 2] = {};
    const bool read = std::fgets(first, sizeof first, log) != nullptr;
    std::fclose(log);
    if (!read)
        return LogFileState::kNew;
    return ReadLogHeader(first, version) ? LogFileState::kLog : LogFileState::kNotALog;
}

bool CTransferLog::Prepare(const CMicRecord& record, const std::string& message,
                           std::string& header, std::string& line) const
{
    LogVersion version = kNewestLog;
    const LogFileState state = InspectLog(m_path, version);
    if (state == LogFileState::kNotALog)
        return false;
    // AppendLockedLine writes the header only into an empty file.
    header = LogHeader(version) + kLineEnd;
    line = CsvLine(LogFields(record, message, version));
    return true;
}

bool CTransferLog::Append(const CMicRecord& record, const std::string& message, std::string& reason,
                          bool& notALog) const
{
    std::string header;
    std::string line;
    notALog = !Prepare(record, message, header, line);
    if (notALog)
        return false;
    return AppendLockedLine(m_path, header, line, reason);
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
