// The IR and RS232 library editors and "Update actions from libraries", used as a user does:
// their buttons with their messages, learning against the simulated keypad, usage counts, the
// data area's bound. With QZ_SCREENSHOTS=DIR the editors are also saved as pictures there.
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <deque>

#include "UiTestSupport.h"
#include "io/Latin1.h"
#include "library/IrLibrary.h"
#include "library/Rs232Library.h"
#include "library/StaleActions.h"
#include "link/DeviceLink.h"
#include "link/EventLoop.h"
#include "link/KeypadSession.h"
#include "link/KeypadSimulator.h"
#include "model/ActionTexts.h"
#include "model/Configuration.h"
#include "store/Paths.h"
#include "ui/MainWindow.h"
#include "ui/dialogs/SmallDialogs.h"
#include "ui/dialogs/StaleActionsDialog.h"
#include "ui/document/EditorDocument.h"
#include "ui/libraries/IrLibraryEditor.h"
#include "ui/libraries/Rs232LibraryEditor.h"
#include "ui/pages/ActionPagesPanel.h"
#include "ui/pages/IrPage.h"
#include "ui/pages/Rs232Edit.h"
#include "ui/pages/Rs232Page.h"
#include <QPlainTextEdit>

using namespace qz;
using qz::test::AccessibleName;
using qz::test::Find;
using qz::test::Press;

namespace {

constexpr int kWaitMs = 5000;

std::string Code(char digit) {
    return std::string(kIrCodeDigits, digit);
}
QString Q(const std::string& s) {
    return QString::fromLatin1(s.data(), qsizetype(s.size()));
}

// Answers every name dialog with the next of `names`, file dialogs with the paths given and
// Save / Discard / Cancel questions from `answers` (none left: Cancel).
class Answers : public test::AnsweringMessages {
  public:
    Answers() {
        onExec = [this](QDialog& dialog) {
            auto* name = qobject_cast<CDlgNewName*>(&dialog);
            if (!name || names.isEmpty()) {
                dialog.reject();
                return;
            }
            name->nameEdit()->setText(names.takeFirst());
            QTest::mouseClick(name->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                              Qt::LeftButton);
        };
    }
    QString OpenFileName(const QString&, const QString& folder, const QString&) override {
        openFolder = folder;
        return openPath;
    }
    QString SaveFileName(const QString&, const QString& folder, const QString&) override {
        saveFolder = folder;
        return savePath;
    }
    int AskYesNoCancel(const QString& text, const QString&) override {
        asked << text;
        if (answers.empty()) {
            return -1;
        }
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }

    QStringList names;
    QString openPath;
    QString savePath;
    QString openFolder;
    QString saveFolder;
    QStringList asked;
    std::deque<int> answers; // 1 save, 0 discard, -1 cancel
};

// Library folder of its own per test (QZCTR_HOME is a temporary folder for the whole program).
class LibraryEditors : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = LibraryFolder();
        QDir dir(folder);
        for (const QString& f : dir.entryList(QDir::Files)) {
            dir.remove(f);
        }
        tv.libName = "TV";
        tv.entries = {MakeIrEntry("Power", Code('a')), MakeIrEntry("Mute", Code('b')),
                      MakeIrEntry("Vol+", Code('c'))};
        ASSERT_TRUE(SaveIrLibraryFile(Path("TV.irr"), tv));
        proj.libName = "Proj";
        proj.functions = {test::Rs232LibraryFunction("On", kRs232Ascii, kEndCr, "ON\r"),
                          test::Rs232LibraryFunction("Code", kRs232Hex, kEndNone, "\x01\x02\xff")};
        proj.functions[1].dataBits = "7";
        proj.functions[1].parity = "ODD";
        proj.functions[1].baudRate = "19200";
        ASSERT_TRUE(SaveRs232LibraryFile(Path("Proj.rss"), proj));
    }
    QString Path(const char* name) const { return folder + QLatin1Char('/') + name; }

    QString folder;
    CIrLibSet tv;
    CRS232LibSet proj;
    Answers messages;
};

// --- IR editor ---

TEST_F(LibraryEditors, IrOpensTheRequestedLibraryAndSelectsTheFunction) {
    CDlgIREditLib editor(QStringLiteral(" TV "), QStringLiteral("Mute"), messages);
    EXPECT_EQ(editor.windowTitle(), QStringLiteral("IR Edit"));
    EXPECT_EQ(editor.libraryName(), QStringLiteral("TV"));
    CKvqIrListCtrl* list = editor.list();
    ASSERT_EQ(list->rowCount(), 3);
    EXPECT_EQ(list->RowName(0), QStringLiteral("Power"));
    EXPECT_EQ(list->RowData(1), Q(Code('b')));
    EXPECT_EQ(list->Cell(2, CKvqIrListCtrl::kNo), QStringLiteral("3"));
    EXPECT_EQ(list->FirstSelectedRow(), 1);
    EXPECT_EQ(list->RowText(0), Q(MakeIrEntry("Power", Code('a'))));

    // Without a matching function the last row is selected; a missing library starts empty.
    CDlgIREditLib noFunction(QStringLiteral("TV"), QStringLiteral("mute"), messages);
    EXPECT_EQ(noFunction.list()->FirstSelectedRow(), 2);
    CDlgIREditLib missing(QStringLiteral("DVD"), QStringLiteral("Play"), messages);
    EXPECT_EQ(missing.list()->rowCount(), 0);
    EXPECT_TRUE(missing.libraryName().isEmpty());
    EXPECT_TRUE(messages.shown.isEmpty());
}

struct ButtonCase {
    const char* button;
    const char* message;
};

class IrEmptyEditor : public LibraryEditors, public ::testing::WithParamInterface<ButtonCase> {};

TEST_P(IrEmptyEditor, ButtonSaysWhatIsMissing) {
    CDlgIREditLib editor(QString(), QString(), messages);
    editor.show();
    Press(editor, GetParam().button);
    EXPECT_EQ(messages.shown, QStringList{QLatin1String(GetParam().message)});
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 2) << "nothing may be written";
}

INSTANTIATE_TEST_SUITE_P(
    Ir, IrEmptyEditor,
    ::testing::Values(ButtonCase{"renameFunction", "Please select a Item for list"},
                      ButtonCase{"deleteFunction", "Please select a Item for list"},
                      ButtonCase{"saveEdit", "Please Create a new lib name"},
                      ButtonCase{"saveNameAs", "Please Create a new lib name"},
                      ButtonCase{"learn", "Please Open Com"}),
    [](const ::testing::TestParamInfo<ButtonCase>& info) {
        return std::string(info.param.button);
    });

TEST_F(LibraryEditors, IrNewLibNewFunctionRenameDeleteAndSave) {
    CDlgIREditLib editor(QString(), QString(), messages);
    editor.show();
    // A library name whose file exists is refused; the next one is taken.
    messages.names = {QStringLiteral("TV"), QStringLiteral("Room")};
    Press(editor, "newLib");
    EXPECT_EQ(messages.shown,
              QStringList{QStringLiteral("the name is aready exsit in the Library")});
    EXPECT_TRUE(editor.libraryName().isEmpty());
    Press(editor, "newLib");
    EXPECT_EQ(editor.libraryName(), QStringLiteral("Room"));

    messages.shown.clear();
    Press(editor, "saveEdit");
    EXPECT_EQ(messages.shown, QStringList{QStringLiteral("Please Create a new function")});

    messages.names = {QStringLiteral("On"), QStringLiteral("Off"), QStringLiteral("Input")};
    Press(editor, "newFunction");
    Press(editor, "newFunction");
    Press(editor, "newFunction");
    CKvqIrListCtrl* list = editor.list();
    ASSERT_EQ(list->rowCount(), 3);
    EXPECT_EQ(list->RowData(2), QString(kIrPlaceholderLength, QLatin1Char('F')));
    EXPECT_EQ(list->FirstSelectedRow(), 2);

    // Renaming to the row's own name is refused.
    messages.shown.clear();
    messages.names = {QStringLiteral("Input"), QStringLiteral("Source")};
    Press(editor, "renameFunction");
    EXPECT_EQ(messages.shown, QStringList{QStringLiteral("The Function name is already exist")});
    EXPECT_EQ(list->RowName(2), QStringLiteral("Input"));
    Press(editor, "renameFunction");
    EXPECT_EQ(list->RowName(2), QStringLiteral("Source"));

    // Deleting a middle row selects the row that moved up; deleting the last, the one before.
    list->SelectRow(1);
    Press(editor, "deleteFunction");
    EXPECT_EQ(list->Names(), (QStringList{QStringLiteral("On"), QStringLiteral("Source")}));
    EXPECT_EQ(list->FirstSelectedRow(), 1);
    EXPECT_EQ(list->Cell(1, CKvqIrListCtrl::kNo), QStringLiteral("2"));
    Press(editor, "deleteFunction");
    EXPECT_EQ(list->FirstSelectedRow(), 0);

    // Nothing is on disk before the save.
    EXPECT_FALSE(QFile::exists(Path("Room.irr")));
    Press(editor, "saveEdit");
    CIrLibSet saved;
    ASSERT_TRUE(LoadIrLibraryFile(Path("Room.irr"), saved));
    EXPECT_EQ(saved.libName, "Room");
    EXPECT_EQ(saved.entries,
              std::vector<std::string>{MakeIrEntry("On", std::string(kIrPlaceholderLength, 'F'))});
}

