// The editor window driven as a user drives it: keys clicked, dialogs answered through the one
// seam, list buttons and keys, copy and paste, the model commands, the file questions, and the
// keypad commands against the simulated keypad.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QSettings>
#include <QSlider>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUndoStack>
#include <algorithm>
#include <deque>
#include <functional>
#include <unistd.h>

#include "../link/LinkTestSupport.h"
#include "UiTestSupport.h"
#include "io/FileName.h"
#include "io/WholeFile.h"
#include "link/EventLoop.h"
#include "link/KeypadSession.h"
#include "link/KeypadSimulator.h"
#include "model/ActionRules.h"
#include "model/ActionTexts.h"
#include "model/Configuration.h"
#include "store/DeviceModels.h"
#include "store/Paths.h"
#include "store/ProjectFile.h"
#include "store/Settings.h"
#include "ui/MainWindow.h"
#include "ui/controls/KeyPanel.h"
#include "ui/dialogs/SmallDialogs.h"
#include "ui/document/EditorDocument.h"
#include "ui/pages/ActionPage.h"
#include "ui/pages/ActionPagesPanel.h"

using namespace qz;
using qz::test::Command;
using qz::test::Find;
using qz::test::ScriptedMessages;

namespace {

void Choose(QDialog& dialog, const char* box, const QString& entry) {
    if (auto* combo = Find<QComboBox>(dialog, box)) {
        const int i = combo->findText(entry);
        ASSERT_GE(i, 0) << box << " has no " << entry.toStdString();
        combo->setCurrentIndex(i);
    }
}

void Press(QDialog& dialog, const char* button) {
    if (auto* b = Find<QAbstractButton>(dialog, button)) {
        b->click();
    }
}

bool Wait(const std::function<bool()>& done, int ms = 8000) {
    return RunEventsUntil(done, ms);
}

const QString kLed = QStringLiteral("LEDP : 3 : 2 : 2");
const QString kRelay = QStringLiteral("RELY : 0 : 1 : 1");
const QString kDelay = QStringLiteral("DELY : 0 : 0 : 5 : 1 : 0000051");
const QString kIr =
    QStringLiteral("INFR : TV : P : 0 : 1 : 0 : 1 : 1 : c6 : ") + QString(198, QLatin1Char('1'));

Configuration Layout(int model, int port = 0) {
    Configuration config;
    config.LayoutKeys(model);
    config.deviceModel = model;
    config.ApplyModelAndPort(model, port);
    return config;
}

struct Window : ::testing::Test {
    QTemporaryDir dir;
    test::FakePorts ports;
    ScriptedMessages messages;
    EditorDocument document{Layout(1)};
    KeypadSession session{ports.discovery()};
    MainWindow window{document, session, &messages};

