#pragma once
#include "link/FleetRunner.h"

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

// The whole run in one sentence, in the command-line tool's words: "In all:
// 5 of 6 microphones written and verified. Unchanged (they held the
// configuration already): 1. Failed: COM4 microphone 2." `verify` says
// whether written means written and verified; a port that never opened is
// named too.
QString RunSummary(const std::vector<std::string>& ports, const std::vector<CPortTotals>& totals,
                   bool verify);

// The last `count` lines of the file at `path`, read from its end only
// (however long the file has grown); none when it cannot be read.
QStringList LastLines(const QString& path, int count);
