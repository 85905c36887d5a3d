// "Send now" and "Make compare action" against a pseudo-terminal standing for the device.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <string>

#include "UiTestSupport.h"
#include "library/Rs232Library.h"
#include "link/EventLoop.h"
#include "model/ActionTexts.h"
#include "model/KvqEventStr.h"
#include "store/Paths.h"
#include "tests/link/PtyPair.h"
#include "ui/libraries/Rs232LibraryEditor.h"
#include "ui/pages/ActionPagesPanel.h"
#include "ui/pages/Rs232Edit.h"
#include "ui/pages/Rs232Page.h"
#include "ui/pages/SendNowPanel.h"

using namespace qz;
using qz::test::PtyPair;

namespace {

QByteArray RecordData(const std::string& text) {
    const std::string record = CKvqEventStr::EncodeToBytes(text);
    return QByteArray(record.data() + 18, std::stoi(record.substr(16, 2)));
}

std::string PowerOn() {
    Rs232Action a;
    a.data = "PWR ON";
    a.endChar = 1;
    a.port = 1;
    return a.ToActionText();
}

// Clicks "Send now" and waits for the send to end.
bool SendAndWait(SendNowPanel* send) {
    QSignalSpy finished(send, &SendNowPanel::sendFinished);
    QTest::mouseClick(send->sendButton(), Qt::LeftButton);
    return RunEventsUntil([&] { return finished.count() > 0; }, 5000);
}

TEST(SendNow, SendsThePagesActionShowsTheReplyAndMakesTheCompare) {
    ActionPagesPanel pages;
    // Tall enough for the opened panel to be in view, where the mouse reaches it.
    pages.resize(900, 1200);
    pages.show();
    CPageView3Rs232* rs232 = pages.rs232Page();
    ASSERT_TRUE(rs232->ShowAction(QString::fromStdString(PowerOn())));
    SendNowPanel* send = rs232->sendNowPanel();
    EXPECT_FALSE(send->isExpanded());
    QTest::mouseClick(send->expandButton(), Qt::LeftButton);
    EXPECT_TRUE(send->isExpanded());
    PtyPair pty;
    pty.onReceived([&](const QByteArray& got) {
        if (got.contains('\r')) {
            pty.write("PWR");
            QTimer::singleShot(30, [&] { pty.write("=1\r"); });
        }
    });
    send->portBox()->setEditText(pty.slavePath());
    send->listenBox()->setValue(300);
    EXPECT_FALSE(send->compareButton()->isEnabled());

    ASSERT_TRUE(SendAndWait(send));
    EXPECT_EQ(pty.received(), RecordData(PowerOn()));
    EXPECT_EQ(send->reply(), QByteArray("PWR=1\r"));
    const QString pane = send->replyPane()->toPlainText();
    EXPECT_TRUE(pane.contains("ms  sent 7 bytes: PWR ON\\x0d  | 50 57 52 20 4f 4e 0d"))
        << pane.toStdString();
    EXPECT_TRUE(pane.contains("ms  received")) << pane.toStdString();
    EXPECT_TRUE(pane.contains("Reply: 6 bytes: PWR=1\\x0d  | 50 57 52 3d 31 0d"))
        << pane.toStdString();
    // The port is remembered for the next start.
    EXPECT_EQ(QSettings(SettingsPath(), QSettings::IniFormat).value(SendNowPanel::kPortKey),
              pty.slavePath());

    // The compare waits on the action's port for the reply, end character recognised.
    send->compareMode()->setCurrentText("Equal");
    ASSERT_TRUE(send->compareButton()->isEnabled());
    QSignalSpy added(&pages, &ActionPagesPanel::addRequested);
    QTest::mouseClick(send->compareButton(), Qt::LeftButton);
    EXPECT_EQ(pages.currentIndex(), kComparePage);
    CompareAction expected;
    expected.port = 1;
    expected.endChar = 1;
    expected.compareMode = 0;
    expected.data = "PWR=1";
    EXPECT_EQ(pages.page(kComparePage)->BuildActionText().toStdString(), expected.ToActionText());
    QTest::mouseClick(pages.page(kComparePage)->addButton(), Qt::LeftButton);
    ASSERT_EQ(added.count(), 1);
    const std::string compare = added.at(0).at(0).toString().toStdString();
    EXPECT_EQ(RecordData(compare), QByteArray("PWR=1\r"));

    // Each send starts with an empty pane and reply.
    pty.onReceived({});
    ASSERT_TRUE(SendAndWait(send));
    EXPECT_FALSE(send->replyPane()->toPlainText().contains("received"));
    EXPECT_TRUE(send->reply().isEmpty());
    EXPECT_FALSE(send->compareButton()->isEnabled());
}

TEST(SendNow, CancelEndsTheListenAtOnce) {
    CPageView3Rs232 page;
    page.show();
    ASSERT_TRUE(page.ShowAction(QString::fromStdString(PowerOn())));
    SendNowPanel* send = page.sendNowPanel();
    send->setExpanded(true);
    PtyPair pty;
    send->portBox()->setEditText(pty.slavePath());
    send->listenBox()->setValue(60000);
    QSignalSpy finished(send, &SendNowPanel::sendFinished);
    QTest::mouseClick(send->sendButton(), Qt::LeftButton);
    ASSERT_TRUE(RunEventsUntil([&] { return pty.received().size() == 7; }, 5000));
    EXPECT_TRUE(send->cancelButton()->isEnabled());
    EXPECT_FALSE(send->sendButton()->isEnabled());
    QTest::mouseClick(send->cancelButton(), Qt::LeftButton);
    EXPECT_EQ(finished.count(), 1);
    EXPECT_TRUE(send->replyPane()->toPlainText().contains("Cancelled"))
        << send->replyPane()->toPlainText().toStdString();
    EXPECT_TRUE(send->sendButton()->isEnabled());
    EXPECT_FALSE(send->cancelButton()->isEnabled());
}

TEST(SendNow, ThePortBoxLeavesOutTheKeypadAndEveryControlIsNamed) {
    SendNowPanel send(true);
    send.setExpanded(true);
    send.portBox()->setDiscovery(PortDiscovery("/nonexistent", [] {
        SerialPortEntry keypad{"ttyACM0", "/dev/ttyACM0", "USB Serial Device", "", true, false};
        SerialPortEntry adapter{"ttyUSB0", "/dev/ttyUSB0", "FT232R", "FTDI", true, false};
        return QList<SerialPortEntry>{keypad, adapter};
    }));
    ASSERT_EQ(send.portBox()->count(), 1);
    EXPECT_EQ(send.portBox()->itemText(0), "/dev/ttyUSB0");
    send.portBox()->setEditText("/dev/ttyACM0");
    send.setActionSource([](QString*) { return PowerOn(); });
    ASSERT_TRUE(RunEventsUntil([] { return true; }, 0));
    send.sendNow();
    EXPECT_TRUE(send.replyPane()->toPlainText().contains("is the keypad's own port"));
    EXPECT_FALSE(send.isSending());

    send.setActionSource([](QString*) { return std::string("RELY : 0 : 0 : 0"); });
    send.sendNow();
    EXPECT_TRUE(send.replyPane()->toPlainText().contains("only an RS232 action"));

    for (QWidget* w : send.findChildren<QWidget*>()) {
        if (qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractButton*>(w) ||
            qobject_cast<QSpinBox*>(w) || qobject_cast<QPlainTextEdit*>(w)) {
            EXPECT_FALSE(qz::test::AccessibleName(w).isEmpty()) << w->objectName().toStdString();
        }
    }
}

TEST(SendNow, TheLibraryEditorSendsTheFunctionShown) {
    test::ScriptedMessages messages;
    CDlgRs232EditLib editor(QString(), QString(), messages);
    editor.show();
    editor.dataBox()->setText("VOL 10");
    auto* send = editor.findChild<SendNowPanel*>();
    ASSERT_NE(send, nullptr);
    send->setExpanded(true);
    EXPECT_EQ(send->compareButton(), nullptr);
    PtyPair pty;
    send->portBox()->setEditText(pty.slavePath());
    send->listenBox()->setValue(0);
    ASSERT_TRUE(SendAndWait(send));
    ASSERT_TRUE(RunEventsUntil([&] { return pty.received().size() >= 6; }, 2000));
    EXPECT_EQ(pty.received(), QByteArray("VOL 10"));
}

} // namespace

QZ_UI_TEST_MAIN()
