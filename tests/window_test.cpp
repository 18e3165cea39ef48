// The window offscreen: start-up state, presets, the grid's rows and the class
// filter, hover, settings, the readings easy to get wrong, a rendered picture,
// and a whole round with the built-in simulator.

#include "app/app_settings.h"
#include "app/keys_dialog.h"
#include "app/main_window.h"
#include "layout/grid_rows.h"
#include "logfile/log_file.h"
#include "ui/capture_view.h"
#include "ui/control_bar.h"
#include "ui/node_list.h"

#include "secured_frames.h"
#include "test_frames.h"

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QLineEdit>
#include <QTableWidget>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

namespace qlm {
namespace {

using test::MacFrame;
using namespace std::chrono_literals;

QString settingsFolder;

void clearSettings() {
    QSettings(QStringLiteral("Local AppWizard-Generated Applications"),
              QStringLiteral("Quorlanmirex"))
        .clear();
}

app::WindowOptions quietOptions() {
    app::WindowOptions options;
    options.splash = false;
    options.systemPorts = std::vector<std::string>{"ttyFAKE0"};
    return options;
}

std::unique_ptr<app::CMainFrame> openWindow(app::WindowOptions options = quietOptions()) {
    auto window = std::make_unique<app::CMainFrame>(options);
    window->resize(1000, 700);
    window->show();
    QApplication::processEvents();
    return window;
}

QImage render(app::CMainFrame& window) {
    QImage image(window.view()->size(), QImage::Format_RGB32);
    window.view()->render(&image);
    return image;
}

// A capture of `count` data frames from 0001 to 0002 in PAN 1234, every third an
// acknowledgement, 100 ms apart; written as a log for the window to import.
std::string writeCapture(const QTemporaryDir& folder, int count,
                         ArrivalTime start = {10, 0, 0, 0}) {
    auto capture = std::make_unique<Capture>();
    for (int i = 0; i < count; ++i) {
        const int ms = start.millisecond + 100 * i;
        ArrivalTime time{start.hour, start.minute, start.second + ms / 1000, ms % 1000};
        const auto seq = static_cast<uint8_t>(i);
        const test::Bytes bytes =
            i % 3 == 2 ? test::Bytes(MacFrame(test::kTypeAck).sequence(seq))
                       : test::Bytes(MacFrame(test::kTypeData)
                                         .sequence(seq)
                                         .destShort(0x1234, 0x0002)
                                         .srcShort(0x0001)
                                         .payload({0x48, 0x00, 0x02, 0x00, 0x01, 0x00, 0x1E,
                                                   0x07}));
        EXPECT_TRUE(test::append(capture->frames, bytes, time));
        capture->statistics.update(false);
    }
    capture->attributeFrom(0);
    capture->channels.setSelectedChannel(4);
    const std::string path = folder.filePath(QStringLiteral("capture.qln")).toStdString();
    EXPECT_TRUE(exportLogFile(*capture, path));
    return path;
}

TEST(Window, StartsWithEveryPresetOnTheMacGroupAllClassesAndTheSimulatorListed) {
    clearSettings();
    auto window = openWindow();
    ui::ControlBar& bar = *window->controlBar();
    EXPECT_EQ(window->windowTitle(), "Brindle / Tindra IEEE 802.Quorlanmirex");
    for (const ui::PresetButton* preset : bar.presets)
        EXPECT_EQ(preset->checkState(), Qt::Checked) << preset->text().toStdString();
    EXPECT_EQ(window->decoding().columns(), ColumnFlags::startup());
    EXPECT_EQ(bar.fieldGroups->currentText(), "MAC (Medium Access)");
    ASSERT_EQ(bar.fields->count(), 12);
    EXPECT_TRUE(bar.fields->item(0)->isSelected());
    EXPECT_FALSE(bar.fields->item(11)->isSelected());  // "Hex payload"
    ASSERT_EQ(bar.frameClasses->count(), 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(bar.frameClasses->item(i)->isSelected());
    ASSERT_EQ(bar.ports->count(), 3);
    EXPECT_EQ(bar.ports->itemText(0), "Import");
    EXPECT_EQ(bar.ports->itemText(1), "ttyFAKE0");
    EXPECT_EQ(bar.ports->itemText(2), "Simulator");
    EXPECT_EQ(bar.ports->currentIndex(), 0);  // first start: no port
    EXPECT_TRUE(window->brindleAction()->isChecked());
    EXPECT_FALSE(window->mailBoxAction()->isChecked());
    EXPECT_FALSE(window->rightJustifyAction()->isChecked());
    EXPECT_EQ(bar.packets->text(), "0 packets");
    EXPECT_EQ(bar.errorRate->text(), "0.000% error rate");
    EXPECT_EQ(bar.nodes->rowCount(), 1);
    EXPECT_EQ(bar.nodes->cellText(0, 0), "General");

    // The current frame of an empty store is none: blank rows, a white timeline,
    // and the wheel and clicks change nothing.
    ui::CMyQuorlanmirexView& view = *window->view();
    EXPECT_EQ(view.currentFrame(), -1);
    EXPECT_EQ(view.gridVerticalBar()->maximum(), 0);
    for (int32_t row : view.visibleRows())
        EXPECT_EQ(row, -1);
    EXPECT_EQ(view.marks().size(), 0);
}

TEST(Window, PresetButtonsShowThePresetsStateAndListEditsMakeThemIndeterminate) {
    clearSettings();
    auto window = openWindow();
    ui::ControlBar& bar = *window->controlBar();
    ui::PresetButton* phy = bar.presets[static_cast<size_t>(Preset::kPhy)];
    phy->click();
    EXPECT_EQ(phy->checkState(), Qt::Unchecked);
    EXPECT_EQ(bar.fieldGroups->currentText(), "PHY (Physical)");
    EXPECT_TRUE(bar.fields->selectedItems().isEmpty());
    phy->click();
    EXPECT_EQ(phy->checkState(), Qt::Checked);

    bar.fields->item(0)->setSelected(true);  // "Frame #" by hand
    EXPECT_EQ(phy->checkState(), Qt::PartiallyChecked);
    EXPECT_TRUE(window->decoding().columns().visible(FieldColumn::kPhyFrameNumber));
    phy->click();
    EXPECT_EQ(phy->checkState(), Qt::Unchecked);
    phy->click();
    EXPECT_FALSE(window->decoding().columns().visible(FieldColumn::kPhyFrameNumber));

    // A change in "Frame Select" while the MAC group is shown marks "MAC".
    bar.fieldGroups->setCurrentIndex(1);
    bar.frameClasses->item(3)->setSelected(false);
    EXPECT_EQ(bar.presets[static_cast<size_t>(Preset::kMac)]->checkState(), Qt::PartiallyChecked);
    EXPECT_FALSE(window->session().capture().classFilter.isSelected(kClassMacAck));

    // "ZDO" while "AF" is on hides only "ZDO Cluster".
    bar.presets[static_cast<size_t>(Preset::kZdo)]->click();
    EXPECT_EQ(bar.presets[static_cast<size_t>(Preset::kAf)]->checkState(), Qt::Checked);
    EXPECT_FALSE(window->decoding().columns().visible(FieldColumn::kAfZdoCluster));
}

TEST(Window, ImportedFramesFillTheGridFromTheBottomAndTheFilterHidesAcks) {
    clearSettings();
    QTemporaryDir folder;
    const std::string path = writeCapture(folder, 5);
    auto window = openWindow();
    window->importFile(QString::fromStdString(path));
    QApplication::processEvents();
    ui::CMyQuorlanmirexView& view = *window->view();
    render(*window);
    EXPECT_EQ(view.currentFrame(), 4);
    const std::vector<int32_t>& rows = view.visibleRows();
    ASSERT_EQ(static_cast<int>(rows.size()), view.geometry().visibleRows());
    ASSERT_GT(rows.size(), 5u);
    const std::vector<int32_t> bottom(rows.end() - 5, rows.end());
    EXPECT_EQ(bottom, (std::vector<int32_t>{0, 1, 2, 3, 4}));
    EXPECT_EQ(rows[rows.size() - 6], -1);
    EXPECT_EQ(window->controlBar()->packets->text(), "5 packets");
    EXPECT_EQ(window->controlBar()->ports->currentText(), "Import");
    EXPECT_EQ(window->controlBar()->nodes->rowCount(), 3);
    EXPECT_EQ(window->session().capture().channels.selectedChannel(), 4);
    EXPECT_GT(view.marks().size(), 0);

    // "MAC Ack" deselected: acknowledgements leave the grid and the timeline.
    window->controlBar()->frameClasses->item(3)->setSelected(false);
    render(*window);
    const std::vector<int32_t> filtered(rows.end() - 4, rows.end());
    EXPECT_EQ(filtered, (std::vector<int32_t>{0, 1, 3, 4}));
    EXPECT_EQ(window->session().capture().frames.frameCount(), 5);
    window->controlBar()->frameClasses->item(5)->setSelected(false);  // "APL" too
    render(*window);
    EXPECT_EQ(view.marks().size(), 0);
    for (int32_t row : view.visibleRows())
        EXPECT_EQ(row, -1);
    window->controlBar()->frameClasses->item(5)->setSelected(true);

    // Up moves to the previous frame shown; Home and End to the ends.
    view.setFocus();
    QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
    QApplication::sendEvent(&view, &up);
    EXPECT_EQ(view.currentFrame(), 3);
    QApplication::sendEvent(&view, &up);
    EXPECT_EQ(view.currentFrame(), 1);  // frame 2 is an acknowledgement
    QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
    QApplication::sendEvent(&view, &end);
    EXPECT_EQ(view.currentFrame(), 4);

    // With every node selected, an acknowledgement (from the broadcast entry to
    // nobody) still gets its mark on the broadcast entry's line.
    window->controlBar()->frameClasses->item(3)->setSelected(true);
    window->selectAllNodes();
    render(*window);
    bool ackMarked = false;
    for (int i = 0; i < view.marks().size(); ++i)
        ackMarked = ackMarked || view.marks().frame(i) == 2;
    EXPECT_TRUE(ackMarked);

    // One wheel notch over the grid, or over its scroll bar, is one frame back.
    const auto turn = [&](QWidget* target, QPoint at) {
        QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &wheel);
    };
    turn(&view, {50, view.geometry().gridTop + 40});
    EXPECT_EQ(view.currentFrame(), 3);
    turn(view.gridVerticalBar(), {8, 40});
    EXPECT_EQ(view.currentFrame(), 2);
    const int64_t scale = view.timeScale();
    turn(view.timelineBar(), {8, 5});
    EXPECT_EQ(view.timeScale(), zoomedIn(scale));
}

TEST(Window, HoverPutsTheCellsWholeExplanationInTheStatusBar) {
    clearSettings();
    QTemporaryDir folder;
    auto window = openWindow();
    window->importFile(QString::fromStdString(writeCapture(folder, 2)));
    ui::CMyQuorlanmirexView& view = *window->view();
    render(*window);
    ASSERT_GT(view.hoverCells().size(), 3);
    const HoverCell cell = view.hoverCells().at(3);
    const QPoint centre((cell.area.left + cell.area.right) / 2,
                        (cell.area.top + cell.area.bottom) / 2);
    QMouseEvent move(QEvent::MouseMove, centre, view.mapToGlobal(centre), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &move);
    const std::string expected =
        explainCell(window->decoding().dissector(), window->session().capture().frames, cell);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(window->statusBar()->currentMessage().toStdString(), expected);

    const QPoint outside(5, view.geometry().gridBottom() - 2);
    QMouseEvent away(QEvent::MouseMove, outside, view.mapToGlobal(outside), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &away);
    EXPECT_TRUE(window->statusBar()->currentMessage().isEmpty());
}

TEST(Window, SettingsAreWrittenAtCloseAndReadAtStart) {
    clearSettings();
    {
        auto window = openWindow();
        EXPECT_EQ(window->settings().port, "");
        window->toggleMailBox();
        window->toggleRightJustify();
        window->controlBar()->ports->setCurrentIndex(2);
        window->choosePortEntry(2);  // "Simulator"
        window->scanAll();
        ASSERT_TRUE(window->session().sniffing().sniffing());
        // Closing while sniffing: the device confirms the stop before the port closes.
        window->close();
        EXPECT_TRUE(window->session().sniffing().stopConfirmed());
        EXPECT_FALSE(window->session().link().isOpen());
        EXPECT_FALSE(window->intakeRunning());
    }
    const app::AppSettings stored = app::AppSettings::read();
    EXPECT_TRUE(stored.brindle);
    EXPECT_TRUE(stored.mailBox);
    EXPECT_TRUE(stored.rightJustify);
    EXPECT_EQ(stored.port, "Simulator");
    auto again = openWindow();
    // Selecting the remembered port at start is the program's doing: no search.
    EXPECT_FALSE(again->session().link().isOpen());
    EXPECT_TRUE(again->mailBoxAction()->isChecked());
    EXPECT_TRUE(again->rightJustifyAction()->isChecked());
    EXPECT_EQ(again->controlBar()->ports->currentText(), "Simulator");
    EXPECT_TRUE(again->decoding().mailBox());

    // A port kept as an old COM number reads as its name.
    QSettings old(QStringLiteral("Local AppWizard-Generated Applications"),
                  QStringLiteral("Quorlanmirex"));
    old.setValue(QStringLiteral("Quorlanmirex/m_iComChan"), 3);
    old.sync();
    EXPECT_EQ(app::AppSettings::read().port, "COM3");
}

// The values of the "Decr" cells of a row, as the window decodes it.
std::string decryptionCells(app::CMainFrame& window, int32_t frame) {
    CellRecorder row;
    window.decoding().dissector().dissect(window.session().capture().frames, frame, row);
    std::string text;
    for (size_t c = 0; c < row.size(); ++c)
        if (row[c].caption == "Decr")
            text += std::string(row[c].value) + ";";
    return text;
}

TEST(Window, AKeyAddedInTheKeysDialogOpensCapturedFramesAndIsKept) {
    clearSettings();
    QTemporaryDir folder;
    auto capture = std::make_unique<Capture>();
    for (const test::Bytes& frame : test::securedNetworkSample())
        ASSERT_TRUE(test::append(capture->frames, test::macData(frame)));
    capture->attributeFrom(0);
    const std::string log = folder.filePath(QStringLiteral("secured.qln")).toStdString();
    ASSERT_TRUE(exportLogFile(*capture, log));
    {
        auto window = openWindow();
        EXPECT_TRUE(window->zigbeeProAction()->isChecked());
        window->importFile(QString::fromStdString(log));
        // The network key came in frame 2; the link key is the user's to give.
        EXPECT_EQ(window->decoding().keys().size(), 2);
        EXPECT_EQ(decryptionCells(*window, 0), "OK;");
        EXPECT_EQ(decryptionCells(*window, 3), "OK;No key;");
        window->toggleRightJustify();
        render(*window);
        ASSERT_NE(window->session().capture().frames[3].rowWidth, -1);

        QString refusal;
        int rows = 0;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<app::KeysDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->entry()->setText(QStringLiteral("0102"));
            EXPECT_FALSE(dialog->addEntered());
            refusal = dialog->message()->text();
            dialog->entry()->setText(QString::fromLatin1(test::kLinkKey) + ":lab");
            EXPECT_TRUE(dialog->addEntered());
            // The row is measured again at its next paint.
            EXPECT_EQ(window->session().capture().frames[3].rowWidth, -1);
            rows = dialog->table()->rowCount();
            dialog->reject();
        });
        window->openKeysDialog();
        EXPECT_EQ(refusal, "Key \"0102\": a key is 16 bytes, not 2");
        EXPECT_EQ(rows, 3);
        EXPECT_EQ(decryptionCells(*window, 3), "OK;OK;");

