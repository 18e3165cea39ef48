#include "app/main_window.h"

#include "app/about_dialog.h"
#include "app/artwork.h"
#include "app/keys_dialog.h"
#include "app/rename_node_dialog.h"
#include "app/splash_screen.h"
#include "link/port_list.h"
#include "link/system_ports.h"
#include "pcap/capture_files.h"
#include "security/key_text.h"
#include "session/key_secrets.h"
#include "ui/capture_view.h"
#include "ui/control_bar.h"
#include "ui/node_list.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStatusBar>

#include <functional>

namespace qlm::app {
namespace {

const QString kFileFilter = QStringLiteral("Sniffer Files (*.qln);;All Files (*.*)");
const QString kPacketFileFilter =
    QStringLiteral("Packet Files (*.pcapng *.pcap);;All Files (*.*)");

QString latin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// A file that could not be imported or exported: its name and the system's text.
void warnAboutFile(QWidget* parent, const QString& path, const std::string& error) {
    QMessageBox::warning(parent, QStringLiteral("Quorlanmirex"),
                         QFileInfo(path).fileName() + QStringLiteral(": ") + latin1(error));
}

// The entry of the node table that knows these addresses (and perhaps learnt
// more since), -1 when none.
int32_t entryWithAddresses(const NodeTable& nodes, const NodeEntry& wanted) {
    const uint8_t known = wanted.flags & kAddressFlags;
    for (int32_t i = 0; i < nodes.count(); ++i) {
        const NodeEntry& entry = nodes.entry(i);
        if ((entry.flags & known) != known)
            continue;
        if ((known & kPanKnown) && entry.pan != wanted.pan)
            continue;
        if ((known & kShortKnown) && entry.shortAddress != wanted.shortAddress)
            continue;
        if ((known & kExtendedKnown) && entry.extended != wanted.extended)
            continue;
        return i;
    }
    return -1;
}

// An import that runs longer than half a second shows the share of the file
// read. The modal dialog's setValue lets the window paint meanwhile (what was
// read so far is shown first); every handler is held off while the window is busy.
class ImportProgress {
public:
    ImportProgress(QWidget* parent, QString name, std::function<void()> showRead)
        : parent_(parent), name_(std::move(name)), showRead_(std::move(showRead)) {
        clock_.start();
    }

