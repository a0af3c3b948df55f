#include "config/ChannelTable.h"

#include "app/Messages.h"

ChannelTable::ChannelTable()
    : m_ccLabels{QStringLiteral("EU"), QStringLiteral("TK"), QStringLiteral(".."), QStringLiteral("..")}
{
}

QStringList ChannelTable::cvfLabels()
{
    return {"001", "002", "2.5", "005", "010", "020", "025", "050",
            "100", "200", "250", "500", "1K0", "2K0", "5K0", "..."};
}

QStringList ChannelTable::mintLabels()
{
    return {"A", "B", "C", "."};
}

QStringList ChannelTable::directionLabels()
{
    return {"0", "1", "2", "3", "4", "5", "6", "7", "8"};
}

const ChannelRow &ChannelTable::row(int channel) const
{
    static const ChannelRow none;
    return validChannel(channel) ? m_rows[channel - 1] : none;
}

bool ChannelTable::isBlank(int channel) const
{
    const ChannelRow &r = row(channel);
    for (const QString &box : r.boxes)
        if (!box.isEmpty())
            return false;
    return r.value.isEmpty();
}

void ChannelTable::StringToChannel(int channel, const QByteArray &record)
{
    if (!validChannel(channel) || record.size() != RecordSize)
        return;
    ChannelRow &r = m_rows[channel - 1];
    auto b = [&](int i) { return int(quint8(record.at(i))); };
    for (int i = 0; i < 12; ++i)
        r.boxes[i] = QString::number(b(i));
    const int status = b(12);
    r.hiddenStatus = quint8(status & 0xF0);
    r.ccTalk = !(status & 0x08);
    r.selective = status & 0x04;
    r.enabled = !(status & 0x01);
    r.fake = status & 0x02;
    // 9..254 have no entry: no selection, written back as 255.
    r.direction = b(13) < directionLabels().size() ? b(13) : -1;
    r.cvf = b(14) & 0x0F;
    r.mint = (b(14) & 0x30) >> 4;
    r.cc = b(14) >> 6;
    r.value = QString::number(b(15));
}

static bool boxNumber(const QString &text, int *out)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    if (!ok || v < 0 || v > 255 || text.trimmed().startsWith(QLatin1Char('+')))
        return false;
    *out = v;
    return true;
}

QByteArray ChannelTable::ChannelToString(int channel, QString *error) const
{
    if (!validChannel(channel))
        return QByteArray();
    const ChannelRow &r = m_rows[channel - 1];
    QByteArray out;
    int v = 0;
    for (int i = 0; i < 12; ++i) {
        if (!boxNumber(r.boxes[i], &v)) {
            if (error)
                *error = QStringLiteral("'") + r.boxes[i] + QStringLiteral("'") + Msg(462);
            return QByteArray();
        }
        out.append(char(v));
    }
    int status = r.hiddenStatus;
    if (!r.ccTalk)
        status |= 0x08;
    if (r.selective)
        status |= 0x04;
    if (!r.enabled)
        status |= 0x01;
    if (r.fake)
        status |= 0x02;
    out.append(char(status));
    out.append(char(r.direction & 0xFF));
    out.append(char((r.cvf & 0x0F) | ((r.mint * 16) & 0x30) | ((r.cc * 64) & 0xC0)));
    if (!boxNumber(r.value, &v)) {
        if (error)
            *error = QStringLiteral("'") + r.value + QStringLiteral("'") + Msg(462);
        return QByteArray();
    }
    out.append(char(v));
    return out;
}

bool ChannelTable::acceptableBox(const QString &text)
{
    int v = 0;
    return text.trimmed().isEmpty() || boxNumber(text, &v);
}

bool ChannelTable::setBox(int channel, int box, const QString &text)
{
    if (!validChannel(channel) || box < 0 || box >= 12 || !acceptableBox(text))
        return false;
    m_rows[channel - 1].boxes[box] = text.trimmed();
    return true;
}

bool ChannelTable::setValue(int channel, const QString &text)
{
    if (!validChannel(channel) || !acceptableBox(text))
        return false;
    m_rows[channel - 1].value = text.trimmed();
    return true;
}

void ChannelTable::setCcTalk(int channel, bool checked)
{
    if (validChannel(channel))
        m_rows[channel - 1].ccTalk = checked;
}

void ChannelTable::setSelective(int channel, bool checked)
{
    if (validChannel(channel))
        m_rows[channel - 1].selective = checked;
}

void ChannelTable::setEnabled(int channel, bool checked)
{
    if (validChannel(channel))
        m_rows[channel - 1].enabled = checked;
}

void ChannelTable::setFake(int channel, bool checked)
{
    if (validChannel(channel))
        m_rows[channel - 1].fake = checked;
}

static int listIndex(int index, int count)
{
    return (index >= 0 && index < count) ? index : -1;
}

void ChannelTable::setDirection(int channel, int index)
{
    if (validChannel(channel))
        m_rows[channel - 1].direction = listIndex(index, 9);
}

void ChannelTable::setCvf(int channel, int index)
{
    if (validChannel(channel))
        m_rows[channel - 1].cvf = listIndex(index, 16);
}

void ChannelTable::setMint(int channel, int index)
{
    if (validChannel(channel))
        m_rows[channel - 1].mint = listIndex(index, 4);
}

void ChannelTable::setCc(int channel, int index)
{
    if (validChannel(channel))
        m_rows[channel - 1].cc = listIndex(index, 4);
}

void ChannelTable::setCountryCodes(const QString &codes)
{
    const QString c = codes.left(8).leftJustified(8, QLatin1Char('.'));
    m_ccLabels = {c.mid(0, 2), c.mid(2, 2), c.mid(4, 2), c.mid(6, 2)};
}