    Window() {
        document.setSettingsWriter([this](int model, int port) {
            return WriteModelSettings(model, port, dir.filePath(QStringLiteral("qzsetup.ini")));
        });
    }
    const Configuration& config() { return document.configuration(); }
    QTableView* events() { return window.eventList(); }
    QTableView* actions() { return window.actionList(); }
    QString cell(QTableView* view, int row, int column) {
        return view->model()->index(row, column).data().toString();
    }
    // A user clicks the key and answers its dialog with "Add" after `fill`.
    void clickKey(int key, const std::function<void(QDialog&)>& fill = {}) {
        messages.onExec = [fill](QDialog& dialog) {
            if (fill) {
                fill(dialog);
            }
            Press(dialog, "add");
        };
        QTest::mouseClick(window.keyPanel()->key(key), Qt::LeftButton);
        messages.onExec = nullptr;
    }
    void addAction(const QString& text) { Q_EMIT window.pages()->addRequested(text); }
    void selectRow(QTableView* view, int row) {
        const QRect r = view->visualRect(view->model()->index(row, 1));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
    }
    // Shortcuts work in the active window only, as they do for a user.
    void showActive() {
        window.show();
        QApplication::setActiveWindow(&window);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    void key(QWidget* on, QKeySequence keys) {
        on->setFocus();
        QTest::keySequence(on, keys);
    }
};

bool Closes(MainWindow& window) {
    QCloseEvent event;
    QApplication::sendEvent(&window, &event);
    return event.isAccepted();
}

} // namespace

TEST_F(Window, EachKeyDialogAddsItsEventAndTheListsShowIt) {
    showActive();
    clickKey(4, [](QDialog& d) {
        Choose(d, "keyActionType", "Toggle");
        Choose(d, "toggleClass", "3");
        Choose(d, "toggleNum", "2");
        auto* name = Find<QLineEdit>(d, "keyName");
        name->clear();
        QTest::keyClicks(name, "F-a_n"); // the key-name box drops "-" and "_"
    });
    clickKey(34, [](QDialog& d) {
        Choose(d, "sourceNumber", "Time 2");
        Find<QSlider>(d, "time")->setValue(15);
    });
    clickKey(9); // a virtual key
    EXPECT_EQ(messages.dialogs, (QStringList{"keyNormal", "keySys", "keyVirt"}));

    ASSERT_EQ(events()->model()->rowCount(), 3);
    EXPECT_EQ(cell(events(), 0, 0), "Key5");
    EXPECT_EQ(cell(events(), 0, 1), "Toggle");
    EXPECT_EQ(cell(events(), 1, 0), "Key10");
    EXPECT_EQ(cell(events(), 1, 1), "Virtual");
    EXPECT_EQ(cell(events(), 2, 1), "Time");
    EXPECT_EQ(cell(events(), 2, 2), "Time 2, 015min");
    EXPECT_EQ(config().keys[4].keyName, "Fan");
    // The new event is current and selected.
    EXPECT_EQ(document.currentKey(), 9);
    EXPECT_EQ(events()->currentIndex().row(), 1);

    selectRow(events(), 0);
    EXPECT_EQ(document.currentKey(), 4);
    addAction(kLed);
    addAction(kRelay);
    ASSERT_EQ(actions()->model()->rowCount(), 2);
    EXPECT_EQ(cell(actions(), 0, 1), "Led");
    EXPECT_EQ(cell(actions(), 1, 2), "Port 1 Off");
    EXPECT_EQ(actions()->currentIndex().row(), 1); // the added action is selected

    // Selecting an action brings its page to the front, filled; "Edit" rewrites it in place.
    selectRow(actions(), 0);
    EXPECT_EQ(window.pages()->currentIndex(), 6);
    EXPECT_EQ(window.pages()->typeList()->currentRow(), 6);
    Q_EMIT window.pages()->editRequested(kDelay);
    EXPECT_EQ(config().keys[4].slots[20], (ActionList{kDelay.toStdString(), kRelay.toStdString()}));
    EXPECT_EQ(cell(actions(), 0, 2), "Time Hour:0 Minute:0 Second:5.5s");

    // Cancelled: nothing changes.
    const Configuration before = config();
    messages.onExec = [](QDialog& d) { Press(d, "cancel"); };
    QTest::mouseClick(window.keyPanel()->key(12), Qt::LeftButton);
    EXPECT_TRUE(config() == before);
}

// After undo and redo the page shows the selected action as it is stored then, so that "Edit"
// writes nothing stale; what the user typed stays while the selected action is unchanged.
TEST_F(Window, ThePageShowsTheSelectedActionAsItIsStored) {
    showActive();
    clickKey(0);
    const std::string on1 = RelayAction{0, 0}.ToActionText();
    const std::string off2 = RelayAction{1, 1}.ToActionText();
    addAction(QString::fromStdString(on1));
    addAction(kLed);
    selectRow(actions(), 0);
    ASSERT_EQ(window.pages()->currentIndex(), int(kRelayPage));
    ActionPage& relay = *window.pages()->page(kRelayPage);
    auto* port = Find<QComboBox>(relay, "port");
    auto* action = Find<QComboBox>(relay, "action");
    auto* edit = Find<QAbstractButton>(relay, "edit");
    ASSERT_EQ(std::make_pair(port->currentIndex(), action->currentIndex()), std::make_pair(0, 0));

    port->setCurrentIndex(1);
    action->setCurrentIndex(1);
    QTest::mouseClick(edit, Qt::LeftButton);
    ASSERT_EQ(config().keys[0].slots[0][0], off2);
    EXPECT_EQ(std::make_pair(port->currentIndex(), action->currentIndex()), std::make_pair(1, 1));

    document.undoStack()->undo();
    ASSERT_EQ(config().keys[0].slots[0][0], on1);
    EXPECT_EQ(actions()->currentIndex().row(), 0);
    EXPECT_EQ(std::make_pair(port->currentIndex(), action->currentIndex()), std::make_pair(0, 0));
    // "Edit" now writes what is stored: no step, and redo is still there.
    QTest::mouseClick(edit, Qt::LeftButton);
    EXPECT_EQ(config().keys[0].slots[0][0], on1);
    EXPECT_TRUE(document.undoStack()->canRedo());

    document.undoStack()->redo();
    EXPECT_EQ(std::make_pair(port->currentIndex(), action->currentIndex()), std::make_pair(1, 1));

    // "Update actions from libraries" rewrites the selected action: the page follows too.
    ASSERT_TRUE(document.replaceActions({{0, 0, 0, on1}}, QStringLiteral("Update")).done());
    EXPECT_EQ(std::make_pair(port->currentIndex(), action->currentIndex()), std::make_pair(0, 0));
    document.undoStack()->undo();

    // A step elsewhere leaves what the user is typing alone.
    port->setCurrentIndex(2);
    addAction(kDelay);
    selectRow(actions(), 0);
    EXPECT_EQ(port->currentIndex(), 1);
    port->setCurrentIndex(2);
    clickKey(3);
    EXPECT_EQ(port->currentIndex(), 2);
}

TEST_F(Window, ListButtonsAndTheDeleteKey) {
    showActive();
    clickKey(0);
    addAction(kLed);
    addAction(kRelay);
    addAction(kDelay);
    clickKey(1);
    clickKey(2);
    ASSERT_EQ(events()->model()->rowCount(), 3);

    selectRow(events(), 0);
    selectRow(actions(), 0);
    Find<QToolButton>(window, "moveDown")->click();
    EXPECT_EQ(config().keys[0].slots[0][1], kLed.toStdString());
    EXPECT_EQ(actions()->currentIndex().row(), 1); // the moved row stays selected
    Find<QToolButton>(window, "moveUp")->click();
    EXPECT_EQ(config().keys[0].slots[0][0], kLed.toStdString());
    Find<QToolButton>(window, "moveUp")->click(); // first row: nothing, no message
    EXPECT_TRUE(messages.shown.isEmpty());

    key(actions(), QKeySequence::Delete);
    EXPECT_EQ(config().keys[0].slots[0], (ActionList{kRelay.toStdString(), kDelay.toStdString()}));
    Find<QToolButton>(window, "deleteAction")->click();
    EXPECT_EQ(config().keys[0].slots[0].size(), 1u);
    Find<QToolButton>(window, "clearActions")->click();
    EXPECT_FALSE(config().keys[0].HasEvent(0));

    // "refre" removes the events that never got an action.
    Find<QToolButton>(window, "purgeEvents")->click();
    EXPECT_EQ(config().EventRowCount(), 0);
    EXPECT_EQ(events()->model()->rowCount(), 0);

    clickKey(3);
    clickKey(5);
    selectRow(events(), 0);
    key(events(), QKeySequence::Delete);
    EXPECT_FALSE(config().keys[3].HasEvent(0));
    EXPECT_EQ(events()->currentIndex().row(), 0); // the first remaining event is selected
    EXPECT_EQ(document.currentKey(), 5);
    Find<QToolButton>(window, "clearAllEvents")->click();
    EXPECT_EQ(config().EventRowCount(), 0);

    // Every step undoes, also while a text box has focus (Ctrl+Z is the document's).
    const int steps = document.undoStack()->index();
    auto* text = window.pages()->findChild<QLineEdit*>();
    ASSERT_NE(text, nullptr);
    key(text, QKeySequence(Qt::CTRL | Qt::Key_Z));
    EXPECT_EQ(document.undoStack()->index(), steps - 1);
    EXPECT_EQ(config().EventRowCount(), 1);
    key(text, QKeySequence(Qt::CTRL | Qt::Key_Y));
    EXPECT_EQ(config().EventRowCount(), 0);
}

// A Ctrl+click takes the last row out of the selection; the row stays current, but the buttons
// that need a selected row leave it alone, and so do the Delete key and the context menu's entries.
TEST_F(Window, ListButtonsActOnSelectedRowsOnly) {
    showActive();
    clickKey(0);
    addAction(kLed);
    addAction(kRelay);
    addAction(kDelay);
    clickKey(1);
    const auto unselect = [this](QTableView* view, int row) {
        selectRow(view, row);
        const QRect r = view->visualRect(view->model()->index(row, 1));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier, r.center());
        ASSERT_FALSE(view->selectionModel()->hasSelection());
    };
    const Configuration before = config();

