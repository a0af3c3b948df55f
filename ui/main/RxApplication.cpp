#include "main/RxApplication.h"

#include "app/Messages.h"

#include <QMessageBox>
#include <exception>

namespace {
std::function<void(const QString &)> &reporter()
{
    static std::function<void(const QString &)> r;
    return r;
}
int g_escaped = 0;

void report(const QString &detail)
{
    ++g_escaped;
    const QString text = detail.isEmpty() ? Msg(308) : Msg(308) + QLatin1Char('\n') + detail;
    if (reporter())
        reporter()(text);
    else
        QMessageBox::critical(QApplication::activeWindow(), Msg(28), text);
}
} // namespace

RxApplication::RxApplication(int &argc, char **argv) : QApplication(argc, argv)
{
}

bool RxApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        report(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        report(QString());
    }
    return false;
}

void RxApplication::setReporter(std::function<void(const QString &)> r)
{
    reporter() = std::move(r);
}

int RxApplication::escapedExceptions()
{
    return g_escaped;
}
