// Library names with 8-bit characters, end to end through the editor window against the
// simulated keypad: an IR library "Café" made and learned in the IR editor and an RS232 library
// "Café" made in the RS232 editor, both saved under the name's own bytes ("Caf\xe9"); their
// functions picked on the pages and added to a key's Press event, uploaded; then the IR code
// learned again and the RS232 data changed, the project's copies found stale, updated, and the
// keypad given the new code and data.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <deque>
#include <fstream>
#include <functional>

#include <unistd.h>

#include "UiTestSupport.h"
#include "io/FileName.h"
#include "io/Latin1.h"
#include "library/IrLibrary.h"
#include "library/Rs232Library.h"
#include "link/EventLoop.h"
#include "link/KeypadSession.h"
#include "link/KeypadSimulator.h"
#include "model/Configuration.h"
#include "store/Paths.h"
#include "ui/MainWindow.h"
#include "ui/controls/KeyPanel.h"
#include "ui/dialogs/StaleActionsDialog.h"
#include "ui/document/EditorDocument.h"
#include "ui/libraries/IrLibraryEditor.h"
#include "ui/libraries/Rs232LibraryEditor.h"
#include "ui/pages/ActionPagesPanel.h"
#include "ui/pages/IrPage.h"
#include "ui/pages/Rs232Edit.h"
#include "ui/pages/Rs232Page.h"

using namespace qz;
using qz::test::Command;
using qz::test::Find;
using qz::test::ScriptedMessages;

namespace {

constexpr int kWaitMs = 10000;

const std::string kLibBytes = "Caf\xe9";
const QString kLib = latin1::ToQString(kLibBytes); // "Café"
const QString kFunction = QStringLiteral("Power");
const QString kRsFunction = QStringLiteral("On");

QByteArray Code(int step, int offset) {
    QByteArray code(99, '\0');
    for (int i = 0; i < code.size(); ++i) {
        code[i] = char((i * step + offset) & 0xFF);
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

// Text beyond ASCII arrives through the input method, as a keyboard layout types it.
void Compose(QLineEdit* edit, const QString& text) {
    ASSERT_NE(edit, nullptr);
    edit->selectAll();
    QInputMethodEvent event;
    event.setCommitString(text);
    QCoreApplication::sendEvent(edit, &event);
    ASSERT_EQ(edit->text(), text);
}

Configuration Model1() {
    Configuration config;
    config.LayoutKeys(1);
    config.deviceModel = 1;
    config.ApplyModelAndPort(1, 0);
    return config;
}

QList<QByteArray> PressFrames(const KeypadSimulator& sim) {
    QList<QByteArray> frames;
    for (const QByteArray& f : sim.receivedFrames()) {
        if (f.contains("PRES")) {
            frames << f;
        }
    }
    return frames;
}

class Latin1Road : public ::testing::Test {
  protected:
    void SetUp() override {
        QDir(LibraryFolder()).removeRecursively();
        QDir().mkpath(LibraryFolder());
        messages.handlers[QStringLiteral("newName")] = [this](QDialog& d) {
            ASSERT_FALSE(names.empty()) << "an unexpected name dialog";
            Compose(Find<QLineEdit>(d, "name"), names.front());
            names.pop_front();
            Click(d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok));
        };
        messages.handlers[QStringLiteral("keyNormal")] = [](QDialog& d) { Press(d, "add"); };
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        session.link().setEraseTickMs(500);
        session.setUploadLogPath(logs.filePath(QStringLiteral("upload.log")));
    }

    // Qt's own file functions cannot name the 8-bit files, so they are removed by their bytes.
    void TearDown() override {
        const QByteArray folder = qz::io::EncodeFileName(LibraryFolder());
        for (const char* name : {"/Caf\xe9.irr", "/Caf\xe9.rss"}) {
            ::unlink((folder + name).constData());
        }
    }

    const ActionList& pressActions() const {
        return document.configuration().keys[0].slots[kSlotPress];
    }
    CPageView3Ir* irPage() const { return window.pages()->irPage(); }
    CPageView3Rs232* rs232Page() const { return window.pages()->rs232Page(); }

    void connectTo(KeypadSimulator& sim) {
        QString error;
        ASSERT_TRUE(sim.start(&error)) << error.toStdString();
        session.disconnectKeypad();
        session.setFixedPort(sim.devicePath());
        window.connectKeypad();
        auto* status = Find<QLabel>(window, "status");
        ASSERT_TRUE(RunEventsUntil([&] { return status->text() == "Connect SUCCESS"; }, kWaitMs))
            << status->text().toStdString();
    }

    // A page's "Edit Lib"; `inside` acts in the editor (dialog `name`) while it is open.
    void editLibrary(QWidget* page, const char* name, const std::function<void(QDialog&)>& inside) {
        bool ran = false;
        messages.handlers[QLatin1String(name)] = [&](QDialog& d) {
            ran = true;
            inside(d);
        };
        Click(Find<QPushButton>(*page, "editLib"));
        messages.handlers.erase(QLatin1String(name));
        EXPECT_TRUE(ran) << "\"Edit Lib\" opened no " << name;
    }

    void learnAndSave(CDlgIREditLib& editor, const QByteArray& code) {
        CKvqIrListCtrl* list = editor.list();
        const int row = list->Names().indexOf(kFunction);
        ASSERT_GE(row, 0);
        QTest::mouseClick(
            list->viewport(), Qt::LeftButton, {},
            list->visualRect(list->model()->index(row, CKvqIrListCtrl::kName)).center());
        Press(editor, "learn");
        ASSERT_TRUE(RunEventsUntil(
            [&] { return list->RowData(row).compare(Hex(code), Qt::CaseInsensitive) == 0; },
            kWaitMs));
        Press(editor, "saveEdit");
        EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown.join(", ").toStdString();
        Press(editor, "ok");
    }

    void typeRs232Data(QDialog& editor, const QString& data) {
        auto* box = Find<CRS232Edit>(editor, "data");
        ASSERT_NE(box, nullptr);
        box->clear();
        QTest::keyClicks(box, data);
        Press(editor, "saveEdit");
        EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown.join(", ").toStdString();
        Press(editor, "ok");
    }

    void upload() {
        messages.answers = {1};
        QAction* command = Command(window, QStringLiteral("Upload"));
        ASSERT_NE(command, nullptr);
        command->trigger();
        ASSERT_TRUE(RunEventsUntil([&] { return !session.uploading(); }, kWaitMs));
        ASSERT_TRUE(RunEventsUntil(
            [&] { return window.statusBar()->currentMessage().startsWith("Upload complete"); },
            kWaitMs))
            << messages.shown.join(", ").toStdString();
    }

    // Selects an action row in the window's list, as a click does; the page follows.
    void selectAction(int row) {
        QTableView* list = window.actionList();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(list->model()->index(row, 1)).center());
    }

    QTemporaryDir sysfs;
    QTemporaryDir logs;
    ScriptedMessages messages;
    std::deque<QString> names;
    EditorDocument document{Model1()};
    KeypadSession session{PortDiscovery(sysfs.path(), [] { return QList<SerialPortEntry>{}; })};
    MainWindow window{document, session, &messages};
};

} // namespace