    selectRow(events(), 0);
    unselect(actions(), 1);
    for (const char* button : {"deleteAction", "moveUp", "moveDown"}) {
        auto* b = Find<QToolButton>(window, button);
        EXPECT_FALSE(b->isEnabled()) << button;
        b->click();
        EXPECT_EQ(config().keys[0].slots[0], before.keys[0].slots[0]) << button;
    }
    key(actions(), QKeySequence::Delete);
    EXPECT_EQ(config().keys[0].slots[0], before.keys[0].slots[0]);

    unselect(events(), 1);
    auto* deleteEvent = Find<QToolButton>(window, "deleteEvent");
    EXPECT_FALSE(deleteEvent->isEnabled());
    deleteEvent->click();
    key(events(), QKeySequence::Delete);
    EXPECT_EQ(config().EventRowCount(), before.EventRowCount());
    EXPECT_TRUE(messages.shown.isEmpty());

    // Selected again, the row is what they act on.
    selectRow(events(), 0);
    selectRow(actions(), 2);
    Find<QToolButton>(window, "moveUp")->click();
    EXPECT_EQ(config().keys[0].slots[0],
              (ActionList{kLed.toStdString(), kDelay.toStdString(), kRelay.toStdString()}));
    Find<QToolButton>(window, "deleteAction")->click();
    EXPECT_EQ(config().keys[0].slots[0], (ActionList{kLed.toStdString(), kRelay.toStdString()}));
}

