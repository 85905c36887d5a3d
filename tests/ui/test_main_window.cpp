// The editor window driven as a user drives it, with its questions answered by the test.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>
#include <QUndoStack>
#include <deque>

#include "link/DeviceLink.h"
#include "model/Configuration.h"
#include "store/ProjectFile.h"
#include "ui/KeyPanel.h"
#include "ui/MainWindow.h"

using namespace qz;

namespace {

// Answers questions from a queue and records every message.
class ScriptedMessages final : public IMessages {
  public:
    void Show(const QString& text, const QString&) override { shown << text; }
    bool Ask(const QString& text, const QString&) override {
        asked << text;
        return !answers.empty() && Take() == 1;
    }
    int AskYesNoCancel(const QString& text, const QString&) override {
        asked << text;
        return answers.empty() ? -1 : Take();
    }
    QString OpenFileName(const QString&, const QString&, const QString&) override { return file; }
    QString SaveFileName(const QString&, const QString&, const QString&) override { return file; }

    int Take() {
        const int a = answers.front();
        answers.pop_front();
        return a;
    }
    QStringList shown;
    QStringList asked;
    std::deque<int> answers;
    QString file;
};

const QString kLed = QStringLiteral("LEDP : 3 : 2 : 2");
const QString kIr = QStringLiteral("INFR : TV : P : 0 : 1 : 0 : 1 : 1 : c6 : ") + QString(198, '1');

struct Fixture : ::testing::Test {
    QTemporaryDir dir;
    DeviceLink link;
    ScriptedMessages messages;
    MainWindow window{Configuration(), link, &messages};
    QTreeWidget* events() { return window.findChild<QTreeWidget*>("eventList"); }
    QTreeWidget* actions() { return window.findChild<QTreeWidget*>("actionList"); }
};

bool Closes(MainWindow& window) {
    QCloseEvent event;
    QApplication::sendEvent(&window, &event);
    return event.isAccepted();
}

} // namespace

TEST_F(Fixture, EventsAndActionsShowInTheLists) {
    ASSERT_TRUE(window.addEventToKey(2, kFamilyPage, 0, 3));
    ASSERT_EQ(events()->topLevelItemCount(), 1);
    EXPECT_EQ(events()->topLevelItem(0)->text(0), "Key3");
    EXPECT_EQ(events()->topLevelItem(0)->text(1), "Page");
    EXPECT_EQ(events()->topLevelItem(0)->text(2), "Class: 1,Num: 4");
    EXPECT_EQ(actions()->topLevelItemCount(), 0); // the placeholder is not listed

    EXPECT_EQ(window.addActionText(kLed), 0);
    EXPECT_EQ(window.addActionText("RELY : 0 : 1 : 1"), 1);
    ASSERT_EQ(actions()->topLevelItemCount(), 2);
    EXPECT_EQ(actions()->topLevelItem(0)->text(1), "Led");
    EXPECT_EQ(actions()->topLevelItem(0)->text(2), "Button 4 On/All Off");
    EXPECT_EQ(actions()->topLevelItem(1)->text(2), "Port 1 Off");
    EXPECT_TRUE(window.isModified());

    window.selectAction(0);
    EXPECT_TRUE(window.replaceSelectedAction("DELY : 0 : 0 : 5 : 1 : 0000051"));
    EXPECT_EQ(actions()->topLevelItem(0)->text(2), "Time Hour:0 Minute:0 Second:5.5s");
    EXPECT_EQ(window.configuration().keys[2].slots[6].size(), 2u);
}

TEST_F(Fixture, EditsUndoAndRedoAndTheSavedStateIsClean) {
    window.addEventToKey(4, kFamilyKey, 0, 0);
    window.addActionText(kLed);
    window.addActionText("RELY : 0 : 1 : 1");
    window.selectAction(0);
    window.findChild<QToolButton*>("moveDown")->click();
    const Configuration edited = window.configuration();
    EXPECT_EQ(edited.keys[4].slots[0], (ActionList{"RELY : 0 : 1 : 1", kLed.toStdString()}));

    QUndoStack& undo = window.undoStack();
    ASSERT_EQ(undo.count(), 4);
    undo.undo(); // the move
    EXPECT_EQ(window.configuration().keys[4].slots[0],
              (ActionList{kLed.toStdString(), "RELY : 0 : 1 : 1"}));
    undo.undo();
    undo.undo();
    undo.undo(); // the event itself
    EXPECT_EQ(window.configuration().EventRowCount(), 0);
    EXPECT_EQ(events()->topLevelItemCount(), 0);
    EXPECT_FALSE(window.isModified()); // back where the window started

    for (int i = 0; i < 4; ++i) {
        undo.redo();
    }
    EXPECT_TRUE(window.configuration() == edited);
    EXPECT_EQ(actions()->topLevelItemCount(), 2);
    EXPECT_EQ(actions()->topLevelItem(0)->text(1), "Relay");

    messages.file = dir.filePath("undo.qzp");
    ASSERT_TRUE(window.saveProjectAs());
    EXPECT_FALSE(window.isModified());
    undo.undo();
    EXPECT_TRUE(window.isModified());
    undo.redo();
    EXPECT_FALSE(window.isModified());
}

