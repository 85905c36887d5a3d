// The window's keypad commands against the simulated keypad: the pre-flight before an upload, a
// cancel that ends the upload while its box says what still goes on, a project nobody can edit
// while the keypad reads it, and one message for each thing that happened.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QTemporaryDir>
#include <QToolButton>

#include "../link/LinkTestSupport.h"
#include "UiTestSupport.h"
#include "library/IrLibrary.h"
#include "link/EventLoop.h"
#include "link/KeypadSession.h"
#include "link/KeypadSimulator.h"
#include "link/LinkTexts.h"
#include "link/Uploader.h"
#include "model/ActionTexts.h"
#include "store/Paths.h"
#include "store/ProjectFile.h"
#include "ui/MainWindow.h"
#include "ui/dialogs/SmallDialogs.h"
#include "ui/document/EditorDocument.h"

using namespace qz;
using qz::test::Command;
using qz::test::Find;
using qz::test::ScriptedMessages;

namespace {

const std::string kLed = "LEDP : 3 : 2 : 2";

bool Wait(const std::function<bool()>& done, int ms = 8000) {
    return RunEventsUntil(done, ms);
}

std::string IrPower(char digit) {
    IrAction power;
    power.libName = "TV";
    power.function = "Power";
    power.code = std::string(kIrCodeDigits, digit);
    return power.ToActionText();
}

struct KeypadWindow : ::testing::Test {
    QTemporaryDir dir;
    test::FakePorts ports;
    ScriptedMessages messages;
    EditorDocument document{test::Layout(1)};
    KeypadSession session{ports.discovery()};
    MainWindow window{document, session, &messages};

    // Opens a project of key events holding `actions` (the file may hold what the pages refuse).
    void OpenProject(const std::vector<std::string>& actions) {
        Configuration config;
        for (int key : {0, 4}) {
            const int slot = config.AddEvent(key, kFamilyKey, key == 0 ? 0 : 1, 0);
            for (const std::string& a : actions) {
                config.keys[size_t(key)].slots[size_t(slot)].push_back(a);
            }
        }
        const QString path = dir.filePath(QStringLiteral("p.qzp"));
        ASSERT_TRUE(SaveProject(path, config));
        ASSERT_TRUE(document.open(path).ok);
    }
    bool Connect(KeypadSimulator& sim) {
        if (!test::StartSimulator(sim)) {
            return false;
        }
        session.setFixedPort(sim.devicePath());
        session.setUploadLogPath(dir.filePath(QStringLiteral("log.txt")));
        window.connectKeypad();
        return Wait([&] { return session.status() == LinkStatus::ConnectSuccess; });
    }
    // Upload, answering the questions with `answers`; the progress box when one opened.
    CDlgProgress* Upload(std::deque<int> answers = {1}) {
        messages.answers = std::move(answers);
        Command(window, QStringLiteral("Upload"))->trigger();
        return window.findChild<CDlgProgress*>(QStringLiteral("uploadProgress"));
    }
    int Shown(const QString& part) const {
        return int(std::count_if(messages.shown.begin(), messages.shown.end(),
                                 [&](const QString& s) { return s.contains(part); }));
    }
};

} // namespace

TEST_F(KeypadWindow, UploadRefusesFindingsAndAsksAboutStaleCopies) {
    KeypadSimulator sim;
    ASSERT_TRUE(Connect(sim));
    const int handshake = int(sim.receivedFrames().size());

    OpenProject({kLed, "NOPE : this is no action"});
    EXPECT_EQ(Upload(), nullptr);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].contains("refused before erasing the keypad"));
    EXPECT_TRUE(messages.shown[0].contains("does not parse")) << messages.shown[0].toStdString();
    EXPECT_TRUE(messages.asked.isEmpty()); // not even "Clear all data?"

    // The library's Power has another code today.
    CIrLibSet tv;
    tv.libName = "TV";
    tv.entries = {MakeIrEntry("Power", std::string(kIrCodeDigits, 'b'))};
    ASSERT_TRUE(QDir().mkpath(LibraryFolder()));
    ASSERT_TRUE(SaveIrLibraryFile(LibraryFolder() + QStringLiteral("/TV.irr"), tv));
    OpenProject({kLed, IrPower('a')});
    EXPECT_EQ(Upload({0}), nullptr);
    ASSERT_EQ(messages.asked.size(), 1);
    EXPECT_TRUE(messages.asked[0].contains("old copy of their library function"));
    EXPECT_TRUE(messages.asked[0].contains("\"Power\" of library \"TV\""));
    EXPECT_EQ(int(sim.receivedFrames().size()), handshake); // the keypad was not touched

    ASSERT_NE(Upload({1, 1}), nullptr);
    ASSERT_TRUE(Wait([&] { return !session.uploading(); }));
    EXPECT_GT(int(sim.receivedFrames().size()), handshake);
    QFile::remove(LibraryFolder() + QStringLiteral("/TV.irr"));
}

struct CancelCase {
    const char* name;
    SimulatorOptions options;
    int cancelAfterFrame; // the plan's frame after which "Cancel" is pressed
    bool stillRuns;       // the settings frames go on for a moment after the cancel
};
void PrintTo(const CancelCase& c, std::ostream* os) {
    *os << c.name;
}