TEST_F(Window, CopyAndPasteAcrossKeysEachUndoable) {
    showActive();
    clickKey(0);
    addAction(kLed);
    addAction(kRelay);
    clickKey(1);

    // An event copied from the list goes onto another key through the key's menu.
    selectRow(events(), 0);
    key(events(), QKeySequence::Copy);
    ASSERT_TRUE(window.pasteOntoKey(6));
    EXPECT_EQ(config().keys[6].slots[0], config().keys[0].slots[0]);
    EXPECT_EQ(events()->model()->rowCount(), 3);

    // Two actions copied and pasted into another event.
    selectRow(events(), 1); // Key2 Press
    ASSERT_EQ(document.currentKey(), 1);
    selectRow(events(), 0);
    actions()->selectAll();
    key(actions(), QKeySequence::Copy);
    selectRow(events(), 1);
    key(actions(), QKeySequence::Paste);
    EXPECT_EQ(config().keys[1].slots[0], config().keys[0].slots[0]);
    document.undoStack()->undo();
    EXPECT_EQ(config().keys[1].slots[0], ActionList{""});
    document.undoStack()->undo();
    EXPECT_FALSE(config().keys[6].HasEvent(0));

    // A paste that would not fit its event's frame is refused whole, with a message.
    selectRow(events(), 0);
    for (int i = 0; i < 9; ++i) {
        addAction(kIr);
    }
    actions()->selectAll();
    key(actions(), QKeySequence::Copy);
    const int steps = document.undoStack()->count();
    key(actions(), QKeySequence::Paste);
    EXPECT_EQ(document.undoStack()->count(), steps);
    EXPECT_EQ(messages.shown.last(), QLatin1String(kNoRoomText));
    EXPECT_EQ(config().keys[0].slots[0].size(), 11u);
}

TEST_F(Window, ClickingTheKeyHeaderSortsAndNewRowsKeepTheOrder) {
    showActive();
    clickKey(2);
    clickKey(0);
    clickKey(9);
    EXPECT_EQ(cell(events(), 0, 0), "Key1");
    QTest::mouseClick(events()->horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(events()->horizontalHeader()->sectionViewportPosition(0) + 5, 5));
    EXPECT_EQ(cell(events(), 0, 0), "Key10");
    EXPECT_EQ(cell(events(), 2, 0), "Key1");
    clickKey(4);
    EXPECT_EQ(cell(events(), 2, 0), "Key3");
    EXPECT_EQ(cell(events(), 3, 0), "Key1");
    EXPECT_EQ(events()->currentIndex().data().toString(), "Key5");
}

