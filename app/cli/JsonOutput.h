#pragma once
// The --json form of the tool's results: one document on stdout, made by
// Qt's JSON classes.
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>

#include <iosfwd>
#include <string>

// Writes `document` indented, with a final newline.
void PrintJson(std::ostream& out, const QJsonObject& document);

// A text of the tool (UTF-8) as a JSON string.
QJsonValue JsonText(const std::string& text);
// The same, with null for a value that is missing (empty).
QJsonValue JsonTextOrNull(const std::string& text);
// Writes `document` on one line: the form of JSON Lines, an object a line.
void PrintJsonLine(std::ostream& out, const QJsonObject& document);
