// The three key dialogs filled in and closed as a user does, and the key-name box.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTableView>
#include <QTest>

#include "UiTestSupport.h"
#include "link/DeviceLink.h"
#include "link/KeypadSession.h"
#include "ui/document/EditorDocument.h"
#include "ui/dialogs/KeyDialogs.h"
#include "ui/controls/KeyNameEdit.h"
#include "ui/controls/KeyPanel.h"
#include "ui/MainWindow.h"

using namespace qz;
using qz::test::AccessibleName;
using qz::test::AnsweringMessages;
using qz::test::Find;
using qz::test::Layout;
using qz::test::Press;

namespace {

void Choose(QWidget& dialog, const char* combo, const QString& entry) {
    auto* box = Find<QComboBox>(dialog, combo);
    const int index = box->findText(entry);
    ASSERT_GE(index, 0) << combo << ": " << entry.toStdString();
    box->setCurrentIndex(index);
}

QStringList Entries(QWidget& dialog, const char* combo) {
    auto* box = Find<QComboBox>(dialog, combo);
    QStringList out;
    for (int i = 0; i < box->count(); ++i) {
        out << box->itemText(i);
    }
    return out;
}

bool Shown(QWidget& dialog, const char* name) {
    return !Find<QWidget>(dialog, name)->isHidden();
}

struct NormalCase {
    const char* type;
    const char* pageOrToggleClass; // empty: none
    const char* number;
    int family, index, sub, slot;
};

class NormalChoices : public ::testing::TestWithParam<NormalCase> {};

TEST_P(NormalChoices, AddReturnsTheEventOfTheChosenType) {
    const NormalCase& c = GetParam();
    const Configuration config = Layout(1);
    AnsweringMessages messages;
    CDlgKeyNormal dialog(config, 2, messages);
    dialog.show();
    Choose(dialog, "keyActionType", c.type);
    const bool page = QString(c.type) == "Page";
    if (*c.pageOrToggleClass) {
        Choose(dialog, page ? "pageClass" : "toggleClass", c.pageOrToggleClass);
        Choose(dialog, page ? "pageNum" : "toggleNum", c.number);
    }
    Press(dialog, "add");
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    const KeyDialogResult& r = dialog.keyResult();
    EXPECT_TRUE(r.addEvent);
    EXPECT_EQ(r.family, c.family);
    EXPECT_EQ(r.index, c.index);
    EXPECT_EQ(r.sub, c.sub);
    EXPECT_EQ(SlotFor(r.family, r.index, r.sub), c.slot);
}

INSTANTIATE_TEST_SUITE_P(KeyDialogs, NormalChoices,
                         ::testing::Values(NormalCase{"Press", "", "", 1, 0, 0, 0},
                                           NormalCase{"Release", "", "", 1, 1, 0, 1},
                                           NormalCase{"Page", "1", "4", 2, 0, 3, 6},
                                           NormalCase{"Page", "1", "1", 2, 0, 0, 3},
                                           NormalCase{"Toggle", "3", "2", 3, 2, 1, 20},
                                           NormalCase{"Toggle", "4", "4", 3, 3, 3, 22}));

TEST(KeyDialogs, NormalShowsOnlyTheControlsOfTheChosenType) {
    const Configuration config = Layout(1);
    AnsweringMessages messages;
    CDlgKeyNormal dialog(config, 0, messages);
    dialog.show();
    struct Row {
        const char* type;
        bool page, toggle, repeat;
    };
    for (const Row& row : {Row{"Press", false, false, true}, Row{"Release", false, false, false},
                           Row{"Page", true, false, false}, Row{"Toggle", false, true, false}}) {
        Choose(dialog, "keyActionType", row.type);
        EXPECT_EQ(Shown(dialog, "pageClass"), row.page) << row.type;
        EXPECT_EQ(Shown(dialog, "pageNum"), row.page) << row.type;
        EXPECT_EQ(Shown(dialog, "toggleClass"), row.toggle) << row.type;
        EXPECT_EQ(Shown(dialog, "toggleNum"), row.toggle) << row.type;
        EXPECT_EQ(Shown(dialog, "repeatInterval"), row.repeat) << row.type;
        // Always there.
        EXPECT_TRUE(Shown(dialog, "ledBrightness"));
        EXPECT_TRUE(Shown(dialog, "keyGroup"));
        EXPECT_TRUE(Shown(dialog, "keyName"));
    }
    EXPECT_EQ(Find<QGroupBox>(dialog, "currentStatusBox")->title(), "Curren Status");
    EXPECT_TRUE(Find<QLabel>(dialog, "currentStatus")->text().isEmpty());
}

TEST(KeyDialogs, NormalListsAndToggleNumbersFollowTheClass) {
    const Configuration config = Layout(1);
    AnsweringMessages messages;
    CDlgKeyNormal dialog(config, 0, messages);
    EXPECT_EQ(Entries(dialog, "keyActionType"),
              QStringList({"Press", "Release", "Page", "Toggle"}));
    EXPECT_EQ(Entries(dialog, "pageClass"), QStringList({"1"}));
    EXPECT_EQ(Entries(dialog, "pageNum"), QStringList({"1", "2", "3", "4"}));
    EXPECT_EQ(Entries(dialog, "toggleClass"), QStringList({"2", "3", "4"}));
    EXPECT_EQ(Entries(dialog, "repeatInterval"),
              QStringList({"Never", "1S", "2S", "3S", "4S", "5S", "6S", "7S", "8S", "9S"}));
    EXPECT_EQ(Entries(dialog, "ledBrightness").first(), "--");
    EXPECT_EQ(Entries(dialog, "ledBrightness").last(), "Level 9");
    EXPECT_EQ(Entries(dialog, "ledBrightness").size(), 10);

    Choose(dialog, "keyActionType", "Toggle");
    Choose(dialog, "toggleClass", "4");
    EXPECT_EQ(Entries(dialog, "toggleNum"), QStringList({"1", "2", "3", "4"}));
    Choose(dialog, "toggleNum", "3");
    Choose(dialog, "toggleClass", "2");
    EXPECT_EQ(Entries(dialog, "toggleNum"), QStringList({"1", "2"}));
    EXPECT_EQ(Find<QComboBox>(dialog, "toggleNum")->currentText(), "1");
}

TEST(KeyDialogs, NormalGroupsDependOnTheModel) {
    AnsweringMessages messages;
    for (const auto& [model, entries] : {std::pair{0, 9}, std::pair{1, 20}, std::pair{2, 20}}) {
        const Configuration config = Layout(model);
        CDlgKeyNormal dialog(config, 0, messages);
        const QStringList groups = Entries(dialog, "keyGroup");
        EXPECT_EQ(groups.size(), entries) << model;
        EXPECT_EQ(groups.first(), "--");
        EXPECT_EQ(groups.last(), QString("Group %1").arg(entries - 1));
    }
    Configuration other = Layout(1);
    other.deviceModel = 7; // a model without groups
    CDlgKeyNormal dialog(other, 0, messages);
    EXPECT_EQ(Entries(dialog, "keyGroup"), QStringList({"--"}));
}

TEST(KeyDialogs, NormalOpensWithTheKeySettingsAndItsLastEvent) {
    AnsweringMessages messages;
    Configuration config = Layout(1);
    Key& key = config.keys[3];
    key.keyName = "Fan";
    key.ledBrightness = 0; // opens as the first level
    key.keyGroup = 7;
    key.repeatInterval = '5';
    key.lastFamily = kFamilyToggle;
    key.lastEventIndex = 2; // class "3" (the class entry's index + 1)
    key.lastEventSub = 2;
    {
        CDlgKeyNormal dialog(config, 3, messages);
        dialog.show();
        EXPECT_EQ(Find<QComboBox>(dialog, "keyActionType")->currentText(), "Toggle");
        EXPECT_EQ(Find<QComboBox>(dialog, "toggleClass")->currentText(), "3");
        EXPECT_EQ(Entries(dialog, "toggleNum"), QStringList({"1", "2", "3"}));
        EXPECT_EQ(Find<QComboBox>(dialog, "toggleNum")->currentText(), "3");
        EXPECT_TRUE(Shown(dialog, "toggleNum"));
        EXPECT_EQ(Find<QComboBox>(dialog, "ledBrightness")->currentText(), "Level 1");
        EXPECT_EQ(Find<QComboBox>(dialog, "keyGroup")->currentText(), "Group 7");
        EXPECT_EQ(Find<QComboBox>(dialog, "repeatInterval")->currentText(), "Never");
        EXPECT_EQ(Find<QLineEdit>(dialog, "keyName")->text(), "Fan");
        Press(dialog, "set");
        EXPECT_EQ(dialog.keyResult().ledBrightness, 1); // the level 0 is stored as 1
        EXPECT_EQ(dialog.keyResult().keyGroup, 7);
        EXPECT_FALSE(dialog.keyResult().addEvent);
    }
    key.lastFamily = kFamilyPage;
    key.lastEventIndex = 0;
    key.lastEventSub = 2;
    {
        CDlgKeyNormal dialog(config, 3, messages);
        dialog.show();
        EXPECT_EQ(Find<QComboBox>(dialog, "keyActionType")->currentText(), "Page");
        EXPECT_EQ(Find<QComboBox>(dialog, "pageNum")->currentText(), "3");
        EXPECT_TRUE(Shown(dialog, "pageNum"));
    }
    key.lastFamily = kFamilyKey;
    key.lastEventIndex = 1;
    {
        CDlgKeyNormal dialog(config, 3, messages);
        dialog.show();
        EXPECT_EQ(Find<QComboBox>(dialog, "keyActionType")->currentText(), "Release");
        EXPECT_FALSE(Shown(dialog, "repeatInterval"));
    }
    // A long press has no entry: no type is selected, the repeat interval shows, and "Add"
    // keeps the long press.
    key.lastEventIndex = 2;
    {
        CDlgKeyNormal dialog(config, 3, messages);
        dialog.show();
        EXPECT_EQ(Find<QComboBox>(dialog, "keyActionType")->currentIndex(), -1);
        EXPECT_TRUE(Shown(dialog, "repeatInterval"));
        Choose(dialog, "repeatInterval", "3S");
        Press(dialog, "add");
        const KeyDialogResult& r = dialog.keyResult();
        EXPECT_EQ(SlotFor(r.family, r.index, r.sub), kSlotLong);
        EXPECT_EQ(r.repeatDigit, '3');
    }
}

TEST(KeyDialogs, SetTrimsTheNameAndAddKeepsItAsTyped) {
    AnsweringMessages messages;
    const Configuration config = Layout(1);
    for (const bool normal : {true, false}) {
        const int key = normal ? 0 : 10;
        for (const char* button : {"add", "set"}) {
            std::unique_ptr<CDlgKey> dialog = MakeKeyDialog(config, key, messages);
            dialog->show();
            auto* name = Find<QLineEdit>(*dialog, "keyName");
            name->clear();
            QTest::keyClicks(name, " ab ");
            Press(*dialog, button);
            ASSERT_EQ(dialog->result(), QDialog::Accepted);
            const bool add = QString(button) == "add";
            EXPECT_EQ(dialog->keyResult().name, add ? " ab " : "ab") << normal << button;
            EXPECT_EQ(dialog->keyResult().addEvent, add);
        }
    }
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST(KeyDialogs, VirtualKeyDialog) {
    AnsweringMessages messages;
    Configuration config = Layout(1);
    config.keys[12].keyName = "Loop";
    CDlgKeyVirt dialog(config, 12, messages);
    dialog.show();
    EXPECT_EQ(Find<QGroupBox>(dialog, "virtualKeyBox")->title(), "Virtual Key");
    EXPECT_EQ(Find<QLabel>(dialog, "virtualKeyText")->text(),
              "Virtual key is custom, \ngenerally controlled by another looped QZ.\nPress \"Add\" "
              "to add this key to action list.");
    EXPECT_EQ(Find<QPushButton>(dialog, "set")->text(), " Set");
    EXPECT_TRUE(Find<QPushButton>(dialog, "add")->isDefault());
    EXPECT_EQ(Find<QLineEdit>(dialog, "keyName")->text(), "Loop");
    Press(dialog, "add");
    EXPECT_EQ(dialog.keyResult().family, kFamilyVirtual);
    EXPECT_EQ(dialog.keyResult().name, "Loop");
}

struct SystemCase {
    int model;
    int key;
    QStringList entries; // empty: no source list
    bool time;
    int family;
};

class SystemSources : public ::testing::TestWithParam<SystemCase> {};

TEST_P(SystemSources, ShowTheSourceAndReturnItsFamily) {
    const SystemCase& c = GetParam();
    Configuration config = Layout(c.model < 3 ? c.model : 1);
    config.deviceModel = c.model;
    AnsweringMessages messages;
    CDlgKeySys dialog(config, c.key, messages);
    dialog.show();
    EXPECT_EQ(Shown(dialog, "sourceNumber"), !c.entries.isEmpty());
    EXPECT_EQ(Shown(dialog, "numberLabel"), !c.entries.isEmpty());
    EXPECT_EQ(Shown(dialog, "time"), c.time);
    EXPECT_EQ(Shown(dialog, "timeValue"), c.time);
    EXPECT_EQ(Entries(dialog, "sourceNumber"), c.entries);
    if (c.entries.size() > 1) {
        Choose(dialog, "sourceNumber", c.entries[1]);
    }
    Press(dialog, "add");
    const KeyDialogResult& r = dialog.keyResult();
    EXPECT_EQ(r.family, c.family);
    EXPECT_EQ(r.index, c.entries.size() > 1 ? 1 : 0);
    EXPECT_EQ(r.sub, 0);
}

INSTANTIATE_TEST_SUITE_P(
    KeyDialogs, SystemSources,
    ::testing::Values(SystemCase{2, 32, {"IOL 1", "IOL 2", "IOL 3"}, false, kFamilyIoLow},
                      SystemCase{2, 33, {"IOH 1", "IOH 2", "IOH 3"}, false, kFamilyIoHigh},
                      SystemCase{1, 34, {"Time 1", "Time 2", "Time 3"}, true, kFamilyTime},
                      SystemCase{0, 35, {}, false, kFamilyStart},
                      SystemCase{1, 20, {}, false, kFamilyVirtual},
                      SystemCase{5, 34, {}, false, kFamilyNone}));

TEST(KeyDialogs, TheTimeSliderSetsTheMinutes) {
    const Configuration config = Layout(1);
    AnsweringMessages messages;
    CDlgKeySys dialog(config, 34, messages);
    dialog.show();
    auto* slider = Find<QSlider>(dialog, "time");
    auto* minutes = Find<QLineEdit>(dialog, "timeValue");
    EXPECT_EQ(slider->minimum(), 0);
    EXPECT_EQ(slider->maximum(), 999);
    EXPECT_EQ(minutes->text(), "0");
    EXPECT_TRUE(minutes->isReadOnly());
    slider->setFocus();
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(slider, Qt::Key_PageUp); // ten minutes a page
    }
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(slider, Qt::Key_Right);
    }
    EXPECT_EQ(minutes->text(), "45");
    QTest::keyClick(slider, Qt::Key_End);
    EXPECT_EQ(minutes->text(), "999");
    QTest::keyClick(slider, Qt::Key_Home);
    for (int i = 0; i < 45; ++i) {
        QTest::keyClick(slider, Qt::Key_Right);
    }
    Choose(dialog, "sourceNumber", "Time 2");
    Press(dialog, "add");
    const KeyDialogResult& r = dialog.keyResult();
    EXPECT_EQ(r.family, kFamilyTime);
    EXPECT_EQ(r.index, 1);
    EXPECT_EQ(r.sub, 45);
    EXPECT_EQ(SlotFor(r.family, r.index, r.sub), 32);
}