TEST_F(Window, ModelCommandsAskBeforeDiscardingAndFollowTheSettingsFile) {
    showActive();
    const QString ini = dir.filePath(QStringLiteral("qzsetup.ini"));
    auto choosePort = [this](const QString& mode) {
        messages.onExec = [mode](QDialog& d) {
            Choose(d, "portMode", mode);
            Press(d, "ok");
        };
    };
    // Without events nothing is asked.
    ASSERT_TRUE(window.chooseModel(2));
    EXPECT_TRUE(messages.asked.isEmpty());
    EXPECT_EQ(config().deviceModel, 2);
    EXPECT_FALSE(Find<QComboBox>(window, "portMode")->isVisible()); // hidden for model 2
    EXPECT_EQ(QSettings(ini, QSettings::IniFormat).value("SYSTEM/MACHINE_TYPE").toInt(), 2);

    clickKey(32); // "IOL" has inputs on model 2
    EXPECT_EQ(messages.dialogs.last(), "keySys");
    EXPECT_EQ(config().EventRowCount(), 1);

    // With events: asked first (Keep / Discard / Cancel); Cancel changes nothing.
    choosePort("RS232(1),IR 3");
    messages.answers = {-1};
    EXPECT_FALSE(window.chooseModel(1));
    EXPECT_EQ(config().deviceModel, 2);
    EXPECT_EQ(config().EventRowCount(), 1);
    EXPECT_TRUE(messages.asked.last().startsWith("Switching the device model"));
    // The question names what Keep would leave refused: IOL has no inputs on the QRM-K6.
    EXPECT_TRUE(messages.asked.last().contains("key 33 \"IOL\", IOL (Port 1): " +
                                               QLatin1String(kIoUnavailable)));

    // Keep: the event and the key's kinds for the new model, the refusal listed; one undo step.
    const int steps = document.undoStack()->count();
    choosePort("RS232(1),IR 3");
    messages.answers = {1};
    ASSERT_TRUE(window.chooseModel(1));
    EXPECT_EQ(config().portMode, 2);
    EXPECT_EQ(config().EventRowCount(), 1);
    EXPECT_EQ(config().keys[10].keyKind, kKindVirtual);
    EXPECT_TRUE(messages.shown.last().contains("key 33 \"IOL\""));
    EXPECT_EQ(document.undoStack()->count(), steps + 1);
    document.undoStack()->undo();
    EXPECT_EQ(config().deviceModel, 2);

    // Discard: every event goes.
    choosePort("RS232(1),IR 3");
    messages.answers = {0};
    ASSERT_TRUE(window.chooseModel(1));
    EXPECT_EQ(config().portMode, 2);
    EXPECT_EQ(config().EventRowCount(), 0);
    EXPECT_TRUE(Find<QComboBox>(window, "portMode")->isVisible());
    EXPECT_EQ(Find<QComboBox>(window, "portMode")->currentText(), "RS232(1),IR 3");
    EXPECT_EQ(QSettings(ini, QSettings::IniFormat).value("SYSTEM/MACHINE_PORT").toInt(), 2);

    // "QRM-K6" with the same port mode changes nothing.
    choosePort("RS232(1),IR 3");
    EXPECT_FALSE(window.chooseModel(1));

    // Undo brings model 2 and its event back, and the settings file follows.
    document.undoStack()->undo();
    EXPECT_EQ(config().deviceModel, 2);
    EXPECT_EQ(config().EventRowCount(), 1);
    EXPECT_EQ(QSettings(ini, QSettings::IniFormat).value("SYSTEM/MACHINE_TYPE").toInt(), 2);
    messages.onExec = nullptr;
}