TEST_F(LibraryEditors, IrWorksOnACopyUntilSaved) {
    {
        CDlgIREditLib editor(QStringLiteral("TV"), QString(), messages);
        editor.show();
        editor.list()->SelectRow(0);
        Press(editor, "deleteFunction");
        messages.answers = {0};
        Press(editor, "cancel");
        EXPECT_FALSE(editor.isVisible());
    }
    CIrLibSet onDisk;
    ASSERT_TRUE(LoadIrLibraryFile(Path("TV.irr"), onDisk));
    EXPECT_EQ(onDisk, tv);

    // "Save Name as" writes the chosen file and keeps the stored name.
    CDlgIREditLib editor(QStringLiteral("TV"), QString(), messages);
    editor.show();
    messages.savePath = folder + QStringLiteral("/Copy");
    Press(editor, "saveNameAs");
    EXPECT_EQ(messages.saveFolder, folder);
    CIrLibSet copy;
    ASSERT_TRUE(LoadIrLibraryFile(Path("Copy.irr"), copy));
    EXPECT_EQ(copy, tv);
}

TEST_F(LibraryEditors, IrOpenLibThatCannotBeReadChangesNothing) {
    ASSERT_TRUE(QFile(Path("Bad.irr")).open(QIODevice::WriteOnly));
    QFile bad(Path("Bad.irr"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("\x09TV");
    bad.close();
    CDlgIREditLib editor(QStringLiteral("TV"), QString(), messages);
    editor.show();
    messages.openPath = Path("Bad.irr");
    Press(editor, "openLib");
    // The reader's reason, as the project's Open gives it.
    CIrLibSet unread;
    QString reason;
    ASSERT_FALSE(LoadIrLibraryFile(Path("Bad.irr"), unread, &reason));
    ASSERT_FALSE(reason.isEmpty());
    EXPECT_EQ(messages.shown, QStringList{QStringLiteral("Can Not Open The File\n\n") + reason});
    EXPECT_EQ(editor.list()->rowCount(), 3);
    EXPECT_EQ(editor.libraryName(), QStringLiteral("TV"));

    // A file whose stored name differs from its file name shows the stored name.
    CIrLibSet other = tv;
    other.libName = "Living";
    ASSERT_TRUE(SaveIrLibraryFile(Path("Other.irr"), other));
    messages.openPath = Path("Other.irr");
    Press(editor, "openLib");
    EXPECT_EQ(editor.libraryName(), QStringLiteral("Living"));
    EXPECT_EQ(editor.list()->FirstSelectedRow(), 2);
    // "Save Edit" then writes a second file, named after the stored name.
    Press(editor, "saveEdit");
    CIrLibSet living;
    ASSERT_TRUE(LoadIrLibraryFile(Path("Living.irr"), living));
    EXPECT_EQ(living, other);
}

Configuration ProjectUsing(const std::vector<std::string>& texts) {
    Configuration config;
    const int slot = config.AddEvent(0, kFamilyKey, 0, 0);
    for (const std::string& t : texts) {
        EXPECT_GE(config.AddAction(0, slot, t), 0);
    }
    return config;
}

std::string IrText(const char* lib, const char* function, const std::string& code) {
    IrAction a;
    a.libName = lib;
    a.function = function;
    a.code = code;
    return a.ToActionText();
}

std::string Rs232Text(const char* lib, const char* function, const char* data) {
    Rs232Action a;
    a.libName = lib;
    a.libFunction = function;
    a.data = data;
    a.endChar = 1;
    return a.ToActionText();
}

TEST_F(LibraryEditors, BothShowHowManyActionsUseEachFunction) {
    const Configuration config =
        ProjectUsing({IrText("TV", "Power", Code('a')), IrText("TV", "Power", Code('0')),
                      IrText("TV", "Vol+", Code('c')), IrText("Other", "Mute", Code('b')),
                      Rs232Text("Proj", "On", "ON"), Rs232Text("Proj", "On", "ON"),
                      Rs232Text("Proj", "Code", "01 02 ff"), Rs232Text("TV", "Mute", "x")});
    CDlgIREditLib ir(QStringLiteral("TV"), QString(), messages, nullptr, &config);
    ir.show();
    QStringList uses;
    for (int r = 0; r < ir.list()->rowCount(); ++r) {
        uses << ir.list()->Cell(r, CKvqIrListCtrl::kUses);
    }
    EXPECT_EQ(uses, (QStringList{"2", "0", "1"}));
    // A renamed function is counted under its new name.
    messages.names = {QStringLiteral("Power2")};
    ir.list()->SelectRow(0);
    Press(ir, "renameFunction");
    EXPECT_EQ(ir.list()->Cell(0, CKvqIrListCtrl::kUses), QStringLiteral("0"));

    CDlgIREditLib noProject(QStringLiteral("TV"), QString(), messages);
    EXPECT_TRUE(noProject.list()->isColumnHidden(CKvqIrListCtrl::kUses));
    EXPECT_FALSE(ir.list()->isColumnHidden(CKvqIrListCtrl::kUses));

    CDlgRs232EditLib rs(QStringLiteral("Proj"), QStringLiteral("On"), messages, &config);
    EXPECT_EQ(rs.shownUses(), 2);
    EXPECT_TRUE(Find<QLabel>(rs, "uses")->text().contains(QLatin1String("2")));
    rs.functionBox()->setCurrentText(QStringLiteral("Code"));
    EXPECT_EQ(rs.shownUses(), 1);
}

// --- Learning against the simulated keypad ---

// The keypad as the editors reach it: a session (no plugged-in ports) on the simulator's pty.
struct Keypad {
    explicit Keypad(SimulatorOptions options = {}) : sim(options) {}
    bool Start() {
        QString error;
        if (!sim.start(&error)) {
            ADD_FAILURE() << error.toStdString();
            return false;
        }
        session.link().setLearnSilenceMs(200);
        bool finished = false;
        bool ok = false;
        QObject::connect(&session, &KeypadSession::connectFinished, [&](PhaseEnd reason) {
            finished = true;
            ok = reason == PhaseEnd::Done;
        });
        return session.connectTo({sim.devicePath()}) &&
               RunEventsUntil([&] { return finished; }, kWaitMs) && ok;
    }
    bool learning() { return session.link().learning(); }
    KeypadSimulator sim;
    QTemporaryDir sysfs;
    KeypadSession session{PortDiscovery(sysfs.path(), [] { return QList<SerialPortEntry>{}; })};
};

QString Hex(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex());
}

TEST_F(LibraryEditors, IrLearnsIntoTheSelectedRowAndSavesIt) {
    Keypad keypad;
    ASSERT_TRUE(keypad.Start());
    CDlgIREditLib editor(QStringLiteral("TV"), QStringLiteral("Mute"), messages, &keypad.session);
    editor.show();
    auto* learn = Find<QPushButton>(editor, "learn");
    Press(editor, "learn");
    EXPECT_TRUE(keypad.learning());
    EXPECT_FALSE(learn->isEnabled());
    const QString learned = Hex(KeypadSimulator::defaultIrCode());
    ASSERT_TRUE(RunEventsUntil([&] { return editor.list()->RowData(1) == learned; }, kWaitMs))
        << editor.list()->RowData(1).toStdString();
    EXPECT_TRUE(keypad.sim.receivedFrames().contains("KVQ000603NONE93ENND"));
    EXPECT_EQ(editor.list()->RowData(0), Q(Code('a'))) << "only the selected row changes";

    // The file changes only with the save.
    CIrLibSet onDisk;
    ASSERT_TRUE(LoadIrLibraryFile(Path("TV.irr"), onDisk));
    EXPECT_EQ(onDisk, tv);
    Press(editor, "saveEdit");
    ASSERT_TRUE(LoadIrLibraryFile(Path("TV.irr"), onDisk));
    EXPECT_EQ(onDisk.entries[1], MakeIrEntry("Mute", learned.toStdString()));
    EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown.join(", ").toStdString();

    // Closing ends learning.
    Press(editor, "ok");
    EXPECT_FALSE(keypad.learning());
}

TEST_F(LibraryEditors, IrLearnIsLockedForEightSecondsWithoutBlocking) {
    Keypad keypad;
    ASSERT_TRUE(keypad.Start());
    CDlgIREditLib editor(QStringLiteral("TV"), QString(), messages, &keypad.session);
    editor.show();
    auto* lock = editor.findChild<QTimer*>(QStringLiteral("learnLock"));
    ASSERT_NE(lock, nullptr);
    EXPECT_EQ(lock->interval(), CDlgIREditLib::kLearnLockMs);
    EXPECT_EQ(CDlgIREditLib::kLearnLockMs, 8000);
    editor.setLearnLockMs(1500);
    auto* learn = Find<QPushButton>(editor, "learn");
    QElapsedTimer clock;
    clock.start();
    Press(editor, "learn");
    EXPECT_LT(clock.elapsed(), 1000) << "Learn must not wait for the lock";
    EXPECT_FALSE(learn->isEnabled());
    EXPECT_TRUE(lock->isActive());
    // Codes still arrive while the button is locked.
    const QString learned = Hex(KeypadSimulator::defaultIrCode());
    ASSERT_TRUE(RunEventsUntil([&] { return editor.list()->RowData(2) == learned; }, kWaitMs));
    EXPECT_FALSE(learn->isEnabled());
    ASSERT_TRUE(RunEventsUntil([&] { return learn->isEnabled(); }, kWaitMs));
    EXPECT_GE(clock.elapsed(), 1400); // timers may fire a little early
}

TEST_F(LibraryEditors, IrRefusesATooShortLearnedFrame) {
    SimulatorOptions options;
    options.irCode = QByteArray(30, '\x11');
    Keypad keypad(options);
    ASSERT_TRUE(keypad.Start());
    CDlgIREditLib editor(QStringLiteral("TV"), QStringLiteral("Power"), messages, &keypad.session);
    editor.show();
    Press(editor, "learn");
    ASSERT_TRUE(RunEventsUntil([&] { return !messages.shown.isEmpty(); }, kWaitMs));
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].startsWith(QLatin1String("The learned code was not used: ")))
        << messages.shown[0].toStdString();
    EXPECT_TRUE(messages.shown[0].contains(QLatin1String("too short")))
        << messages.shown[0].toStdString();
    EXPECT_TRUE(
        messages.shown[0].endsWith(QLatin1String("send the code from the remote control again.")))
        << messages.shown[0].toStdString();
    EXPECT_EQ(editor.list()->RowData(0), Q(Code('a')));
}

