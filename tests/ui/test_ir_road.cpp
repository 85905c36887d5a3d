// The whole road of an IR action, driven through the editor window as a user drives it against
// the simulated keypad: the IR library editor opened from the IR page's "Edit Lib", a new library
// and function, "Learn", "Save Edit"; the function picked on the IR page and added to a key's
// Press event; "Upload" and the frame the keypad received. Then the code is learned again from
// another remote: the project's copy is stale, "Update actions from libraries" lists it and puts
// the new code in, as one undo step.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QUndoStack>
#include <deque>
#include <functional>
#include <map>

#include "UiTestSupport.h"
#include "library/IrLibrary.h"
#include "link/EventLoop.h"
#include "link/KeypadSession.h"
#include "link/KeypadSimulator.h"
#include "model/Configuration.h"
#include "store/Paths.h"
#include "ui/MainWindow.h"
#include "ui/controls/KeyPanel.h"
#include "ui/dialogs/SmallDialogs.h"
#include "ui/dialogs/StaleActionsDialog.h"
#include "ui/document/EditorDocument.h"
#include "ui/libraries/IrLibraryEditor.h"
#include "ui/pages/ActionPagesPanel.h"
#include "ui/pages/IrPage.h"

using namespace qz;
using qz::test::Command;
using qz::test::Find;
using qz::test::ScriptedMessages;

namespace {

// Generous: the machine may be loaded; every wait ends as soon as its condition holds.
constexpr int kWaitMs = 10000;

const QString kLib = QStringLiteral("Living TV");
const QString kFunction = QStringLiteral("Power");

// Two learned codes of 99 bytes that differ in every byte, share no run of two bytes, and spread
// over the whole byte range (zero, letters, high bytes), as a real remote's codes do.
QByteArray CodeA() {
    QByteArray code(99, '\0');
    for (int i = 0; i < code.size(); ++i) {
        code[i] = char((i * 37 + 142) & 0xFF); // byte 10 is zero
    }
    return code;
}
QByteArray CodeB() {
    QByteArray code(99, '\0');
    for (int i = 0; i < code.size(); ++i) {
        code[i] = char((i * 91 + 201) & 0xFF);
    }
    return code;
}
QString Hex(const QByteArray& code) {
    return QString::fromLatin1(code.toHex());
}

void Click(QWidget* widget) {
    ASSERT_NE(widget, nullptr);
    ASSERT_TRUE(widget->isEnabled()) << widget->objectName().toStdString();
    QTest::mouseClick(widget, Qt::LeftButton);
}

void Press(QWidget& dialog, const char* button) {
    Click(Find<QAbstractButton>(dialog, button));
}

Configuration Model1() {
    Configuration config;
    config.LayoutKeys(1);
    config.deviceModel = 1;
    config.ApplyModelAndPort(1, 0);
    return config;
}

// The frames of the keypad's Press events.
QList<QByteArray> PressFrames(const KeypadSimulator& sim) {
    QList<QByteArray> frames;
    for (const QByteArray& f : sim.receivedFrames()) {
        if (f.contains("PRES")) {
            frames << f;
        }
    }
    return frames;
}

class IrRoad : public ::testing::Test {
  protected:
    void SetUp() override {
        // Each test starts from an empty library folder (QZCTR_HOME is the program's own).
        QDir folder(LibraryFolder());
        folder.removeRecursively();
        QDir().mkpath(LibraryFolder());

        // The name dialog: typed in, then OK.
        messages.handlers[QStringLiteral("newName")] = [this](QDialog& d) {
            ASSERT_FALSE(names.empty()) << "an unexpected name dialog";
            auto* edit = Find<QLineEdit>(d, "name");
            edit->clear();
            QTest::keyClicks(edit, names.front());
            names.pop_front();
            Click(d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok));
        };
        // A key's dialog adds its event as it stands: a normal key's is a Press.
        messages.handlers[QStringLiteral("keyNormal")] = [](QDialog& d) { Press(d, "add"); };

        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        // The erase ends at the keypad's second answer; the ticks only bound the wait for it
        // (six of them), short enough for a test, long enough for a loaded machine.
        session.link().setEraseTickMs(500);
        session.setUploadLogPath(logs.filePath(QStringLiteral("upload.log")));
    }

    const Configuration& config() const { return document.configuration(); }
    CPageView3Ir* irPage() const { return window.pages()->irPage(); }
    QString cell(QAbstractItemView* view, int row, int column) const {
        return view->model()->index(row, column).data().toString();
    }
    std::string pressAction(int row = 0) const {
        const ActionList& list = config().keys[0].slots[kSlotPress];
        return row < int(list.size()) ? list[size_t(row)] : std::string();
    }

