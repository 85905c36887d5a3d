// qzctr: the editor.
#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include "ui/dialogs/AboutDialog.h"
#include "ui/document/EditorDocument.h"
#include "ui/MainWindow.h"
#include "io/FileName.h"
#include "link/KeypadSession.h"
#include "link/KeypadSimulator.h"
#include "link/SerialTransport.h"
#include "model/Configuration.h"
#include "store/FileTypes.h"
#include "store/Paths.h"
#include "store/Settings.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("qzctr"));
    QApplication::setApplicationVersion(QStringLiteral(QZCTR_VERSION));
    QApplication::setWindowIcon(qz::ProgramIcon());

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

    // The port and the project as the bytes they were given: Qt's own decoding of the arguments
    // would lose a name that is not UTF-8.
    QByteArray rawPort;
    QStringList positional;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if ((arg == "--port" || arg == "-port") && i + 1 < argc) {
            rawPort = QByteArray(argv[++i]);
        } else if (arg.startsWith("--port=")) {
            rawPort = arg.mid(7);
        } else if (!arg.startsWith('-')) {
            positional << qz::io::DecodeFileName(arg);
        }
    }

    qz::RegisterFileTypes(); // per user, when the program is not installed system-wide
    qz::Configuration config;
    qz::ReadSettings(config);

    qz::EditorDocument document(config);
    qz::KeypadSession session{qz::PortDiscovery()};
    session.setUploadLogPath(qz::UploadLogPath());
    qz::KeypadSimulator simulator;
    if (parser.isSet(simulateOption)) {
        QString error;
        if (!simulator.start(&error)) {
            qCritical("qzctr: the simulated keypad did not start: %s", qPrintable(error));
            return 1;
        }
        session.setFixedPort(simulator.devicePath());
    } else if (parser.isSet(portOption)) {
        QString error;
        const QString path = qz::PortPathFromBytes(
            rawPort.isEmpty() ? parser.value(portOption).toLocal8Bit() : rawPort, &error);
        if (path.isEmpty()) {
            qCritical("qzctr: %s", qPrintable(error));
            return 1;
        }
        session.setFixedPort(path);
    }
    qz::MainWindow window(document, session);
    window.show();
    // The project and the connection come after the window is on screen, so a slow file or port
    // never keeps the window from showing.
    const bool connect = parser.isSet(simulateOption) || parser.isSet(portOption);
    QTimer::singleShot(0, &window, [&window, positional, connect] {
        if (!positional.isEmpty()) {
            window.openProject(positional.constFirst());
        }
        if (connect) {
            window.connectKeypad();
        }
    });
    return app.exec();
}
