#include "app/cli/TransferJson.h"

#include "app/cli/ConsoleRecord.h"
#include "app/cli/JsonOutput.h"
#include "app/cli/TransferCommand.h"
#include "diag/PortTrouble.h"
#include "link/MicLink.h"
#include "words/RecordWords.h"

void AddOutcome(QJsonObject& json, const CTransferOutcome& outcome)
{
    // The command's own file and port stand; the record adds the rest, and a
    // run refused before any job gives each of its fields as null.
    const QJsonValue file = json["file"];
    const QJsonValue port = json["port"];
    QJsonObject record;
    AddRecordJson(record, outcome.record);
    for (auto it = record.begin(); it != record.end(); ++it)
        json.insert(it.key(), outcome.ran ? it.value() : QJsonValue());
    if (!file.isUndefined())
        json.insert("file", file);
    if (!port.isUndefined())
        json.insert("port", port);
    if (!outcome.fileSha256.empty())
        json.insert("sha256", JsonText(outcome.fileSha256));
    json.insert("ok", outcome.ok);
    json.insert("message", JsonTextOrNull(outcome.windowText));
    json.insert("outcome",
                outcome.ran ? JsonText(RecordSentence(outcome.record, false)) : QJsonValue());
    const CCause& cause = outcome.record.cause;
    json.insert("openFailure", outcome.ran && cause.kind == CauseKind::kPortDoesNotOpen
                                   ? JsonText(OpenFailureText(cause.openFailure, cause.device))
                                   : QJsonValue());
}

QJsonObject TransferJson(const CTransferCommand& command, const CMicLink& link)
{
    return QJsonObject{{"command", command.name},
                       {"file", JsonText(command.file)},
                       {"port", JsonTextOrNull(command.port)},
                       {"device", JsonTextOrNull(link.OpenName())}};
}
