#pragma once
// The JSON document of one read, write or verify on one port.
#include "app/cli/TransferSupport.h"

#include <QJsonObject>

class CMicLink;
struct CTransferCommand;

// Adds ok, message, outcome (the sentence that ends the run on stdout) and
// every field of the record to a JSON document (null for what is missing).
void AddOutcome(QJsonObject& json, const CTransferOutcome& outcome);
// The document's first fields: command, file, port, device.
QJsonObject TransferJson(const CTransferCommand& command, const CMicLink& link);