        render(*window);
        ASSERT_NE(window->session().capture().frames[3].rowWidth, -1);
        window->toggleZigbeePro();
        EXPECT_EQ(window->session().capture().frames[3].rowWidth, -1);  // measured again
        EXPECT_EQ(decryptionCells(*window, 3), "");
        window->toggleZigbeePro();
        ASSERT_TRUE(window->exportFile(folder.filePath(QStringLiteral("secured.pcapng"))));
        window->close();
    }
    const app::AppSettings stored = app::AppSettings::read();
    EXPECT_TRUE(stored.zigbeePro);
    EXPECT_EQ(stored.keys, std::vector<std::string>{std::string(test::kLinkKey) + ":lab"});
    auto again = openWindow();
    ASSERT_EQ(again->decoding().keys().size(), 2);
    EXPECT_EQ(again->decoding().keys().key(1).label, "lab");
    // The pcapng carries the keys that opened its frames; importing it adds them.
    clearSettings();
    auto third = openWindow();
    third->importFile(folder.filePath(QStringLiteral("secured.pcapng")));
    EXPECT_EQ(decryptionCells(*third, 3), "OK;OK;");
    EXPECT_EQ(third->decoding().keys().key(1).origin, "secured.pcapng");
}

TEST(Window, ReadingsEasyToGetWrong) {
    clearSettings();
    QTemporaryDir folder;
    auto window = openWindow();
    window->importFile(QString::fromStdString(writeCapture(folder, 6)));
    ui::CMyQuorlanmirexView& view = *window->view();
    render(*window);

    // Clear Previous from the last frame keeps "General" whatever the frames say.
    view.setCurrentFrame(5);
    window->clearPrevious();
    const NodeTable& nodes = window->session().capture().nodes;
    ASSERT_GE(nodes.count(), 1);
    EXPECT_EQ(nodes.name(0), "General");
    EXPECT_EQ(window->controlBar()->nodes->rowCount(), nodes.count());

    // Right-justified rows are measured again after a column or MailBox change.
    window->toggleRightJustify();
    render(*window);
    EXPECT_NE(window->session().capture().frames[5].rowWidth, -1);
    window->controlBar()->presets[static_cast<size_t>(Preset::kPhy)]->click();
    EXPECT_EQ(window->session().capture().frames[5].rowWidth, -1);
    render(*window);
    window->toggleMailBox();
    EXPECT_EQ(window->session().capture().frames[5].rowWidth, -1);

    // A channel cell under 1 pixel: the strip is only black, clicks do nothing.
    QSignalSpy clicks(&view, &ui::CMyQuorlanmirexView::channelClicked);
    const auto press = [&](QPoint at, QEvent::Type type) {
        QMouseEvent event(type, at, view.mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(&view, &event);
    };
    press({10, 20}, QEvent::MouseButtonPress);
    EXPECT_EQ(clicks.count(), 1);
    press({10, 97}, QEvent::MouseButtonPress);  // the upper splitter
    press({10, -50}, QEvent::MouseMove);
    press({10, -50}, QEvent::MouseButtonRelease);
    EXPECT_EQ(view.geometry().gridTop, 21);
    EXPECT_EQ(view.stripBar()->maximum(), 0);
    // The view's own painting, without the strip's scroll bar that now covers it.
    QImage image(view.size(), QImage::Format_RGB32);
    view.render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
    EXPECT_EQ(image.pixelColor(30, 0), QColor(Qt::black));
    for (int x = 0; x < image.width(); ++x)
        ASSERT_NE(image.pixelColor(x, 0), QColor(0xFF, 0xFF, 0xB7)) << x;
    press({3, 0}, QEvent::MouseButtonPress);
    EXPECT_EQ(clicks.count(), 1);
}

TEST(Window, RenderedWindowShowsStripGridAndTimeline) {
    clearSettings();
    QTemporaryDir folder;
    auto window = openWindow();
    window->importFile(QString::fromStdString(writeCapture(folder, 8)));
    ui::CMyQuorlanmirexView& view = *window->view();
    const QImage image = render(*window);
    const ViewGeometry& g = view.geometry();
    EXPECT_EQ(image.pixelColor(g.width - 5, 3), QColor(Qt::black));  // the strip's band
    // A yellow title box inside the first channel cell (79 pixels).
    const int d = g.cellWidth();
    EXPECT_EQ(image.pixelColor(d / 10 + 2, d / 10 + 2), QColor(0xFF, 0xFF, 0xB7));
    // The selected channel (index 4) is highlighted in light grey at its edge.
    EXPECT_EQ(image.pixelColor(4 * d + 2, d / 2), QColor(0xC0, 0xC0, 0xC0));
    // The grid's fill right of the rows, and the highlight of the bottom row.
    EXPECT_EQ(image.pixelColor(g.width - 20, g.gridTop + 3), QColor(0xCC, 0xFF, 0x99));
    const int bottomRow = (g.visibleRows() - 1) * 36 + g.gridTop - 2;
    EXPECT_EQ(image.pixelColor(1, bottomRow + 2), QColor(0xE8, 0xE8, 0xE8));
    EXPECT_EQ(image.pixelColor(1, bottomRow - 2), QColor(0xCC, 0xFF, 0x99));
    // The current frame's mark (an APL data frame: class colour FF FF 00) in the
    // current-time column.
    ASSERT_GT(view.marks().size(), 0);
    const int32_t current = view.currentFrame();
    EXPECT_EQ(window->session().capture().frames[current].frameClass, kClassApl);
    bool markFound = false;
    for (int y = g.timelineTop(); y < g.height && !markFound; ++y)
        markFound = image.pixelColor(g.width - 43 + 2, y) == QColor(0xFF, 0xFF, 0x00);
    EXPECT_TRUE(markFound);
    // Node names in the name boxes: E8 E8 E8 on the first line.
    EXPECT_EQ(image.pixelColor(73, g.timelineTop() + 1), QColor(0xE8, 0xE8, 0xE8));
}

TEST(Window, SimulatorScanCaptureExportImportShowsTheSameRows) {
    clearSettings();
    QTemporaryDir folder;
    app::WindowOptions options = quietOptions();
    options.simulatorRate = 100;
    auto window = openWindow(options);
    ui::ControlBar& bar = *window->controlBar();
    bar.ports->setCurrentIndex(2);
    window->choosePortEntry(2);
    EXPECT_TRUE(window->session().link().isOpen());
    window->scanAll();
    ASSERT_TRUE(window->session().sniffing().sniffing());
    EXPECT_TRUE(window->intakeRunning());
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (window->session().capture().frames.frameCount() < 30 &&
           std::chrono::steady_clock::now() < end)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_GE(window->session().capture().frames.frameCount(), 30);
    EXPECT_NE(bar.packets->text(), "0 packets");
    EXPECT_GT(bar.nodes->rowCount(), 1);

    // Stopped by a click on the channel being sniffed, then exported.
    window->session().sniffing().stop();
    const std::string path = folder.filePath(QStringLiteral("round.qln")).toStdString();
    ASSERT_TRUE(window->exportFile(QString::fromStdString(path)));
    render(*window);
    const std::vector<int32_t> rowsBefore = window->view()->visibleRows();
    const int32_t frames = window->session().capture().frames.frameCount();
    const HoverList& hover = window->view()->hoverCells();
    const int cellsBefore = hover.size();

    window->importFile(QString::fromStdString(path));
    EXPECT_FALSE(window->session().link().isOpen());
    EXPECT_EQ(bar.ports->currentText(), "Import");
    EXPECT_EQ(window->session().capture().frames.frameCount(), frames);
    render(*window);
    EXPECT_EQ(window->view()->visibleRows(), rowsBefore);
    EXPECT_EQ(hover.size(), cellsBefore);
    window->close();
    EXPECT_EQ(app::AppSettings::read().port, "");  // the import forgot the port
}

TEST(Window, CancelEndsTheScanKeepsWhatWasMeasuredAndSniffsNothing) {
    clearSettings();
    auto window = openWindow();
    ui::ControlBar& bar = *window->controlBar();
    bar.ports->setCurrentIndex(2);
    window->choosePortEntry(2);  // "Simulator"
    ASSERT_TRUE(window->session().link().isOpen());

    // "Cancel" pressed once the first channels are measured.
    QTimer cancel;
    cancel.setInterval(10);
    QObject::connect(&cancel, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* progress = qobject_cast<QProgressDialog*>(widget);
                progress != nullptr && progress->isVisible() && progress->value() >= 2)
                progress->cancel();
    });
    cancel.start();
    window->scanAll();
    cancel.stop();
    EXPECT_FALSE(window->session().sniffing().sniffing());
    EXPECT_FALSE(window->intakeRunning());
    const ChannelTable& channels = window->session().capture().channels;
    EXPECT_TRUE(channels[0].energyMeasured());
    EXPECT_FALSE(channels[15].energyMeasured());
    EXPECT_EQ(channels.selectedChannel(), -1);
}