class CancelInTheBox : public KeypadWindow, public testing::WithParamInterface<CancelCase> {};

TEST_P(CancelInTheBox, EndsTheUploadWithinASecondAndTheBoxStaysUntilThen) {
    const CancelCase& c = GetParam();
    KeypadSimulator sim(c.options);
    ASSERT_TRUE(Connect(sim));
    OpenProject({kLed});
    bool pressed = false;
    QPointer<CDlgProgress> box;
    QElapsedTimer clock;
    QObject::connect(&session.uploader(), &Uploader::frameSent, [&](int index) {
        if (index == c.cancelAfterFrame && !pressed) {
            pressed = true;
            QTimer::singleShot(100, box, [&] {
                clock.start();
                test::Press(*box, "cancel");
            });
        }
    });
    box = Upload();
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(Wait([&] { return clock.isValid(); }));
    if (c.stillRuns) {
        EXPECT_TRUE(session.uploading());
        ASSERT_TRUE(box);
        EXPECT_TRUE(box->isVisible());
        EXPECT_TRUE(Find<QLabel>(*box, "stopping")->text().startsWith("Cancelling"));
    }
    // Whenever the upload still runs, its box is there to say so.
    bool boxWhileRunning = true;
    ASSERT_TRUE(Wait([&] {
        boxWhileRunning = boxWhileRunning && (!session.uploading() || (box && box->isVisible()));
        return !session.uploading();
    }));
    EXPECT_LT(clock.elapsed(), Uploader::kCancelGraceMs + 500);
    EXPECT_TRUE(boxWhileRunning);
    EXPECT_TRUE(Wait([&] { return !box; }));
    EXPECT_EQ(Shown(QString::fromLatin1(texts::kUploadCancelled)), 1)
        << messages.shown.join('|').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    During, CancelInTheBox,
    testing::Values(CancelCase{"EraseWait", test::SilentAfterHandshake(), 0, false},
                    CancelCase{"SettingsFrames", test::Delayed(400), 2, true}),
    [](const testing::TestParamInfo<CancelCase>& info) { return std::string(info.param.name); });

// Accessibility actions reach a button behind the modal box: the document itself says no.
TEST_F(KeypadWindow, NothingEditsTheProjectWhileItIsUploaded) {
    KeypadSimulator sim(test::Delayed(200));
    ASSERT_TRUE(Connect(sim));
    OpenProject({kLed});
    ASSERT_TRUE(document.addAction(QStringLiteral("RELY : 0 : 1 : 1")).done()); // one undo step
    const Configuration before = document.configuration();
    CDlgProgress* box = Upload();
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(session.uploading());

    auto* clearAll = Find<QToolButton>(window, "clearAllEvents");
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(clearAll);
    ASSERT_NE(face, nullptr);
    ASSERT_NE(face->actionInterface(), nullptr);
    face->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(document.configuration() == before);
    EXPECT_EQ(Shown(QString::fromLatin1(kLockedText)), 1);
    QAction* undo = window.findChild<QAction*>(QStringLiteral("undo"));
    ASSERT_NE(undo, nullptr);
    EXPECT_FALSE(undo->isEnabled());
    undo->trigger();
    EXPECT_TRUE(document.configuration() == before);

    test::Press(*box, "cancel");
    ASSERT_TRUE(Wait([&] { return !session.uploading(); }));
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_TRUE(document.clearAllEvents().done());
}

TEST_F(KeypadWindow, ALostPortDuringAnUploadIsToldOnce) {
    SimulatorOptions options;
    options.hangUpAfter = 10;
    KeypadSimulator sim(options);
    ASSERT_TRUE(Connect(sim));
    OpenProject({kLed});
    ASSERT_NE(Upload(), nullptr);
    ASSERT_TRUE(Wait([&] { return !session.uploading(); }));
    QTest::qWait(100);
    EXPECT_EQ(Shown(QString::fromLatin1(texts::kUploadPortLost)), 1)
        << messages.shown.join('|').toStdString();
}

// The clear is timed once, by the session: its box closes when the clear ends, with one message.
TEST_F(KeypadWindow, AnUnconfirmedClearEndsWithItsBoxAndOneMessage) {
    KeypadSimulator sim(test::SilentAfterHandshake());
    ASSERT_TRUE(Connect(sim));
    session.link().setClearTimeoutMs(400);
    session.setClearTickMs(50);
    messages.answers = {1};
    Command(window, QStringLiteral("Clear"))->trigger();
    QPointer<CDlgClearAll> box = window.findChild<CDlgClearAll*>(QStringLiteral("clearProgress"));
    ASSERT_TRUE(box);
    EXPECT_TRUE(box->isVisible());
    EXPECT_TRUE(document.isLocked());
    EXPECT_TRUE(Wait([&] { return !box; }, 3000));
    QTest::qWait(100);
    EXPECT_FALSE(document.isLocked());
    ASSERT_EQ(messages.shown.size(), 1) << messages.shown.join('|').toStdString();
    EXPECT_TRUE(messages.shown[0].contains("did not confirm the erase"));
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("QZCTR_HOME", home.path().toLocal8Bit());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
