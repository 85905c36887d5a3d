// The small dialogs used as a user uses them: the question box, the timed clear progress, new
// names with their messages, the port arrangement and the upload progress.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "UiTestSupport.h"
#include "io/Latin1.h"
#include "ui/dialogs/SmallDialogs.h"

using namespace qz;
using qz::test::AnsweringMessages;
using qz::test::Find;
using qz::test::Press;

namespace {

// --- question box -----------------------------------------------------------------------------

TEST(SmallDialogs, AskShowsTheMessageAndReturnsTheButton) {
    const QString text = "Clear all the parameters of the machine,\rare you sure ? ";
    for (const char* button : {"ok", "cancel"}) {
        CDlgAsk ask(text);
        ask.show();
        EXPECT_EQ(ask.windowTitle(), "Dialog");
        EXPECT_EQ(ask.text(), text);
        EXPECT_EQ(Find<QLabel>(ask, "text")->text(),
                  "Clear all the parameters of the machine,\nare you sure ? ");
        Press(ask, button);
        EXPECT_EQ(ask.result(), QString(button) == "ok" ? QDialog::Accepted : QDialog::Rejected);
    }
}

TEST(SmallDialogs, QuestionsAndMessagesRunThroughTheOneSeam) {
    AnsweringMessages messages;
    QStringList seen;
    messages.onExec = [&](QDialog& dialog) {
        if (auto* ask = qobject_cast<CDlgAsk*>(&dialog)) {
            seen << ask->text();
            Press(dialog, seen.size() == 1 ? "ok" : "cancel");
        }
    };
    EXPECT_TRUE(messages.Ask("Clear all data? \r\nYes or No ?", {}));
    EXPECT_FALSE(messages.Ask("Unusual the machine,\rare you sure ? ", {}));
    EXPECT_EQ(seen, QStringList({"Clear all data? \r\nYes or No ?",
                                 "Unusual the machine,\rare you sure ? "}));
    EXPECT_EQ(messages.dialogs, 2);
}

// --- clear progress ---------------------------------------------------------------------------

// The box has no clock of its own: it shows the ticks the session counts and closes when told.
TEST(SmallDialogs, ClearBoxFollowsTheTicksItIsGiven) {
    CDlgClearAll dialog;
    EXPECT_EQ(dialog.windowTitle(), "Dialog");
    dialog.show();
    for (int tick = 0; tick <= 20; ++tick) { // 21 ticks of a second: one step each
        dialog.setProgress(tick, 21, tick < 5 ? 0 : 1);
        EXPECT_EQ(dialog.position(), tick);
    }
    dialog.setProgress(3, 21, 2); // both answers in: nearly full
    EXPECT_EQ(dialog.position(), 19);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());
    QTest::qWait(50);
    EXPECT_EQ(dialog.position(), 19);
    dialog.finish();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.position(), 20);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

// --- new names --------------------------------------------------------------------------------

struct NameCase {
    int mode;
    const char* typed;
    const char* message;   // empty: accepted
    const char* leftInBox; // what the box holds after a refusal
};

void PrintTo(const NameCase& c, std::ostream* out) {
    *out << "mode " << c.mode << " \"" << c.typed << '"';
}

class NewNames : public ::testing::TestWithParam<NameCase> {
  protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(folder.isValid());
        for (const char* file : {"TV.irr", "Amp.rss"}) {
            QFile f(QDir(folder.path()).filePath(file));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
    }
    static CDlgNewName::DuplicateTest TestFor(int mode) {
        switch (mode) {
        case CDlgNewName::Rs232Library:
            return CDlgNewName::LibraryFileTest(folder.path(), ".rss");
        case CDlgNewName::IrLibrary:
            return CDlgNewName::LibraryFileTest(folder.path(), ".irr");
        case CDlgNewName::Rs232Function:
            return CDlgNewName::FunctionListTest({"Power", " Vol"}, false);
        default:
            // The IR function list's name column, with its blanks; "Power" is the name of the
            // function being renamed.
            return CDlgNewName::FunctionListTest({" Power ", "Vol"}, true);
        }
    }
    static QTemporaryDir folder;
};
QTemporaryDir NewNames::folder;

TEST_P(NewNames, OkChecksTheNameAsTheModeSays) {
    const NameCase& c = GetParam();
    AnsweringMessages messages;
    CDlgNewName dialog(c.mode, TestFor(c.mode), messages);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Dialog");
    QLineEdit* edit = dialog.nameEdit();
    EXPECT_TRUE(edit->text().isEmpty());
    QTest::keyClicks(edit, QString::fromUtf8(c.typed));
    Press(dialog, "ok");
    if (*c.message) {
        EXPECT_EQ(messages.shown, QStringList{c.message});
        EXPECT_TRUE(dialog.isVisible()); // stays open for another try
        EXPECT_FALSE(dialog.accepted());
        EXPECT_EQ(edit->text(), c.leftInBox);
    } else {
        EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown.join('|').toStdString();
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_TRUE(dialog.accepted());
        EXPECT_EQ(dialog.name(), QString::fromUtf8(c.typed).trimmed());
    }
}

