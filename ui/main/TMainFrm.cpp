#include "main/TMainFrm.h"
#include "main/WindowPlacement.h"

#include "app/AutoPrompts.h"
#include "app/Messages.h"
#include "coinprog/CoinProgModel.h"
#include "config/ConfigPage.h"
#include "controls/PictureLabel.h"
#include "controls/ProductPictures.h"
#include "controls/ScrewPanel.h"
#include "device/AddressChange.h"
#include "device/CommLog.h"
#include "device/CommandTerminal.h"
#include "device/DeviceSession.h"
#include "device/PinChange.h"
#include "diag/TCheckFrm.h"
#include "diag/TFtFrm.h"
#include "station/TStationFrm.h"
#include "files/ConfigFiles.h"
#include "files/ConfigTransfer.h"
#include "files/DownloadCompare.h"
#include "files/SectionTree.h"
#include "link/CcTalkLink.h"
#include "main/ChannelPageView.h"
#include "main/ConfigBinder.h"
#include "main/ConfigPageView.h"
#include "main/DeviceDialogs.h"
#include "main/LogPage.h"
#include "main/QtPrompts.h"
#include "main/StatsPageView.h"
#include "main/TErFrm.h"
#include "main/TParsFrm.h"
#include "sim/SimPanel.h"
#include "stats/ErasingModel.h"
#include "stats/StatisticsPage.h"
#include "upgrade/TDwnlFrm.h"
#include "upgrade/UpgradeWindowModel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
const char *const kVersion = "1.203";
const char *const kModificationDate = "2009.10.22.";
} // namespace

TMainFrm::TMainFrm(const StartOptions &options, Prompts *prompts, QWidget *parent)
    : QMainWindow(parent), m_options(options)
{
    setObjectName(QStringLiteral("TMainFrm"));
    if (prompts) {
        m_prompts = prompts;
    } else if (options.interactive) {
        m_ownPrompts = std::make_unique<QtPrompts>(this);
        m_prompts = m_ownPrompts.get();
    } else {
        m_ownPrompts = std::make_unique<AutoPrompts>();
        m_prompts = m_ownPrompts.get();
    }
    ProductPictures::setDataDirectory(options.dataDir);

    m_link = std::make_unique<CcTalkLink>();
    m_log = std::make_unique<CommLog>(options.dataDir, m_prompts);
    m_session = std::make_unique<DeviceSession>(*m_link, *m_prompts, options.dataDir);
    m_model = std::make_unique<ConfigPage>(*m_prompts);
    m_tree = std::make_unique<SectionTree>();
    m_addressChange = std::make_unique<AddressChange>(*m_link, *m_prompts);
    m_pinChange = std::make_unique<PinChange>(*m_link, *m_prompts);
    m_terminal = std::make_unique<CommandTerminal>(*m_session);
    m_stats = std::make_unique<StatisticsPage>(m_model->imageForLoad(), *m_prompts, m_session.get());
    m_erasing = std::make_unique<ErasingModel>(*m_session, m_model->channelsForEdit(), *m_prompts);
    m_link->setBusyHooks(this);
    m_link->setLogSink(m_log.get());
    if (!options.extraPort.isEmpty())
        m_session->setExplicitPorts({options.extraPort});
    m_session->setNotebookHook([this](bool on) { m_notebook->setEnabled(on); });
    connect(m_session.get(), &DeviceSession::identityChanged, this, &TMainFrm::showIdentity);
    connect(m_session.get(), &DeviceSession::identified, this, &TMainFrm::showIdentity);

    buildToolbar();
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(2, 2, 2, 0);
    layout->setSpacing(2);
    m_notebook = new QTabWidget(central);
    m_notebook->setObjectName(QStringLiteral("notebook"));
    m_configView = new ConfigPageView(m_notebook);
    m_channelViews[0] = new ChannelPageView(1, m_notebook);
    m_channelViews[1] = new ChannelPageView(9, m_notebook);
    m_statsView = new StatsPageView(m_notebook);
    m_logPage = new LogPage(*m_log, m_notebook);
    m_notebook->addTab(m_configView, QString());
    m_notebook->addTab(m_channelViews[0], QString());
    m_notebook->addTab(m_channelViews[1], QString());
    m_notebook->addTab(m_statsView, QString());
    m_notebook->addTab(m_logPage, QString());
    m_notebook->addTab(buildAbout(), QString());
    layout->addWidget(m_notebook, 1);
    layout->addWidget(buildInfoPanel());
    setCentralWidget(central);

    m_statusText = new QLabel(this);
    m_progress = new QProgressBar(this);
    m_progress->setFixedWidth(220);
    m_progress->setTextVisible(true);
    m_progress->hide();
    statusBar()->addWidget(m_statusText, 1);
    statusBar()->addPermanentWidget(m_progress);
    statusBar()->setSizeGripEnabled(false);

    m_parsFrm = new TParsFrm(*m_tree, this);
    // Unattended runs keep the sections as they are ticked; people choose in the window.
    if (!prompts && options.interactive)
        m_tree->showHook = [this](SectionTree &) { return m_parsFrm->run(); };
    m_addrFrm = new TAddrFrm(*m_addressChange, this);
    m_pinFrm = new TPinFrm(*m_pinChange, this);
    m_erFrm = new TErFrm(*m_erasing, this);
    m_upgrade = std::make_unique<UpgradeWindowModel>(*m_session, *m_prompts, options.dataDir);
    m_dwnlFrm = new TDwnlFrm(*m_upgrade, this);
    m_session->setUpgradeHandler([this] { UpgradeClick(); });
    m_checkFrm = new TCheckFrm(*m_session, this);
    m_ftFrm = new TFtFrm(*m_session, m_session->programDir() + QStringLiteral("/Production.ini"), this);
    m_stationFrm = new TStationFrm(*m_prompts, options.dataDir, this);
    m_binder = std::make_unique<ConfigBinder>(*m_model, *m_configView, m_channelViews, *m_statsView, this);
    connect(m_configView->addressButton, &QPushButton::clicked, this, &TMainFrm::openAddress);
    connect(m_configView->pinButton, &QPushButton::clicked, this, &TMainFrm::openPin);
    connect(m_logPage, &LogPage::sendCommand, this, &TMainFrm::sendTerminalCommand);
    bindStatistics();

    // The demo's simulated selector gets its own window for the selector's side of the bench.
    if (options.demo)
        SimPanel::attach(*this);
    m_notebook->setCurrentIndex(AboutTab);
    init_language();
    // The client area is fixed: the pages are laid out for it.
    setFixedSize(ClientWidth, ClientHeight);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(WindowPlacement::topLeft(size(), screen->availableGeometry()));
}