TEST_F(Window, RulesRefuseWhatTheModelForbids) {
    showActive();
    // "IOL" on model 1: the question box, nothing added.
    QTest::mouseClick(window.keyPanel()->key(32), Qt::LeftButton);
    // Each refusal keeps its exact text; below it, where the port mode is changed and what it
    // allows now.
    const QString hint = QString::fromStdString("\r\r" + RefusalHint(1, 0));
    EXPECT_TRUE(hint.contains("System menu, entry \"QRM-K6\""));
    EXPECT_EQ(messages.asked, QStringList{QLatin1String(kIoUnavailable) + hint});
    EXPECT_EQ(config().EventRowCount(), 0);

    clickKey(0);
    const int steps = document.undoStack()->count();
    addAction(QStringLiteral("RELY : 2 : 1 : 1")); // a relay on Port 3
    EXPECT_EQ(messages.shown.last(),
              QString::fromStdString(ActionRefusal("RELY : 2 : 1 : 1", 1, 0)) + hint);
    EXPECT_TRUE(messages.shown.last().startsWith(QLatin1String(kRefusalRelayPort3)));
    addAction(QStringLiteral("GPIO : Door : 1 : 0 : 0 : 0")); // I/O on model 1
    EXPECT_EQ(messages.shown.last(), QLatin1String(kIoUnavailable) + hint);
    EXPECT_EQ(document.undoStack()->count(), steps);
    EXPECT_EQ(config().keys[0].slots[0], ActionList{""});
}

TEST_F(Window, OpenAndCloseAskOnlyWhenSomethingIsUnsaved) {
    QDir(dir.path()).mkdir(QStringLiteral("sub"));
    const QString saved = dir.filePath(QStringLiteral("sub/a.qzp"));
    messages.file = saved;
    clickKey(0);
    addAction(kLed);
    ASSERT_TRUE(window.saveProjectAs());
    ASSERT_TRUE(QFile::copy(saved, dir.filePath(QStringLiteral("copy.qzp"))));
    EXPECT_TRUE(window.windowTitle().startsWith(saved));
    EXPECT_TRUE(Closes(window)); // saved: nothing to ask
    EXPECT_TRUE(messages.asked.isEmpty());

    addAction(kRelay);
    messages.answers = {-1}; // Cancel: the window stays, the edit too
    EXPECT_FALSE(Closes(window));
    EXPECT_EQ(messages.asked.last(), "Save the File in Editting?");

    QDir(dir.filePath(QStringLiteral("sub"))).removeRecursively(); // the save fails
    messages.answers = {1};
    EXPECT_FALSE(Closes(window));
    EXPECT_TRUE(document.isModified());
    EXPECT_TRUE(messages.shown.last().startsWith("The project could not be saved."));

    // Open over unsaved work: Cancel keeps it; No discards it and opens.
    QDir(dir.path()).mkdir(QStringLiteral("sub"));
    ASSERT_TRUE(QFile::copy(QDir(dir.path()).filePath(QStringLiteral("copy.qzp")), saved));
    messages.answers = {-1};
    messages.file = saved;
    const auto open = [this] { Command(window, "&Open")->trigger(); };
    open();
    EXPECT_EQ(config().keys[0].slots[0].size(), 2u);
    messages.answers = {0};
    open();
    EXPECT_EQ(config().keys[0].slots[0], ActionList{kLed.toStdString()});
    EXPECT_FALSE(document.isModified());
    EXPECT_EQ(window.recentFiles().value(0), QFileInfo(saved).absoluteFilePath());
}

