#pragma once

#include <QByteArray>

// The factory level's challenge-response: the selector sends 6 random bytes, the program
// answers with them scrambled against the 6-byte factory password.
class FactoryChallenge
{
public:
    // Empty when either input is not 6 bytes long.
    static QByteArray response(const QByteArray &challenge, const QByteArray &password);
};
