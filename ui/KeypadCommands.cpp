#include "ui/KeypadCommands.h"

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>

#include "link/KeypadSession.h"
#include "link/Uploader.h"
#include "model/UploadPlan.h"
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
    m_clearEnd.reset();
    if (!m_session.clear()) {
        return;
    }
    auto* box = new CDlgClearAll([this] { return m_session.link().clearReplyCount(); }, &m_window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setObjectName(QStringLiteral("clearProgress"));
    m_clearBox = box;
    connect(box, &QDialog::finished, this, [this] {
        // The box closes itself on the keypad's second answer or after its last tick.
        const bool confirmed = m_clearEnd == PhaseEnd::Done;
        if (confirmed) {
            m_messages->Show(QStringLiteral("Clear done: the keypad confirmed the erase."),
                             QStringLiteral("Clear"));
        } else if (!m_clearEnd || m_clearEnd == PhaseEnd::TimedOut) {
            m_messages->Show(QStringLiteral("The keypad did not confirm the erase: it may still "
                                            "hold all or part of its settings.\nCheck the cable "
                                            "and run Clear again."),
                             QStringLiteral("Clear"));
        }
    });
    box->setWindowModality(Qt::WindowModal);
    box->open();
}

void KeypadCommands::onClearFinished(PhaseEnd reason) {
    m_clearEnd = reason;
    if (reason != PhaseEnd::Done && reason != PhaseEnd::TimedOut && m_clearBox) {
        m_clearBox->finish(); // the port went away or was closed: nothing more will come
    }
}

void KeypadCommands::upload() {
    const Configuration& config = m_document.configuration();
    const UploadPlan plan = BuildUploadPlan(config);
    const LinkRefusal refusal = m_session.uploadBlocker(plan);
    if (refusal != LinkRefusal::None) {
        m_messages->Show(RefusalText(refusal));
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
    if (!m_session.upload(plan)) {
        box->finish();
    }
}

void KeypadCommands::onUploadFinished(const UploadResult& result) {
    if (m_progress) {
        m_progress->finish();
    }
    if (result.outcome == UploadResult::Refused) {
        return; // told before anything was sent
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