// A project whose file name is not UTF-8 ("caf\xe9.qzp", Latin-1): Open Recent lists it once,
// however it was reached, shows the name readably and opens that very file.
TEST_F(Window, ARecentProjectKeepsTheBytesOfItsName) {
    const QByteArray folder = io::EncodeFileName(dir.path());
    const QString path = io::DecodeFileName(folder + "/caf\xe9.qzp");
    messages.file = path;
    clickKey(0);
    addAction(kLed);
    ASSERT_TRUE(window.saveProjectAs());
    ASSERT_TRUE(io::Exists(path));
    ASSERT_TRUE(window.openProject(path));
    ASSERT_TRUE(window.openProject(io::DecodeFileName(folder + "/./caf\xe9.qzp")));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    ASSERT_TRUE(window.openProject(io::DecodeFileName(folder + "/sub/../caf\xe9.qzp")));
    // A link to it is the same file.
    ASSERT_EQ(::symlink("caf\xe9.qzp", folder + "/link.qzp"), 0);
    ASSERT_TRUE(window.openProject(io::DecodeFileName(folder + "/link.qzp")));
    ASSERT_TRUE(window.openProject(path));

    EXPECT_TRUE(window.windowTitle().contains(QString::fromUtf8("/caf\xc3\xa9.qzp")))
        << window.windowTitle().toStdString();
    const QStringList recent = window.recentFiles();
    ASSERT_FALSE(recent.isEmpty());
    EXPECT_EQ(io::EncodeFileName(recent.first()), folder + "/caf\xe9.qzp");
    EXPECT_EQ(std::count_if(recent.begin(), recent.end(),
                            [&](const QString& p) { return p.startsWith(dir.path()); }),
              1);

    document.newDocument();
    auto* menu = Find<QMenu>(window, "recentMenu");
    Q_EMIT menu->aboutToShow();
    ASSERT_FALSE(menu->actions().isEmpty());
    QAction* entry = menu->actions().first();
    EXPECT_TRUE(entry->text().endsWith(QString::fromUtf8("/caf\xc3\xa9.qzp")))
        << entry->text().toStdString();
    entry->trigger();
    EXPECT_EQ(io::EncodeFileName(document.path()), folder + "/caf\xe9.qzp");
    EXPECT_EQ(config().keys[0].slots[0], ActionList{kLed.toStdString()});
}

// The list an older version kept as text is read, and the next open writes it in the new form.
TEST_F(Window, AnOlderRecentListIsKept) {
    const QString older = dir.filePath(QStringLiteral("older.qzp"));
    {
        QSettings settings(SettingsPath(), QSettings::IniFormat);
        settings.remove(QStringLiteral("RECENT/paths"));
        settings.setValue(QStringLiteral("RECENT/files"), QStringList{older});
    }
    EXPECT_EQ(window.recentFiles(), QStringList{older});
    messages.file = dir.filePath(QStringLiteral("newer.qzp"));
    ASSERT_TRUE(window.saveProjectAs());
    EXPECT_EQ(window.recentFiles(), (QStringList{messages.file, older}));
    EXPECT_FALSE(QSettings(SettingsPath(), QSettings::IniFormat).contains("RECENT/files"));
}

