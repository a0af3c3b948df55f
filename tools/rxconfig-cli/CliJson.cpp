#include "CliJson.h"

#include "app/Messages.h"
#include "files/BlockValue.h"

#include <QJsonDocument>
#include <QTextStream>

namespace CliJson {

void write(QTextStream &stream, const QJsonObject &object)
{
    stream << QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) << '\n';
    stream.flush();
}

int messageNumber(const QString &text)
{
    int best = 0;
    qsizetype bestLength = 0;
    for (int n = 0; n <= TResourceLocalizer::MaxNumber; ++n) {
        QString message = Msg(n);
        // A message with placeholders matches up to its first one.
        const qsizetype placeholder = message.indexOf(QLatin1Char('%'));
        if (placeholder >= 0)
            message.truncate(placeholder);
        // One or two characters (":", "s") would match texts they are not the start of.
        if (message.trimmed().size() < 3 || message.size() <= bestLength || !text.startsWith(message))
            continue;
        best = n;
        bestLength = message.size();
    }
    return best;
}

QJsonObject message(const QString &text)
{
    return {{QStringLiteral("message"), messageNumber(text)}, {QStringLiteral("text"), text}};
}

void putAddress(QJsonObject &object, int address)
{
    object.insert(QStringLiteral("address"), address);
    object.insert(QStringLiteral("addressHex"), BlockValue::addressText(address));
}

} // namespace CliJson