TEST(KeyDialogs, CancelReturnsNothing) {
    AnsweringMessages messages;
    const Configuration config = Layout(2);
    for (const int key : {0, 20, 34}) {
        std::unique_ptr<CDlgKey> dialog = MakeKeyDialog(config, key, messages);
        dialog->show();
        Press(*dialog, "cancel");
        EXPECT_EQ(dialog->result(), QDialog::Rejected);
        EXPECT_EQ(dialog->keyResult().family, kFamilyNone);
    }
}

TEST(KeyDialogs, EveryControlHasAnAccessibleName) {
    AnsweringMessages messages;
    const Configuration config = Layout(1);
    for (const int key : {0, 10, 34}) {
        std::unique_ptr<CDlgKey> dialog = MakeKeyDialog(config, key, messages);
        dialog->show();
        const auto controls = dialog->findChildren<QWidget*>();
        int checked = 0;
        for (QWidget* w : controls) {
            if (w->isHidden() ||
                !(qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w) ||
                  qobject_cast<QAbstractButton*>(w) || qobject_cast<QSlider*>(w))) {
                continue;
            }
            if (qobject_cast<QLineEdit*>(w) && qobject_cast<QComboBox*>(w->parentWidget())) {
                continue;
            }
            ++checked;
            // On Linux a combo box's accessible text is its entry; its name is the property.
            const QString name = qobject_cast<QComboBox*>(w) ? w->accessibleName().trimmed()
                                                             : AccessibleName(w).trimmed();
            EXPECT_FALSE(name.isEmpty()) << key << ": " << w->objectName().toStdString();
        }
        EXPECT_GE(checked, 3) << key;
    }
    CDlgKeyNormal normal(config, 0, messages);
    EXPECT_EQ(normal.findChild<QWidget*>("ledBrightness")->accessibleName(), "LED Brightness");
    EXPECT_EQ(normal.findChild<QWidget*>("repeatInterval")->accessibleName(), "Repeat Interval:");
    EXPECT_EQ(AccessibleName(normal.findChild<QWidget*>("keyName")), "Key Name");
}