TMainFrm::~TMainFrm()
{
    m_link->setBusyHooks(nullptr);
    m_link->setLogSink(nullptr);
    m_log->close();
}

void TMainFrm::buildToolbar()
{
    m_toolbar = addToolBar(QStringLiteral("tools"));
    m_toolbar->setObjectName(QStringLiteral("toolbar"));
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->setIconSize(QSize(28, 28));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    const QStyle::StandardPixmap icons[ToolCount] = {
        QStyle::SP_DialogOpenButton, QStyle::SP_DialogSaveButton,
        QStyle::SP_ArrowUp,          QStyle::SP_ArrowDown,
        QStyle::SP_TrashIcon,        QStyle::SP_DriveCDIcon,
        QStyle::SP_BrowserReload,    QStyle::SP_DialogApplyButton,
        QStyle::SP_ComputerIcon,     QStyle::SP_MediaSeekForward,
        QStyle::SP_FileDialogContentsView, QStyle::SP_DialogCloseButton};
    for (int t = 0; t < ToolCount; ++t) {
        auto *b = new QToolButton(m_toolbar);
        b->setIcon(style()->standardIcon(icons[t]));
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setAutoRaise(true);
        b->setMinimumWidth(64);
        b->setObjectName(QStringLiteral("tool%1").arg(t));
        m_tools[t] = b;
        QAction *a = m_toolbar->addWidget(b);
        // The factory test is a build-time switch, off in the shipped build.
        if (t == FactoryTest)
            a->setVisible(m_session->FactoryAccessEnabled);
    }
    bindTransfers();
    connect(m_tools[Erase], &QToolButton::clicked, this, &TMainFrm::EraseClick);
    connect(m_tools[Test], &QToolButton::clicked, this, &TMainFrm::TestClick);
    connect(m_tools[FactoryTest], &QToolButton::clicked, this, &TMainFrm::FactoryTestClick);
    connect(m_tools[Station], &QToolButton::clicked, this, &TMainFrm::StationClick);
    connect(m_tools[Search], &QToolButton::clicked, this, &TMainFrm::SearchClick);
    connect(m_tools[Exit], &QToolButton::clicked, this, &TMainFrm::ExitClick);
    connect(m_tools[CoinsProg], &QToolButton::clicked, this, &TMainFrm::CoinsProgClick);
    connect(m_tools[Upgrade], &QToolButton::clicked, this, &TMainFrm::UpgradeClick);
}