TEST_F(LibraryEditors, IrLearnWhileTheKeypadIsClearingSaysWhy) {
    Keypad keypad;
    ASSERT_TRUE(keypad.Start());
    ASSERT_TRUE(keypad.session.clear());
    CDlgIREditLib editor(QStringLiteral("TV"), QString(), messages, &keypad.session);
    editor.show();
    Press(editor, "learn");
    EXPECT_EQ(messages.shown, QStringList{RefusalText(LinkRefusal::ClearRunning)});
    EXPECT_TRUE(Find<QPushButton>(editor, "learn")->isEnabled());
    EXPECT_FALSE(keypad.learning());
}

TEST_F(LibraryEditors, IrLearnedCodeWithoutSelectedRowWaitsForTheUsersPick) {
    CDlgIREditLib editor(QStringLiteral("TV"), QString(), messages);
    editor.show();
    editor.list()->clearSelection();
    const QByteArray code(kIrCodeDigits, '7');
    editor.OnCodeLearned(code);
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(editor.list()->RowText(r), Q(tv.entries[std::size_t(r)]));
    }
    EXPECT_EQ(editor.pendingCode(), code);
    EXPECT_TRUE(Find<QLabel>(editor, "learnHint")->text().contains("select the function"))
        << Find<QLabel>(editor, "learnHint")->text().toStdString();
    // Closing now would lose it: the question says so, and Cancel keeps the editor open.
    Press(editor, "ok");
    ASSERT_EQ(messages.asked.size(), 1);
    EXPECT_TRUE(messages.asked[0].contains("learned code")) << messages.asked[0].toStdString();
    EXPECT_TRUE(editor.isVisible());
    // The user picks "Mute": the code goes there, and only there.
    QTest::mouseClick(editor.list()->viewport(), Qt::LeftButton, {},
                      editor.list()
                          ->visualRect(editor.list()->model()->index(1, CKvqIrListCtrl::kName))
                          .center());
    EXPECT_EQ(editor.list()->RowData(1), Q(code.toStdString()));
    EXPECT_EQ(editor.list()->RowData(0), Q(Code('a')));
    EXPECT_TRUE(editor.pendingCode().isEmpty());
    EXPECT_TRUE(editor.modified());
    Press(editor, "saveEdit");
    CIrLibSet onDisk;
    ASSERT_TRUE(LoadIrLibraryFile(Path("TV.irr"), onDisk));
    EXPECT_EQ(onDisk.entries[1], MakeIrEntry("Mute", code.toStdString()));
}

TEST_F(LibraryEditors, IrLearningSaysWhatToDoCountsDownAndCanBeStopped) {
    Keypad keypad;
    ASSERT_TRUE(keypad.Start());
    CDlgIREditLib editor(QStringLiteral("TV"), QStringLiteral("Mute"), messages, &keypad.session);
    editor.show();
    auto* hint = Find<QLabel>(editor, "learnHint");
    auto* stop = Find<QPushButton>(editor, "stopLearning");
    EXPECT_TRUE(hint->text().isEmpty());
    EXPECT_FALSE(stop->isVisible());
    Press(editor, "learn");
    EXPECT_TRUE(keypad.learning());
    EXPECT_TRUE(hint->text().startsWith("Point the remote at the keypad and press the key."))
        << hint->text().toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral(" [1-8] s$")).match(hint->text()).hasMatch())
        << hint->text().toStdString();
    EXPECT_TRUE(stop->isVisible());
    Press(editor, "stopLearning");
    EXPECT_FALSE(keypad.learning());
    EXPECT_TRUE(hint->text().isEmpty()) << hint->text().toStdString();
    EXPECT_FALSE(stop->isVisible());
    EXPECT_TRUE(Find<QPushButton>(editor, "learn")->isEnabled());
    EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown.join(", ").toStdString();
}

// --- RS232 editor ---