// --- the key-name box -------------------------------------------------------------------------

struct Typed {
    const char* keys;
    const char* text;
};

class KeyNameFilter : public ::testing::TestWithParam<Typed> {};

TEST_P(KeyNameFilter, KeepsDigitsLettersBlanksAndDots) {
    CKvqKeyNameEdit edit;
    edit.show();
    QTest::keyClicks(&edit, QString::fromUtf8(GetParam().keys));
    EXPECT_EQ(edit.text(), QString::fromUtf8(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(KeyDialogs, KeyNameFilter,
                         ::testing::Values(Typed{"a-b", "ab"}, Typed{"_x_", "x"},
                                           Typed{"A1.z", "A1.z"}, Typed{"F n", "F n"},
                                           Typed{"a:b", "ab"}, Typed{"/+\\#", ""},
                                           Typed{"Z9-_.", "Z9."}, Typed{"abcdef", "abcd"}));

TEST(KeyDialogs, BackspaceWorksAndPastedTextIsNotFiltered) {
    CKvqKeyNameEdit edit;
    edit.show();
    QTest::keyClicks(&edit, "ab");
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), "a");
    // A letter outside A to Z is dropped too.
    QTest::sendKeyEvent(QTest::Click, &edit, Qt::Key_Eacute, QString::fromUtf8("é"),
                        Qt::NoModifier);
    EXPECT_EQ(edit.text(), "a");
    // Typed with AltGr, reported as Ctrl+Alt on some systems: still typed.
    QTest::sendKeyEvent(QTest::Click, &edit, Qt::Key_At, QString("@"),
                        Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(edit.text(), "a");
    QApplication::clipboard()->setText("-_");
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), "a-_");
}