TEST_F(Window, AProjectThatFailsToLoadLeavesTheWindowAsItWas) {
    ASSERT_TRUE(window.openProject(
        QDir::cleanPath(QStringLiteral(QZ_TEST_DATA "/../../store/data/example.qzp"))));
    const int rows = events()->model()->rowCount();
    EXPECT_GT(rows, 0);
    EXPECT_EQ(rows, config().EventRowCount());
    const Configuration before = config();

    QFile bad(dir.filePath(QStringLiteral("bad.qzp")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("\x05\x00\x00", 3);
    bad.close();
    EXPECT_FALSE(window.openProject(bad.fileName()));
    // The reason is in the text, which a title bar would cut.
    EXPECT_TRUE(
        messages.shown.last().startsWith("The project file is damaged and was not opened."));
    EXPECT_TRUE(messages.shown.last().contains("bad.qzp"));
    EXPECT_FALSE(window.openProject(dir.filePath(QStringLiteral("missing.qzp"))));
    EXPECT_TRUE(messages.shown.last().startsWith("The File is Destroy"));
    EXPECT_TRUE(config() == before);
    EXPECT_EQ(events()->model()->rowCount(), rows);
}

TEST_F(Window, StatusFollowsPluggingAndUnplugging) {
    session.watcher().setInterval(20);
    auto* status = Find<QLabel>(window, "status");
    EXPECT_EQ(status->text(), "USB unconnect!");
    ports.add(QStringLiteral("ttyACM0"), QStringLiteral("/dev/ttyACM0"), true);
    EXPECT_TRUE(Wait([&] { return status->text() == "Wait Connect"; }));
    ports.remove(QStringLiteral("ttyACM0"));
    EXPECT_TRUE(Wait([&] { return status->text() == "USB unconnect!"; }));
}

TEST_F(Window, ConnectClearAndUploadAgainstTheSimulatedKeypad) {
    KeypadSimulator sim;
    QString error;
    ASSERT_TRUE(sim.start(&error)) << error.toStdString();
    session.setFixedPort(sim.devicePath());
    session.link().setEraseTickMs(30);
    session.setUploadLogPath(dir.filePath(QStringLiteral("log.txt")));
    showActive();
    clickKey(0);
    addAction(kLed);

    window.connectKeypad();
    auto* status = Find<QLabel>(window, "status");
    ASSERT_TRUE(Wait([&] { return status->text() == "Connect SUCCESS"; }));

    // Clear: the timed progress box, then the notice that the keypad confirmed the erase.
    messages.answers = {1};
    Command(window, "Clear")->trigger();
    EXPECT_EQ(messages.asked.last(), "Clear all the parameters of the machine,\rare you sure ? ");
    auto* clearBox = window.findChild<CDlgClearAll*>("clearProgress");
    ASSERT_NE(clearBox, nullptr);
    EXPECT_TRUE(clearBox->isVisible());
    ASSERT_TRUE(Wait([&] {
        return messages.shown.contains("Clear done: the keypad confirmed the "
                                       "erase.");
    }));

    // Upload: the progress box with Cancel, then a complete upload the keypad answered.
    messages.answers = {1};
    Command(window, "Upload")->trigger();
    EXPECT_EQ(messages.asked.last(), "Clear all data? \r\nYes or No ?");
    auto* progress = window.findChild<CDlgProgress*>("uploadProgress");
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(progress->isVisible());
    ASSERT_TRUE(Wait([&] { return !session.uploading(); }));
    EXPECT_TRUE(
        Wait([&] { return window.statusBar()->currentMessage().startsWith("Upload complete"); }));
    QList<QByteArray> frames = sim.receivedFrames();
    EXPECT_TRUE(std::any_of(frames.begin(), frames.end(),
                            [](const QByteArray& f) { return f.contains("PRES"); }));
}

TEST_F(Window, AnUploadTheKeypadLeavesUnansweredIsAWarning) {
    SimulatorOptions options;
    options.silentAfter = 3; // the connect and the erase are answered, little else
    KeypadSimulator sim(options);
    QString error;
    ASSERT_TRUE(sim.start(&error)) << error.toStdString();
    session.setFixedPort(sim.devicePath());
    session.link().setEraseTickMs(30);
    session.uploader().setSystemTimeoutMs(20);
    session.uploader().setEventTimeoutMs(20);
    clickKey(0);
    addAction(kLed);
    window.connectKeypad();
    ASSERT_TRUE(Wait([&] { return session.status() == LinkStatus::ConnectSuccess; }));
    messages.answers = {1};
    Command(window, "Upload")->trigger();
    ASSERT_TRUE(Wait([&] { return !session.uploading(); }, 30000));
    ASSERT_TRUE(Wait([&] { return !messages.shown.isEmpty(); }));
    EXPECT_TRUE(messages.shown.last().contains("unanswered") ||
                messages.shown.last().contains("answer"))
        << messages.shown.last().toStdString();
    EXPECT_FALSE(window.statusBar()->currentMessage().startsWith("Upload complete"));
}

TEST_F(Window, EveryControlHasAnAccessibleName) {
    showActive();
    QStringList unnamed;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) ||
                             qobject_cast<QLineEdit*>(w) || qobject_cast<QSlider*>(w) ||
                             qobject_cast<QAbstractItemView*>(w);
        if (!control || !w->isVisibleTo(&window) || qobject_cast<QComboBox*>(w->parent())) {
            continue;
        }
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
        if (!face || face->text(QAccessible::Name).trimmed().isEmpty()) {
            unnamed << w->metaObject()->className() + QStringLiteral(" ") + w->objectName();
        }
    }
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(", ").toStdString();
    EXPECT_EQ(
        QAccessible::queryAccessibleInterface(window.keyPanel()->key(0))->text(QAccessible::Name),
        "Key 1");
}

TEST_F(Window, TheAboutBoxNamesTheKeypadAndTheProgram) {
    QString caption;
    QString version;
    messages.onExec = [&](QDialog& d) {
        caption = d.windowTitle();
        version = Find<QLabel>(d, "aboutVersion")->text();
        d.accept();
    };
    Command(window, "about")->trigger();
    EXPECT_EQ(caption, "QRM-Control-V1.14");
    EXPECT_EQ(version, QString::fromUtf8(" QRM-K6\xEF\xBC\x8C"
                                         "1.14 version"));
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("QZCTR_HOME", home.path().toLocal8Bit());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