TEST_F(LibraryEditors, Rs232ShowsTheRequestedFunction) {
    CDlgRs232EditLib editor(QStringLiteral("Proj"), QStringLiteral("code"), messages);
    editor.show();
    EXPECT_EQ(editor.libraryName(), QStringLiteral("Proj"));
    // Sorted, letter case ignored; the function is found ignoring case too.
    QStringList names;
    for (int i = 0; i < editor.functionBox()->count(); ++i) {
        names << editor.functionBox()->itemText(i);
    }
    EXPECT_EQ(names, (QStringList{"Code", "On"}));
    EXPECT_EQ(editor.functionBox()->currentText(), QStringLiteral("Code"));
    EXPECT_EQ(editor.format(), kRs232Hex);
    EXPECT_TRUE(editor.dataBox()->hexInput());
    EXPECT_FALSE(Find<QGroupBox>(editor, "endGroup")->isVisible());
    EXPECT_EQ(editor.dataBox()->text(), QStringLiteral("01 02 ff"));
    EXPECT_EQ(Find<QComboBox>(editor, "baudRate")->currentText(), QStringLiteral("19200"));
    EXPECT_EQ(Find<QComboBox>(editor, "dataBits")->currentText(), QStringLiteral("7"));
    EXPECT_EQ(Find<QComboBox>(editor, "parity")->currentText(), QStringLiteral("ODD"));

    editor.functionBox()->setCurrentText(QStringLiteral("On"));
    EXPECT_EQ(editor.format(), kRs232Ascii);
    EXPECT_EQ(editor.endChar(), kEndCr);
    EXPECT_FALSE(editor.dataBox()->hexInput());
    EXPECT_TRUE(Find<QGroupBox>(editor, "endGroup")->isVisible());
    EXPECT_EQ(editor.dataBox()->text(), QStringLiteral("ON"));
    EXPECT_EQ(Find<QComboBox>(editor, "parity")->currentText(), QStringLiteral("NONE"));
}

TEST_F(LibraryEditors, Rs232ButtonsSayWhatIsMissing) {
    CDlgRs232EditLib editor(QString(), QString(), messages);
    editor.show();
    Press(editor, "saveEdit");
    Press(editor, "saveNameAs");
    messages.names = {QStringLiteral("Proj"), QStringLiteral("Screen")};
    Press(editor, "newLib");
    Press(editor, "newLib");
    EXPECT_EQ(editor.libraryName(), QStringLiteral("Screen"));
    Press(editor, "saveEdit");
    messages.openPath = Path("missing.rss");
    messages.answers = {0}; // the new library "Screen" is not kept
    Press(editor, "openLib");
    ASSERT_EQ(messages.shown.size(), 5);
    EXPECT_EQ(messages.shown.mid(0, 4),
              (QStringList{"Please Create a new lib name", "Please Create a new lib name",
                           "the name is aready exsit in the Library",
                           "Please Create a new function name"}));
    EXPECT_TRUE(messages.shown[4].startsWith("Can Not Open The File\n\n"));
    EXPECT_TRUE(messages.shown[4].contains("missing.rss")) << messages.shown[4].toStdString();
    EXPECT_EQ(editor.libraryName(), QStringLiteral("Screen"));

    // Deleting the only function leaves the box empty.
    messages.shown.clear();
    messages.names = {QStringLiteral("Up")};
    Press(editor, "newFunction");
    EXPECT_EQ(editor.functionBox()->count(), 1);
    Press(editor, "deleteFunction");
    EXPECT_EQ(editor.functionBox()->count(), 0);
    EXPECT_TRUE(editor.workingLibrary().functions.empty());
    Press(editor, "saveEdit");
    EXPECT_EQ(messages.shown, QStringList{"Please Create a new function name"});
    EXPECT_FALSE(QFile::exists(Path("Screen.rss")));
}

TEST_F(LibraryEditors, Rs232OpenLibShowsTheStoredNameAndTheFirstFunction) {
    CRS232LibSet other = proj;
    other.libName = "Beamer";
    ASSERT_TRUE(SaveRs232LibraryFile(Path("Other.rss"), other));
    CDlgRs232EditLib editor(QString(), QString(), messages);
    editor.show();
    messages.openPath = Path("Other.rss");
    Press(editor, "openLib");
    EXPECT_EQ(messages.openFolder, folder);
    EXPECT_EQ(editor.libraryName(), QStringLiteral("Beamer"));
    EXPECT_EQ(editor.functionBox()->count(), 2);
    EXPECT_EQ(editor.functionBox()->currentText(), QStringLiteral("Code"));
    EXPECT_EQ(editor.dataBox()->text(), QStringLiteral("01 02 ff"));
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(LibraryEditors, Rs232NewFunctionTakesThePanelAndSaves) {
    CDlgRs232EditLib editor(QString(), QString(), messages);
    editor.show();
    messages.names = {QStringLiteral("Screen"), QStringLiteral("Up"), QStringLiteral("Down"),
                      QStringLiteral("Up")};
    Press(editor, "newLib");
    QTest::mouseClick(Find<QRadioButton>(editor, "endCr"), Qt::LeftButton);
    editor.dataBox()->setText(QStringLiteral("  UP  "));
    Press(editor, "newFunction");
    // A second function starts as the panel shows "Up"; it is given hexadecimal data while it
    // is shown. The name "Up" is taken.
    Press(editor, "newFunction");
    EXPECT_EQ(editor.functionBox()->currentText(), QStringLiteral("Down"));
    QTest::mouseClick(Find<QRadioButton>(editor, "hex"), Qt::LeftButton);
    EXPECT_EQ(editor.dataBox()->text(), QStringLiteral("55 50 0d"));
    editor.dataBox()->setText(QStringLiteral("0d 0a"));
    Press(editor, "newFunction");
    EXPECT_EQ(messages.shown, QStringList{"The Function name is already exist"});
    Press(editor, "saveEdit");

    CRS232LibSet saved;
    ASSERT_TRUE(LoadRs232LibraryFile(Path("Screen.rss"), saved));
    ASSERT_EQ(saved.functions.size(), 2u);
    EXPECT_EQ(saved.storedCount, 2);
    EXPECT_EQ(saved.functions[0].name, "Up");
    EXPECT_EQ(saved.functions[0].format, kRs232Ascii);
    EXPECT_EQ(saved.functions[0].endChar, kEndCr);
    EXPECT_EQ(saved.functions[0].dataLength, 3);
    EXPECT_EQ(Rs232DataText(saved.functions[0]), "UP");
    EXPECT_EQ(saved.functions[1].name, "Down");
    EXPECT_EQ(saved.functions[1].format, kRs232Hex);
    EXPECT_EQ(saved.functions[1].dataLength, 2);
    EXPECT_EQ(saved.functions[1].data[0], 0x0D);
    EXPECT_EQ(saved.functions[1].data[1], 0x0A);
}

TEST_F(LibraryEditors, Rs232AsciiWithHexFunctionShownEmptiesTheBox) {
    CDlgRs232EditLib editor(QStringLiteral("Proj"), QStringLiteral("Code"), messages);
    editor.show();
    QTest::mouseClick(Find<QRadioButton>(editor, "ascii"), Qt::LeftButton);
    EXPECT_TRUE(editor.dataBox()->text().isEmpty());
    EXPECT_FALSE(editor.dataBox()->hexInput());
    EXPECT_TRUE(Find<QGroupBox>(editor, "endGroup")->isVisible());
    // Typing with the hex filter: "g" is dropped, "." is taken.
    QTest::mouseClick(Find<QRadioButton>(editor, "hex"), Qt::LeftButton);
    editor.dataBox()->clear();
    QTest::keyClicks(editor.dataBox(), QStringLiteral("1g ."));
    EXPECT_EQ(editor.dataBox()->text(), QStringLiteral("1 ."));
}

TEST(Rs232Data, FromTheDataBox) {
    struct Case {
        const char* text;
        int format, endChar;
        bool newFunction;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"0d 0a", kRs232Hex, kEndNone, false, QByteArray("\r\n")},
        {"0d0a", kRs232Hex, kEndNone, false, QByteArray("\r")},
        {"d", kRs232Hex, kEndNone, false, QByteArray("\r")},
        {" .  41 ", kRs232Hex, kEndNone, false, QByteArray("\0A", 2)},
        {"", kRs232Hex, kEndNone, false, QByteArray()},
        {"ON", kRs232Ascii, kEndCr, false, QByteArray("ON\r")},
        {"", kRs232Ascii, kEndCrLf, false, QByteArray("\r\n")},
        {"", kRs232Ascii, kEndCrLf, true, QByteArray()},
        {"0123456789012345678901234567890123456789", kRs232Ascii, kEndCrLf, false,
         QByteArray("012345678901234567890123456789\r\n")},
    };
    for (const Case& c : cases) {
        const std::optional<Rs232Data> data =
            Rs232DataFromText(QLatin1String(c.text), c.format, c.endChar, c.newFunction);
        ASSERT_TRUE(data) << c.text;
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(data->bytes.data()), data->length),
                  c.bytes)
            << c.text;
    }
    // More bytes than the data area: nothing, and how many there were.
    QString many;
    for (int i = 0; i < 33; ++i) {
        many += QStringLiteral("%1 ").arg(i % 10);
    }
    int tokens = 0;
    EXPECT_FALSE(Rs232DataFromText(many, kRs232Hex, kEndNone, false, &tokens));
    EXPECT_EQ(tokens, 33);
}

