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
