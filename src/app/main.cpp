// quorlanmirex [FILE.qln] [--port NAME] [--no-splash] [--simulator-rate FRAMES_PER_S]

#include "app/artwork.h"
#include "app/main_window.h"
#include "app/termination_signals.h"

#include <QApplication>
#include <QCommandLineParser>

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
    parser.addOptions({port, noSplash, rate});
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("A log to import."),
                                 QStringLiteral("[FILE.qln]"));
    parser.process(application);

    qlm::app::WindowOptions options;
    options.splash = !parser.isSet(noSplash);
    options.port = parser.value(port).toStdString();
    options.simulatorRate = parser.value(rate).toDouble();
    if (!parser.positionalArguments().isEmpty())
        options.importAtStart = parser.positionalArguments().front().toStdString();

    qlm::app::CMainFrame window(options);
    qlm::app::closeOnTerminationSignals(window);
    window.show();
    if (options.splash)
        window.showSplash();
    return application.exec();
}
