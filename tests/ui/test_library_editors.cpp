// The IR and RS232 library editors and "Update actions from libraries", used as a user does:
// their buttons with their messages, learning against the simulated keypad, usage counts, the
// data area's bound. With QZ_SCREENSHOTS=DIR the editors are also saved as pictures there.
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "UiTestSupport.h"
#include "library/IrLibrary.h"
#include "library/Rs232Library.h"
#include "library/StaleActions.h"
#include "link/DeviceLink.h"
#include "link/EventLoop.h"
#include "link/KeypadSimulator.h"
#include "model/ActionTexts.h"
#include "model/Configuration.h"
#include "store/Paths.h"
#include "ui/dialogs/SmallDialogs.h"
#include "ui/dialogs/StaleActionsDialog.h"
#include "ui/libraries/IrLibraryEditor.h"
#include "ui/libraries/Rs232LibraryEditor.h"

#include "ui/pages/Rs232Edit.h"
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

// Answers every name dialog with the next of `names` and file dialogs with the paths given.
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

    QStringList names;
    QString openPath;
    QString savePath;
    QString openFolder;
    QString saveFolder;
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
    EXPECT_EQ(list->item(2, CKvqIrListCtrl::kNo)->text(), QStringLiteral("3"));
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
    EXPECT_EQ(list->item(1, CKvqIrListCtrl::kNo)->text(), QStringLiteral("2"));
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
        Press(editor, "cancel");
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
    EXPECT_EQ(messages.shown, QStringList{QStringLiteral("Can Not Open The File")});
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
        uses << ir.list()->item(r, CKvqIrListCtrl::kUses)->text();
    }
    EXPECT_EQ(uses, (QStringList{"2", "0", "1"}));
    // A renamed function is counted under its new name.
    messages.names = {QStringLiteral("Power2")};
    ir.list()->SelectRow(0);
    Press(ir, "renameFunction");
    EXPECT_EQ(ir.list()->item(0, CKvqIrListCtrl::kUses)->text(), QStringLiteral("0"));

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

struct Keypad {
    explicit Keypad(SimulatorOptions options = {}) : sim(options) {}
    bool Start() {
        QString error;
        if (!sim.start(&error)) {
            ADD_FAILURE() << error.toStdString();
            return false;
        }
        link.setLearnSilenceMs(200);
        bool finished = false;
        bool ok = false;
        QObject::connect(&link, &DeviceLink::handshakeFinished, [&](bool success) {
            finished = true;
            ok = success;
        });
        return link.connectToKeypad({sim.devicePath()}) &&
               RunEventsUntil([&] { return finished; }, kWaitMs) && ok;
    }
    KeypadSimulator sim;
    DeviceLink link;
};

QString Hex(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex());
}

TEST_F(LibraryEditors, IrLearnsIntoTheSelectedRowAndSavesIt) {
    Keypad keypad;
    ASSERT_TRUE(keypad.Start());
    CDlgIREditLib editor(QStringLiteral("TV"), QStringLiteral("Mute"), messages, &keypad.link);
    editor.show();
    auto* learn = Find<QPushButton>(editor, "learn");
    Press(editor, "learn");
    EXPECT_TRUE(keypad.link.learning());
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
    EXPECT_FALSE(keypad.link.learning());
}

TEST_F(LibraryEditors, IrLearnIsLockedForEightSecondsWithoutBlocking) {
    Keypad keypad;
    ASSERT_TRUE(keypad.Start());
    CDlgIREditLib editor(QStringLiteral("TV"), QString(), messages, &keypad.link);
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
    CDlgIREditLib editor(QStringLiteral("TV"), QStringLiteral("Power"), messages, &keypad.link);
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
    ASSERT_TRUE(keypad.link.startClear());
    CDlgIREditLib editor(QStringLiteral("TV"), QString(), messages, &keypad.link);
    editor.show();
    Press(editor, "learn");
    EXPECT_EQ(messages.shown, QStringList{RefusalText(LinkRefusal::ClearRunning)});
    EXPECT_TRUE(Find<QPushButton>(editor, "learn")->isEnabled());
    EXPECT_FALSE(keypad.link.learning());
}

TEST_F(LibraryEditors, IrLearnedCodeWithoutSelectedRowIsDropped) {
    CDlgIREditLib editor(QStringLiteral("TV"), QString(), messages);
    editor.list()->clearSelection();
    editor.OnCodeLearned(QByteArray(kIrCodeDigits, '7'));
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(editor.list()->RowText(r), Q(tv.entries[std::size_t(r)]));
    }
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
    Press(editor, "openLib");
    EXPECT_EQ(messages.shown,
              (QStringList{"Please Create a new lib name", "Please Create a new lib name",
                           "the name is aready exsit in the Library",
                           "Please Create a new function name", "Can Not Open The File"}));
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
    // A second function with hexadecimal data; the name "Up" is taken.
    QTest::mouseClick(Find<QRadioButton>(editor, "hex"), Qt::LeftButton);
    EXPECT_EQ(editor.dataBox()->text(), QStringLiteral("55 50 0d"));
    editor.dataBox()->setText(QStringLiteral("0d 0a"));
    Press(editor, "newFunction");
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
        Press(editor, "cancel");
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