// Selects rows as a user's click would: through the selection model, which tells
// the window.
void selectRows(ui::NodeList& list, int first, int last, QItemSelectionModel::SelectionFlags how) {
    const QModelIndex from = list.model()->index(first, 0);
    const QModelIndex to = list.model()->index(last, ui::NodeTableModel::kColumnCount - 1);
    list.selectionModel()->select(QItemSelection(from, to), how);
}

TEST(Window, NodeListShowsTheChangedRowsAndMirrorsTheTable) {
    auto nodes = std::make_unique<NodeTable>();
    NodeAddress first;
    first.setPan(0x1234);
    first.setShort(0x0001);
    first.setLinkQuality(5);
    NodeAddress second;
    second.setExtended(0x0011223344556677);
    second.setPan(0x1234);
    nodes->findOrAdd(first);
    nodes->findOrAdd(second);
    ui::NodeList list;
    list.apply(*nodes, nodes->takeRowChanges());
    ASSERT_EQ(list.rowCount(), 3);
    EXPECT_EQ(ui::NodeTableModel::rowTexts(*nodes, 1),
              (QStringList{"Node 1", "1234", "0001", "05%", ""}));
    EXPECT_EQ(list.cellText(2, 4), "0011223344556677");  // most significant first
    EXPECT_EQ(list.cellText(2, 2), "");
    EXPECT_EQ(list.model()->headerData(2, Qt::Horizontal).toString(), "Add");
    EXPECT_FALSE(list.isRowSelected(0));
    EXPECT_TRUE(list.isRowSelected(1));
    EXPECT_TRUE(list.isRowSelected(2));

    // A change repaints its rows only, and the program's selection fires no handler.
    QSignalSpy edits(&list, &ui::NodeList::selectionEdited);
    QSignalSpy shown(list.model(), &QAbstractItemModel::dataChanged);
    nodes->rename(1, "Kitchen");
    nodes->setSelected(1, false);
    list.apply(*nodes, nodes->takeRowChanges());
    EXPECT_EQ(list.cellText(1, 0), "Kitchen");
    EXPECT_FALSE(list.isRowSelected(1));
    EXPECT_TRUE(list.isRowSelected(2));
    ASSERT_EQ(shown.count(), 1);
    EXPECT_EQ(shown[0][0].toModelIndex().row(), 1);
    EXPECT_EQ(shown[0][1].toModelIndex().row(), 1);
    EXPECT_EQ(edits.count(), 0);

    // A reset leaves one row.
    nodes->reset();
    list.apply(*nodes, nodes->takeRowChanges());
    ASSERT_EQ(list.rowCount(), 1);
    EXPECT_EQ(list.cellText(0, 0), "General");

    // The user's selection goes into the table.
    nodes->findOrAdd(first);
    list.apply(*nodes, nodes->takeRowChanges());
    selectRows(list, 0, 0, QItemSelectionModel::Select);
    selectRows(list, 1, 1, QItemSelectionModel::Deselect);
    EXPECT_EQ(edits.count(), 2);
    list.takeSelectionInto(*nodes);
    EXPECT_TRUE(nodes->entry(0).knows(kSelected));
    EXPECT_FALSE(nodes->entry(1).knows(kSelected));
}

