// quorlanmirex [FILE.qln] [--port NAME] [--no-splash] [--simulator-rate FRAMES_PER_S]
//              [--key HEX[:LABEL]]... [--keys FILE]

#include "app/artwork.h"
#include "app/main_window.h"
#include "app/termination_signals.h"
#include "security/key_text.h"
#include "sim/simulated_device.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorlanmirex"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));
    QApplication::setWindowIcon(qlm::app::programIcon());

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("IEEE 802.15.4 / ZigBee sniffer front end"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Select this port at start (or \"Simulator\")."),
                                  QStringLiteral("NAME"));
    const QCommandLineOption noSplash(QStringLiteral("no-splash"),
                                      QStringLiteral("Start without the splash screen."));
    const QCommandLineOption rate(QStringLiteral("simulator-rate"),
                                  QStringLiteral("Frames per second of the built-in simulator."),
                                  QStringLiteral("FRAMES_PER_S"));
    const QCommandLineOption key(QStringLiteral("key"),
                                 QStringLiteral("A key to decrypt with, for this run (repeatable)."),
                                 QStringLiteral("HEX[:LABEL]"));
    const QCommandLineOption keys(QStringLiteral("keys"),
                                  QStringLiteral("A file of keys, one a line, for this run."),
                                  QStringLiteral("FILE"));
    parser.addOptions({port, noSplash, rate, key, keys});
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("A log to import."),
                                 QStringLiteral("[FILE.qln]"));
    parser.process(application);

    qlm::app::WindowOptions options;
    options.splash = !parser.isSet(noSplash);
    options.port = parser.value(port).toStdString();
    if (parser.isSet(rate)) {
        bool number = false;
        options.simulatorRate = parser.value(rate).toDouble(&number);
        if (!number || !(options.simulatorRate > 0) ||
            options.simulatorRate > qlm::kMostSimulatedFramesPerSecond) {
            std::fprintf(stderr, "quorlanmirex: --simulator-rate takes frames per second above 0 "
                                 "and at most %.0f\n",
                         qlm::kMostSimulatedFramesPerSecond);
            return 2;
        }
    }

    std::vector<std::string> keyErrors;
    for (const QString& text : parser.values(key)) {
        qlm::KeyText parsed = qlm::parseKeyText(text.toStdString(), "command line");
        if (parsed.key)
            options.keys.push_back(std::move(*parsed.key));
        else
            keyErrors.push_back(parsed.error);
    }
    for (const QString& file : parser.values(keys)) {
        qlm::KeyLines lines = qlm::readKeyFile(file.toStdString());
        keyErrors.insert(keyErrors.end(), lines.errors.begin(), lines.errors.end());
        options.keys.insert(options.keys.end(), lines.keys.begin(), lines.keys.end());
    }
    if (!keyErrors.empty()) {
        for (const std::string& error : keyErrors)
            std::fprintf(stderr, "quorlanmirex: %s\n", error.c_str());
        return 2;
    }

    qlm::app::CMainFrame window(options);
    qlm::app::closeOnTerminationSignals(window);
    // The log given on the command line is imported only now, so that SIGTERM
    // also closes a warning about it.
    if (!parser.positionalArguments().isEmpty()) {
        window.importFile(parser.positionalArguments().front());
        if (window.closed())
            return 0;
    }
    window.show();
    if (options.splash)
        window.showSplash();
    return application.exec();
}
