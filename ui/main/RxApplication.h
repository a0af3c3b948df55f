#pragma once

#include <QApplication>
#include <functional>

// The application object of the desktop program. An exception that escapes an event
// handler would end the program with the user's data in it; here it is reported and the
// event loop goes on.
class RxApplication : public QApplication
{
    Q_OBJECT
public:
    RxApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // Where escaped exceptions are reported (a message box by default).
    static void setReporter(std::function<void(const QString &)> reporter);
    static int escapedExceptions();
};
