#include "ui/pages/SendNowPanel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include "io/Latin1.h"
#include "link/LineSender.h"
#include "link/ReplyCompare.h"
#include "store/Paths.h"

namespace qz {

namespace {

// The bytes as text (control bytes as \xNN, 8-bit bytes as their characters) and in hex.
QString Shown(const QByteArray& bytes) {
    QString text;
    for (const char c : bytes) {
        const uchar u = uchar(c);
        text += u < 0x20 || u == 0x7F ? QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'))
                                      : QString(QChar(u));
    }
    return QStringLiteral("%1  | %2").arg(text, QString::fromLatin1(bytes.toHex(' ')));
}

QSettings Settings() {
    return QSettings(SettingsPath(), QSettings::IniFormat);
}

} // namespace

TryOutPortBox::TryOutPortBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
}

void TryOutPortBox::setDiscovery(PortDiscovery discovery) {
    m_discovery = std::move(discovery);
    refill();
}

void TryOutPortBox::refill() {
    const QString typed = currentText();
    clear();
    addItems(TryOutPorts(m_discovery));
    setEditText(typed);
}

void TryOutPortBox::showPopup() {
    refill();
    QComboBox::showPopup();
}

SendNowPanel::SendNowPanel(bool offerCompare, QWidget* parent)
    : QWidget(parent), m_expand(new QToolButton(this)), m_body(new QWidget(this)),
      m_portBox(new TryOutPortBox(m_body)), m_listen(new QSpinBox(m_body)),
      m_times(new QSpinBox(m_body)), m_send(new QPushButton(QStringLiteral("Send now"), m_body)),
      m_cancel(new QPushButton(QStringLiteral("Cancel"), m_body)),
      m_pane(new QPlainTextEdit(m_body)) {
    setObjectName(QStringLiteral("sendNow"));
    m_expand->setObjectName(QStringLiteral("sendNowExpand"));
    m_expand->setText(QStringLiteral("Try on the device"));
    m_expand->setAccessibleName(m_expand->text());
    m_expand->setToolTip(QStringLiteral("Send this string through a serial port of the PC and "
                                        "see what the device answers"));
    m_expand->setCheckable(true);
    m_expand->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_expand->setArrowType(Qt::RightArrow);
    connect(m_expand, &QToolButton::toggled, this, &SendNowPanel::setExpanded);
    m_portBox->setObjectName(QStringLiteral("sendPort"));
    m_portBox->setAccessibleName(QStringLiteral("PC port:"));
    m_portBox->lineEdit()->setAccessibleName(m_portBox->accessibleName());
    m_portBox->setToolTip(QStringLiteral("A serial port of this PC, to the device (not the "
                                         "keypad's port)"));
    m_portBox->setDiscovery(PortDiscovery());
    m_portBox->setEditText(Settings().value(QLatin1String(kPortKey)).toString());
    m_listen->setObjectName(QStringLiteral("sendListen"));
    m_listen->setAccessibleName(QStringLiteral("Listen:"));
    m_listen->setRange(0, 60000);
    m_listen->setSingleStep(100);
    m_listen->setValue(1000);
    m_listen->setSuffix(QStringLiteral(" ms"));
    m_times->setObjectName(QStringLiteral("sendTimes"));
    m_times->setAccessibleName(QStringLiteral("Times:"));
    m_times->setRange(1, 99);
    m_send->setObjectName(QStringLiteral("sendNowButton"));
    m_send->setAccessibleName(QStringLiteral("Send now"));
    m_cancel->setObjectName(QStringLiteral("sendCancel"));
    m_cancel->setAccessibleName(QStringLiteral("Cancel sending"));
    m_pane->setObjectName(QStringLiteral("sendReply"));
    m_pane->setAccessibleName(QStringLiteral("Reply"));
    m_pane->setReadOnly(true);
    m_pane->setMaximumBlockCount(2000);
    m_pane->setMinimumHeight(70);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_expand, 0, Qt::AlignLeft);
    outer->addWidget(m_body);
    auto* grid = new QGridLayout(m_body);
    grid->setContentsMargins(0, 0, 0, 0);
    auto label = [this](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, m_body);
        l->setBuddy(buddy);
        return l;
    };
    grid->addWidget(label(QStringLiteral("PC port:"), m_portBox), 0, 0);
    grid->addWidget(m_portBox, 0, 1, 1, 3);
    grid->addWidget(label(QStringLiteral("Listen:"), m_listen), 1, 0);
    grid->addWidget(m_listen, 1, 1);
    grid->addWidget(label(QStringLiteral("Times:"), m_times), 1, 2);
    grid->addWidget(m_times, 1, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_send);
    buttons->addWidget(m_cancel);
    if (offerCompare) {
        m_mode = new QComboBox(m_body);
        m_mode->setObjectName(QStringLiteral("sendCompareMode"));
        m_mode->setAccessibleName(QStringLiteral("Compare mode of the compare action"));
        m_mode->addItems({QStringLiteral("Equal"), QStringLiteral("Include")});
        m_compare = new QPushButton(QStringLiteral("Make compare action"), m_body);
        m_compare->setObjectName(QStringLiteral("makeCompare"));
        m_compare->setAccessibleName(QStringLiteral("Make compare action"));
        m_compare->setToolTip(QStringLiteral("Fill the Compare page with the reply"));
        buttons->addStretch();
        buttons->addWidget(m_mode);
        buttons->addWidget(m_compare);
        connect(m_compare, &QPushButton::clicked, this, &SendNowPanel::makeCompare);
    }
    grid->addLayout(buttons, 2, 0, 1, 4);
    grid->addWidget(m_pane, 3, 0, 1, 4);

    connect(m_send, &QPushButton::clicked, this, &SendNowPanel::sendNow);
    connect(m_cancel, &QPushButton::clicked, this, &SendNowPanel::cancel);
    updateButtons();
    setExpanded(false);
}