const char kLibEmpty[] = "Please create a new lib name";
const char kFunEmpty[] = "Please create a new function name";
const char kLibTaken[] = "the name is aready exsit in the Library";
const char kFunTaken[] = "The Function name is already exist";

INSTANTIATE_TEST_SUITE_P(
    SmallDialogs, NewNames,
    ::testing::Values(
        // Empty names, blanks only included.
        NameCase{0, "", kLibEmpty, ""}, NameCase{1, "  ", kFunEmpty, "  "},
        NameCase{2, " ", kLibEmpty, " "}, NameCase{3, "", kFunEmpty, ""},
        // Libraries: only a file of exactly that name counts; the box is emptied.
        NameCase{2, "TV", kLibTaken, ""}, NameCase{2, " TV ", kLibTaken, ""},
        NameCase{2, "tv", "", ""}, NameCase{2, "Tv", "", ""}, NameCase{0, "TV", "", ""},
        NameCase{0, "Amp", kLibTaken, ""}, NameCase{0, "AMP", "", ""},
        // RS232 functions compare exactly; IR functions against the trimmed name column, so the
        // function's current name is refused.
        NameCase{1, "Power", kFunTaken, "Power"}, NameCase{1, "Vol", "", ""},
        NameCase{1, "power", "", ""}, NameCase{3, "Power", kFunTaken, "Power"},
        NameCase{3, "Vol", kFunTaken, "Vol"}, NameCase{3, "Mute", "", ""},
        // A name that would break an action text; a function name is no file name.
        NameCase{1, "a:b", "A name cannot contain \":\".", "a:b"}, NameCase{3, "a/b", "", ""},
        NameCase{3, "..", "", ""}));

// A library name is a file name in the library folder: one that would leave it, hide the file or
// hold a control byte is refused with the reason, in both library modes; a character that has no
// 8-bit form is refused in every mode.
TEST(SmallDialogs, NewNameRefusesLibraryNamesThatAreNoFileInTheFolder) {
    struct Case {
        int mode;
        QString typed;
        QString message;
    };
    const auto fault = [](const char* name) { return latin1::LibraryNameFaultText(name); };
    const Case cases[] = {
        {CDlgNewName::IrLibrary, "../x", fault("../x")},
        {CDlgNewName::Rs232Library, "a\\b", fault("a\\b")},
        {CDlgNewName::IrLibrary, "..", fault("..")},
        {CDlgNewName::Rs232Library, "a..b", fault("a..b")},
        {CDlgNewName::IrLibrary, ".hidden", fault(".hidden")},
        {CDlgNewName::Rs232Library, QStringLiteral("a\tb"), fault("a\tb")},
        {CDlgNewName::IrLibrary, QStringLiteral("Caf\u00e9"), QString()},
        {CDlgNewName::IrLibrary, QStringLiteral("TV \u03a9"),
         latin1::OutsideMessage(QStringLiteral("TV \u03a9"), QStringLiteral("Name"))},
        {CDlgNewName::Rs232Function, QStringLiteral("On \u03a9"),
         latin1::OutsideMessage(QStringLiteral("On \u03a9"), QStringLiteral("Name"))},
    };
    QTemporaryDir folder;
    for (const Case& c : cases) {
        AnsweringMessages messages;
        CDlgNewName dialog(c.mode, CDlgNewName::LibraryFileTest(folder.path(), ".irr"), messages);
        dialog.show();
        dialog.nameEdit()->setText(c.typed);
        Press(dialog, "ok");
        if (c.message.isEmpty()) {
            EXPECT_TRUE(dialog.accepted()) << c.typed.toStdString();
            EXPECT_TRUE(messages.shown.isEmpty()) << c.typed.toStdString();
        } else {
            EXPECT_FALSE(dialog.accepted()) << c.typed.toStdString();
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_EQ(messages.shown, QStringList{c.message}) << c.typed.toStdString();
        }
    }
}

TEST(SmallDialogs, NewNameCancelLeavesItUnaccepted) {
    AnsweringMessages messages;
    CDlgNewName dialog(CDlgNewName::IrFunction, {}, messages);
    dialog.show();
    QTest::keyClicks(dialog.nameEdit(), "Mute");
    Press(dialog, "cancel");
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_FALSE(dialog.accepted());
    EXPECT_TRUE(messages.shown.isEmpty());
}

// --- port arrangement -------------------------------------------------------------------------