    // "USB" against the simulator, after leaving whatever keypad was connected.
    void connectTo(KeypadSimulator& sim) {
        QString error;
        ASSERT_TRUE(sim.start(&error)) << error.toStdString();
        session.disconnectKeypad();
        ASSERT_NE(session.status(), LinkStatus::ConnectSuccess);
        session.setFixedPort(sim.devicePath());
        window.connectKeypad();
        auto* status = Find<QLabel>(window, "status");
        ASSERT_TRUE(RunEventsUntil([&] { return status->text() == "Connect SUCCESS"; }, kWaitMs))
            << status->text().toStdString();
    }

    // The IR page's "Edit Lib"; `inside` acts in the editor while it is open.
    void editLibrary(const std::function<void(CDlgIREditLib&)>& inside) {
        bool ran = false;
        messages.handlers[QStringLiteral("irEditLib")] = [&](QDialog& d) {
            auto* editor = qobject_cast<CDlgIREditLib*>(&d);
            ASSERT_NE(editor, nullptr);
            ran = true;
            inside(*editor);
        };
        Click(Find<QPushButton>(*irPage(), "editLib"));
        messages.handlers.erase(QStringLiteral("irEditLib"));
        EXPECT_TRUE(ran) << "\"Edit Lib\" opened no IR editor";
    }

    // In the editor: select the function's row, "Learn", wait for the keypad's code in the row,
    // "Save Edit", close with "OK".
    void learnAndSave(CDlgIREditLib& editor, const QByteArray& code) {
        CKvqIrListCtrl* list = editor.list();
        const int row = list->Names().indexOf(kFunction);
        ASSERT_GE(row, 0);
        QTest::mouseClick(
            list->viewport(), Qt::LeftButton, {},
            list->visualRect(list->model()->index(row, CKvqIrListCtrl::kName)).center());
        ASSERT_EQ(list->FirstSelectedRow(), row);
        Press(editor, "learn");
        ASSERT_TRUE(RunEventsUntil(
            [&] { return list->RowData(row).compare(Hex(code), Qt::CaseInsensitive) == 0; },
            kWaitMs))
            << "the row holds " << list->RowData(row).toStdString();
        Press(editor, "saveEdit");
        EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown.join(", ").toStdString();
        Press(editor, "ok");
        EXPECT_FALSE(editor.isVisible());
    }

    // "Upload", answered Yes, to its end; the keypad must have answered every frame.
    void upload() {
        messages.answers = {1};
        QAction* command = Command(window, QStringLiteral("Upload"));
        ASSERT_NE(command, nullptr);
        command->trigger();
        EXPECT_EQ(messages.asked.last(), "Clear all data? \r\nYes or No ?");
        ASSERT_TRUE(RunEventsUntil([&] { return !session.uploading(); }, kWaitMs));
        ASSERT_TRUE(RunEventsUntil(
            [&] { return window.statusBar()->currentMessage().startsWith("Upload complete"); },
            kWaitMs))
            << messages.shown.join(", ").toStdString();
    }

    // Shortcuts work in the active window. A window manager gives the activation back when a
    // dialog closes; the offscreen platform does not, so the test does.
    void key(QKeySequence keys) {
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        window.actionList()->setFocus();
        QTest::keySequence(window.actionList(), keys);
    }

    QTemporaryDir sysfs;
    QTemporaryDir logs;
    ScriptedMessages messages;
    std::deque<QString> names;
    EditorDocument document{Model1()};
    // No plugged-in ports: the keypad is the simulator's fixed port.
    KeypadSession session{PortDiscovery(sysfs.path(), [] { return QList<SerialPortEntry>{}; })};
    MainWindow window{document, session, &messages};
};

} // namespace