SendNowPanel::~SendNowPanel() = default;

void SendNowPanel::setExpanded(bool expanded) {
    m_expand->setChecked(expanded);
    m_expand->setArrowType(expanded ? Qt::DownArrow : Qt::RightArrow);
    m_body->setVisible(expanded);
}

bool SendNowPanel::isExpanded() const {
    return m_body->isVisibleTo(this);
}

bool SendNowPanel::isSending() const {
    return m_sender && m_sender->isRunning();
}

void SendNowPanel::say(const QString& line) {
    m_pane->appendPlainText(line);
}

void SendNowPanel::sendNow() {
    if (isSending()) {
        return;
    }
    m_pane->clear();
    m_reply.clear();
    updateButtons();
    QString refusal;
    const std::string text = m_source ? m_source(&refusal) : std::string();
    if (text.empty()) {
        say(refusal.isEmpty() ? QStringLiteral("There is no RS232 action to send.") : refusal);
        return;
    }
    const std::optional<Rs232Send> send = Rs232SendOfAction(text, &refusal);
    if (!send) {
        say(refusal);
        return;
    }
    const QString port = m_portBox->currentText().trimmed();
    if (port.isEmpty()) {
        say(QStringLiteral("Choose the PC's serial port to the device first."));
        return;
    }
    if (IsKeypadPort(m_portBox->discovery(), port)) {
        say(QStringLiteral("%1 is the keypad's own port: choose the port of the device's "
                           "adapter.")
                .arg(port));
        return;
    }
    Settings().setValue(QLatin1String(kPortKey), port);
    m_keypadPort = send->port;

    SendRequest request;
    request.port = port;
    request.line = send->line;
    request.data = send->data;
    request.times = m_times->value();
    request.delayMs = send->delay * kDelayUnitMs;
    request.listenMs = m_listen->value();
    m_sender = std::make_unique<LineSender>();
    connect(m_sender.get(), &LineSender::warning, this,
            [this](const QString& w) { say(QStringLiteral("Warning: ") + w); });
    connect(m_sender.get(), &LineSender::sent, this, [this, data = send->data](int, qint64 at) {
        say(QStringLiteral("+%1 ms  sent %2 bytes: %3").arg(at).arg(data.size()).arg(Shown(data)));
    });
    connect(m_sender.get(), &LineSender::received, this,
            [this](const QByteArray& bytes, qint64 at) {
                m_reply += bytes;
                say(QStringLiteral("+%1 ms  received %2 bytes: %3")
                        .arg(at)
                        .arg(bytes.size())
                        .arg(Shown(bytes)));
                updateButtons();
            });
    connect(m_sender.get(), &LineSender::finished, this, &SendNowPanel::ended);
    say(QStringLiteral("%1: %2").arg(port, LineText(send->line)));
    if (!m_sender->start(request)) {
        say(m_sender->result().message);
        m_sender.reset();
    }
    updateButtons();
}

void SendNowPanel::ended() {
    const SendResult& r = m_sender->result();
    // Bytes read while ending belong to the reply too.
    m_reply = r.replyBytes();
    if (r.outcome == SendResult::Sent) {
        say(m_reply.isEmpty()
                ? QStringLiteral("No reply within %1 ms.").arg(m_listen->value())
                : QStringLiteral("Reply: %1 bytes: %2").arg(m_reply.size()).arg(Shown(m_reply)));
    } else {
        say(r.message);
    }
    // Deleted later: this runs inside the sender's own signal.
    m_sender.release()->deleteLater();
    updateButtons();
    Q_EMIT sendFinished();
}

void SendNowPanel::cancel() {
    if (m_sender) {
        m_sender->cancel();
    }
}

void SendNowPanel::makeCompare() {
    const int mode = m_mode ? m_mode->currentIndex() : 0;
    const std::optional<ReplyCompare> made = CompareFromReply(m_reply, m_keypadPort, mode);
    if (!made) {
        say(QStringLiteral("Nothing came back to compare with."));
        return;
    }
    if (!made->note.isEmpty()) {
        say(made->note);
    }
    say(QStringLiteral("The Compare page holds the reply: \"Add\" puts the compare action after "
                       "the RS232 action."));
    Q_EMIT compareActionMade(latin1::ToQString(made->action.ToActionText()));
}

void SendNowPanel::updateButtons() {
    const bool sending = isSending();
    m_send->setEnabled(!sending);
    m_cancel->setEnabled(sending);
    m_portBox->setEnabled(!sending);
    if (m_compare) {
        m_compare->setEnabled(!sending && !m_reply.isEmpty());
    }
}

} // namespace qz
