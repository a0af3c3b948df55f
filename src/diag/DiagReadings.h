#pragma once

#include <QByteArray>
#include <QString>
#include <array>

class CcTalkLink;

// The selector's live readings as the test window and the monitor read them: one request
// each, decoded only when the reply holds every byte the decoding uses. A short or failed
// reply leaves the output untouched and returns false.
namespace DiagReadings {

// numerator / denominator rounded to the nearest integer, halves to the even neighbour.
int roundHalfEven(long long numerator, long long denominator);

struct Inputs
{
    quint8 sw1 = 0; // DIP bank 1 in bits 0-5, input line 1 in bit 7
    quint8 sw2 = 0; // DIP bank 2 in bits 0-5, input line 2 in bit 7
};

struct Analog
{
    std::array<int, 5> millivolts{}; // AM1, PH1, AM2, PH2, PI3
    int vcc = 0;                     // volts
    int reg1 = 0;                    // gauges, 0-100
    int reg2 = 0;
    QByteArray raw; // the eleven bytes as received
};

// The credit event buffer: counter and five (result A, result B) pairs, newest first.
struct CreditEvents
{
    quint8 counter = 0;
    std::array<quint8, 10> pairs{};
};

// Captions of the five analog values, in the order of Analog::millivolts.
extern const char *const AnalogNames[5];

Analog decodeAnalog(const QByteArray &data); // data holds at least 10 bytes

// The data of an acknowledged reply with at least `need` bytes, else false and `data` as it
// was; the link result goes to *result when given.
bool request(CcTalkLink &link, const QByteArray &command, int polls, int need, QByteArray &data,
             quint8 *result = nullptr);

bool readInputs(CcTalkLink &link, Inputs &out);
bool readDeviceType(CcTalkLink &link, QString &out);
bool readAnalog(CcTalkLink &link, Analog &out);
bool readOpto(CcTalkLink &link, quint8 &out);
bool readCreditEvents(CcTalkLink &link, CreditEvents &out);
// Commands whose answer nobody uses; the link result is returned for logging only.
quint8 send(CcTalkLink &link, const QByteArray &command, int polls);

// New events between two counter values, oldest first, as list lines ("Coin " + channel or
// "Rejected"). The counter skips 0 when it wraps (255 is followed by 1), so a wrap is not
// counted as an event; a counter back at 0 means the selector restarted: nothing new.
// More than five new events cannot be told apart and list nothing.
int newEventCount(quint8 last, quint8 now);
QStringList eventLines(const CreditEvents &events, int count);

} // namespace DiagReadings