TEST_F(LibraryEditors, Rs232HexInputPastTheDataAreaIsRefusedNotCut) {
    CDlgRs232EditLib editor(QStringLiteral("Proj"), QStringLiteral("Code"), messages);
    editor.show();
    CRS232Edit* box = editor.dataBox();
    QString full;
    for (int i = 0; i < kRs232DataMax; ++i) {
        full += QStringLiteral("%1 ").arg(i % 10);
    }
    box->setText(full);
    box->setCursorPosition(int(full.size()));
    // Typing a 33rd byte: refused with a message, the text stays.
    QTest::keyClicks(box, QStringLiteral("7"));
    EXPECT_EQ(box->text(), full);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].contains(QLatin1String("32 bytes")))
        << messages.shown[0].toStdString();
    EXPECT_TRUE(messages.shown[0].contains(QLatin1String("second function"))) // what to do
        << messages.shown[0].toStdString();
    // Pasting more: refused whole.
    box->setText(QStringLiteral("01 02"));
    box->setCursorPosition(5);
    box->insert(QStringLiteral(" 03").repeated(31));
    EXPECT_EQ(box->text(), QStringLiteral("01 02"));
    EXPECT_EQ(messages.shown.size(), 2);
    // Within the bound, it is taken.
    box->insert(QStringLiteral(" 03").repeated(30));
    EXPECT_EQ(HexTokenCount(box->text()), 32);
    EXPECT_EQ(messages.shown.size(), 2);
}