// A full table is shown as one run of new rows, selected in one range; a change
// of scattered rows and a selection of every row stay in step with the table.
TEST(Window, NodeListOfAFullTableSelectsInRuns) {
    auto nodes = std::make_unique<NodeTable>();
    for (int32_t i = 1; i < NodeTable::kMaxEntries; ++i) {
        NodeAddress address;
        address.setPan(0x1234);
        address.setShort(static_cast<uint16_t>(i));
        nodes->findOrAdd(address);
    }
    ASSERT_EQ(nodes->count(), NodeTable::kMaxEntries);
    ui::NodeList list;
    list.resize(300, 200);
    list.apply(*nodes, nodes->takeRowChanges());
    EXPECT_EQ(list.rowCount(), NodeTable::kMaxEntries);
    EXPECT_EQ(list.selectionModel()->selection().size(), 1);  // rows 1 to 65534
    EXPECT_FALSE(list.isRowSelected(0));
    EXPECT_TRUE(list.isRowSelected(NodeTable::kMaxEntries - 1));

    for (int32_t i = 100; i < 2100; i += 2)
        nodes->setSelected(i, false);
    list.apply(*nodes, nodes->takeRowChanges());
    for (const int32_t row : {99, 100, 101, 2098, 2099, 2100})
        EXPECT_EQ(list.isRowSelected(row), nodes->entry(row).knows(kSelected)) << row;

    list.selectAll();
    list.takeSelectionInto(*nodes);
    EXPECT_EQ(nodes->selectedCount(), NodeTable::kMaxEntries);
    list.apply(*nodes, nodes->takeRowChanges());
    EXPECT_TRUE(list.isRowSelected(0));
    EXPECT_TRUE(list.isRowSelected(100));
}

