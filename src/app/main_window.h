#pragma once

#include "app/app_settings.h"
#include "dissect/field_selection.h"
#include "layout/grid_decoding.h"
#include "security/ring_key.h"
#include "session/capture_session.h"

#include <QMainWindow>
#include <QTimer>
#include <QUrl>

#include <optional>
#include <string>
#include <vector>

class QAction;
class QProgressDialog;

namespace qlm::ui {
class CMyQuorlanmirexView;
class ControlBar;
} // namespace qlm::ui

namespace qlm::app {

// How the window starts.
struct WindowOptions {
    bool splash = true;  // the program shows the splash screen after the window
    // The system's serial ports; read from the system when not given.
    std::optional<std::vector<std::string>> systemPorts;
    std::string port;          // --port: chosen at start, as if by the user
    double simulatorRate = 0;  // frames per second of the built-in simulator, 0 for its default
    std::vector<RingKey> keys;  // --key and --keys: for this run, not kept in the settings
};

// The main window: the control bar on the left, the view with its three bands,
// the status bar and the menu. It owns the capture session and handles every
// control, menu command and the intake timer; the view only draws and reports
// clicks.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(const WindowOptions& options = {}, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Everything the window shows, for tests and the command line.
    CaptureSession& session() { return session_; }
    ui::CMyQuorlanmirexView* view() const { return view_; }
    ui::ControlBar* controlBar() const { return bar_; }
    const FieldSelection& fieldSelection() const { return selection_; }
    const GridDecoding& decoding() const { return decoding_; }
    const AppSettings& settings() const { return settings_; }
    QAction* brindleAction() const { return brindleAction_; }
    QAction* mailBoxAction() const { return mailBoxAction_; }
    QAction* zigbeeProAction() const { return zigbeeProAction_; }
    QAction* rightJustifyAction() const { return rightJustifyAction_; }
    bool intakeRunning() const { return intake_.isActive(); }
    // The window was closed and has shut down (a termination signal can do that
    // before it was ever shown).
    bool closed() const { return shutDown_; }

    // The commands, as the menu and the control bar call them.
    void importFile(const QString& path);
    // Files dropped on the window: the first, a local file, is imported.
    bool importDropped(const QList<QUrl>& urls);
    bool exportFile(const QString& path);
    void choosePortEntry(int index);
    void scanAll();
    void clickPreset(Preset preset);
    void showFieldGroup(int group);
    void takeListSelections();
    void nodeSelectionChanged();
    void selectAllNodes();
    void renameNode(const QString& name);
    void clearPrevious();
    void toggleBrindle();
    void toggleMailBox();
    void toggleZigbeePro();
    // "Keys...": the key ring's dialog, modal.
    void openKeysDialog();
    // After the user changed the ring: the grid redrawn, the user's keys kept.
    void keysChanged();
    void toggleRightJustify();
    // Stops sniffing, closes the port and writes the settings (as closing does).
    void shutDown();
    // The start-up picture, modal until it is clicked.
    void showSplash();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    class BusyScope;

    void buildMenu();
    void buildControlBar();
    void connectControlBar();
    void fillPortList(const std::vector<std::string>& systemPorts);
    void selectPortEntry(const std::string& entry);
    void showStatus(std::string_view text);
    void importCommand(const QString& filter);
    void exportCommand(const QString& filter, const QString& suffix);
    void openRenameDialog();
    void intakeTick();
    // After a device dialogue or any change to the capture: the views brought up
    // to date and the intake timer run while sniffing.
    void afterWork();
    void applyChanges(const CaptureChange& change);
    void showStatistics();
    void showFieldSelection();
    void prepareScanProgress(QProgressDialog& progress);

    AppSettings settings_;
    CaptureSession session_;
    GridDecoding decoding_;
    FieldSelection selection_;
    QTimer intake_;
    // While sniffing, what the intake stored is shown at most 25 times a second.
    QTimer refresh_;
    ui::CMyQuorlanmirexView* view_ = nullptr;
    ui::ControlBar* bar_ = nullptr;
    QAction* brindleAction_ = nullptr;
    QAction* mailBoxAction_ = nullptr;
    QAction* zigbeeProAction_ = nullptr;
    QAction* rightJustifyAction_ = nullptr;
    QProgressDialog* scanProgress_ = nullptr;
    int channelsScanned_ = 0;
    bool busy_ = false;
    bool closing_ = false;
    bool shutDown_ = false;
    bool closeRequested_ = false;  // while busy: closed once the work ends
};

} // namespace qlm::app