QWidget *TMainFrm::buildAbout()
{
    auto *page = new QWidget(m_notebook);
    auto *g = new QGridLayout(page);
    g->setContentsMargins(40, 30, 40, 30);
    auto *picture =
        new PictureLabel([](const QSize &s) { return ProductPictures::product(s); }, QSize(220, 280), page);
    picture->setFixedSize(220, 280);
    g->addWidget(picture, 0, 0, 5, 1, Qt::AlignTop);
    m_aboutTitle = new QLabel(page);
    QFont big = m_aboutTitle->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    m_aboutTitle->setFont(big);
    m_aboutTitle->setWordWrap(true);
    m_aboutRevision = new QLabel(page);
    m_aboutDate = new QLabel(page);
    m_aboutLines = new QLabel(page);
    m_aboutLines->setWordWrap(true);
    g->addWidget(m_aboutTitle, 0, 1);
    g->addWidget(m_aboutRevision, 1, 1);
    g->addWidget(m_aboutDate, 2, 1);
    g->addWidget(m_aboutLines, 3, 1);
    g->setRowStretch(4, 1);
    g->setColumnStretch(1, 1);
    g->setHorizontalSpacing(30);
    return page;
}

QWidget *TMainFrm::buildInfoPanel()
{
    m_info = new ScrewPanel(this);
    m_info->setObjectName(QStringLiteral("infoPanel"));
    auto *g = new QGridLayout(m_info);
    g->setHorizontalSpacing(10);
    g->setVerticalSpacing(1);
    auto *logo =
        new PictureLabel([](const QSize &s) { return ProductPictures::logo(s); }, QSize(72, 40), m_info);
    logo->setFixedSize(72, 40);
    g->addWidget(logo, 0, 0, 2, 1);
    for (int i = 0; i < 6; ++i) {
        m_infoCaption[i] = new QLabel(m_info);
        m_infoValue[i] = new QLabel(m_info);
        m_infoValue[i]->setMinimumWidth(110);
        m_infoValue[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        QFont bold = m_infoValue[i]->font();
        bold.setBold(true);
        m_infoValue[i]->setFont(bold);
        const int row = i % 2, col = 1 + (i / 2) * 2;
        g->addWidget(m_infoCaption[i], row, col);
        g->addWidget(m_infoValue[i], row, col + 1);
    }
    g->setColumnStretch(6, 1);
    return m_info;
}

QWidget *TMainFrm::infoPanel() const
{
    return m_info;
}

QString TMainFrm::infoValue(int row) const
{
    return row >= 0 && row < 6 ? m_infoValue[row]->text() : QString();
}

void TMainFrm::showIdentity()
{
    const DeviceIdentity &id = m_session->identity;
    const QString values[6] = {id.productCode,      id.serialNumber,   id.buildCode,
                               id.softwareRevision, id.productionDate, id.modificationDate};
    for (int i = 0; i < 6; ++i)
        m_infoValue[i]->setText(values[i]);
}

void TMainFrm::init_language()
{
    const QString version = QLatin1String(kVersion);
    setWindowTitle(Msg(28) + QStringLiteral(" ver ") + version);
    const int pages[6] = {79, 61, 62, 274, 76, 24};
    for (int i = 0; i < 6; ++i)
        m_notebook->setTabText(i, Msg(pages[i]));
    m_configView->init_language();
    for (ChannelPageView *v : m_channelViews)
        v->init_language();
    m_statsView->init_language();
    m_logPage->init_language();
    m_aboutTitle->setText(Msg(28));
    m_aboutRevision->setText(Msg(246) + QLatin1Char(' ') + version);
    m_aboutDate->setText(Msg(172) + QLatin1String(kModificationDate));
    m_aboutLines->setText(Msg(85) + QStringLiteral("\n\n") + Msg(162));
    const int info[6] = {215, 242, 48, 246, 216, 172};
    for (int i = 0; i < 6; ++i)
        m_infoCaption[i]->setText(Msg(info[i]));
    const int tools[ToolCount] = {145, 146, 311, 114, 119, 74, 309, 291, 10, 1232, 232, 138};
    for (int t = 0; t < ToolCount; ++t)
        m_tools[t]->setText(Msg(tools[t]));
    m_dwnlFrm->init_language();

    m_addrFrm->init_language();
    m_pinFrm->init_language();
    m_erFrm->init_language();
    m_checkFrm->init_language();
    m_ftFrm->init_language();
    m_stationFrm->init_language();
    if (m_statusText->text().isEmpty() || !m_started)
        m_statusText->setText(m_options.demo ? Msg(551) : QString());
}

void TMainFrm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_started)
        QTimer::singleShot(0, this, &TMainFrm::startUp);
}

