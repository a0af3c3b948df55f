#pragma once

#include "link/LinkHooks.h"

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>

class AddressChange;
class ChannelPageView;
class CommLog;
class CommandTerminal;
class CompareView;
class DownloadCompare;
class ConfigBinder;
class ConfigFiles;
class ConfigTransfer;
class ConfigPage;
class ConfigPageView;
class CcTalkLink;
class CoinProgModel;
class TCprgFrm;
class DeviceSession;
class ErasingModel;
class StatisticsPage;
class TErFrm;
class TDwnlFrm;
class UpgradeWindowModel;
class LogPage;
class PinChange;
class Prompts;
class QLabel;
class QProgressBar;
class QTabWidget;
class QToolBar;
class QToolButton;
class ScrewPanel;
class SectionTree;
class StatsPageView;
class TAddrFrm;
class TCheckFrm;
class TFtFrm;
class TStationFrm;
class TParsFrm;
class TPinFrm;
class QtPrompts;

// How the program was started (command line).
struct StartOptions
{
    QString dataDir;         // resolved program directory
    bool demo = false;       // the simulated selector is attached as a port
    bool interactive = true; // false: questions are answered automatically
    QString extraPort;       // a port to search besides the machine's
};

// The main window: toolbar, the six notebook pages, the device information panel. It
// owns the link, the device session and the configuration model, binds the pages to them
// and forwards every click; the rules are theirs.
class TMainFrm : public QMainWindow, public BusyHooks
{
    Q_OBJECT
public:
    static constexpr int ClientWidth = 938;
    static constexpr int ClientHeight = 674;
    enum Tool {
        FileOpen,
        FileSave,
        Upload,
        Download,
        Erase,
        CoinsProg,
        Upgrade,
        Test,
        FactoryTest,
        Station,
        Search,
        Exit,
        ToolCount
    };
    enum Page { ConfigurationTab, Channels1Tab, Channels9Tab, StatisticsTab, CommLogTab, AboutTab };

    // prompts: nullptr for the Qt dialogs; tests and unattended runs pass their own.
    TMainFrm(const StartOptions &options, Prompts *prompts = nullptr, QWidget *parent = nullptr);
    ~TMainFrm() override;

    // The start-up sequence; runs once, when the window is first shown.
    void startUp();
    bool startedUp() const { return m_started; }
    void init_language();

    void BeginBusy() override;
    void EndBusy() override;
    bool busy() const { return m_busyDepth > 0; }

    // Toolbar operations, as the buttons start them.
    void FileOpenClick();
    void FileSaveClick();
    void UploadClick();
    void DownloadClick();
    void EraseClick();
    void TestClick();
    void FactoryTestClick();
    void StationClick();
    void SearchClick();
    void UpgradeClick();
    void ExitClick();
    void CoinsProgClick();
    // The coin programming window, made on first use.
    TCprgFrm *cprgFrm();

    // Renders every page for every standard configuration and every dialog into dir as PNG
    // files named prefix + what they show; returns the files written. Cut captions found on
    // the way are added to cutCaptions.
    QStringList saveScreenshots(const QString &dir, const QString &prefix = QString(),
                                QStringList *cutCaptions = nullptr);

    // Parts the tests and the screenshot run look at.
    QToolButton *toolButton(Tool t) const { return m_tools[t]; }
    QTabWidget *notebook() const { return m_notebook; }
    ConfigPageView *configView() const { return m_configView; }
    ChannelPageView *channelView(int i) const { return m_channelViews[i]; }
    StatsPageView *statsView() const { return m_statsView; }
    LogPage *logPage() const { return m_logPage; }
    QWidget *infoPanel() const;
    QString infoValue(int row) const;
    Prompts &prompts() const { return *m_prompts; }
    CcTalkLink &link() const { return *m_link; }
    DeviceSession &session() const { return *m_session; }
    ConfigPage &model() const { return *m_model; }
    CommLog &commLog() const { return *m_log; }
    SectionTree &sectionTree() const { return *m_tree; }
    QString programDir() const { return m_options.dataDir; }
    QLabel *statusText() const { return m_statusText; }
    QProgressBar *progressBar() const { return m_progress; }
    TParsFrm *parsFrm() const { return m_parsFrm; }
    CompareView *compareView() const { return m_compareView; }
    TAddrFrm *addrFrm() const { return m_addrFrm; }
    TPinFrm *pinFrm() const { return m_pinFrm; }
    TErFrm *erFrm() const { return m_erFrm; }
    TDwnlFrm *dwnlFrm() const { return m_dwnlFrm; }
    TStationFrm *stationFrm() const { return m_stationFrm; }
    TCheckFrm *checkFrm() const { return m_checkFrm; }
    StatisticsPage &statistics() const { return *m_stats; }
    QDialog *erasingWindow() const;