TEST_F(Fixture, RefusedInputChangesNothingAndSaysWhy) {
    EXPECT_EQ(window.addActionText(kLed), kRefused); // no event yet
    EXPECT_TRUE(messages.shown.last().startsWith("Select an event first"));
    window.addEventToKey(0, kFamilyKey, 0, 0);
    EXPECT_EQ(window.addActionText("UART : a : b"), kRefused);
    EXPECT_TRUE(messages.shown.last().startsWith("This is not an action text"));
    for (int i = 0; i < 16; ++i) {
        ASSERT_EQ(window.addActionText(kIr), i);
    }
    const int steps = window.undoStack().count();
    EXPECT_EQ(window.addActionText(kIr), kNoRoom);
    EXPECT_EQ(window.undoStack().count(), steps);
    EXPECT_TRUE(messages.shown.last().contains("one frame"));
    EXPECT_EQ(window.configuration().keys[0].slots[0].size(), 16u);
}

TEST_F(Fixture, IoSourcesAreRefusedOnModelsWithoutInputs) {
    window.findChild<KeyPanel*>("keyPanel")->key(32)->click();
    EXPECT_EQ(messages.shown, QStringList{"I/O is unavailable in this model."});
    EXPECT_EQ(window.configuration().EventRowCount(), 0);
}

TEST_F(Fixture, ClosingWithUnsavedChangesNeverLosesThem) {
    window.addEventToKey(0, kFamilyKey, 0, 0);
    window.addActionText(kLed);

    messages.answers = {-1}; // Cancel
    EXPECT_FALSE(Closes(window));
    EXPECT_EQ(messages.asked.last(), "Save the File in Editting?");

    messages.file = dir.filePath("missing-folder/project.qzp"); // the save fails
    messages.answers = {1};
    EXPECT_FALSE(Closes(window));
    EXPECT_TRUE(window.isModified());

    messages.file = dir.filePath("project.qzp");
    messages.answers = {1};
    EXPECT_TRUE(Closes(window));
    Configuration saved;
    ASSERT_TRUE(LoadProject(messages.file, saved));
    EXPECT_EQ(saved.keys[0].slots[0], ActionList{kLed.toStdString()});
}

TEST_F(Fixture, ADamagedProjectLeavesTheConfigurationAsItWas) {
    window.addEventToKey(1, kFamilyKey, 1, 0);
    window.addActionText(kLed);
    const Configuration before = window.configuration();
    QFile bad(dir.filePath("bad.qzp"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("\x05\x00\x00", 3);
    bad.close();
    EXPECT_FALSE(window.openProject(bad.fileName()));
    EXPECT_EQ(messages.shown.last(), "The project file is damaged and was not opened.");
    EXPECT_FALSE(window.openProject(dir.filePath("missing.qzp")));
    EXPECT_EQ(messages.shown.last(), "The File is Destroy");
    EXPECT_TRUE(window.configuration() == before);
    EXPECT_EQ(events()->topLevelItemCount(), 1);
}

TEST(KeyPanelLayout, PositionsFollowTheModelFormulas) {
    const int W = 576, H = 266;
    // Model 1: four normal keys of a row centred (block of 164 pixels).
    EXPECT_EQ(KeyPanel::KeyPosition(1, 0, W, H), QPoint((W - 164) / 2, 20));
    EXPECT_EQ(KeyPanel::KeyPosition(1, 7, W, H), QPoint((W - 164) / 2 + 129, 65));
    EXPECT_EQ(KeyPanel::KeyPosition(1, 20, W, H), QPoint(20, H / 2 + 65));
    // Model 2: the cross of keys 15..18 right of the rows.
    const int c = (W - 336) / 2 + 20;
    EXPECT_EQ(KeyPanel::KeyPosition(2, 17, W, H), QPoint(c + 215, 20));
    EXPECT_EQ(KeyPanel::KeyPosition(2, 15, W, H), QPoint(c + 215, 80));
    EXPECT_EQ(KeyPanel::KeyPosition(2, 35, W, H), QPoint(c + 43 + 129, 155));
    EXPECT_EQ(KeyPanel::KeyPosition(0, 13, W, H), QPoint(278 + 43 * 5, 30));
    EXPECT_EQ(KeyPanel::KeyPosition(5, 0, W, H), QPoint(-1, -1));
    // No two keys of a layout overlap, and all lie inside the panel.
    for (int model = 0; model <= 2; ++model) {
        for (int a = 0; a < kKeyCount; ++a) {
            const QRect ra(KeyPanel::KeyPosition(model, a, W, H), QSize(35, 25));
            EXPECT_TRUE(QRect(0, 0, W, H).contains(ra)) << model << "/" << a;
            for (int b = a + 1; b < kKeyCount; ++b) {
                const QRect rb(KeyPanel::KeyPosition(model, b, W, H), QSize(35, 25));
                EXPECT_FALSE(ra.intersects(rb)) << model << ": " << a << " and " << b;
            }
        }
    }
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("QZCTR_HOME", home.path().toLocal8Bit());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