    void show(double share) {
        if (!dialog_ && clock_.elapsed() < 500)
            return;
        if (!dialog_) {
            dialog_ = std::make_unique<QProgressDialog>(
                QStringLiteral("Importing ") + name_ + QStringLiteral("..."), QString(), 0, 1000,
                parent_);
            dialog_->setWindowTitle(QStringLiteral("Import"));
            dialog_->setWindowModality(Qt::WindowModal);
            dialog_->setMinimumDuration(0);
            dialog_->setCancelButton(nullptr);
            dialog_->setAutoClose(false);
        }
        showRead_();
        dialog_->setValue(static_cast<int>(share * 1000));
    }

private:
    QWidget* parent_;
    QString name_;
    std::function<void()> showRead_;
    QElapsedTimer clock_;
    std::unique_ptr<QProgressDialog> dialog_;
};

// The user's keys as the settings keep them, "HEX:LABEL" each.
std::vector<std::string> userKeyTexts(const KeyRing& ring) {
    std::vector<std::string> texts;
    for (int i = 0; i < ring.size(); ++i)
        if (ring.key(i).origin == "user")
            texts.push_back(keyHex(ring.key(i).key) + ":" + ring.key(i).label);
    return texts;
}

// The keys kept in the settings (one the settings garbled is left out) and those
// of the command line.
void addKeys(KeyRing& ring, const std::vector<std::string>& kept,
             const std::vector<RingKey>& commandLine) {
    for (const std::string& text : kept)
        if (const KeyText key = parseKeyText(text, "user"); key.key)
            ring.add(*key.key);
    for (const RingKey& key : commandLine)
        ring.add(key);
}

} // namespace

// Marks the window busy for one device dialogue or import: no other handler
// runs and the intake timer waits. A close asked for meanwhile happens after.
class CMainFrame::BusyScope {
public:
    explicit BusyScope(CMainFrame& window) : window_(window) {
        window_.busy_ = true;
        window_.intake_.stop();
    }
    ~BusyScope() {
        window_.busy_ = false;
        if (window_.closeRequested_)
            QTimer::singleShot(0, &window_, &QWidget::close);
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    CMainFrame& window_;
};

CMainFrame::CMainFrame(const WindowOptions& options, QWidget* parent)
    : QMainWindow(parent),
      settings_(AppSettings::read()),
      session_([this](std::string_view text) { showStatus(text); }),
      decoding_(session_.capture().frames) {
    setWindowTitle(QStringLiteral("Quorlanmirex"));
    setWindowIcon(programIcon());
    setAcceptDrops(true);
    if (options.simulatorRate > 0) {
        SimulatedDeviceOptions simulator;
        simulator.framesPerSecond = options.simulatorRate;
        session_.simulator().setOptions(simulator);
    }
    session_.conversation().setBrindle(settings_.brindle);
    decoding_.setMailBox(settings_.mailBox);
    decoding_.setZigbeePro(settings_.zigbeePro);
    session_.capture().learnsIeeeAddresses = settings_.zigbeePro;
    decoding_.useNodeTable(&session_.capture().nodes);
    addKeys(decoding_.keyRing(), settings_.keys, options.keys);

    view_ = new ui::CMyQuorlanmirexView(session_.capture(), decoding_, this);
    view_->setRightJustify(settings_.rightJustify);
    view_->setBrindle(settings_.brindle);
    setCentralWidget(view_);
    buildMenu();
    buildControlBar();
    statusBar()->showMessage(QString());
    resize(1100, 760);

    intake_.setInterval(1);
    intake_.setTimerType(Qt::PreciseTimer);
    connect(&intake_, &QTimer::timeout, this, &CMainFrame::intakeTick);
    refresh_.setInterval(40);
    connect(&refresh_, &QTimer::timeout, this, [this] {
        if (busy_)
            return;
        const CaptureChange change = session_.takeChanges();
        if (change.any())
            applyChanges(change);
        if (!intake_.isActive())
            refresh_.stop();
    });
    connect(view_, &ui::CMyQuorlanmirexView::explanation, this, [this](const QString& text) {
        if (!closing_)
            statusBar()->showMessage(text);
    });
    connect(view_, &ui::CMyQuorlanmirexView::channelClicked, this, [this](int channel) {
        if (busy_)
            return;
        {
            const BusyScope busy(*this);
            session_.clickChannel(channel);
        }
        afterWork();
    });

    ChannelScan& scan = session_.scan();
    scan.onChannelScanned([this](int) { view_->repaintStrip(); });
    // A full scan brings each channel into view before surveying it, and the
    // chosen one after the last: the calls count the channels done.
    scan.onBringIntoView([this](int channel) {
        view_->bringChannelIntoView(channel);
        if (scanProgress_ != nullptr)
            scanProgress_->setValue(std::min(channelsScanned_++, ChannelTable::kChannelCount));
    });

    session_.capture().statistics.reset();
    fillPortList(options.systemPorts ? *options.systemPorts : listSystemSerialPorts());
    bar_->showFrameClasses({true, true, true, true, true, true});
    selection_ = FieldSelection::startup();
    decoding_.setColumns(selection_.columns());
    showFieldSelection();
    bar_->nodes->rebuild(session_.capture().nodes);
    bar_->showRenameFor(session_.capture().nodes.selectedCount());
    session_.takeChanges();

    if (!options.port.empty()) {
        selectPortEntry(options.port);
        choosePortEntry(bar_->ports->currentIndex());
    }
}

void CMainFrame::showSplash() {
    show();
    CSplash splash(this);
    splash.exec();
}

CMainFrame::~CMainFrame() { shutDown(); }

void CMainFrame::buildMenu() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    brindleAction_ = file->addAction(QStringLiteral("&Detector is Brindle"));
    rightJustifyAction_ = file->addAction(QStringLiteral("&Right Justify Frames"));
    mailBoxAction_ = file->addAction(QStringLiteral("Parse &MailBox Frames"));
    zigbeeProAction_ = file->addAction(QStringLiteral("Decode ZigBee &PRO"));
    for (QAction* toggle : {brindleAction_, rightJustifyAction_, mailBoxAction_, zigbeeProAction_})
        toggle->setCheckable(true);
    brindleAction_->setChecked(settings_.brindle);
    rightJustifyAction_->setChecked(settings_.rightJustify);
    mailBoxAction_->setChecked(settings_.mailBox);
    zigbeeProAction_->setChecked(settings_.zigbeePro);
    QAction* keysAction = file->addAction(QStringLiteral("&Keys..."));
    file->addSeparator();
    QAction* importAction = file->addAction(QStringLiteral("&Import..."));
    importAction->setShortcut(QKeySequence::Open);
    QAction* exportAction = file->addAction(QStringLiteral("&Export..."));
    exportAction->setShortcut(QKeySequence::Save);
    QAction* importPacketsAction = file->addAction(QStringLiteral("Import pcap/pcapng..."));
    QAction* exportPacketsAction = file->addAction(QStringLiteral("Export pcapng..."));
    file->addSeparator();
    QAction* exitAction = file->addAction(QStringLiteral("E&xit"));
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    QAction* aboutAction = help->addAction(QStringLiteral("&About Quorlanmirex..."));

