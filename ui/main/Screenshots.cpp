#include "main/TMainFrm.h"

#include "config/ConfigPage.h"
#include "controls/CaptionFit.h"
#include "device/DeviceSession.h"
#include "main/ScreenTour.h"

#include <QDir>
#include <QTabWidget>

QStringList TMainFrm::saveScreenshots(const QString &dir, const QString &prefix, QStringList *cutCaptions)
{
    QStringList written;
    if (!QDir().mkpath(dir))
        return written;
    const QDir out(dir);
    const auto picture = [&](const QString &name, QWidget *shown) {
        const QString path = out.filePath(prefix + name + QStringLiteral(".png"));
        if (shown->grab().save(path, "PNG"))
            written << path;
        if (cutCaptions)
            for (const CaptionFit::Problem &p : CaptionFit::check(shown))
                *cutCaptions << prefix + name + QStringLiteral(": ") + p.toString();
    };
    ScreenTour tour(*this);
    tour.pages(picture);
    tour.dialogs(picture);

    // With a selector attached, its configuration as the pages show it after "Upload".
    if (!m_session->identity.productCode.isEmpty()) {
        const int current = m_notebook->currentIndex();
        UploadClick();
        for (int page : {ConfigurationTab, Channels1Tab, StatisticsTab}) {
            m_notebook->setCurrentIndex(page);
            ScreenTour::settle(this);
            static const char *names[] = {"configuration", "channels-1-8", "channels-9-16", "statistics"};
            picture(QStringLiteral("uploaded-page-%1-%2").arg(page + 1).arg(QLatin1String(names[page])),
                    this);
        }
        m_notebook->setCurrentIndex(current);
    }
    return written;
}