TEST_F(LibraryEditors, Rs232SaveRefusesDataThatDoNotFit) {
    // A file may hold 33 bytes; the editor neither cuts nor saves them.
    proj.functions[1].dataLength = 33;
    std::fill(proj.functions[1].data.begin(), proj.functions[1].data.end(), 0x41);
    ASSERT_TRUE(SaveRs232LibraryFile(Path("Proj.rss"), proj));
    const QByteArray before = [&] {
        QFile f(Path("Proj.rss"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    CDlgRs232EditLib editor(QStringLiteral("Proj"), QStringLiteral("Code"), messages);
    editor.show();
    EXPECT_EQ(HexTokenCount(editor.dataBox()->text()), 33);
    Press(editor, "saveEdit");
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].contains(QLatin1String("refused")));
    EXPECT_TRUE(messages.shown[0].contains(QLatin1String("Shorten it to 32 bytes")))
        << messages.shown[0].toStdString();
    QFile f(Path("Proj.rss"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
}

TEST_F(LibraryEditors, Rs232WorksOnACopyUntilSaved) {
    {
        CDlgRs232EditLib editor(QStringLiteral("Proj"), QStringLiteral("On"), messages);
        editor.show();
        editor.dataBox()->setText(QStringLiteral("CHANGED"));
        Press(editor, "deleteFunction");
        messages.answers = {0};
        Press(editor, "cancel");
        EXPECT_FALSE(editor.isVisible());
    }
    CRS232LibSet onDisk;
    ASSERT_TRUE(LoadRs232LibraryFile(Path("Proj.rss"), onDisk));
    EXPECT_EQ(onDisk, proj);

    // "Save Edit" takes the panel into the function the box names, and only that one.
    CDlgRs232EditLib editor(QStringLiteral("Proj"), QStringLiteral("On"), messages);
    editor.show();
    editor.dataBox()->setText(QStringLiteral("PWR ON"));
    Find<QComboBox>(editor, "baudRate")->setCurrentText(QStringLiteral("115200"));
    Press(editor, "saveEdit");
    ASSERT_TRUE(LoadRs232LibraryFile(Path("Proj.rss"), onDisk));
    EXPECT_EQ(onDisk.functions[1], proj.functions[1]);
    EXPECT_EQ(Rs232DataText(onDisk.functions[0]), "PWR ON");
    EXPECT_EQ(onDisk.functions[0].dataLength, 7);
    EXPECT_EQ(onDisk.functions[0].baudRate, "115200");
    EXPECT_TRUE(messages.shown.isEmpty());
}

// "Save Name as" into a folder that is not there: both editors say the save failed and write
// nothing, with the extension added to the name given without one.
TEST_F(LibraryEditors, BothSayWhenASaveFails) {
    const QString missing = folder + QStringLiteral("/missing/Copy");
    messages.savePath = missing;
    CDlgIREditLib ir(QStringLiteral("TV"), QString(), messages);
    EXPECT_FALSE(ir.OnSaveNameAs());
    CDlgRs232EditLib rs232(QStringLiteral("Proj"), QStringLiteral("On"), messages);
    EXPECT_FALSE(rs232.OnSaveNameAs());
    ASSERT_EQ(messages.shown.size(), 2) << messages.shown.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(messages.shown[0].startsWith(QStringLiteral("The library could not be saved: ")));
    EXPECT_TRUE(messages.shown[0].contains(QStringLiteral("Copy.irr")));
    EXPECT_TRUE(messages.shown[1].startsWith(QStringLiteral("The library could not be saved: ")));
    EXPECT_TRUE(messages.shown[1].contains(QStringLiteral("Copy.rss")));
    EXPECT_TRUE(messages.shown[1].endsWith(QStringLiteral("\"Save Name as\".")));
    EXPECT_FALSE(QDir(folder).exists(QStringLiteral("missing")));
}

TEST_F(LibraryEditors, Rs232SevenDataBitsOfferOnlyOddAndEven) {
    CDlgRs232EditLib editor(QStringLiteral("Proj"), QStringLiteral("On"), messages);
    auto* bits = Find<QComboBox>(editor, "dataBits");
    auto* parity = Find<QComboBox>(editor, "parity");
    bits->setCurrentText(QStringLiteral("7"));
    EXPECT_EQ(parity->count(), 2);
    EXPECT_EQ(parity->currentText(), QStringLiteral("ODD"));
    bits->setCurrentText(QStringLiteral("8"));
    EXPECT_EQ(parity->count(), 3);
    EXPECT_EQ(parity->currentText(), QStringLiteral("NONE"));
}

// The case the editor lost: what was typed for "On" went when "New Function" made "Off".
TEST_F(LibraryEditors, Rs232KeepsTheShownFunctionsEditsWhenAnotherIsMadeOrShown) {
    CDlgRs232EditLib editor(QString(), QString(), messages);
    editor.show();
    messages.names = {QStringLiteral("Screen"), QStringLiteral("On"), QStringLiteral("Off")};
    Press(editor, "newLib");
    Press(editor, "newFunction");
    QTest::keyClicks(editor.dataBox(), QStringLiteral("PWR ON"));
    Press(editor, "newFunction");
    EXPECT_EQ(editor.functionBox()->currentText(), QStringLiteral("Off"));
    Press(editor, "clear");
    QTest::keyClicks(editor.dataBox(), QStringLiteral("PWR OFF"));
    // Showing the other function and coming back keeps both.
    editor.functionBox()->setCurrentText(QStringLiteral("On"));
    EXPECT_EQ(editor.dataBox()->text(), QStringLiteral("PWR ON"));
    editor.functionBox()->setCurrentText(QStringLiteral("Off"));
    EXPECT_EQ(editor.dataBox()->text(), QStringLiteral("PWR OFF"));
    EXPECT_FALSE(QFile::exists(Path("Screen.rss")));

    // "OK" asks; "Save" writes both.
    messages.answers = {1};
    Press(editor, "ok");
    ASSERT_EQ(messages.asked.size(), 1);
    EXPECT_TRUE(messages.asked[0].contains("\"Screen\"")) << messages.asked[0].toStdString();
    EXPECT_FALSE(editor.isVisible());
    EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown.join(", ").toStdString();
    CRS232LibSet saved;
    ASSERT_TRUE(LoadRs232LibraryFile(Path("Screen.rss"), saved));
    ASSERT_EQ(saved.functions.size(), 2u);
    EXPECT_EQ(saved.functions[0].name, "On");
    EXPECT_EQ(Rs232DataText(saved.functions[0]), "PWR ON");
    EXPECT_EQ(saved.functions[0].dataLength, 6);
    EXPECT_EQ(saved.functions[1].name, "Off");
    EXPECT_EQ(Rs232DataText(saved.functions[1]), "PWR OFF");
}

TEST_F(LibraryEditors, Rs232ShownFunctionWhoseDataDoNotFitStaysShown) {
    // A file may hold 33 bytes; changed in the box, they still do not fit.
    proj.functions[1].dataLength = 33;
    std::fill(proj.functions[1].data.begin(), proj.functions[1].data.end(), 0x41);
    ASSERT_TRUE(SaveRs232LibraryFile(Path("Proj.rss"), proj));
    CDlgRs232EditLib editor(QStringLiteral("Proj"), QStringLiteral("Code"), messages);
    editor.show();
    // Untouched, it may be left for another function.
    editor.functionBox()->setCurrentText(QStringLiteral("On"));
    EXPECT_EQ(editor.functionBox()->currentText(), QStringLiteral("On"));
    editor.functionBox()->setCurrentText(QStringLiteral("Code"));
    EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown.join(" | ").toStdString();
    editor.dataBox()->setFocus();
    editor.dataBox()->end(false);
    QTest::keyClick(editor.dataBox(), Qt::Key_Backspace);
    const QString edited = editor.dataBox()->text();
    EXPECT_EQ(HexTokenCount(edited), 33);
    editor.functionBox()->setCurrentText(QStringLiteral("On"));
    EXPECT_EQ(editor.functionBox()->currentText(), QStringLiteral("Code"));
    EXPECT_EQ(editor.dataBox()->text(), edited);
    ASSERT_EQ(messages.shown.size(), 1) << messages.shown.join(" | ").toStdString();
    EXPECT_TRUE(messages.shown[0].contains("Shorten it to 32 bytes"));
}

// Every way of closing with unsaved changes asks; Cancel keeps the editor open with its edits,
// Discard closes without writing, Save writes and closes.
struct CloseCase {
    const char* name;
    std::function<void(QDialog&)> close;
};
void PrintTo(const CloseCase& c, std::ostream* out) {
    *out << c.name;
}

class CloseWithChanges : public LibraryEditors, public ::testing::WithParamInterface<CloseCase> {
  protected:
    void CloseAndAnswer(QDialog& editor, const QString& file) {
        const QByteArray before = Contents(file);
        messages.answers = {-1};
        GetParam().close(editor);
        EXPECT_EQ(messages.asked.size(), 1);
        EXPECT_TRUE(editor.isVisible()) << "Cancel keeps the editor open";
        EXPECT_EQ(Contents(file), before);
        messages.answers = {0};
        GetParam().close(editor);
        EXPECT_EQ(messages.asked.size(), 2);
        EXPECT_FALSE(editor.isVisible());
        EXPECT_EQ(Contents(file), before) << "Discard writes nothing";
    }
    QByteArray Contents(const QString& file) const {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
    }
};

TEST_P(CloseWithChanges, AsksSaveDiscardOrCancel) {
    {
        CDlgIREditLib ir(QStringLiteral("TV"), QString(), messages);
        ir.show();
        // Nothing changed: it closes without a question.
        GetParam().close(ir);
        EXPECT_FALSE(ir.isVisible());
        EXPECT_TRUE(messages.asked.isEmpty());
        ir.show();
        ir.list()->SelectRow(0);
        Press(ir, "deleteFunction");
        CloseAndAnswer(ir, Path("TV.irr"));
    }
    messages.asked.clear();
    {
        CDlgRs232EditLib rs(QStringLiteral("Proj"), QStringLiteral("On"), messages);
        rs.show();
        GetParam().close(rs);
        EXPECT_FALSE(rs.isVisible());
        EXPECT_TRUE(messages.asked.isEmpty());
        rs.show();
        QTest::keyClicks(rs.dataBox(), QStringLiteral("X"));
        CloseAndAnswer(rs, Path("Proj.rss"));
    }
    // Save: a new library "Screen" with a function is written when the editor closes.
    messages.asked.clear();
    CDlgIREditLib ir(QString(), QString(), messages);
    ir.show();
    messages.names = {QStringLiteral("Screen"), QStringLiteral("Power")};
    Press(ir, "newLib");
    Press(ir, "newFunction");
    messages.answers = {1};
    GetParam().close(ir);
    EXPECT_EQ(messages.asked.size(), 1);
    EXPECT_FALSE(ir.isVisible());
    CIrLibSet saved;
    ASSERT_TRUE(LoadIrLibraryFile(Path("Screen.irr"), saved));
    EXPECT_EQ(saved.entries.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Editors, CloseWithChanges,
    ::testing::Values(CloseCase{"Ok", [](QDialog& d) { Press(d, "ok"); }},
                      CloseCase{"Cancel", [](QDialog& d) { Press(d, "cancel"); }},
                      CloseCase{"Escape", [](QDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
                      CloseCase{"CloseButton", [](QDialog& d) { d.close(); }}),
    [](const ::testing::TestParamInfo<CloseCase>& info) { return std::string(info.param.name); });

TEST_F(LibraryEditors, BothSayWhereTheyHaveSaved) {
    CDlgIREditLib ir(QStringLiteral("TV"), QString(), messages);
    ir.show();
    auto* irStatus = Find<QLabel>(ir, "saveStatus");
    EXPECT_TRUE(irStatus->text().isEmpty());
    Press(ir, "saveEdit");
    EXPECT_EQ(irStatus->text(), "Saved to " + QDir::toNativeSeparators(Path("TV.irr")));
    ir.list()->SelectRow(0);
    Press(ir, "deleteFunction");
    EXPECT_EQ(irStatus->text(), QStringLiteral("Changes not saved"));

    CDlgRs232EditLib rs(QStringLiteral("Proj"), QStringLiteral("On"), messages);
    rs.show();
    messages.savePath = Path("Copy.rss");
    Press(rs, "saveNameAs");
    EXPECT_EQ(Find<QLabel>(rs, "saveStatus")->text(),
              "Saved to " + QDir::toNativeSeparators(Path("Copy.rss")));
    EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown.join(", ").toStdString();
}

// --- Library names that would leave the library folder ---

// The file "Evil" of each kind whose stored name climbs out of the library folder, and the file
// such a name would reach.
class UnsafeStoredNames : public LibraryEditors {
  protected:
    void SetUp() override {
        LibraryEditors::SetUp();
        QDir(folder).mkpath(QStringLiteral("../x"));
        outside = QDir(folder).absoluteFilePath(QStringLiteral("../x"));
        QDir(outside).removeRecursively();
        CIrLibSet evilIr = tv;
        evilIr.libName = "../x/evil";
        ASSERT_TRUE(SaveIrLibraryFile(Path("Evil.irr"), evilIr));
        CRS232LibSet evilRs = proj;
        evilRs.libName = "../x/evil";
        ASSERT_TRUE(SaveRs232LibraryFile(Path("Evil.rss"), evilRs));
    }
    void TearDown() override { QDir(outside).removeRecursively(); }
    // Nothing was written outside the library folder.
    void ExpectNothingOutside() { EXPECT_FALSE(QDir(outside).exists()) << outside.toStdString(); }
    QString outside;
};

TEST_F(UnsafeStoredNames, OpenLibShowsTheLibraryReadOnlyAndNeverSavesUnderItsName) {
    const QString fault = latin1::LibraryNameFaultText("../x/evil");
    CDlgIREditLib ir(QString(), QString(), messages);
    ir.show();
    messages.openPath = Path("Evil.irr");
    Press(ir, "openLib");
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].startsWith(fault)) << messages.shown[0].toStdString();
    EXPECT_TRUE(messages.shown[0].contains("read-only"));
    EXPECT_TRUE(ir.readOnly());
    EXPECT_EQ(ir.list()->rowCount(), 3);
    for (const char* button :
         {"saveEdit", "saveNameAs", "newFunction", "deleteFunction", "renameFunction", "learn"}) {
        EXPECT_FALSE(Find<QPushButton>(ir, button)->isEnabled()) << button;
    }
    EXPECT_FALSE(ir.OnSaveEdit());
    EXPECT_FALSE(ir.OnSaveNameAs());
    // Nothing changed: closing asks nothing.
    Press(ir, "ok");
    EXPECT_FALSE(ir.isVisible());
    EXPECT_TRUE(messages.asked.isEmpty());

    messages.shown.clear();
    CDlgRs232EditLib rs(QString(), QString(), messages);
    rs.show();
    messages.openPath = Path("Evil.rss");
    Press(rs, "openLib");
    ASSERT_GE(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].startsWith(fault)) << messages.shown[0].toStdString();
    EXPECT_TRUE(rs.readOnly());
    EXPECT_EQ(rs.functionBox()->count(), 2);
    EXPECT_FALSE(Find<QPushButton>(rs, "saveEdit")->isEnabled());
    EXPECT_FALSE(rs.dataBox()->isEnabled());
    EXPECT_FALSE(rs.OnSaveEdit());
    ExpectNothingOutside();
}

// What a project's action names is handed to the editor; a name that leaves the folder is
// neither opened nor written.
TEST_F(UnsafeStoredNames, EditorNeverOpensANameThatLeavesTheFolder) {
    QDir().mkpath(outside);
    CIrLibSet target = tv;
    target.libName = "evil";
    ASSERT_TRUE(SaveIrLibraryFile(outside + QStringLiteral("/evil.irr"), target));
    const QString evil = QStringLiteral("../x/evil");
    CDlgIREditLib ir(evil, QStringLiteral("Power"), messages);
    EXPECT_EQ(ir.list()->rowCount(), 0);
    EXPECT_TRUE(ir.libraryName().isEmpty());
    EXPECT_EQ(messages.shown, QStringList{latin1::LibraryNameFaultText("../x/evil")});
    CDlgRs232EditLib rs(evil, QString(), messages);
    EXPECT_EQ(rs.functionBox()->count(), 0);
    EXPECT_TRUE(rs.libraryName().isEmpty());
    CIrLibSet after;
    ASSERT_TRUE(LoadIrLibraryFile(outside + QStringLiteral("/evil.irr"), after));
    EXPECT_EQ(after, target);
}

TEST_F(UnsafeStoredNames, SaveNameAsRefusesAFileNameThatIsNoLibraryName) {
    CDlgIREditLib ir(QStringLiteral("TV"), QString(), messages);
    messages.savePath = Path(".hidden.irr");
    EXPECT_FALSE(ir.OnSaveNameAs());
    EXPECT_EQ(messages.shown, QStringList{latin1::LibraryNameFaultText(".hidden")});
    EXPECT_FALSE(QFile::exists(Path(".hidden.irr")));
}

// --- Large libraries ---

// A library of 10,000 functions opens and its list fills without the editor freezing. The bound
// is loose (a sanitized debug build on a loaded machine); the benchmark gives the figures.
TEST_F(LibraryEditors, LargeLibrariesOpenAtOnce) {
    constexpr int kFunctions = 10000;
    CIrLibSet ir;
    ir.libName = "Big";
    CRS232LibSet rs;
    rs.libName = "Big";
    for (int i = 0; i < kFunctions; ++i) {
        const std::string name = "F" + std::to_string((i * 7919) % kFunctions);
        ir.entries.push_back(MakeIrEntry(name, Code('a')));
        rs.functions.push_back(test::Rs232LibraryFunction(name, kRs232Ascii, kEndNone, "X"));
    }
    ASSERT_TRUE(SaveIrLibraryFile(Path("Big.irr"), ir));
    ASSERT_TRUE(SaveRs232LibraryFile(Path("Big.rss"), rs));
    QElapsedTimer clock;
    clock.start();
    {
        CDlgIREditLib editor(QStringLiteral("Big"), QStringLiteral("F5"), messages);
        editor.show();
        QApplication::processEvents();
        EXPECT_EQ(editor.list()->rowCount(), kFunctions);
        EXPECT_EQ(editor.list()->RowName(editor.list()->FirstSelectedRow()), "F5");
    }
    const qint64 irMs = clock.restart();
    {
        CDlgRs232EditLib editor(QStringLiteral("Big"), QStringLiteral("F5"), messages);
        editor.show();
        QApplication::processEvents();
        EXPECT_EQ(editor.functionBox()->count(), kFunctions);
        EXPECT_EQ(editor.functionBox()->currentText(), "F5");
        // Sorted as before: letter case ignored, "F10" before "F2".
        EXPECT_EQ(editor.functionBox()->itemText(0), "F0");
        EXPECT_EQ(editor.functionBox()->itemText(2), "F10");
    }
    const qint64 rsMs = clock.elapsed();
    EXPECT_LT(irMs, 3000);
    EXPECT_LT(rsMs, 3000);
    RecordProperty("ir_ms", int(irMs));
    RecordProperty("rs232_ms", int(rsMs));
}

// --- The pages take a library from the editor only when nothing was typed there ---

TEST_F(LibraryEditors, PageTakesTheEditorsLibraryOnlyWhenEmptyAndUntouched) {
    CPageView3Rs232 touched;
    touched.show();
    auto* data = Find<CRS232Edit>(touched, "data");
    ASSERT_NE(data, nullptr);
    QTest::keyClicks(data, QStringLiteral("typed"));
    EXPECT_TRUE(touched.touched());
    touched.offerLibrary(QStringLiteral("Proj"));
    EXPECT_TRUE(touched.libraryName().isEmpty());
    EXPECT_EQ(data->text(), QStringLiteral("typed"));

    CPageView3Rs232 untouched;
    untouched.show();
    untouched.offerLibrary(QStringLiteral("../Proj")); // never a path
    EXPECT_TRUE(untouched.libraryName().isEmpty());
    untouched.offerLibrary(QStringLiteral("Proj"));
    EXPECT_EQ(untouched.libraryName(), QStringLiteral("Proj"));
    // A page that has a library keeps it.
    untouched.offerLibrary(QStringLiteral("TV"));
    EXPECT_EQ(untouched.libraryName(), QStringLiteral("Proj"));

    CPageView3Ir ir;
    ir.show();
    ir.offerLibrary(QStringLiteral("TV"));
    EXPECT_EQ(ir.libraryName(), QStringLiteral("TV"));
}

// The window's System › "RS232 library...": a library made in the editor goes to the RS232 page
// only while the page has none and nothing was typed there.
TEST_F(LibraryEditors, SystemMenuEditorLeavesWhatWasTypedOnThePage) {
    test::ScriptedMessages scripted;
    std::deque<QString> names = {QStringLiteral("Screen"), QStringLiteral("On"),
                                 QStringLiteral("Beamer"), QStringLiteral("Off")};
    scripted.handlers[QStringLiteral("newName")] = [&](QDialog& d) {
        ASSERT_FALSE(names.empty());
        auto* name = qobject_cast<CDlgNewName*>(&d);
        ASSERT_NE(name, nullptr);
        name->nameEdit()->setText(names.front());
        names.pop_front();
        QTest::mouseClick(d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                          Qt::LeftButton);
    };
    scripted.handlers[QStringLiteral("rs232EditLib")] = [](QDialog& d) {
        Press(d, "newLib");
        Press(d, "newFunction");
        Press(d, "saveEdit");
        Press(d, "ok");
    };
    QTemporaryDir sysfs;
    EditorDocument document;
    KeypadSession session{PortDiscovery(sysfs.path(), [] { return QList<SerialPortEntry>{}; })};
    MainWindow window(document, session, &scripted);
    window.show();
    CPageView3Rs232* page = window.pages()->rs232Page();
    ASSERT_NE(page, nullptr);
    page->show();
    auto* data = Find<CRS232Edit>(*page, "data");
    QTest::keyClicks(data, QStringLiteral("typed"));

    QAction* command = test::Command(window, QStringLiteral("RS232 library..."));
    ASSERT_NE(command, nullptr);
    command->trigger();
    EXPECT_TRUE(QFile::exists(Path("Screen.rss")));
    EXPECT_TRUE(page->libraryName().isEmpty());
    EXPECT_EQ(data->text(), QStringLiteral("typed"));

    // An untouched page without a library takes it.
    CPageView3Ir* irPage = window.pages()->irPage();
    ASSERT_NE(irPage, nullptr);
    scripted.handlers[QStringLiteral("irEditLib")] = [](QDialog& d) {
        Press(d, "newLib");
        Press(d, "newFunction");
        Press(d, "saveEdit");
        Press(d, "ok");
    };
    QAction* ir = test::Command(window, QStringLiteral("IR library..."));
    ASSERT_NE(ir, nullptr);
    ir->trigger();
    EXPECT_TRUE(QFile::exists(Path("Beamer.irr")));
    EXPECT_EQ(irPage->libraryName(), QStringLiteral("Beamer"));
    EXPECT_TRUE(scripted.asked.isEmpty()) << scripted.asked.join(", ").toStdString();
}

// --- Update actions from libraries ---

TEST_F(LibraryEditors, StaleDialogOffersTheChangedActionsChecked) {
    const std::string stale1 = IrText("TV", "Power", Code('0'));
    const std::string fresh = IrText("TV", "Mute", Code('b'));
    const std::string stale2 = Rs232Text("Proj", "On", "OLD");
    const std::string gone = IrText("TV", "Gone", Code('1'));
    const Configuration config = ProjectUsing({stale1, fresh, stale2, gone});
    StaleActionsDialog dialog(config, folder);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Update actions from libraries"));
    QTreeWidget* list = dialog.list();
    ASSERT_EQ(list->topLevelItemCount(), 3);
    EXPECT_EQ(list->topLevelItem(0)->text(StaleActionsDialog::kKey), QStringLiteral("Key1"));
    EXPECT_EQ(list->topLevelItem(0)->text(StaleActionsDialog::kEvent), QStringLiteral("Press"));
    EXPECT_EQ(list->topLevelItem(0)->text(StaleActionsDialog::kRow), QStringLiteral("1"));
    EXPECT_EQ(list->topLevelItem(1)->text(StaleActionsDialog::kFunction), QStringLiteral("On"));
    EXPECT_EQ(list->topLevelItem(2)->text(StaleActionsDialog::kStatus),
              QStringLiteral("function missing"));
    EXPECT_FALSE(list->topLevelItem(2)->flags() & Qt::ItemIsUserCheckable);

    std::vector<ActionUpdate> all = dialog.chosenUpdates();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0], (ActionUpdate{0, kSlotPress, 0, IrText("TV", "Power", Code('a'))}));
    EXPECT_EQ(all[1], (ActionUpdate{0, kSlotPress, 2, Rs232Text("Proj", "On", "ON")}));

    list->topLevelItem(0)->setCheckState(StaleActionsDialog::kKey, Qt::Unchecked);
    ASSERT_EQ(dialog.chosenUpdates().size(), 1u);
    EXPECT_EQ(dialog.chosenUpdates()[0].row, 2);
    auto* update = Find<QPushButton>(dialog, "update");
    EXPECT_TRUE(update->isEnabled());
    Press(dialog, "checkNone");
    EXPECT_TRUE(dialog.chosenUpdates().empty());
    EXPECT_FALSE(update->isEnabled());
    Press(dialog, "checkAll");
    EXPECT_EQ(dialog.chosenUpdates().size(), 2u);
}

// Each action shows its data as it is now and as the update makes it: in its row, and in full in
// the boxes below for the current row.
TEST_F(LibraryEditors, StaleDialogShowsTheOldAndTheNewData) {
    const Configuration config =
        ProjectUsing({IrText("TV", "Power", Code('0')), Rs232Text("Proj", "On", "OLD"),
                      IrText("TV", "Gone", Code('1'))});
    StaleActionsDialog dialog(config, folder);
    QTreeWidget* list = dialog.list();
    ASSERT_EQ(list->topLevelItemCount(), 3);
    struct Row {
        QString now;
        QString after;
    } rows[] = {
        {"code " + Q(Code('0')), "code " + Q(Code('a'))},
        {"baud 9600, data bits 8, parity NONE, stop bits 1, ascii, end CR, data \"OLD\"",
         "baud 9600, data bits 8, parity NONE, stop bits 1, ascii, end CR, data \"ON\""},
        {"code " + Q(Code('1')), ""}, // nothing to update it from
    };
    for (int r = 0; r < 3; ++r) {
        SCOPED_TRACE(r);
        const QTreeWidgetItem* item = list->topLevelItem(r);
        EXPECT_EQ(item->text(StaleActionsDialog::kOldData), rows[r].now);
        EXPECT_EQ(item->text(StaleActionsDialog::kNewData), rows[r].after);
        EXPECT_EQ(list->headerItem()->text(StaleActionsDialog::kOldData), "Now");
    }
    // The first stale action is current and shown in full; choosing another shows that one.
    EXPECT_EQ(dialog.oldData()->toPlainText(), rows[0].now);
    EXPECT_EQ(dialog.newData()->toPlainText(), rows[0].after);
    list->setCurrentItem(list->topLevelItem(1));
    EXPECT_EQ(dialog.oldData()->toPlainText(), rows[1].now);
    EXPECT_EQ(dialog.newData()->toPlainText(), rows[1].after);
    EXPECT_TRUE(dialog.oldData()->isReadOnly());
}

// --- Accessibility and pictures ---

void ExpectNamed(QWidget& dialog) {
    for (QWidget* w : dialog.findChildren<QWidget*>()) {
        const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                             qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractItemView*>(w);
        if (!control || w->objectName().isEmpty() ||
            w->objectName().startsWith(QLatin1String("qt_"))) {
            continue;
        }
        EXPECT_FALSE(AccessibleName(w).trimmed().isEmpty()) << w->objectName().toStdString();
        const auto* button = qobject_cast<QAbstractButton*>(w);
        if (!button || button->text().isEmpty()) {
            if (!qobject_cast<QComboBox*>(w) && !qobject_cast<QLineEdit*>(w)) {
                EXPECT_FALSE(w->toolTip().isEmpty()) << w->objectName().toStdString();
            }
        }
    }
}

void Picture(QWidget& widget, const char* name) {
    const QString dir = qEnvironmentVariable("QZ_SCREENSHOTS");
    if (dir.isEmpty()) {
        return;
    }
    QDir().mkpath(dir);
    widget.show();
    QTest::qWait(100);
    EXPECT_TRUE(widget.grab().save(dir + QLatin1Char('/') + QLatin1String(name) + ".png"));
}

TEST_F(LibraryEditors, EveryControlHasANameAndPictures) {
    const Configuration config =
        ProjectUsing({IrText("TV", "Power", Code('0')), Rs232Text("Proj", "On", "OLD"),
                      IrText("TV", "Gone", Code('1'))});
    CDlgIREditLib ir(QStringLiteral("TV"), QStringLiteral("Power"), messages, nullptr, &config);
    ir.show();
    ExpectNamed(ir);
    Picture(ir, "ir_editor");
    CDlgRs232EditLib rs(QStringLiteral("Proj"), QStringLiteral("On"), messages, &config);
    rs.show();
    ExpectNamed(rs);
    Picture(rs, "rs232_editor");
    rs.functionBox()->setCurrentText(QStringLiteral("Code"));
    Picture(rs, "rs232_editor_hex");
    StaleActionsDialog stale(config, folder);
    stale.show();
    ExpectNamed(stale);
    Picture(stale, "stale_actions");
}

} // namespace

QZ_UI_TEST_MAIN()