void TMainFrm::startUp()
{
    if (m_started)
        return;
    m_started = true;
    m_busyDepth = 0;
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QSize s = screen->size();
        if (s.width() < 1024 || s.height() < 768)
            m_prompts->information(Msg(179));
    }
    m_link->LoggingEnabled = true;
    init_language();
    m_session->resetAccess();
    m_link->DeviceAddress = 2;
    m_model->loadCatalogues(m_options.dataDir);
    m_link->DeviceAddress = quint8(m_model->settingsAddress());
    m_link->MonitorAddress = m_link->DeviceAddress;
    m_link->setPortName(m_model->settingsPort());
    m_link->openPort(); // a failure shows on the first exchange, not here
    m_stats->loadCatalogue(m_model->rx30Path());
    refreshStatistics();
    m_binder->refreshAll();
    SearchClick();
    loadTemplate();
}

bool TMainFrm::loadTemplate()
{
    const QString path = QDir(m_options.dataDir).filePath(QStringLiteral("template.xml"));
    if (!m_tree->LoadFile(path)) {
        m_statusText->setText(Msg(552) + QDir::toNativeSeparators(path));
        return false;
    }
    return true;
}

void TMainFrm::setToolsEnabled(bool on)
{
    m_toolbar->setEnabled(on);
    m_notebook->setEnabled(on);
    m_info->setEnabled(on);
}

void TMainFrm::BeginBusy()
{
    if (m_busyDepth++ == 0) {
        setToolsEnabled(false);
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
}

void TMainFrm::EndBusy()
{
    if (m_busyDepth == 0)
        return;
    if (--m_busyDepth == 0) {
        setToolsEnabled(true);
        QApplication::restoreOverrideCursor();
    }
}

void TMainFrm::guarded(const std::function<void()> &operation, bool lock)
{
    const int depth = m_busyDepth;
    if (lock)
        BeginBusy();
    try {
        operation();
    } catch (const std::exception &e) {
        m_prompts->error(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        m_prompts->error(Msg(308));
    }
    // Whatever happened, the window takes input again.
    while (m_busyDepth > depth)
        EndBusy();
    showProgress(0, 0, QString());
}

void TMainFrm::showProgress(int done, int total, const QString &what)
{
    if (total <= 0) {
        m_progress->hide();
        return;
    }
    m_progress->setRange(0, total);
    m_progress->setValue(done);
    m_progress->setFormat(what + QLatin1Char(' ') + Msg(553) + QString::number(done) + Msg(554) +
                          QString::number(total));
    m_progress->show();
}

void TMainFrm::showActivity(const QString &what)
{
    m_progress->setRange(0, 0);
    m_progress->setFormat(what);
    m_progress->show();
}

void TMainFrm::SearchClick()
{
    guarded([this] {
        m_session->Search();
        showIdentity();
    });
}

void TMainFrm::ExitClick()
{
    if (m_prompts->confirm(Msg(67), Prompts::Buttons::YesNo) != Prompts::Answer::Yes)
        return;
    m_closing = true;
    close();
}

void TMainFrm::closeEvent(QCloseEvent *event)
{
    // The window's own close box asks the same question as "Exit".
    if (!m_closing && m_prompts->confirm(Msg(67), Prompts::Buttons::YesNo) != Prompts::Answer::Yes) {
        event->ignore();
        return;
    }
    m_closing = true;
    m_log->close();
    event->accept();
}

void TMainFrm::sendTerminalCommand(const QString &text)
{
    guarded([this, text] { m_terminal->SendCommand(text); });
}

void TMainFrm::openAddress()
{
    m_addrFrm->prepare();
    guarded([this] { m_addrFrm->exec(); });
}

void TMainFrm::openPin()
{
    m_pinFrm->prepare();
    guarded([this] { m_pinFrm->exec(); });
}