TEST(KeyDialogs, APastedColonIsRefusedWhenTheNameIsStored) {
    const Configuration config = Layout(1);
    for (const int key : {0, 10}) {
        for (const char* button : {"add", "set"}) {
            AnsweringMessages messages;
            std::unique_ptr<CDlgKey> dialog = MakeKeyDialog(config, key, messages);
            dialog->show();
            auto* name = Find<QLineEdit>(*dialog, "keyName");
            name->selectAll();
            QApplication::clipboard()->setText("a:b");
            QTest::keyClick(name, Qt::Key_V, Qt::ControlModifier);
            ASSERT_EQ(name->text(), "a:b");
            Press(*dialog, button);
            EXPECT_TRUE(dialog->isVisible()) << key << button; // stays open
            EXPECT_EQ(messages.shown, QStringList{"A key name cannot contain \":\"."});
            // Mended, it goes through.
            name->setText("ab");
            Press(*dialog, button);
            EXPECT_FALSE(dialog->isVisible());
            EXPECT_EQ(dialog->keyResult().name, "ab");
        }
    }
}

// --- through the editor window ----------------------------------------------------------------

TEST(KeyDialogs, TheWindowAddsWhatTheDialogReturns) {
    AnsweringMessages messages;
    EditorDocument document(Layout(1));
    KeypadSession session{PortDiscovery(QStringLiteral("/nonexistent-sysfs"),
                                        [] { return QList<SerialPortEntry>(); })};
    MainWindow window(document, session, &messages);
    auto* panel = window.findChild<KeyPanel*>("keyPanel");
    QString seen;
    messages.onExec = [&](QDialog& dialog) {
        seen = dialog.objectName();
        if (seen == "keyNormal") {
            Choose(dialog, "keyActionType", "Toggle");
            Choose(dialog, "toggleClass", "3");
            Choose(dialog, "toggleNum", "2");
            Choose(dialog, "ledBrightness", "Level 4");
            auto* name = Find<QLineEdit>(dialog, "keyName");
            name->clear();
            QTest::keyClicks(name, "F-a_n");
        } else if (seen == "keySys") {
            Choose(dialog, "sourceNumber", "Time 2");
            Find<QSlider>(dialog, "time")->setValue(45);
        }
        Press(dialog, "add");
    };
    QTest::mouseClick(panel->key(4), Qt::LeftButton);
    EXPECT_EQ(seen, "keyNormal");
    const Key& key = document.configuration().keys[4];
    EXPECT_EQ(key.keyName, "Fan");
    EXPECT_EQ(key.ledBrightness, 4);
    EXPECT_TRUE(key.HasEvent(20));
    EXPECT_EQ(AccessibleName(panel->key(4)), "Key 5 Fan");

    QTest::mouseClick(panel->key(34), Qt::LeftButton);
    EXPECT_EQ(seen, "keySys");
    EXPECT_TRUE(document.configuration().keys[34].HasEvent(32));
    EXPECT_EQ(document.configuration().keys[34].timerMinutes[1], 45);

    QAbstractItemModel* events = window.eventList()->model();
    ASSERT_EQ(events->rowCount(), 2);
    EXPECT_EQ(events->index(0, 0).data().toString(), "Key5");
    EXPECT_EQ(events->index(0, 1).data().toString(), "Toggle");
    EXPECT_EQ(events->index(1, 0).data().toString(), "Key35");

    // Cancelled: nothing changes.
    const Configuration before = document.configuration();
    messages.onExec = [](QDialog& dialog) { Press(dialog, "cancel"); };
    QTest::mouseClick(panel->key(12), Qt::LeftButton);
    EXPECT_TRUE(document.configuration() == before);
    EXPECT_EQ(messages.dialogs, 3);
}

} // namespace

QZ_UI_TEST_MAIN()
