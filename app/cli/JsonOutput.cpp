#include "app/cli/JsonOutput.h"

#include <QJsonDocument>

#include <ostream>

void PrintJson(std::ostream& out, const QJsonObject& document)
{
    const QByteArray text = QJsonDocument(document).toJson(QJsonDocument::Indented);
    out.write(text.constData(), text.size());
    out.flush();
}

QJsonValue JsonText(const std::string& text)
{
    return QString::fromStdString(text);
}

QJsonValue JsonTextOrNull(const std::string& text)
{
    return text.empty() ? QJsonValue() : JsonText(text);
}

void PrintJsonLine(std::ostream& out, const QJsonObject& document)
{
    const QByteArray text = QJsonDocument(document).toJson(QJsonDocument::Compact);
    out.write(text.constData(), text.size());
    out << "\n" << std::flush;
}