TEST(SmallDialogs, PanelOffersTheFourArrangementsAndReturnsTheChoice) {
    CDlgPanel dialog(2);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Output Port Selection");
    QComboBox* list = dialog.list();
    QStringList entries;
    for (int i = 0; i < list->count(); ++i) {
        entries << list->itemText(i);
    }
    EXPECT_EQ(entries, QStringList({"RS232(1),(2)", "RS232(2),IR 2", "RS232(1),IR 3", "IR 2,3"}));
    EXPECT_EQ(list->currentIndex(), 2);
    EXPECT_EQ(list->accessibleName(), "Enable RS232/IR");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(list->currentIndex(), 3);
    Press(dialog, "ok");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.selectedIndex(), 3);

    CDlgPanel cancelled(1);
    cancelled.show();
    cancelled.list()->setCurrentIndex(0);
    Press(cancelled, "cancel");
    EXPECT_EQ(cancelled.result(), QDialog::Rejected);
    EXPECT_EQ(cancelled.selectedIndex(), 1);
}

// --- upload progress --------------------------------------------------------------------------

Configuration ModelWithEvents(int model, int rows) {
    Configuration config;
    config.LayoutKeys(model);
    config.deviceModel = model;
    // Press and release of consecutive keys.
    for (int i = 0; i < rows; ++i) {
        EXPECT_GE(config.AddEvent(i / 2, kFamilyKey, i % 2, 0), 0);
    }
    EXPECT_EQ(config.EventRowCount(), rows);
    return config;
}

TEST(SmallDialogs, UploadStepsCountRowsFixedFramesAndGroups) {
    Configuration config = ModelWithEvents(0, 10);
    config.keys[0].keyGroup = 1;
    config.keys[3].keyGroup = 1;
    config.keys[7].keyGroup = 5;
    const UploadSteps steps = ComputeUploadSteps(config);
    EXPECT_EQ(steps.count, 60); // 10 + 48 + 2
    EXPECT_EQ(steps.groupMask, 0x11u);

    struct Case {
        int model;
        int key;
        int group;
        int count;
        unsigned mask;
    };
    // Only the model's normal keys count, and only groups 1 to 32.
    for (const Case& c : {Case{1, 7, 32, 10 + 48 + 1, 0x80000000u}, Case{1, 8, 3, 10 + 48, 0u},
                          Case{2, 18, 19, 10 + 58 + 1, 1u << 18}, Case{2, 19, 2, 10 + 58, 0u},
                          Case{0, 2, 33, 10 + 48, 0u}, Case{0, 2, -1, 10 + 48, 0u}}) {
        Configuration other = ModelWithEvents(c.model, 10);
        other.keys[size_t(c.key)].keyGroup = c.group;
        const UploadSteps s = ComputeUploadSteps(other);
        EXPECT_EQ(s.count, c.count) << c.model << "/" << c.key;
        EXPECT_EQ(s.groupMask, c.mask) << c.model << "/" << c.key;
    }
    Configuration unknown = ModelWithEvents(1, 4);
    unknown.deviceModel = 6;
    unknown.keys[0].keyGroup = 4;
    EXPECT_EQ(ComputeUploadSteps(unknown).count, 4 + 38);
    EXPECT_EQ(ComputeUploadSteps(unknown).groupMask, 0u);
}

TEST(SmallDialogs, UploadProgressMovesAndCancels) {
    Configuration config = ModelWithEvents(0, 10);
    config.keys[0].keyGroup = 1;
    config.keys[7].keyGroup = 5;
    for (const bool escape : {false, true}) {
        CDlgProgress dialog(config);
        dialog.show();
        EXPECT_EQ(dialog.windowTitle(), "Dialog");
        auto* bar = Find<QProgressBar>(dialog, "progress");
        EXPECT_EQ(bar->maximum(), 60);
        EXPECT_EQ(dialog.steps().groupMask, 0x11u);
        dialog.setPosition(12);
        EXPECT_EQ(bar->value(), 12);
        QSignalSpy cancel(&dialog, &CDlgProgress::cancelRequested);
        if (escape) {
            QTest::keyClick(&dialog, Qt::Key_Escape);
        } else {
            Press(dialog, "cancel");
        }
        EXPECT_EQ(cancel.count(), 1);
        EXPECT_TRUE(dialog.cancelled());
        // Open until the upload has ended, saying what it still does; asked once.
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_FALSE(Find<QPushButton>(dialog, "cancel")->isEnabled());
        QTest::keyClick(&dialog, Qt::Key_Escape);
        EXPECT_EQ(cancel.count(), 1);
        dialog.setStopping("Cancelling: the settings frames go out first");
        EXPECT_TRUE(Find<QLabel>(dialog, "stopping")->isVisible());
        EXPECT_EQ(dialog.stoppingText(), "Cancelling: the settings frames go out first");
        dialog.finish();
        EXPECT_FALSE(dialog.isVisible());
    }
    CDlgProgress done(config);
    done.show();
    done.finish();
    EXPECT_EQ(done.result(), QDialog::Accepted);
    EXPECT_FALSE(done.cancelled());
}

} // namespace

QZ_UI_TEST_MAIN()