TEST_F(IrRoad, LearnedCodeReachesTheKeypadAndARelearnedCodeUpdatesTheAction) {
    const QByteArray codeA = CodeA();
    const QByteArray codeB = CodeB();
    ASSERT_EQ(codeA.size(), 99);
    ASSERT_FALSE(codeA.contains(codeB.left(8)));

    SimulatorOptions optionsA;
    optionsA.irCode = codeA;
    KeypadSimulator remoteA(optionsA);
    connectTo(remoteA);
    ASSERT_FALSE(HasFatalFailure());

    // The IR page to the front, as a user chooses it in the type list.
    QListWidget* types = window.pages()->typeList();
    const QList<QListWidgetItem*> irItems =
        types->findItems(QStringLiteral("IR"), Qt::MatchExactly);
    ASSERT_EQ(irItems.size(), 1);
    QTest::mouseClick(types->viewport(), Qt::LeftButton, {},
                      types->visualItemRect(irItems[0]).center());
    ASSERT_EQ(window.pages()->page(window.pages()->currentIndex()), irPage());

    // "Edit Lib": a new library with a new function, its code learned from remote A, saved.
    names = {kLib, kFunction};
    editLibrary([&](CDlgIREditLib& editor) {
        Press(editor, "newLib");
        EXPECT_EQ(editor.libraryName(), kLib);
        Press(editor, "newFunction");
        ASSERT_EQ(editor.list()->Names(), QStringList{kFunction});
        learnAndSave(editor, codeA);
    });
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(messages.dialogs, (QStringList{"irEditLib", "newName", "newName"}));
    CIrLibSet saved;
    ASSERT_TRUE(LoadIrLibraryFile(LibraryFilePath(kLib + QStringLiteral(".irr")), saved));
    ASSERT_EQ(saved.entries.size(), 1u);
    EXPECT_EQ(IrEntryData(saved.entries[0]), Hex(codeA).toStdString());

    // The library just made in the editor is the page's library now; its function is chosen.
    EXPECT_EQ(irPage()->libraryName(), kLib);
    auto* function = Find<QComboBox>(*irPage(), "function");
    ASSERT_GE(function->findText(kFunction), 0);
    function->setCurrentIndex(function->findText(kFunction));

    // Key 1 gets a Press event; "Add" puts the IR action into it.
    QTest::mouseClick(window.keyPanel()->key(0), Qt::LeftButton);
    ASSERT_EQ(messages.dialogs.last(), "keyNormal");
    ASSERT_TRUE(config().keys[0].HasEvent(kSlotPress));
    Click(irPage()->addButton());
    EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown.join(", ").toStdString();
    QTableView* actions = window.actionList();
    ASSERT_EQ(actions->model()->rowCount(), 1);
    EXPECT_EQ(cell(actions, 0, 1), "IR");
    EXPECT_TRUE(cell(actions, 0, 2).startsWith("Lib:" + kLib + ",Fun:" + kFunction))
        << cell(actions, 0, 2).toStdString();
    const std::string withA = pressAction();
    EXPECT_EQ(QString::fromStdString(withA).right(198).toLower(), Hex(codeA));

    // The upload: the Press event's frame carries the learned bytes.
    upload();
    ASSERT_FALSE(HasFatalFailure());
    QList<QByteArray> frames = PressFrames(remoteA);
    ASSERT_EQ(frames.size(), 1);
    EXPECT_TRUE(frames[0].contains(codeA)) << frames[0].toHex().toStdString();

    // Remote B: the same function learned again from the editor the page opens on it. The
    // editor counts the action that uses the function.
    SimulatorOptions optionsB;
    optionsB.irCode = codeB;
    KeypadSimulator remoteB(optionsB);
    connectTo(remoteB);
    ASSERT_FALSE(HasFatalFailure());
    editLibrary([&](CDlgIREditLib& editor) {
        EXPECT_EQ(editor.libraryName(), kLib);
        const int row = editor.list()->FirstSelectedRow();
        ASSERT_EQ(editor.list()->RowName(row), kFunction);
        EXPECT_EQ(editor.list()->Cell(row, CKvqIrListCtrl::kUses), "1");
        learnAndSave(editor, codeB);
    });
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(pressAction(), withA) << "the project keeps its copy until it is updated";

    // "Update actions from libraries" lists exactly that action; updating it puts code B in.
    int listed = -1;
    messages.handlers[QStringLiteral("staleActions")] = [&](QDialog& d) {
        QTreeWidget* list = Find<QTreeWidget>(d, "staleList");
        listed = list->topLevelItemCount();
        ASSERT_EQ(listed, 1);
        const QTreeWidgetItem* item = list->topLevelItem(0);
        QStringList columns;
        for (int c = 0; c < StaleActionsDialog::kColumns; ++c) {
            columns << item->text(c);
        }
        EXPECT_EQ(columns, (QStringList{"Key1", "Press", "1", "IR", kLib, kFunction, "differs",
                                        "code " + Hex(codeA), "code " + Hex(codeB)}));
        EXPECT_EQ(item->checkState(StaleActionsDialog::kKey), Qt::Checked);
        Press(d, "update");
    };
    const int steps = document.undoStack()->index();
    QAction* update = window.findChild<QAction*>(QStringLiteral("updateFromLibraries"));
    ASSERT_NE(update, nullptr);
    update->trigger();
    EXPECT_EQ(listed, 1);
    EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown.join(", ").toStdString();
    const std::string withB = pressAction();
    EXPECT_EQ(QString::fromStdString(withB).right(198).toLower(), Hex(codeB));
    EXPECT_EQ(withB.substr(0, withB.size() - 198), withA.substr(0, withA.size() - 198))
        << "only the code changes";
    EXPECT_EQ(document.undoStack()->index(), steps + 1);

    // One Ctrl+Z brings code A back; redo brings B again.
    key(QKeySequence(Qt::CTRL | Qt::Key_Z));
    EXPECT_EQ(pressAction(), withA);
    key(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    EXPECT_EQ(pressAction(), withB);

    // The keypad now gets code B.
    upload();
    ASSERT_FALSE(HasFatalFailure());
    frames = PressFrames(remoteB);
    ASSERT_EQ(frames.size(), 1);
    EXPECT_TRUE(frames[0].contains(codeB)) << frames[0].toHex().toStdString();
    EXPECT_FALSE(frames[0].contains(codeA));
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("QZCTR_HOME", home.path().toLocal8Bit());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
