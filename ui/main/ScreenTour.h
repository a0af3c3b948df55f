#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QDialog;
class QWidget;
class TMainFrm;

// Every screen of the program, one after another: each notebook page for each standard
// configuration of the catalogue (the configuration page also in Edit mode), then every
// dialog. The screenshot run pictures them and the caption test measures them, so a
// window added here is covered by both.
//
// A new window registers itself in its own source file (which the main window links):
//
//   namespace {
//   const bool registered = ScreenTour::addDialog(QStringLiteral("coin-programming"),
//       [](TMainFrm &main) -> QDialog * { return main.coinProgWindow(); });
//   }
//
// The factory returns the window filled as its opening fills it; the tour shows it without
// its own event loop and closes it afterwards. A window made only for the tour is created
// with the main window as parent and Qt::WA_DeleteOnClose, so closing it deletes it. One
// window in several states registers one name per state.
class ScreenTour
{
public:
    using DialogFactory = std::function<QDialog *(TMainFrm &)>;
    // Run after the picture, before the window is closed: a window whose closing would ask
    // questions puts its state back here.
    using Leave = std::function<void(TMainFrm &)>;
    // false (nothing registered) when the name is taken.
    static bool addDialog(const QString &name, DialogFactory make, Leave leave = {});
    static QStringList dialogNames();

    // name: what the screen shows, usable as a file name ("config-2-sorter-3-ways-page-1-
    // configuration-edit", "dialog-address"); shown: the window to look at.
    using Visit = std::function<void(const QString &name, QWidget *shown)>;

    explicit ScreenTour(TMainFrm &main) : m_main(main) {}
    // The standard configuration is chosen as a user chooses it; the first is chosen again
    // and Edit mode restored at the end.
    void pages(const Visit &visit);
    void dialogs(const Visit &visit);

    // "Sorter 3 ways" -> "sorter-3-ways".
    static QString slug(const QString &text);
    // Lays out and paints a shown window so that what is measured is what a user sees.
    static void settle(QWidget *w);

private:
    TMainFrm &m_main;
};
