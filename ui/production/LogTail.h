#pragma once
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

// The last `count` lines of the file at `path`, read from its end only
// (however long the file has grown); none when it cannot be read.
QStringList LastLines(const QString& path, int count);
