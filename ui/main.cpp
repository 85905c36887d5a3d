// qzctr: the editor.
#include <QApplication>
#include <QCommandLineParser>

#include "MainWindow.h"
#include "link/DeviceLink.h"
#include "link/KeypadSimulator.h"
#include "model/Configuration.h"
#include "store/FileTypes.h"
#include "store/Settings.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("qzctr"));
    QApplication::setApplicationVersion(QStringLiteral(QZCTR_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Configuration editor for the keypad controller"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption portOption(
        QStringLiteral("port"),
        QStringLiteral("Connect to this serial device instead of searching."),
        QStringLiteral("PATH"));
    const QCommandLineOption simulateOption(
        QStringLiteral("simulate"), QStringLiteral("Work against a built-in simulated keypad."));
    parser.addOption(portOption);
    parser.addOption(simulateOption);
    parser.addPositionalArgument(QStringLiteral("project"),
                                 QStringLiteral("A .qzp project to open."),
                                 QStringLiteral("[project]"));
    parser.process(app);

    qz::RegisterFileTypes(); // per user, when the program is not installed system-wide
    qz::Configuration config;
    qz::ReadSettings(config);

    qz::DeviceLink link;
    qz::KeypadSimulator simulator;
    qz::MainWindow window(config, link);
    if (parser.isSet(simulateOption)) {
        QString error;
        if (!simulator.start(&error)) {
            qCritical("qzctr: the simulated keypad did not start: %s", qPrintable(error));
            return 1;
        }
        window.setFixedPort(simulator.devicePath());
    } else if (parser.isSet(portOption)) {
        window.setFixedPort(parser.value(portOption));
    }
    window.show();
    if (!parser.positionalArguments().isEmpty()) {
        window.openProject(parser.positionalArguments().constFirst());
    }
    if (parser.isSet(simulateOption) || parser.isSet(portOption)) {
        window.connectKeypad();
    }
    return app.exec();
}