    connect(brindleAction_, &QAction::triggered, this, &CMainFrame::toggleBrindle);
    connect(rightJustifyAction_, &QAction::triggered, this, &CMainFrame::toggleRightJustify);
    connect(mailBoxAction_, &QAction::triggered, this, &CMainFrame::toggleMailBox);
    connect(zigbeeProAction_, &QAction::triggered, this, &CMainFrame::toggleZigbeePro);
    connect(keysAction, &QAction::triggered, this, &CMainFrame::openKeysDialog);
    connect(importAction, &QAction::triggered, this, [this] { importCommand(kFileFilter); });
    connect(exportAction, &QAction::triggered, this,
            [this] { exportCommand(kFileFilter, QStringLiteral("qln")); });
    connect(importPacketsAction, &QAction::triggered, this,
            [this] { importCommand(kPacketFileFilter); });
    connect(exportPacketsAction, &QAction::triggered, this, [this] {
        exportCommand(QStringLiteral("pcapng Files (*.pcapng);;pcap Files (*.pcap)"),
                      QStringLiteral("pcapng"));
    });
    connect(exitAction, &QAction::triggered, this, &QWidget::close);
    connect(aboutAction, &QAction::triggered, this, [this] {
        CAboutDlg about(this);
        about.exec();
    });
}

void CMainFrame::buildControlBar() {
    bar_ = new ui::ControlBar(this);
    auto* dock = new QDockWidget(this);
    dock->setObjectName(QStringLiteral("controlBar"));
    dock->setFeatures(QDockWidget::NoDockWidgetFeatures);
    dock->setTitleBarWidget(new QWidget(dock));
    dock->setWidget(bar_);
    addDockWidget(Qt::LeftDockWidgetArea, dock);
    connectControlBar();
}

void CMainFrame::connectControlBar() {
    connect(bar_->ports, &QComboBox::activated, this, &CMainFrame::choosePortEntry);
    connect(bar_->scan, &QPushButton::clicked, this, &CMainFrame::scanAll);
    connect(bar_->fieldGroups, &QComboBox::currentIndexChanged, this,
            &CMainFrame::showFieldGroup);
    connect(bar_->fields, &QListWidget::itemSelectionChanged, this,
            &CMainFrame::takeListSelections);
    connect(bar_->frameClasses, &QListWidget::itemSelectionChanged, this,
            &CMainFrame::takeListSelections);
    for (int p = 0; p < kPresetCount; ++p)
        connect(bar_->presets[static_cast<size_t>(p)], &QCheckBox::clicked, this,
                [this, p] { clickPreset(static_cast<Preset>(p)); });
    connect(bar_->nodes, &ui::NodeList::selectionEdited, this, &CMainFrame::nodeSelectionChanged);
    connect(bar_->nodes, &QAbstractItemView::doubleClicked, this, [this] {
        if (session_.capture().nodes.selectedCount() > 0)
            openRenameDialog();
    });
    connect(bar_->all, &QPushButton::clicked, this, &CMainFrame::selectAllNodes);
    connect(bar_->rename, &QPushButton::clicked, this, &CMainFrame::openRenameDialog);
    connect(bar_->clearPrevious, &QPushButton::clicked, this, &CMainFrame::clearPrevious);
}

void CMainFrame::fillPortList(const std::vector<std::string>& systemPorts) {
    std::vector<std::string> ports = systemPorts;
    ports.emplace_back(CaptureSession::kSimulatorEntry);
    const PortList list = makePortList(ports, settings_.port);
    const QSignalBlocker blocker(bar_->ports);
    bar_->ports->clear();
    for (const std::string& entry : list.entries)
        bar_->ports->addItem(QString::fromStdString(entry));
    bar_->ports->setCurrentIndex(list.selected);
    session_.setChosenPort(portOfEntry(list.entries[static_cast<size_t>(list.selected)]));
}

void CMainFrame::selectPortEntry(const std::string& entry) {
    const QString text = entry.empty() ? QString::fromLatin1(PortList::kImportEntry)
                                       : QString::fromStdString(entry);
    const QSignalBlocker blocker(bar_->ports);
    int index = bar_->ports->findText(text);
    if (index < 0) {
        bar_->ports->addItem(text);
        index = bar_->ports->count() - 1;
    }
    bar_->ports->setCurrentIndex(index);
}

void CMainFrame::showStatus(std::string_view text) {
    if (closing_)
        return;
    statusBar()->showMessage(latin1(text));
    statusBar()->repaint();
    if (scanProgress_ != nullptr)
        scanProgress_->setLabelText(
            latin1(text) +
            QStringLiteral("\nChannel %1 of %2")
                .arg(std::clamp(channelsScanned_, 1, ChannelTable::kChannelCount))
                .arg(ChannelTable::kChannelCount));
    if (view_ != nullptr)
        view_->forgetExplanation();
}

void CMainFrame::choosePortEntry(int index) {
    if (busy_ || index < 0)
        return;
    {
        const BusyScope busy(*this);
        session_.choosePort(portOfEntry(bar_->ports->itemText(index).toStdString()));
        settings_.port = session_.chosenPort();
    }
    afterWork();
}

void CMainFrame::prepareScanProgress(QProgressDialog& progress) {
    progress.setWindowTitle(QStringLiteral("Scan"));
    progress.setLabelText(QStringLiteral("Scanning..."));
    progress.setRange(0, ChannelTable::kChannelCount);
    progress.setMinimumDuration(0);
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    channelsScanned_ = 0;
    // The one place where input is taken during a dialogue: the progress
    // dialog's "Cancel", looked at before each channel.
    session_.scan().setCancelCheck([&progress] {
        QCoreApplication::processEvents();
        return progress.wasCanceled();
    });
    progress.show();
}

void CMainFrame::scanAll() {
    if (busy_)
        return;
    if (session_.chosenPort().empty()) {
        importCommand(kFileFilter);
        return;
    }
    ChannelScan::ScanAll result;
    {
        const BusyScope busy(*this);
        QProgressDialog progress(this);
        scanProgress_ = &progress;
        prepareScanProgress(progress);
        result = session_.scanAll();
        session_.scan().setCancelCheck(nullptr);
        scanProgress_ = nullptr;
    }
    if (result == ChannelScan::ScanAll::kImportInstead)
        importCommand(kFileFilter);
    afterWork();
}

void CMainFrame::intakeTick() {
    if (busy_)
        return;
    const Sniffing::Tick tick = session_.tick();
    if (tick == Sniffing::Tick::kNothing || session_.sniffing().sniffing())
        return;  // what was stored is shown by the next refresh
    intake_.stop();
    afterWork();
}

void CMainFrame::afterWork() {
    applyChanges(session_.takeChanges());
    if (session_.sniffing().sniffing()) {
        if (!intake_.isActive())
            intake_.start();
        if (!refresh_.isActive())
            refresh_.start();
    } else {
        intake_.stop();
        refresh_.stop();
    }
}

void CMainFrame::applyChanges(const CaptureChange& change) {
    decoding_.learnFromNewFrames();
    NodeTable& nodes = session_.capture().nodes;
    if (change.nodes.any() || bar_->nodes->rowCount() != nodes.count()) {
        bar_->nodes->apply(nodes, change.nodes);
        bar_->showRenameFor(nodes.selectedCount());
    }
    if (change.countersChanged)
        showStatistics();
    view_->captureChanged(change);
}

void CMainFrame::showStatistics() {
    const Statistics& statistics = session_.capture().statistics;
    bar_->packets->setText(latin1(statistics.packetsText()));
    bar_->errors->setText(latin1(statistics.errorsText()));
    if (statistics.packets() > 0)
        bar_->errorRate->setText(latin1(statistics.errorRateText()));
}

void CMainFrame::importCommand(const QString& filter) {
    if (busy_)
        return;
    {
        const BusyScope busy(*this);
        session_.prepareImport();
    }
    selectPortEntry({});
    afterWork();
    const QString path =
        QFileDialog::getOpenFileName(this, QStringLiteral("Import"), QString(), filter);
    if (path.isEmpty()) {
        selectPortEntry(session_.chosenPort());
        return;
    }
    importFile(path);
}

void CMainFrame::importFile(const QString& path) {
    if (busy_)
        return;
    FileResult result;
    std::vector<ZigbeeSecret> secrets;
    {
        const BusyScope busy(*this);
        ImportProgress progress(this, QFileInfo(path).fileName(),
                                [this] { applyChanges(session_.takeChanges()); });
        QApplication::setOverrideCursor(Qt::WaitCursor);
        result = session_.importLog(path.toStdString(),
                                    [&progress](double share) { progress.show(share); },
                                    &secrets);
        QApplication::restoreOverrideCursor();
        settings_.port = session_.chosenPort();
    }
    if (!secrets.empty()) {
        for (const RingKey& key : keysOf(secrets, QFileInfo(path).fileName().toStdString()))
            decoding_.keyRing().add(key);
        decoding_.keysChanged();
    }
    selectPortEntry(session_.chosenPort());
    afterWork();
    if (!result)
        warnAboutFile(this, path, result.error);
    else if (!result.warning.empty())
        showStatus(result.warning);
}

void CMainFrame::exportCommand(const QString& filter, const QString& suffix) {
    if (busy_)
        return;
    QFileDialog dialog(this, QStringLiteral("Export"), QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    exportFile(dialog.selectedFiles().front());
}

bool CMainFrame::exportFile(const QString& path) {
    const std::string file = path.toStdString();
    std::vector<ZigbeeSecret> secrets;
    if (captureFileKind(file) == CaptureFileKind::kPcapng && decoding_.zigbeePro())
        secrets = secretsOf(decoding_.keys(), decoding_.keysUsed());
    const FileResult result = session_.exportLog(file, secrets);
    applyChanges(session_.takeChanges());  // quotes in names became single quotes
    if (!result)
        warnAboutFile(this, path, result.error);
    return static_cast<bool>(result);
}

void CMainFrame::showFieldSelection() {
    bar_->showPresets(selection_);
    bar_->showFieldSelection(selection_);
    std::array<bool, 6> classes{};
    for (int c = 0; c < kFrameClassCount; ++c)
        classes[static_cast<size_t>(c)] = session_.capture().classFilter.isSelected(c + 1);
    bar_->showFrameClasses(classes);
}

void CMainFrame::clickPreset(Preset preset) {
    selection_.clickPreset(preset);
    decoding_.setColumns(selection_.columns());
    showFieldSelection();
    view_->update();
}

void CMainFrame::showFieldGroup(int group) {
    if (group < 0 || group >= kLayerCount)
        return;
    selection_.showGroup(static_cast<Layer>(group));
    showFieldSelection();
}

void CMainFrame::takeListSelections() {
    const std::vector<bool> fields = bar_->fieldListSelection();
    const auto columns = columnsOfLayer(selection_.shownGroup());
    for (size_t i = 0; i < fields.size() && i < columns.size(); ++i)
        selection_.setField(columns[i].column, fields[i]);
    selection_.markShownGroupEdited();
    bar_->showPresets(selection_);
    const std::array<bool, 6> classes = bar_->frameClassSelection();
    for (int c = 0; c < kFrameClassCount; ++c)
        session_.capture().classFilter.setSelected(c + 1, classes[static_cast<size_t>(c)]);
    decoding_.setColumns(selection_.columns());
    view_->update();
}

void CMainFrame::nodeSelectionChanged() {
    NodeTable& nodes = session_.capture().nodes;
    bar_->nodes->takeSelectionInto(nodes);
    bar_->showRenameFor(nodes.selectedCount());
    applyChanges(session_.takeChanges());
    view_->update();
}

void CMainFrame::selectAllNodes() {
    {
        const QSignalBlocker blocker(bar_->nodes);
        bar_->nodes->selectAll();
    }
    nodeSelectionChanged();
}

void CMainFrame::openRenameDialog() {
    NodeTable& nodes = session_.capture().nodes;
    const int32_t first = nodes.firstSelected();
    if (first < 0)
        return;
    const std::string& name = nodes.name(first);
    CRenameNode dialog(latin1(name), this);
    const NodeEntry wanted = nodes.entry(first);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The intake ran on while the dialog was open: the entry is looked up again.
    const int32_t index = entryWithAddresses(nodes, wanted);
    if (index >= 0) {
        nodes.rename(index, dialog.name().toLatin1().toStdString());
        applyChanges(session_.takeChanges());
    }
}

void CMainFrame::renameNode(const QString& name) {
    NodeTable& nodes = session_.capture().nodes;
    const int32_t first = nodes.firstSelected();
    if (first < 0)
        return;
    nodes.rename(first, name.toLatin1().toStdString());
    applyChanges(session_.takeChanges());
}

void CMainFrame::clearPrevious() {
    if (busy_)
        return;
    session_.clearPrevious(view_->currentFrame());
    applyChanges(session_.takeChanges());
}

void CMainFrame::toggleBrindle() {
    if (busy_)
        return;
    settings_.brindle = !settings_.brindle;
    brindleAction_->setChecked(settings_.brindle);
    {
        const BusyScope busy(*this);
        session_.chooseDeviceKind(settings_.brindle);
    }
    view_->setBrindle(settings_.brindle);
    afterWork();
}

void CMainFrame::toggleMailBox() {
    settings_.mailBox = !settings_.mailBox;
    mailBoxAction_->setChecked(settings_.mailBox);
    decoding_.setMailBox(settings_.mailBox);
    view_->update();
}

void CMainFrame::toggleZigbeePro() {
    settings_.zigbeePro = !settings_.zigbeePro;
    zigbeeProAction_->setChecked(settings_.zigbeePro);
    decoding_.setZigbeePro(settings_.zigbeePro);
    session_.capture().learnsIeeeAddresses = settings_.zigbeePro;  // for frames to come
    if (settings_.zigbeePro)
        decoding_.learnFromNewFrames();
    view_->update();
}

void CMainFrame::openKeysDialog() {
    KeysDialog dialog(decoding_.keyRing(), this);
    connect(&dialog, &KeysDialog::keysChanged, this, &CMainFrame::keysChanged);
    dialog.exec();
}

void CMainFrame::keysChanged() {
    settings_.keys = userKeyTexts(decoding_.keys());
    decoding_.keysChanged();
    view_->update();
}

void CMainFrame::toggleRightJustify() {
    settings_.rightJustify = !settings_.rightJustify;
    rightJustifyAction_->setChecked(settings_.rightJustify);
    view_->setRightJustify(settings_.rightJustify);
}

void CMainFrame::shutDown() {
    if (shutDown_)
        return;
    shutDown_ = true;
    closing_ = true;
    view_->setClosing();
    intake_.stop();
    refresh_.stop();
    session_.shutDown();
    settings_.write();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (busy_) {
        closeRequested_ = true;
        event->ignore();
        return;
    }
    shutDown();
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.front().isLocalFile())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    if (importDropped(event->mimeData()->urls()))
        event->acceptProposedAction();
}

bool CMainFrame::importDropped(const QList<QUrl>& urls) {
    if (urls.isEmpty() || !urls.front().isLocalFile() || busy_)
        return false;
    {
        const BusyScope busy(*this);
        session_.prepareImport();
    }
    importFile(urls.front().toLocalFile());
    return true;
}

} // namespace qlm::app
