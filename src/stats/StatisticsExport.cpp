#include "stats/StatisticsExport.h"

#include "app/Messages.h"
#include "app/Prompts.h"
#include "link/CcTalkLink.h"
#include "stats/StatisticsPage.h"
#include "stats/XLSfile.h"

#include <QDate>
#include <QFileInfo>
#include <QLocale>

namespace {

// The data bytes of a reply frame: after destination, length, source and header, before
// the checksum. Empty when the exchange failed.
QByteArray requestData(CcTalkLink &link, quint8 header)
{
    QByteArray reply;
    if (link.Transact(link.DeviceAddress, QByteArray(1, static_cast<char>(header)), 5, reply) !=
            CcTalkLink::Ok ||
        reply.size() < 5)
        return QByteArray();
    return reply.mid(4, reply.size() - 5);
}

} // namespace

QString StatisticsExport::xlsFileName(const QString &chosen)
{
    if (chosen.right(4).compare(QStringLiteral(".XLS"), Qt::CaseInsensitive) == 0)
        return chosen;
    return chosen + QStringLiteral(".xls");
}

QString StatisticsExport::requestProductCode(CcTalkLink &link)
{
    return QString::fromLatin1(requestData(link, 244));
}

QString StatisticsExport::requestSerialText(CcTalkLink &link)
{
    const QByteArray data = requestData(link, 242);
    if (data.size() < 3)
        return QString();
    const quint32 n = quint8(data[0]) + 256u * quint8(data[1]) + 65536u * quint8(data[2]);
    return n == 0xFFFFFF ? Msg(187) : QString::number(n);
}

void StatisticsExport::fill(TXLSfile &xls, const StatisticsPage &page, const QString &productCode,
                            const QString &serialText, const QString &dateText)
{
    const int count = StatisticsPage::SlotCount;
    xls.AddStrCell(1, 1, Msg(272));
    xls.AddStrCell(1, 2, Msg(242));
    xls.AddStrCell(2, 1, productCode);
    xls.AddStrCell(2, 2, serialText);
    xls.AddStrCell(2, 4, dateText);
    xls.AddStrCell(1, 4, Msg(94));
    xls.AddStrCell(1, 6, QStringLiteral("Stat. No"));
    for (int k = 1; k <= count; ++k)
        xls.AddStrCell(1, 7 + k, QStringLiteral("Stat. %1").arg(k));
    xls.AddStrCell(2, 6, Msg(271));
    for (int k = 1; k <= count; ++k)
        xls.AddStrCell(2, 7 + k, page.selectedName(k));
    xls.AddStrCell(3, 6, Msg(313));
    for (int k = 1; k <= count; ++k) {
        const quint32 v = page.value(k);
        if (v <= 0xFFFF)
            xls.AddWordCell(3, 7 + k, static_cast<quint16>(v));
        else
            xls.AddStrCell(3, 7 + k, QString::number(v));
    }
}

bool StatisticsExport::run(CcTalkLink &link, const StatisticsPage &page, Prompts &prompts,
                           const QString &fileName)
{
    QString chosen = fileName;
    if (chosen.isEmpty())
        chosen = prompts.saveFileName(Msg(139), QString(), QStringLiteral("XLS files (*.xls)"));
    if (chosen.isEmpty())
        return false;
    const QString target = xlsFileName(chosen);
    if (QFileInfo::exists(target) &&
        prompts.confirm(Msg(504).arg(target), Prompts::Buttons::YesNo) != Prompts::Answer::Yes)
        return false;

    const QString product = requestProductCode(link);
    const QString serial = requestSerialText(link);
    TXLSfile xls;
    xls.Clear();
    xls.FileName = target;
    fill(xls, page, product, serial, QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat));
    if (!xls.Write()) {
        prompts.error(xls.errorString());
        return false;
    }
    return true;
}