TEST_F(Latin1Road, An8BitLibraryNameWorksFromTheEditorsToTheKeypad) {
    const QByteArray codeA = Code(37, 142);
    const QByteArray codeB = Code(91, 201);
    SimulatorOptions optionsA;
    optionsA.irCode = codeA;
    KeypadSimulator remoteA(optionsA);
    connectTo(remoteA);
    ASSERT_FALSE(HasFatalFailure());

    // IR: "Café" made in the editor, "Power" learned from remote A, saved.
    names = {kLib, kFunction};
    editLibrary(irPage(), "irEditLib", [&](QDialog& d) {
        auto& editor = static_cast<CDlgIREditLib&>(d);
        Press(editor, "newLib");
        EXPECT_EQ(editor.libraryName(), kLib);
        Press(editor, "newFunction");
        learnAndSave(editor, codeA);
    });
    ASSERT_FALSE(HasFatalFailure());
    // RS232: "Café" made in its editor, "On" sending "PWR ON".
    names = {kLib, kRsFunction};
    editLibrary(rs232Page(), "rs232EditLib", [&](QDialog& d) {
        Press(d, "newLib");
        Press(d, "newFunction");
        typeRs232Data(d, QStringLiteral("PWR ON"));
    });
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_TRUE(names.empty());

    // Both files are under the name's own bytes, as a C program names them.
    const std::string folder = qz::io::EncodeFileName(LibraryFolder()).toStdString();
    EXPECT_TRUE(std::ifstream(folder + "/Caf\xe9.irr").is_open());
    EXPECT_TRUE(std::ifstream(folder + "/Caf\xe9.rss").is_open());

    // The pages took the libraries just made; their functions are listed and chosen.
    EXPECT_EQ(irPage()->libraryName(), kLib);
    EXPECT_EQ(rs232Page()->libraryName(), kLib);
    auto* irFunction = Find<QComboBox>(*irPage(), "function");
    ASSERT_GE(irFunction->findText(kFunction), 0);
    irFunction->setCurrentIndex(irFunction->findText(kFunction));
    EXPECT_EQ(rs232Page()->functionName(), kRsFunction);

    // Key 1's Press event gets both actions; the texts hold the name's bytes.
    QTest::mouseClick(window.keyPanel()->key(0), Qt::LeftButton);
    ASSERT_TRUE(document.configuration().keys[0].HasEvent(kSlotPress));
    Click(irPage()->addButton());
    Click(rs232Page()->addButton());
    EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown.join(", ").toStdString();
    ASSERT_EQ(pressActions().size(), 2u);
    EXPECT_EQ(pressActions()[0].rfind("INFR : Caf\xe9 : Power : ", 0), 0u) << pressActions()[0];
    EXPECT_EQ(pressActions()[1].rfind("UART :  : Caf\xe9 : On : ", 0), 0u) << pressActions()[1];
    EXPECT_TRUE(QString::fromStdString(pressActions()[0]).endsWith(Hex(codeA)));
    EXPECT_TRUE(QString::fromStdString(pressActions()[1]).endsWith(":PWR ON"));

    upload();
    ASSERT_FALSE(HasFatalFailure());
    QList<QByteArray> frames = PressFrames(remoteA);
    ASSERT_EQ(frames.size(), 1);
    EXPECT_TRUE(frames[0].contains(codeA));
    EXPECT_TRUE(frames[0].contains("PWR ON"));

    // The code learned again from remote B, the RS232 data changed: the copies are stale.
    SimulatorOptions optionsB;
    optionsB.irCode = codeB;
    KeypadSimulator remoteB(optionsB);
    connectTo(remoteB);
    ASSERT_FALSE(HasFatalFailure());
    editLibrary(irPage(), "irEditLib",
                [&](QDialog& d) { learnAndSave(static_cast<CDlgIREditLib&>(d), codeB); });
    ASSERT_FALSE(HasFatalFailure());
    editLibrary(rs232Page(), "rs232EditLib",
                [&](QDialog& d) { typeRs232Data(d, QStringLiteral("PWR 2")); });
    ASSERT_FALSE(HasFatalFailure());

    // Picked in the action list, each action shows its library's functions on its page.
    selectAction(0);
    EXPECT_EQ(irPage()->libraryName(), kLib);
    EXPECT_GE(irFunction->findText(kFunction), 0);
    selectAction(1);
    EXPECT_GE(Find<QComboBox>(*rs232Page(), "libFunction")->findText(kRsFunction), 0);

    // "Update actions from libraries" lists both as stale, and updates them.
    int listed = -1;
    messages.handlers[QStringLiteral("staleActions")] = [&](QDialog& d) {
        QTreeWidget* list = Find<QTreeWidget>(d, "staleList");
        listed = list->topLevelItemCount();
        for (int i = 0; i < listed; ++i) {
            const QTreeWidgetItem* item = list->topLevelItem(i);
            EXPECT_EQ(item->text(StaleActionsDialog::kLibrary), kLib);
            EXPECT_EQ(item->text(StaleActionsDialog::kStatus), "differs");
        }
        Press(d, "update");
    };
    QAction* update = window.findChild<QAction*>(QStringLiteral("updateFromLibraries"));
    ASSERT_NE(update, nullptr);
    update->trigger();
    EXPECT_EQ(listed, 2);
    EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown.join(", ").toStdString();
    EXPECT_TRUE(QString::fromStdString(pressActions()[0]).endsWith(Hex(codeB)));
    EXPECT_TRUE(QString::fromStdString(pressActions()[1]).endsWith(":PWR 2"));

    // The keypad gets the new code and data.
    upload();
    ASSERT_FALSE(HasFatalFailure());
    frames = PressFrames(remoteB);
    ASSERT_EQ(frames.size(), 1);
    EXPECT_TRUE(frames[0].contains(codeB));
    EXPECT_FALSE(frames[0].contains(codeA));
    EXPECT_TRUE(frames[0].contains("PWR 2"));
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("QZCTR_HOME", home.path().toLocal8Bit());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
