// qlntool: the capture model and log files of Quorlanmirex from the command line.

#include "commands.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace qlntool {
namespace {

constexpr const char* kUsage =
    "usage: qlntool COMMAND ARGUMENTS\n"
    "  info FILE.qln [DECODING]   frames, packets, errors and nodes of a log, and how many\n"
    "                             secured frames a key opens\n"
    "  convert IN OUT [--date YYYY-MM-DD] [DECODING]\n"
    "                             convert between .qln, .pcap and .pcapng by extension\n"
    "  nodes FILE.qln [DECODING]  the node table of a log after import\n"
    "  dump FILE.qln [--columns all|startup] [--mailbox] [--format json|text] [DECODING]\n"
    "                             the decoded cells of every frame, one line each\n"
    "  keys FILE.qln [--key HEX[:LABEL]]... [--keys FILE]\n"
    "                             the keys the capture's transport-key commands carry\n"
    "    DECODING: --classic (ZigBee 2004 decoding, nothing decrypted), or keys to try:\n"
    "              --key HEX[:LABEL] (repeatable; HEX may be install:CODE) and\n"
    "              --keys FILE (one key a line)\n"
    "  capture --port PATH [--brindle] (--channel 11..26 | --scan) --seconds N -o OUT.qln\n"
    "                             detect the device, sniff for N seconds, export the capture\n"
    "  simulate [--brindle | --brindle-setup] [--seed N] [--rate FRAMES_PER_S]\n"
    "           [--burst-period SECONDS]\n"
    "                             serve a simulated device on a pseudo-terminal (its path is\n"
    "                             printed) until stopped\n"
    "  extcap --extcap-interfaces | --extcap-interface IF (--extcap-dlts | --extcap-config |\n"
    "         --capture --fifo PATH [--channel 11..26] [--scan] [--device sniffer|brindle]\n"
    "         [--extcap-control-in PATH --extcap-control-out PATH])\n"
    "                             Wireshark's extcap interface: live capture into Wireshark\n"
    "  extcap --install-personal    link the installed launcher into your own extcap folder\n";

struct Command {
    const char* name;
    int (*run)(const Arguments&);
};

constexpr Command kCommands[] = {
    {"info", infoCommand},
    {"convert", convertCommand},
    {"nodes", nodesCommand},
    {"dump", dumpCommand},
    {"keys", keysCommand},
    {"capture", captureCommand},
    {"simulate", simulateCommand},
    {"extcap", extcapCommand},
};

} // namespace

int fail(const std::string& message) {
    std::fprintf(stderr, "qlntool: %s\n", message.c_str());
    return 1;
}

int usageError(const std::string& message) {
    std::fprintf(stderr, "qlntool: %s\n%s", message.c_str(), kUsage);
    return 2;
}

} // namespace qlntool

int main(int argc, char** argv) {
    using namespace qlntool;
    if (argc < 2)
        return usageError("no command given");
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "help") == 0) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    const Arguments arguments(argv + 2, argv + argc);
    for (const Command& command : kCommands) {
        if (std::strcmp(argv[1], command.name) != 0)
            continue;
        const int status = command.run(arguments);
        // Output that could not be written is a failure, not a result.
        if (std::fflush(stdout) != 0 || std::ferror(stdout))
            return fail(std::string("standard output: ") + std::strerror(errno));
        return status;
    }
    return usageError(std::string("unknown command \"") + argv[1] + "\"");
}
