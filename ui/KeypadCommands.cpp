#include "ui/KeypadCommands.h"

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>
#include <QUndoStack>

#include "library/Preflight.h"
#include "link/KeypadSession.h"
#include "link/Uploader.h"
#include "model/UploadPlan.h"
#include "store/Paths.h"
#include "ui/dialogs/Messages.h"
#include "ui/dialogs/SmallDialogs.h"
#include "ui/document/EditorDocument.h"

namespace qz {

KeypadCommands::KeypadCommands(EditorDocument& document, KeypadSession& session,
                               IMessages* messages, QMainWindow& window)
    : QObject(&window), m_document(document), m_session(session), m_messages(messages),
      m_window(window) {
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setAccessibleName(QStringLiteral("Dev State:"));

    connect(&m_session, &KeypadSession::statusChanged, this, [this] { onStatus(); });
    connect(&m_session, &KeypadSession::connectFinished, this, [this](PhaseEnd reason) {
        onStatus();
        if (reason == PhaseEnd::Done) {
            m_window.statusBar()->showMessage(QStringLiteral("Connected to the keypad."), 5000);
        }
    });
    connect(&m_session, &KeypadSession::message, this,
            [this](const QString& text, const QString& detail) {
                m_messages->Show(detail.isEmpty() ? text : text + QStringLiteral("\n\n") + detail);
            });
    connect(&m_session, &KeypadSession::uploadProgress, this, [this](int position, int) {
        if (m_progress) {
            m_progress->setPosition(position);
        }
    });
    connect(&m_session, &KeypadSession::uploadStopping, this, [this](const QString& doing) {
        if (m_progress) {
            m_progress->setStopping(doing);
        }
    });
    connect(&m_session, &KeypadSession::clearProgress, this,
            [this](int tick, int ticks, int answers) {
                if (m_clearBox) {
                    m_clearBox->setProgress(tick, ticks, answers);
                }
            });
    // The project stays as the keypad reads it: no edit comes in while an upload or a clear runs.
    connect(&m_session, &KeypadSession::stateChanged, this, [this] { followBusy(); });
    connect(&m_session, &KeypadSession::uploadFinished, this, [this] { followBusy(); });
    connect(&m_session, &KeypadSession::uploadFinished, this, &KeypadCommands::onUploadFinished);
    connect(&m_session, &KeypadSession::clearFinished, this, &KeypadCommands::onClearFinished);
    connect(&m_session, &KeypadSession::connectionLost, this, [this] {
        onStatus();
        m_window.statusBar()->showMessage(QStringLiteral("The keypad's port went away."), 8000);
    });
}

void KeypadCommands::addTo(QMenu* connection) {
    m_usbAction =
        connection->addAction(QStringLiteral("USB"), this, &KeypadCommands::connectKeypad);
    m_usbAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    m_usbAction->setCheckable(true);
    connection->addAction(QStringLiteral("Disconnect"), this,
                          [this] { m_session.disconnectKeypad(); });
    connection->addSeparator();
    connection->addAction(QStringLiteral("Upload"), QKeySequence(Qt::CTRL | Qt::Key_U), this,
                          &KeypadCommands::upload);
    connection->addAction(QStringLiteral("Clear"), this, &KeypadCommands::clear);
    connection->addAction(QStringLiteral("Unusual"), this, [this] {
        if (m_messages->Ask(QStringLiteral("Unusual the machine,\rare you sure ? "),
                            QStringLiteral("Dialog"))) {
            m_session.unusual();
        }
    });
    onStatus();
}

void KeypadCommands::followBusy() {
    const bool busy = m_session.uploading() || m_session.state() == LinkState::Clearing;
    m_document.setLocked(busy);
    // Undo and redo change the project too; the stack would enable them again when it changes,
    // which it cannot while locked.
    QUndoStack* stack = m_document.undoStack();
    for (QAction* action : m_window.findChildren<QAction*>()) {
        if (action->objectName() == QLatin1String("undo")) {
            action->setEnabled(!busy && stack->canUndo());
        } else if (action->objectName() == QLatin1String("redo")) {
            action->setEnabled(!busy && stack->canRedo());
        }
    }
}

void KeypadCommands::onStatus() {
    m_status->setText(m_session.statusText());
    if (m_usbAction) {
        m_usbAction->setChecked(m_session.status() == LinkStatus::ConnectSuccess);
    }
}

void KeypadCommands::connectKeypad() {
    if (m_session.candidates().isEmpty()) {
        m_messages->Show(QStringLiteral("can't not Find USB\n\nNo keypad is plugged in: connect "
                                        "its USB cable and try again."),
                         QStringLiteral("USB"));
        return;
    }
    m_session.connectKeypad();
}

void KeypadCommands::clear() {
    const LinkRefusal refusal = m_session.clearBlocker();
    if (refusal != LinkRefusal::None) {
        m_messages->Show(RefusalText(refusal));
        return;
    }
    if (!m_messages->Ask(
            QStringLiteral("Clear all the parameters of the machine,\rare you sure ? "),
            QStringLiteral("Dialog"))) {
        return;
    }
    auto* box = new CDlgClearAll(&m_window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setObjectName(QStringLiteral("clearProgress"));
    m_clearBox = box;
    box->setWindowModality(Qt::WindowModal);
    box->open();
    if (!m_session.clear()) {
        box->finish(); // refused or the port lost at once: told through the session's message
    }
}

void KeypadCommands::onClearFinished(PhaseEnd reason) {
    if (m_clearBox) {
        m_clearBox->finish();
    }
    // A clear that did not end well has been told by the link (no confirmation in time, the
    // port lost); one message per event.
    if (reason == PhaseEnd::Done) {
        m_messages->Show(QStringLiteral("Clear done: the keypad confirmed the erase."),
                         QStringLiteral("Clear"));
    }
}

void KeypadCommands::upload() {
    const Configuration& config = m_document.configuration();
    const UploadPlan plan = BuildUploadPlan(config);
    const LinkRefusal refusal = m_session.uploadBlocker(plan);
    if (refusal != LinkRefusal::None && refusal != LinkRefusal::EventsTooLong) {
        m_messages->Show(RefusalText(refusal));
        return;
    }
    // The pre-flight qzctl runs too: findings refuse, stale library copies are the user's call.
    const Preflight preflight = RunPreflight(config, LibraryFolder());
    if (preflight.refused()) {
        m_messages->Show(QStringLiteral("The upload was refused before erasing the keypad: the "
                                        "project has %1 finding(s). Correct them and upload "
                                        "again.\n\n")
                                 .arg(preflight.refusals.size()) +
                             FindingLines(config, preflight.refusals).join(QLatin1Char('\n')),
                         QStringLiteral("Upload"));
        return;
    }
    if (preflight.hasStale() &&
        !m_messages->Ask(QStringLiteral("%1 action(s) hold an old copy of their library "
                                        "function:\n\n%2\n\nUpload them as they are? (Edit › "
                                        "\"Update actions from libraries\" brings them up to "
                                        "date.)")
                             .arg(preflight.stale.size())
                             .arg(FindingLines(config, preflight.stale).join(QLatin1Char('\n'))),
                         QStringLiteral("Upload"))) {
        return;
    }
    if (!m_messages->Ask(QStringLiteral("Clear all data? \r\nYes or No ?"),
                         QStringLiteral("Dialog"))) {
        return;
    }
    auto* box = new CDlgProgress(config, &m_window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setObjectName(QStringLiteral("uploadProgress"));
    m_progress = box;
    connect(box, &CDlgProgress::cancelRequested, &m_session, &KeypadSession::cancelUpload);
    box->setWindowModality(Qt::WindowModal);
    box->open();
    m_session.upload(plan); // a refusal ends in onUploadFinished like every upload
}

void KeypadCommands::onUploadFinished(const UploadResult& result) {
    if (m_progress) {
        m_progress->finish();
    }
    if (result.outcome == UploadResult::Refused) {
        m_messages->Show(result.message, QStringLiteral("Upload"));
        return;
    }
    if (result.confirmedByKeypad()) {
        m_window.statusBar()->showMessage(QStringLiteral("Upload complete: %1 frames sent, every "
                                                         "one answered.")
                                              .arg(result.framesSent),
                                          10000);
        // A log was asked for and is missing or incomplete: the upload itself is fine.
        if (!m_session.uploadLogPath().isEmpty() && !result.logWritten) {
            m_messages->Show(QStringLiteral("The upload is complete, but the upload log is "
                                            "incomplete.\n\n") +
                                 result.logError,
                             QStringLiteral("Upload"));
        }
        return;
    }
    // Anything short of a confirmed upload is a warning to acknowledge, not a fading line.
    QString text = result.message.isEmpty() ? UploadSummary(result) : result.message;
    if (text.isEmpty()) {
        text = UploadSummary(result);
    }
    m_messages->Show(text, QStringLiteral("Upload"));
}

} // namespace qz