TEST(Window, CommandLineDropsMenuTogglesZoomAndRenameDoWhatTheySay) {
    clearSettings();
    QTemporaryDir folder;
    const std::string path = writeCapture(folder, 4);
    app::WindowOptions options = quietOptions();
    options.port = "Simulator";  // chosen as if by the user: searched at once
    auto window = openWindow(options);
    window->importFile(QString::fromStdString(path));  // as the program does at start
    // The port was chosen first, then the log imported: "Import" is selected.
    EXPECT_EQ(window->session().capture().frames.frameCount(), 4);
    EXPECT_EQ(window->controlBar()->ports->currentText(), "Import");
    EXPECT_FALSE(window->session().link().isOpen());

    // A dropped log is imported.
    const std::string other = writeCapture(folder, 7);
    EXPECT_FALSE(window->importDropped({QUrl(QStringLiteral("https://example.org/x.qln"))}));
    ASSERT_TRUE(window->importDropped({QUrl::fromLocalFile(QString::fromStdString(other))}));
    EXPECT_EQ(window->session().capture().frames.frameCount(), 7);

    // The three menu toggles show their check marks and reach what they change.
    window->brindleAction()->trigger();
    EXPECT_FALSE(window->brindleAction()->isChecked());
    EXPECT_FALSE(window->session().brindle());
    window->mailBoxAction()->trigger();
    EXPECT_TRUE(window->mailBoxAction()->isChecked());
    EXPECT_TRUE(window->decoding().mailBox());

    // The zoom buttons.
    ui::CMyQuorlanmirexView& view = *window->view();
    const int64_t scale = view.timeScale();
    for (QPushButton* button : view.findChildren<QPushButton*>()) {
        if (button->text() == "+")
            button->click();
    }
    EXPECT_EQ(view.timeScale(), zoomedIn(scale));
    for (QPushButton* button : view.findChildren<QPushButton*>()) {
        if (button->text() == "-")
            button->click();
    }
    EXPECT_EQ(view.timeScale(), zoomedOut(zoomedIn(scale)));

    // "Rename..." shows only for exactly one selected node; any text is taken.
    ui::ControlBar& bar = *window->controlBar();
    const NodeTable& nodes = window->session().capture().nodes;
    ASSERT_EQ(nodes.selectedCount(), 2);
    EXPECT_TRUE(bar.rename->isHidden());
    selectRows(*bar.nodes, 2, 2, QItemSelectionModel::Deselect);
    EXPECT_FALSE(bar.rename->isHidden());
    window->renameNode(QString());
    EXPECT_EQ(nodes.name(nodes.firstSelected()), "");
    EXPECT_EQ(bar.nodes->cellText(nodes.firstSelected(), 0), "");
    window->selectAllNodes();
    EXPECT_EQ(nodes.selectedCount(), nodes.count());
    EXPECT_TRUE(bar.rename->isHidden());
}

TEST(Window, APcapngExportedFromTheWindowImportsBackToTheSameRows) {
    clearSettings();
    QTemporaryDir folder;
    auto window = openWindow();
    window->importFile(QString::fromStdString(writeCapture(folder, 9)));
    render(*window);
    const std::vector<int32_t> rows = window->view()->visibleRows();
    const int cells = window->view()->hoverCells().size();
    const QString packets = folder.filePath(QStringLiteral("capture.pcapng"));
    ASSERT_TRUE(window->exportFile(packets));
    window->importFile(packets);
    EXPECT_EQ(window->session().capture().frames.frameCount(), 9);
    EXPECT_EQ(window->session().capture().channels.selectedChannel(), 4);  // from the TAP header
    render(*window);
    EXPECT_EQ(window->view()->visibleRows(), rows);
    EXPECT_EQ(window->view()->hoverCells().size(), cells);
}

} // namespace
} // namespace qlm

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    qlm::settingsFolder = settings.path();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
