#pragma once

#include <QString>

class SelectorSim;

// The text file in which rxsim keeps a selector between runs: identity, address, PIN,
// factory password and the non-volatile memory.
//
//   # comment
//   address=2
//   pin=00000000
//   factory-password=123456789ABC
//   manufacturer=Marvesti            (text fields as plain text)
//   type=RX30
//   product-code=... build-code=... revision=... base-year=2000
//   serial=1234567                   (decimal)
//   creation-date=2A6F               (four hex digits, high byte first)
//   modification-date=2C41
//   database-version=1               (decimal)
//   monitor-identity=<18 hex digits> (may be empty)
//   monitor-baud=9600
//   memory.0600=<32 hex digits>      (16 bytes per line, 0x0600 .. 0x0830)
//
// Unknown keys are an error, missing keys keep their current values.
class SimStateFile
{
public:
    // false with a reason when the file cannot be read or a line is malformed; the
    // selector is left untouched then.
    static bool load(const QString &path, SelectorSim &sim, QString *error = nullptr);
    // Written atomically, so a crash never leaves half a state behind; readable by its owner only.
    static bool save(const QString &path, const SelectorSim &sim, QString *error = nullptr);
};
