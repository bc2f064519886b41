#include "app/cli/ConsoleRecord.h"

#include "app/cli/JsonOutput.h"
#include "words/RecordWords.h"

#include <QJsonArray>

namespace {

QJsonValue NumberOrNull(int value, int none = -1)
{
    return value == none ? QJsonValue() : QJsonValue(value);
}

} // namespace

std::vector<CConsoleLine> ConsoleLines(const CMicRecord& record)
{
    std::vector<CConsoleLine> lines;
    const bool ok = IsSuccess(record.result);
    lines.push_back({ok, RecordSentence(record, false)});
    const std::string cause = CauseText(record.cause);
    if (record.result == JobResult::kFailed && !cause.empty()) {
        lines.push_back({false, "Cause: " + cause + "."});
        if (CallsForDoctor(record.cause))
            lines.push_back({false, std::string("Try: ") + kToolName + " doctor --port " +
                                        ShellWord(record.port)});
    }
    if (!record.logged)
        lines.push_back({false, LogTroubleText(record)});
    return lines;
}

std::string JobEventText(const CJobEvent& event)
{
    switch (event.kind) {
    case CJobEvent::kConfirming:
        return "Reading again to confirm.";
    case CJobEvent::kThirdRead:
        return "The two reads differ; reading a third time.";
    case CJobEvent::kReadingBack:
        return "Reading the microphone back to verify.";
    case CJobEvent::kBackupSaved:
        return "The microphone's configuration was saved as " + event.path + ".";
    }
    return {};
}

std::string PutAsideLine(const CMicRecord& record)
{
    return "PUT ASIDE: " + record.port + " microphone " + std::to_string(record.microphone) +
           (record.label.empty() ? "" : " (" + record.label + ")") + ": " + RecordSentence(record);
}

void AddRecordJson(QJsonObject& json, const CMicRecord& record)
{
    const CCause& cause = record.cause;
    QJsonArray blocks;
    for (const int block : cause.blocks)
        blocks.append(block + 1);
    QJsonValue wayBack;
    if (!record.wayBack.Empty())
        wayBack = QJsonObject{{"file", JsonText(record.wayBack.file)},
                              {"port", JsonText(record.wayBack.port)},
                              {"backup", record.wayBack.backup},
                              {"command", JsonText(WayBackCommand(record.wayBack))}};
    json.insert("operation", OperationWord(record.operation));
    json.insert("port", JsonTextOrNull(record.port));
    json.insert("device", JsonTextOrNull(record.device));
    json.insert("microphone", record.microphone);
    json.insert("unit", JsonTextOrNull(record.unit));
    json.insert("label", JsonTextOrNull(record.label));
    json.insert("file", JsonTextOrNull(record.file));
    json.insert("model", JsonTextOrNull(record.model));
    json.insert("version", JsonTextOrNull(record.version));
    json.insert("sha256", JsonTextOrNull(record.sha256));
    json.insert("result", JobResultName(record.result));
    json.insert("stage", StageWord(record.stage));
    json.insert("cause", JsonTextOrNull(CauseWord(cause.kind)));
    json.insert("causeText", JsonTextOrNull(CauseText(cause)));
    json.insert("block", cause.block < 0 ? QJsonValue() : QJsonValue(cause.block + 1));
    json.insert("blocks", cause.blocks.empty() ? QJsonValue() : QJsonValue(blocks));
    json.insert("offset", NumberOrNull(cause.offset));
    json.insert("identifier", JsonTextOrNull(cause.identifier));
    json.insert("holds", HoldsWord(record.holds));
    json.insert("backup", JsonTextOrNull(record.backupFile));
    json.insert("wayBack", wayBack);
    json.insert("logged", record.logged);
}