    // Block progress of a transfer, in the status bar; total 0 ends it.
    void showProgress(int done, int total, const QString &what);
    // A transfer whose blocks are not counted: a moving bar with its caption.
    void showActivity(const QString &what);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildToolbar();
    QWidget *buildAbout();
    QWidget *buildInfoPanel();
    void showIdentity();
    void bindStatistics();
    void bindTransfers();
    void afterDataChange();
    void refreshStatistics();
    void StatReadClick();
    void StatWriteClick();
    void ExportClick();
    void setToolsEnabled(bool on);
    void sendTerminalCommand(const QString &text);
    void openAddress();
    void openPin();
    bool loadTemplate();
    // Runs an operation with the hourglass and the window locked; always unlocks.
    void guarded(const std::function<void()> &operation, bool lock = false);

    StartOptions m_options;
    std::unique_ptr<Prompts> m_ownPrompts;
    Prompts *m_prompts = nullptr;
    std::unique_ptr<CcTalkLink> m_link;
    std::unique_ptr<CommLog> m_log;
    std::unique_ptr<DeviceSession> m_session;
    std::unique_ptr<ConfigPage> m_model;
    std::unique_ptr<SectionTree> m_tree;
    std::unique_ptr<AddressChange> m_addressChange;
    std::unique_ptr<PinChange> m_pinChange;
    std::unique_ptr<CommandTerminal> m_terminal;
    std::unique_ptr<ConfigBinder> m_binder;
    std::unique_ptr<StatisticsPage> m_stats;
    std::unique_ptr<ErasingModel> m_erasing;
    std::unique_ptr<ConfigFiles> m_files;
    std::unique_ptr<ConfigTransfer> m_transfer;
    std::unique_ptr<CoinProgModel> m_coinProg;
    TCprgFrm *m_cprgFrm = nullptr;
    std::unique_ptr<DownloadCompare> m_downloadCompare;
    CompareView *m_compareView = nullptr;

    QToolBar *m_toolbar = nullptr;
    std::array<QToolButton *, ToolCount> m_tools{};
    QTabWidget *m_notebook = nullptr;
    ConfigPageView *m_configView = nullptr;
    std::array<ChannelPageView *, 2> m_channelViews{};
    StatsPageView *m_statsView = nullptr;
    LogPage *m_logPage = nullptr;
    ScrewPanel *m_info = nullptr;
    std::array<QLabel *, 6> m_infoCaption{};
    std::array<QLabel *, 6> m_infoValue{};
    QLabel *m_aboutTitle = nullptr;
    QLabel *m_aboutRevision = nullptr;
    QLabel *m_aboutDate = nullptr;
    QLabel *m_aboutLines = nullptr;
    QLabel *m_statusText = nullptr;
    QProgressBar *m_progress = nullptr;
    TParsFrm *m_parsFrm = nullptr;
    TAddrFrm *m_addrFrm = nullptr;
    TPinFrm *m_pinFrm = nullptr;
    TErFrm *m_erFrm = nullptr;
    std::unique_ptr<UpgradeWindowModel> m_upgrade;
    TDwnlFrm *m_dwnlFrm = nullptr;
    TCheckFrm *m_checkFrm = nullptr;
    TFtFrm *m_ftFrm = nullptr;
    TStationFrm *m_stationFrm = nullptr;

    int m_busyDepth = 0;
    bool m_started = false;
    bool m_closing = false;
};
