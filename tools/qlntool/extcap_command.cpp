// The extcap command: what Wireshark runs (through the launcher in its extcap
// folder) to list our interfaces, ask for their options and capture from them.

#include "commands.h"

#include "extcap/extcap_interfaces.h"
#include "extcap/extcap_request.h"
#include "extcap/live_capture.h"
#include "extcap/personal_launcher.h"
#include "link/system_ports.h"

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

namespace qlntool {
namespace {

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int) { stopRequested = 1; }

// Wireshark ends a capture with SIGTERM, which the capture sees within a few
// milliseconds (a device search under way is finished first). A reader that
// leaves the fifo is seen as a failed write, not as SIGPIPE.
void stopOnTermination() {
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

int print(const std::string& answer) {
    std::fputs(answer.c_str(), stdout);
    return 0;
}

int capture(const qlm::ExtcapRequest& request, const qlm::ExtcapInterface& interface) {
    if (!request.captureFilter.empty())
        return fail("capture filters are not supported; use a display filter");
    stopOnTermination();
    qlm::LiveCaptureRequest live{interface,         request.brindle.value_or(false),
                                 request.channel,   request.scanFirst,
                                 request.fifo,      request.controlIn,
                                 request.controlOut};
    qlm::LiveCapture capture(std::move(live), [] { return stopRequested != 0; });
    if (const std::string error = capture.run(); !error.empty())
        return fail(error);
    return 0;
}

// The launcher installed beside this tool (or, for the build tree's tool, the
// build tree's launcher); empty when there is none.
std::string launcherBesideTool() {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path tool = fs::read_symlink("/proc/self/exe", error);
    if (error)
        return {};
    for (const char* relative : {QLM_LAUNCHER_FROM_TOOL, QLM_BUILD_LAUNCHER_FROM_TOOL}) {
        const fs::path launcher = fs::weakly_canonical(tool.parent_path() / relative, error);
        if (!error && fs::is_regular_file(launcher, error))
            return launcher.string();
    }
    return {};
}

// What `tshark -G folders` prints, empty without tshark.
std::string wiresharkFolders() {
    std::string text;
    FILE* pipe = ::popen("tshark -G folders 2>/dev/null", "r");
    if (pipe == nullptr)
        return text;
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        text.append(buffer, got);
    ::pclose(pipe);
    return text;
}

// Links the launcher into the user's own extcap folder, where Wireshark finds it
// without an install for everybody.
int installPersonal() {
    const std::string launcher = launcherBesideTool();
    if (launcher.empty())
        return fail("no extcap launcher beside this qlntool (cmake --install puts one there)");
    std::string folder = qlm::personalExtcapFolder(wiresharkFolders());
    if (folder.empty())
        folder = qlm::defaultPersonalExtcapFolder();
    if (folder.empty())
        return fail("no personal extcap folder: HOME is not set");
    if (const std::string error = qlm::linkLauncherInto(launcher, folder); !error.empty())
        return fail(error);
    std::printf("%s/%s -> %s\n", folder.c_str(),
                std::filesystem::path(launcher).filename().c_str(), launcher.c_str());
    return 0;
}

} // namespace

int extcapCommand(const Arguments& arguments) {
    if (arguments.size() == 1 && arguments[0] == "--install-personal")
        return installPersonal();
    qlm::ExtcapRequest request;
    if (const std::string error = qlm::parseExtcapRequest(arguments, request); !error.empty())
        return usageError(error);
    using Step = qlm::ExtcapRequest::Step;
    if (request.step == Step::kInterfaces)
        return print(qlm::interfacesAnswer(qlm::extcapInterfaces(qlm::listSystemSerialPorts())));
    const std::optional<qlm::ExtcapInterface> interface =
        qlm::findExtcapInterface(request.interface, qlm::listSystemSerialPorts());
    if (!interface)
        return fail("no such interface \"" + request.interface + "\"");
    switch (request.step) {
    case Step::kDlts:
        return print(qlm::dltsAnswer());
    case Step::kConfig:
        return print(qlm::configAnswer(*interface));
    case Step::kFilterCheck:
        // Wireshark takes an empty answer for a valid filter, a line for the reason.
        return print(request.captureFilter.empty() ? "" : "Capture filters are not supported\n");
    case Step::kCapture:
        return capture(request, *interface);
    case Step::kInterfaces:
        break;
    }
    return 0;
}

} // namespace qlntool
