// The editor document without a window: every edit as one undo step that undoes and redoes
// exactly, edits that change nothing push nothing, refusals change nothing, the clean state,
// the settings file under the model command, copy and paste, New and Open.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <functional>

#include "io/Latin1.h"
#include "model/ActionRules.h"
#include "model/Largest.h"
#include "library/ProjectCheck.h"
#include "store/ProjectFile.h"
#include "store/Settings.h"
#include "ui/document/EditorDocument.h"
#include "ui/document/UndoCommands.h"

using namespace qz;

namespace {

const QString kLed = QStringLiteral("LEDP : 3 : 2 : 2");
const QString kDelay = QStringLiteral("DELY : 0 : 0 : 1 : 1 : 0000011");
const QString kRelay = QStringLiteral("RELY : 0 : 1 : 1");
const QString kRelayPort3 = QStringLiteral("RELY : 2 : 1 : 1");
const QString kIo = QStringLiteral("GPIO : Door : 1 : 0 : 0 : 0");
const QString kIr =
    QStringLiteral("INFR : TV : P : 0 : 1 : 0 : 1 : 1 : c6 : ") + QString(198, QLatin1Char('1'));

KeySettings NamedKey(const QString& name, int led, int group, char repeat) {
    KeySettings s;
    s.setName = s.setLedBrightness = s.setKeyGroup = s.setRepeat = true;
    s.name = name;
    s.ledBrightness = led;
    s.keyGroup = group;
    s.repeatDigit = repeat;
    return s;
}

struct Document : ::testing::Test {
    QTemporaryDir dir;
    QString settingsPath = dir.filePath(QStringLiteral("qzsetup.ini"));
    EditorDocument doc;

    Document() {
        doc.setSettingsWriter(
            [this](int model, int port) { return WriteModelSettings(model, port, settingsPath); });
    }
    // Key 0 with a Press event holding the given actions, current.
    void PressWith(std::initializer_list<QString> texts, int key = 0) {
        ASSERT_TRUE(doc.addEvent(key, kFamilyKey, 0, 0).done());
        for (const QString& text : texts) {
            ASSERT_TRUE(doc.addAction(text).done()) << text.toStdString();
        }
    }
    std::pair<int, int> SettingsFile() const {
        QSettings ini(settingsPath, QSettings::IniFormat);
        return {ini.value("SYSTEM/MACHINE_TYPE", -1).toInt(),
                ini.value("SYSTEM/MACHINE_PORT", -1).toInt()};
    }
};

std::string Text(const QString& s) {
    return s.toLatin1().toStdString();
}

// A port or model refusal as the document gives it on model 1 with port mode 0: the exact text
// first, below it where the port mode is changed and what the current one allows.
QString Shown(const char* refusal) {
    return QString::fromLatin1(refusal) +
           QStringLiteral("\r\rThe port mode is changed in the System menu, entry \"QRM-K6\".\r"
                          "Now \"QRM-K6\" with port mode \"RS232(1),(2)\" allows:\r"
                          "RS232: Port 1, 2, 3\rIR: Port 1\rCompare: Port 2, 3\rRelay: Port 1, 2\r"
                          "I/O: none");
}

// One edit of every kind: its setup, the edit, and what it must have done.
struct EditCase {
    const char* name;
    std::function<void(EditorDocument&)> setup;
    std::function<EditResult(EditorDocument&)> edit;
    std::function<void(const Configuration&)> check;
};

const EditCase kEdits[] = {
    {"add event with key settings", [](EditorDocument&) {},
     [](EditorDocument& d) { return d.addEvent(3, kFamilyPage, 1, 2, NamedKey("Fan", 4, 7, '3')); },
     [](const Configuration& c) {
         EXPECT_TRUE(c.keys[3].HasEvent(3 + 4 + 2));
         EXPECT_EQ(c.keys[3].keyName, "Fan");
         EXPECT_EQ(c.keys[3].ledBrightness, 4);
         EXPECT_EQ(c.keys[3].keyGroup, 7);
         EXPECT_EQ(c.keys[3].repeatInterval, '3');
         EXPECT_EQ(c.currentKey, 3);
         EXPECT_EQ(c.currentSlot, 9);
     }},
    {"add event of another family empties the key",
     [](EditorDocument& d) {
         d.addEvent(1, kFamilyPage, 0, 0);
         d.addAction(kLed);
     },
     [](EditorDocument& d) { return d.addEvent(1, kFamilyKey, 1, 0); },
     [](const Configuration& c) {
         EXPECT_FALSE(c.keys[1].HasEvent(3));
         EXPECT_TRUE(c.keys[1].HasEvent(kSlotRelease));
     }},
    {"key settings", [](EditorDocument&) {},
     [](EditorDocument& d) {
         KeySettings s;
         s.setName = true;
         s.name = "Vent";
         return d.setKeySettings(12, s);
     },
     [](const Configuration& c) { EXPECT_EQ(c.keys[12].keyName, "Vent"); }},
    {"first action replaces the placeholder", [](EditorDocument& d) { d.addEvent(0, 1, 0, 0); },
     [](EditorDocument& d) { return d.addAction(kLed); },
     [](const Configuration& c) { EXPECT_EQ(c.keys[0].slots[0], ActionList{Text(kLed)}); }},
    {"second action appends",
     [](EditorDocument& d) {
         d.addEvent(0, 1, 0, 0);
         d.addAction(kLed);
     },
     [](EditorDocument& d) { return d.addAction(kRelay); },
     [](const Configuration& c) {
         EXPECT_EQ(c.keys[0].slots[0], (ActionList{Text(kLed), Text(kRelay)}));
     }},
    {"edit action",
     [](EditorDocument& d) {
         d.addEvent(0, 1, 0, 0);
         d.addAction(kLed);
         d.addAction(kRelay);
     },
     [](EditorDocument& d) { return d.replaceAction(0, kDelay); },
     [](const Configuration& c) {
         EXPECT_EQ(c.keys[0].slots[0], (ActionList{Text(kDelay), Text(kRelay)}));
     }},
    {"delete action",
     [](EditorDocument& d) {
         d.addEvent(0, 1, 0, 0);
         d.addAction(kLed);
         d.addAction(kRelay);
     },
     [](EditorDocument& d) { return d.deleteAction(0); },
     [](const Configuration& c) { EXPECT_EQ(c.keys[0].slots[0], ActionList{Text(kRelay)}); }},
    {"move action up",
     [](EditorDocument& d) {
         d.addEvent(0, 1, 0, 0);
         d.addAction(kLed);
         d.addAction(kRelay);
     },
     [](EditorDocument& d) { return d.moveActionUp(1); },
     [](const Configuration& c) {
         EXPECT_EQ(c.keys[0].slots[0], (ActionList{Text(kRelay), Text(kLed)}));
     }},
    {"move action down",
     [](EditorDocument& d) {
         d.addEvent(0, 1, 0, 0);
         d.addAction(kLed);
         d.addAction(kRelay);
         d.addAction(kDelay);
     },
     [](EditorDocument& d) { return d.moveActionDown(0); },
     [](const Configuration& c) {
         EXPECT_EQ(c.keys[0].slots[0], (ActionList{Text(kRelay), Text(kLed), Text(kDelay)}));
     }},
    {"clear actions",
     [](EditorDocument& d) {
         d.addEvent(0, 1, 0, 0);
         d.addAction(kLed);
     },
     [](EditorDocument& d) { return d.clearActions(); },
     [](const Configuration& c) { EXPECT_FALSE(c.keys[0].HasEvent(0)); }},
    {"delete event selects the first remaining",
     [](EditorDocument& d) {
         d.addEvent(4, 1, 0, 0);
         d.addEvent(2, 1, 1, 0);
         d.addAction(kLed);
         d.addEvent(6, 1, 0, 0);
     },
     [](EditorDocument& d) { return d.deleteEvent(); },
     [](const Configuration& c) {
         EXPECT_FALSE(c.keys[6].HasEvent(0));
         EXPECT_EQ(c.currentKey, 2);
         EXPECT_EQ(c.currentSlot, kSlotRelease);
     }},
    {"remove events without actions",
     [](EditorDocument& d) {
         d.addEvent(0, 1, 0, 0);
         d.addEvent(1, 1, 0, 0);
         d.addAction(kLed);
         d.addEvent(33, kFamilyStart, 0, 0);
     },
     [](EditorDocument& d) { return d.purgeEmptyEvents(); },
     [](const Configuration& c) {
         EXPECT_FALSE(c.keys[0].HasEvent(0));
         EXPECT_FALSE(c.keys[33].HasEvent(kSlotStart));
         EXPECT_TRUE(c.keys[1].HasEvent(0));
         EXPECT_EQ(c.currentKey, 1);
     }},
    {"clear all events",
     [](EditorDocument& d) {
         d.addEvent(0, 1, 0, 0, NamedKey("A", 2, 3, '1'));
         d.addEvent(20, kFamilyVirtual, 0, 0);
     },
     [](EditorDocument& d) { return d.clearAllEvents(); },
     [](const Configuration& c) {
         EXPECT_TRUE(c.EventRows().empty());
         EXPECT_EQ(c.keys[0].keyName, "A"); // key settings stay
     }},
    {"ID number", [](EditorDocument&) {}, [](EditorDocument& d) { return d.setIdNumber(42); },
     [](const Configuration& c) { EXPECT_EQ(c.idNumber, 42); }},
    {"model and port",
     [](EditorDocument& d) {
         d.addEvent(0, 1, 0, 0, NamedKey("A", 2, 3, '1'));
         d.addAction(kLed);
     },
     [](EditorDocument& d) { return d.setModelAndPort(2, 3); },
     [](const Configuration& c) {
         EXPECT_EQ(c.deviceModel, 2);
         EXPECT_EQ(c.portMode, 0); // model 2 always takes port mode 0
         EXPECT_TRUE(c.EventRows().empty());
         EXPECT_EQ(c.keys[10].keyKind, kKindNormal);
         EXPECT_EQ(c.keys[0].keyName, "1"); // laid out again
     }},
    {"paste actions into another key",
     [](EditorDocument& d) {
         d.addEvent(0, 1, 0, 0);
         d.addAction(kLed);
         d.addAction(kRelay);
         d.addEvent(5, 1, 1, 0);
         d.addAction(kDelay);
     },
     [](EditorDocument& d) {
         ClipboardContent c;
         c.kind = ClipboardContent::Actions;
         c.actions = {Text(kLed), Text(kRelay)};
         return d.pasteActions(c, 5, kSlotRelease, 0);
     },
     [](const Configuration& c) {
         EXPECT_EQ(c.keys[5].slots[1], (ActionList{Text(kDelay), Text(kLed), Text(kRelay)}));
     }},
    {"paste event onto another key",
     [](EditorDocument& d) {
         d.addEvent(0, kFamilyPage, 2, 1);
         d.addAction(kLed);
     },
     [](EditorDocument& d) { return d.pasteEvent(d.copyEvent(0, 3 + 8 + 1), 7); },
     [](const Configuration& c) {
         EXPECT_EQ(c.keys[7].slots[12], ActionList{Text(kLed)});
         EXPECT_EQ(c.keys[7].lastFamily, kFamilyPage);
         EXPECT_EQ(c.currentKey, 7);
     }},
};

} // namespace

// Each edit is one step; undo gives back exactly the configuration before it (the current
// event included), redo exactly the one after it.
TEST_F(Document, EveryEditUndoesAndRedoesExactly) {
    for (const EditCase& edit : kEdits) {
        SCOPED_TRACE(edit.name);
        doc.newDocument();
        doc.setModelAndPort(1, 0);
        doc.newDocument();
        edit.setup(doc);
        const Configuration before = doc.configuration();
        const int steps = doc.undoStack()->count();
        const EditResult result = edit.edit(doc);
        ASSERT_TRUE(result.done()) << result.message.toStdString();
        EXPECT_EQ(doc.undoStack()->count(), steps + 1);
        EXPECT_TRUE(doc.isModified());
        const Configuration after = doc.configuration();
        EXPECT_FALSE(after == before);
        edit.check(after);

        doc.undoStack()->undo();
        EXPECT_TRUE(doc.configuration() == before);
        doc.undoStack()->redo();
        EXPECT_TRUE(doc.configuration() == after);
        doc.undoStack()->undo();
        EXPECT_TRUE(doc.configuration() == before);
    }
}

// While the keypad reads the project, every edit is refused with the reason, and New and Open
// leave it as it is; unlocked, the same edit goes through.
TEST_F(Document, ALockedDocumentRefusesEveryEdit) {
    QTemporaryDir files;
    const QString other = files.filePath(QStringLiteral("other.qzp"));
    ASSERT_TRUE(SaveProject(other, Configuration()));
    for (const EditCase& edit : kEdits) {
        SCOPED_TRACE(edit.name);
        doc.newDocument();
        doc.setModelAndPort(1, 0);
        doc.newDocument();
        edit.setup(doc);
        const Configuration before = doc.configuration();
        const int steps = doc.undoStack()->count();
        doc.setLocked(true);
        const EditResult refused = edit.edit(doc);
        EXPECT_TRUE(refused.refused());
        EXPECT_EQ(refused.message, QString::fromLatin1(kLockedText));
        EXPECT_EQ(doc.undoStack()->count(), steps);
        EXPECT_TRUE(doc.configuration() == before);
        doc.newDocument();
        EXPECT_FALSE(doc.open(other).ok);
        EXPECT_TRUE(doc.configuration() == before);
        doc.setLocked(false);
        EXPECT_TRUE(edit.edit(doc).done());
    }
}

TEST_F(Document, ActionsOfSeveralEventsAreRewrittenInOneStepOrNotAtAll) {
    PressWith({kLed, kRelay});
    PressWith({kLed}, 1);
    const Configuration before = doc.configuration();
    const int steps = doc.undoStack()->count();

    // One forbidden text (a relay on Port 3) refuses the whole update.
    EditResult r = doc.replaceActions({{0, 0, 0, Text(kDelay)}, {1, 0, 0, Text(kRelayPort3)}},
                                      QStringLiteral("Update"));
    EXPECT_TRUE(r.refused());
    EXPECT_EQ(r.message, Shown(kRefusalRelayPort3));
    EXPECT_TRUE(doc.configuration() == before);
    EXPECT_EQ(doc.undoStack()->count(), steps);

    r = doc.replaceActions({{0, 0, 1, Text(kDelay)}, {1, 0, 0, Text(kDelay)}},
                           QStringLiteral("Update"));
    ASSERT_TRUE(r.done());
    EXPECT_EQ(r.position, 2);
    EXPECT_EQ(doc.undoStack()->count(), steps + 1);
    EXPECT_EQ(doc.actions(0, 0), (ActionList{Text(kLed), Text(kDelay)}));
    EXPECT_EQ(doc.actions(1, 0), ActionList{Text(kDelay)});
    EXPECT_EQ(doc.currentKey(), 1); // the current event stays

    doc.undoStack()->undo();
    EXPECT_TRUE(doc.configuration() == before);
    doc.undoStack()->redo();
    EXPECT_EQ(doc.replaceActions({{1, 0, 0, Text(kDelay)}}, QStringLiteral("Update")).status,
              EditStatus::Unchanged);
}

TEST_F(Document, EditsThatChangeNothingPushNothing) {
    PressWith({kLed, kRelay});
    doc.addEvent(33, kFamilyStart, 0, 0);
    doc.addAction(kDelay);
    doc.setCurrentEvent(0, 0);
    doc.save(dir.filePath("p.qzp"));
    ASSERT_FALSE(doc.isModified());
    const Configuration before = doc.configuration();
    const int steps = doc.undoStack()->count();

    const std::pair<const char*, std::function<EditResult()>> noOps[] = {
        {"the same event again", [&] { return doc.addEvent(0, kFamilyKey, 0, 0); }},
        {"the same key settings", [&] { return doc.setKeySettings(0, NamedKey("1", 0, 0, '0')); }},
        {"the same text", [&] { return doc.replaceAction(1, kRelay); }},
        {"up on the first row", [&] { return doc.moveActionUp(0); }},
        {"down on the last row", [&] { return doc.moveActionDown(1); }},
        {"delete beyond the list", [&] { return doc.deleteAction(2); }},
        {"no empty event to remove", [&] { return doc.purgeEmptyEvents(); }},
        {"the same ID number", [&] { return doc.setIdNumber(0); }},
        {"the same model and port", [&] { return doc.setModelAndPort(1, 0); }},
    };
    for (const auto& [name, edit] : noOps) {
        SCOPED_TRACE(name);
        const EditResult r = edit();
        EXPECT_EQ(r.status, EditStatus::Unchanged) << r.message.toStdString();
        EXPECT_EQ(doc.undoStack()->count(), steps);
        EXPECT_FALSE(doc.isModified());
        EXPECT_TRUE(doc.configuration().keys == before.keys);
    }

    // With nothing in the lists.
    doc.newDocument();
    for (auto edit : {&EditorDocument::clearActions, &EditorDocument::deleteEvent,
                      &EditorDocument::clearAllEvents, &EditorDocument::purgeEmptyEvents}) {
        EXPECT_EQ((doc.*edit)().status, EditStatus::Unchanged);
    }
    EXPECT_EQ(doc.undoStack()->count(), 0);
    // Model 2 always has port mode 0: choosing it again with port 3 is no change.
    ASSERT_TRUE(doc.setModelAndPort(2, 1).done());
    EXPECT_EQ(doc.setModelAndPort(2, 3).status, EditStatus::Unchanged);
    EXPECT_EQ(doc.undoStack()->count(), 1);
}

TEST_F(Document, AddingAnExistingEventKeepsItsActionsAndMakesItCurrent) {
    PressWith({kLed});
    doc.addEvent(9, kFamilyVirtual, 0, 0);
    ASSERT_EQ(doc.currentKey(), 9);
    const EditResult r = doc.addEvent(0, kFamilyKey, 0, 0);
    EXPECT_EQ(r.status, EditStatus::Unchanged);
    EXPECT_EQ(r.position, kSlotPress);
    EXPECT_EQ(doc.currentKey(), 0);
    EXPECT_EQ(doc.actions(0, 0), ActionList{Text(kLed)});
}

TEST_F(Document, SaveMarksTheCleanStateAndUndoLeavesIt) {
    QSignalSpy modified(&doc, &EditorDocument::modifiedChanged);
    PressWith({kLed});
    EXPECT_TRUE(doc.isModified());
    ASSERT_EQ(modified.count(), 1);
    EXPECT_TRUE(modified.takeFirst().at(0).toBool());

    const QString path = dir.filePath("saved.qzp");
    const FileResult saved = doc.save(path);
    ASSERT_TRUE(saved.ok) << saved.error.toStdString();
    EXPECT_FALSE(doc.isModified());
    EXPECT_EQ(doc.path(), path);
    ASSERT_EQ(modified.count(), 1);
    EXPECT_FALSE(modified.takeFirst().at(0).toBool());
    Configuration reread;
    ASSERT_TRUE(LoadProject(path, reread));
    EXPECT_TRUE(reread.keys == doc.configuration().keys);

    doc.undoStack()->undo();
    EXPECT_TRUE(doc.isModified());
    doc.undoStack()->redo();
    EXPECT_FALSE(doc.isModified()); // back at the saved state

    // Selection is no edit.
    doc.setCurrentEvent(5, 5);
    doc.setCurrentActionRow(0);
    EXPECT_FALSE(doc.isModified());

    // Without a path there is nothing to save to; a failed save keeps the project modified.
    EditorDocument fresh;
    fresh.setSettingsWriter({});
    fresh.setIdNumber(3);
    EXPECT_FALSE(fresh.save().ok);
    const FileResult failed = fresh.save(dir.filePath("missing/folder/x.qzp"));
    EXPECT_FALSE(failed.ok);
    EXPECT_FALSE(failed.error.isEmpty());
    EXPECT_TRUE(fresh.isModified());
    EXPECT_TRUE(fresh.path().isEmpty());
}

TEST_F(Document, TheSettingsFileFollowsTheModelCommandThroughUndoAndRedo) {
    WriteModelSettings(1, 0, settingsPath);
    PressWith({kLed});
    EXPECT_FALSE(doc.modelChangeDiscardsEvents(1, 0)); // no change
    EXPECT_TRUE(doc.modelChangeDiscardsEvents(1, 2));  // another port mode
    EXPECT_TRUE(doc.modelChangeDiscardsEvents(0, 0));

    QSignalSpy resets(&doc, &EditorDocument::reset);
    ASSERT_TRUE(doc.setModelAndPort(0, 3).done());
    EXPECT_EQ(SettingsFile(), std::make_pair(0, 3));
    EXPECT_EQ(resets.count(), 1);
    EXPECT_TRUE(doc.configuration().EventRows().empty());

    doc.undoStack()->undo();
    EXPECT_EQ(SettingsFile(), std::make_pair(1, 0));
    EXPECT_EQ(doc.actions(0, 0), ActionList{Text(kLed)});
    EXPECT_EQ(resets.count(), 2);

    doc.undoStack()->redo();
    EXPECT_EQ(SettingsFile(), std::make_pair(0, 3));

    ASSERT_TRUE(doc.setModelAndPort(2, 2).done());
    EXPECT_EQ(SettingsFile(), std::make_pair(2, 0));
    doc.undoStack()->undo();
    EXPECT_EQ(SettingsFile(), std::make_pair(0, 3));

    // "Clear All" is no model change: the file stays.
    doc.undoStack()->undo();
    ASSERT_EQ(doc.configuration().deviceModel, 1);
    PressWith({kRelay}, 1);
    WriteModelSettings(1, 1, settingsPath);
    doc.clearAllEvents();
    doc.undoStack()->undo();
    EXPECT_EQ(SettingsFile(), std::make_pair(1, 1));

    EXPECT_TRUE(doc.setModelAndPort(3, 0).refused());
    EXPECT_TRUE(doc.setModelAndPort(1, 4).refused());
}

// Another port mode may keep the events and key names: what it refuses is listed as the project
// check lists it, the check (the upload's pre-flight) refuses until it is fixed, and one undo
// step brings the old mode back; Discard still empties everything.
TEST_F(Document, TheModelCommandKeepsTheEventsWhenAsked) {
    const QString rs232Port1 =
        QStringLiteral("UART : Cmd : Proj : On : 9600 : 1 : 0 : 0 : 0 : 1 : 0 : 0 : 1 : 1 :PWR");
    KeySettings hall;
    hall.setName = true;
    hall.name = QStringLiteral("Hall");
    ASSERT_TRUE(doc.addEvent(0, kFamilyKey, 0, 0, hall).done());
    ASSERT_TRUE(doc.addAction(kLed).done());
    ASSERT_TRUE(doc.addAction(rs232Port1).done()); // allowed in port mode 0
    const Configuration before = doc.configuration();
    const int steps = doc.undoStack()->count();

    const QString line = QStringLiteral(
        "key 1 \"Hall\", Press: action 2 (RS232): Port1 is unavailable in this setting, please "
        "select port 2 or 3");
    EXPECT_EQ(doc.modelChangeFindings(1, 1), QStringList{line});
    EXPECT_TRUE(doc.modelChangeFindings(1, 3).size() == 1);
    EXPECT_TRUE(doc.modelChangeQuestion(1, 1).contains(line));

    const EditResult kept = doc.setModelAndPort(1, 1, ModelChange::Keep);
    ASSERT_TRUE(kept.done());
    EXPECT_TRUE(kept.message.endsWith(line));
    EXPECT_EQ(doc.undoStack()->count(), steps + 1);
    EXPECT_EQ(doc.configuration().portMode, 1);
    EXPECT_EQ(doc.key(0).keyName, "Hall");
    EXPECT_EQ(doc.actions(0, 0), before.keys[0].slots[0]);
    EXPECT_EQ(SettingsFile(), std::make_pair(1, 1));
    const std::vector<Finding> findings = CheckProject(doc.configuration());
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(FindingLine(doc.configuration(), findings[0]), line);

    doc.undoStack()->undo();
    EXPECT_TRUE(doc.configuration() == before);
    EXPECT_EQ(SettingsFile(), std::make_pair(1, 0));

    const EditResult discarded = doc.setModelAndPort(1, 1, ModelChange::Discard);
    ASSERT_TRUE(discarded.done());
    EXPECT_TRUE(discarded.message.isEmpty());
    EXPECT_TRUE(doc.configuration().EventRows().empty());
    EXPECT_EQ(doc.key(0).keyName, "1");
    EXPECT_EQ(doc.undoStack()->count(), steps + 1);
    doc.undoStack()->undo();
    EXPECT_TRUE(doc.configuration() == before);
}

// A refused edit changes nothing and pushes nothing, and says why in the exact words.
TEST_F(Document, RefusedActionsChangeNothing) {
    PressWith({kLed});
    ASSERT_TRUE(doc.setModelAndPort(1, 0).status == EditStatus::Unchanged);
    struct Refusal {
        QString text;
        QString message;
    };
    const Refusal refusals[] = {
        {kRelayPort3, Shown(kRefusalRelayPort3)},
        {kIo, Shown(kRefusalIo)},
        {QStringLiteral("UART : Cmd : Proj : On : 9600 : 1 : 0 : 0 : 0 : 1 : 0 : 0 : 1 : 1 :PWR"),
         QString()}, // Port 1 in port mode 0 is allowed: a control row
        {QStringLiteral("no action"), QStringLiteral("This is not an action text: no action")},
        {QStringLiteral("GPIO : Do:or : 1 : 0 : 0 : 0"), QString::fromLatin1(kShiftedFieldsText)},
        {QStringLiteral("ENPG : Lob:by : 0 :3 :0"), QString::fromLatin1(kShiftedFieldsText)},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.text.toStdString());
        EXPECT_EQ(doc.actionRefusal(r.text), r.message);
        if (r.message.isEmpty()) {
            continue;
        }
        const Configuration before = doc.configuration();
        const int steps = doc.undoStack()->count();
        for (const EditResult& result : {doc.addAction(r.text), doc.replaceAction(0, r.text)}) {
            EXPECT_TRUE(result.refused());
            EXPECT_EQ(result.message, r.message);
        }
        EXPECT_TRUE(doc.configuration() == before);
        EXPECT_EQ(doc.undoStack()->count(), steps);
    }
    // Model 2 allows both.
    ASSERT_TRUE(doc.setModelAndPort(2, 0).done());
    PressWith({kRelayPort3, kIo});
}

// Texts are 8-bit: a character above U+00FF is refused on every way into the document, with the
// message naming the place, and nothing changes; a Latin-1 one is kept as its byte.
TEST_F(Document, CharactersWithoutAByteAreRefusedOnEveryWayIn) {
    ASSERT_TRUE(doc.setModelAndPort(2, 0).done()); // for the I/O actions
    PressWith({kLed});
    const QString omega = QString::fromUtf8("\xce\xa9");
    const QString withOmega =
        QStringLiteral("GPIO : D") + omega + QStringLiteral(" : 1 : 0 : 0 : 0");
    const QString irOmega = QStringLiteral("INFR : Caf") + omega +
                            QStringLiteral(" : P : 0 : 1 : 0 : 1 : 1 : c6 : ") +
                            QString(198, QLatin1Char('1'));
    const Configuration before = doc.configuration();
    const int steps = doc.undoStack()->count();
    struct Way {
        const char* name;
        std::function<EditResult()> edit;
        QString message;
    } ways[] = {
        {"add action", [&] { return doc.addAction(withOmega); },
         latin1::OutsideMessage(withOmega, "Action")},
        {"edit action", [&] { return doc.replaceAction(0, withOmega); },
         latin1::OutsideMessage(withOmega, "Action")},
        {"library name", [&] { return doc.addAction(irOmega); },
         latin1::OutsideMessage(irOmega, "Action")},
        {"key name", [&] { return doc.setKeySettings(0, NamedKey(omega, 1, 0, '0')); },
         latin1::OutsideMessage(omega, "Key name")},
        {"key name of a new event",
         [&] { return doc.addEvent(1, kFamilyKey, 0, 0, NamedKey(omega, 1, 0, '0')); },
         latin1::OutsideMessage(omega, "Key name")},
        {"pasted text",
         [&] {
             auto* data = new QMimeData;
             data->setText(kLed + "\n" + withOmega + "\n");
             QGuiApplication::clipboard()->setMimeData(data);
             return doc.paste(ActionClipboard(QGuiApplication::clipboard()).get());
         },
         latin1::OutsideMessage(withOmega, "Pasted text, line 2")},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        const EditResult result = way.edit();
        EXPECT_TRUE(result.refused());
        EXPECT_EQ(result.message, way.message);
        EXPECT_TRUE(result.message.contains("(U+03A9)")) << result.message.toStdString();
        EXPECT_TRUE(doc.configuration() == before);
        EXPECT_EQ(doc.undoStack()->count(), steps);
    }
    EXPECT_EQ(doc.actionRefusal(withOmega), latin1::OutsideMessage(withOmega, "Action"));
    // Latin-1 characters are their bytes.
    ASSERT_TRUE(
        doc.setKeySettings(0, NamedKey(QString::fromUtf8("Caf\xc3\xa9"), 1, 0, '0')).done());
    EXPECT_EQ(doc.key(0).keyName, "Caf\xe9");
    ASSERT_TRUE(doc.addAction(QString::fromUtf8("GPIO : Caf\xc3\xa9 : 1 : 0 : 0 : 0")).done());
    EXPECT_EQ(doc.actions(0, 0).back(), "GPIO : Caf\xe9 : 1 : 0 : 0 : 0");
}

// An IR or RS232 action naming a library that could leave the library folder is refused on
// every way in, so that no later look-up makes a path of it.
TEST_F(Document, LibraryNamesThatWouldLeaveTheFolderAreRefused) {
    PressWith({kLed});
    const std::string code(198, '1');
    for (const std::string& library :
         {std::string("../../x/evil"), std::string("/abs/path"), std::string("x\\y")}) {
        SCOPED_TRACE(library);
        const QString ir =
            latin1::ToQString("INFR : " + library + " : P : 0 : 1 : 0 : 1 : 1 : c6 : " + code);
        const QString uart = latin1::ToQString(
            "UART : Cmd : " + library + " : On : 9600 : 1 : 0 : 0 : 0 : 1 : 0 : 0 : 1 : 1 :PWR");
        const QString message = latin1::LibraryNameFaultText(library);
        for (const QString& text : {ir, uart}) {
            EXPECT_EQ(doc.addAction(text).message, message);
            EXPECT_EQ(doc.replaceAction(0, text).message, message);
            ClipboardContent pasted;
            pasted.kind = ClipboardContent::Actions;
            pasted.actions = {latin1::ToBytes(text).value()};
            EXPECT_EQ(doc.paste(pasted).message, message);
        }
    }
    EXPECT_EQ(doc.actions(0, 0), ActionList{Text(kLed)});
    // A library name with an 8-bit byte is a name like any other.
    EXPECT_TRUE(
        doc.addAction(latin1::ToQString("INFR : Caf\xe9 : P : 0 : 1 : 0 : 1 : 1 : c6 : " + code))
            .done());
}

TEST_F(Document, AnActionThatOverflowsTheFrameIsRefused) {
    // Filled as far as it goes: large actions first, then small ones.
    ASSERT_TRUE(doc.addEvent(0, kFamilyKey, 0, 0).done());
    int large = 0;
    while (doc.addAction(kIr).done()) {
        ++large;
    }
    ASSERT_GT(large, 5);
    while (doc.addAction(kLed).done()) {
    }
    const Configuration full = doc.configuration();
    const int steps = doc.undoStack()->count();
    const int last = int(doc.actions(0, 0).size()) - 1;
    ASSERT_GT(last, large);
    for (const EditResult& r : {doc.addAction(kLed), doc.replaceAction(last, kIr)}) {
        EXPECT_TRUE(r.refused());
        EXPECT_EQ(r.message, QString::fromLatin1(kNoRoomText));
    }
    EXPECT_TRUE(doc.configuration() == full);
    EXPECT_EQ(doc.undoStack()->count(), steps);
    // A smaller action in place of a large one fits.
    ASSERT_TRUE(doc.replaceAction(0, kLed).done());
    doc.undoStack()->undo();
    EXPECT_TRUE(doc.configuration() == full);
}

TEST_F(Document, ActionsNeedAnEventAndARow) {
    EXPECT_EQ(doc.addAction(kLed).message, QString::fromLatin1(kNoEventText));
    PressWith({kLed});
    EXPECT_EQ(doc.deleteAction(-1).message, "No selected item to delete");
    EXPECT_EQ(doc.moveActionUp(-1).message, "No selected item to move");
    EXPECT_EQ(doc.moveActionDown(-1).message, "No selected item to move");
    EXPECT_EQ(doc.replaceAction(-1, kLed).message, "No selected item to edit");
    EXPECT_EQ(doc.addEvent(0, kFamilyVirtual, 0, 0).message, "Add error"); // not on a normal key
    EXPECT_EQ(doc.addEvent(32, kFamilyIoLow, 0, 0).message, Shown(kRefusalIo));
    EXPECT_EQ(doc.undoStack()->count(), 2);

    // An event emptied by deleting its last action still takes actions: it comes back.
    ASSERT_TRUE(doc.deleteAction(0).done());
    EXPECT_FALSE(doc.hasCurrentEvent());
    ASSERT_TRUE(doc.addEvent(1, kFamilyKey, 0, 0).done());
    doc.setCurrentEvent(0, 0);
    EXPECT_TRUE(doc.addAction(kRelay).done());
    EXPECT_EQ(doc.actions(0, 0), ActionList{Text(kRelay)});
    // A slot of another family than the key's events takes none.
    doc.setCurrentEvent(0, 5);
    EXPECT_EQ(doc.addAction(kRelay).message, QString::fromLatin1(kNoEventText));
}

TEST_F(Document, UndoAndRedoRestoreTheSelection) {
    PressWith({kLed, kRelay, kDelay});
    doc.setCurrentActionRow(2);
    ASSERT_TRUE(doc.moveActionUp(2).done());
    EXPECT_EQ(doc.currentActionRow(), 1);
    doc.addEvent(4, kFamilyKey, 0, 0);
    EXPECT_EQ(doc.currentKey(), 4);
    doc.undoStack()->undo(); // the event on key 4
    doc.setCurrentEvent(7, 7);
    doc.undoStack()->undo(); // the move: back on key 0, the moved action selected where it was
    EXPECT_EQ(doc.currentKey(), 0);
    EXPECT_EQ(doc.currentSlot(), 0);
    EXPECT_EQ(doc.currentActionRow(), 2);
    doc.undoStack()->redo();
    EXPECT_EQ(doc.currentActionRow(), 1);

    // Selecting the same event again keeps its action row; another event clears it.
    QSignalSpy events(&doc, &EditorDocument::currentEventChanged);
    doc.setCurrentEvent(0, 0);
    EXPECT_EQ(doc.currentActionRow(), 1);
    EXPECT_EQ(events.count(), 0);
    doc.setCurrentEvent(0, 1);
    EXPECT_EQ(doc.currentActionRow(), -1);
    EXPECT_EQ(events.count(), 1);
    doc.setCurrentActionRow(0); // the slot holds no event: no row to select
    EXPECT_EQ(doc.currentActionRow(), -1);
}

TEST_F(Document, SignalsNameWhatChanged) {
    PressWith({kLed});
    QSignalSpy keys(&doc, &EditorDocument::keyChanged);
    QSignalSpy slots(&doc, &EditorDocument::slotChanged);
    QSignalSpy resets(&doc, &EditorDocument::reset);
    QSignalSpy device(&doc, &EditorDocument::deviceSettingsChanged);
    QSignalSpy rows(&doc, &EditorDocument::currentActionRowChanged);

    doc.addAction(kRelay);
    ASSERT_EQ(slots.count(), 1);
    EXPECT_EQ(slots.at(0), (QVariantList{0, 0}));
    EXPECT_EQ(rows.last().at(0).toInt(), 1);
    doc.addEvent(2, kFamilyKey, 1, 0);
    ASSERT_EQ(keys.count(), 1);
    EXPECT_EQ(keys.at(0).at(0).toInt(), 2);
    doc.setIdNumber(9);
    EXPECT_EQ(device.count(), 1);
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(slots.count(), 1);
    doc.clearAllEvents();
    EXPECT_EQ(resets.count(), 1);
}

TEST_F(Document, CopyAndPasteAcrossKeys) {
    PressWith({kLed, kRelay, kDelay});
    // Rows in any order, doubled, out of range: taken in list order, once.
    ClipboardContent copied = doc.copyActions({2, 0, 2, 7, -1});
    ASSERT_EQ(copied.kind, ClipboardContent::Actions);
    EXPECT_EQ(copied.actions, (std::vector<std::string>{Text(kLed), Text(kDelay)}));
    EXPECT_TRUE(doc.copyActions({5}).isEmpty());

    // Into a new event on another key: the placeholder is replaced.
    ASSERT_TRUE(doc.addEvent(3, kFamilyKey, 1, 0).done());
    const EditResult pasted = doc.paste(copied);
    ASSERT_TRUE(pasted.done()) << pasted.message.toStdString();
    EXPECT_EQ(pasted.position, 0);
    EXPECT_EQ(doc.actions(3, 1), (ActionList{Text(kLed), Text(kDelay)}));
    EXPECT_EQ(doc.currentActionRow(), 1);
    // After the selected row.
    doc.setCurrentActionRow(0);
    ASSERT_TRUE(doc.paste(copied).done());
    EXPECT_EQ(doc.actions(3, 1), (ActionList{Text(kLed), Text(kLed), Text(kDelay), Text(kDelay)}));
    doc.undoStack()->undo();
    EXPECT_EQ(doc.actions(3, 1), (ActionList{Text(kLed), Text(kDelay)}));

    // An event onto a key without events, onto one that holds it (its actions join), onto a key
    // that cannot hold it, and onto one holding another family.
    const ClipboardContent event = doc.copyEvent(0, 0);
    ASSERT_EQ(event.kind, ClipboardContent::Event);
    ASSERT_TRUE(doc.paste(event, 5).done());
    EXPECT_EQ(doc.actions(5, 0), doc.actions(0, 0));
    EXPECT_EQ(doc.currentKey(), 5);
    ASSERT_TRUE(doc.paste(event, 5).done());
    EXPECT_EQ(doc.actions(5, 0).size(), 6u);
    EXPECT_EQ(doc.paste(event, 20).message, "Key21 cannot hold a \"Press\" event.");
    doc.addEvent(6, kFamilyPage, 0, 0);
    EXPECT_EQ(doc.paste(event, 6).message,
              "Key7 holds events of another kind, which a \"Press\" event would remove.");
    EXPECT_EQ(doc.pasteEvent(event, 5).message,
              "Key6 already has this \"Press\" event: select it to paste the actions into it.");
    EXPECT_TRUE(doc.copyEvent(0, 9).isEmpty());
}

TEST_F(Document, RefusedPastesChangeNothing) {
    PressWith({kLed});
    ClipboardContent forbidden;
    forbidden.kind = ClipboardContent::Actions;
    forbidden.actions = {Text(kRelay), Text(kRelayPort3)};
    ClipboardContent tooMany;
    tooMany.kind = ClipboardContent::Actions;
    tooMany.actions.assign(20, Text(kIr));
    ClipboardContent virtualEvent;
    doc.addEvent(15, kFamilyVirtual, 0, 0);
    doc.addAction(kLed);
    virtualEvent = doc.copyEvent(15, kSlotVirtual);
    doc.setCurrentEvent(0, 0);

    const Configuration before = doc.configuration();
    const int steps = doc.undoStack()->count();
    EXPECT_EQ(doc.paste(forbidden).message, Shown(kRefusalRelayPort3));
    EXPECT_EQ(doc.paste(tooMany).message, QString::fromLatin1(kNoRoomText));
    EXPECT_EQ(doc.paste(virtualEvent, 1).message, "Key2 cannot hold a \"Virtual\" event.");
    EXPECT_EQ(doc.paste(ClipboardContent{}).message, "There is nothing to paste.");
    EXPECT_EQ(doc.pasteActions(forbidden, 9, 0).message,
              "Select an event to paste the actions into.");
    // An I/O event does not go to a model without I/O inputs.
    ClipboardContent io;
    io.kind = ClipboardContent::Event;
    io.slot = kSlotIoLowFirst;
    io.family = kFamilyIoLow;
    EXPECT_EQ(doc.paste(io, 32).message, Shown(kRefusalIo));
    EXPECT_TRUE(doc.configuration() == before);
    EXPECT_EQ(doc.undoStack()->count(), steps);
}

TEST_F(Document, PastedToggleEventsKeepTheKeysToggleClass) {
    // Key 0: toggle class value 1 (two states), number 2. Key 1: class value 3, number 4.
    doc.addEvent(0, kFamilyToggle, 1, 1);
    doc.addAction(kLed);
    doc.addEvent(1, kFamilyToggle, 3, 3);
    doc.addAction(kLed);
    const ClipboardContent four = doc.copyEvent(1, kSlotToggleFirst + 3);
    EXPECT_EQ(four.index, 3);
    EXPECT_EQ(doc.paste(four, 0).message, "Key1's toggle class has no toggle number 4.");
    ASSERT_TRUE(doc.paste(four, 2).done());
    EXPECT_EQ(doc.key(2).lastEventIndex, 3);
    const ClipboardContent two = doc.copyEvent(0, kSlotToggleFirst + 1);
    ASSERT_TRUE(doc.paste(two, 2).done());
    EXPECT_EQ(doc.key(2).lastEventIndex, 3); // the key's class stays
    EXPECT_TRUE(doc.key(2).HasEvent(kSlotToggleFirst + 3));
}

TEST_F(Document, TheClipboardCarriesContentAndPlainText) {
    PressWith({kLed, kRelay});
    const ClipboardContent event = doc.copyEvent(0, 0);

    ActionClipboard own;
    own.set(event);
    EXPECT_EQ(own.get(), event);

    ActionClipboard system(QGuiApplication::clipboard());
    system.set(event);
    EXPECT_EQ(system.get(), event);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), kLed + "\n" + kRelay + "\n");

    // Action texts from elsewhere, one a line, paste as actions; anything else is no content.
    QGuiApplication::clipboard()->setText(kDelay + "\r\n\n  " + kLed + "\n");
    const ClipboardContent fromText = system.get();
    EXPECT_EQ(fromText.kind, ClipboardContent::Actions);
    EXPECT_EQ(fromText.actions, (std::vector<std::string>{Text(kDelay), Text(kLed)}));
    QGuiApplication::clipboard()->setText("hello\n" + kLed);
    EXPECT_TRUE(system.get().isEmpty());
    // A damaged private form is no content either.
    auto* damaged = new QMimeData;
    damaged->setData(kClipboardMimeType, QByteArray("\x00\x00\x00\x01\x00", 5));
    QGuiApplication::clipboard()->setMimeData(damaged);
    EXPECT_TRUE(system.get().isEmpty());
}

TEST_F(Document, OpenAndNewStartAFreshHistory) {
    PressWith({kLed});
    doc.setIdNumber(12);
    const QString path = dir.filePath("a.qzp");
    ASSERT_TRUE(doc.save(path).ok);
    const Configuration saved = doc.configuration();
    doc.addEvent(4, kFamilyKey, 0, 0);

    // A damaged file changes nothing, the history included.
    const QString damaged = dir.filePath("damaged.qzp");
    QFile file(damaged);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(ProjectToBytes(saved).left(100));
    file.close();
    const Configuration current = doc.configuration();
    const FileResult bad = doc.open(damaged);
    EXPECT_FALSE(bad.ok);
    EXPECT_EQ(bad.status, LoadStatus::Damaged);
    EXPECT_TRUE(bad.error.contains("damaged.qzp"));
    EXPECT_TRUE(doc.configuration() == current);
    EXPECT_EQ(doc.undoStack()->count(), 4);
    EXPECT_EQ(doc.open(dir.filePath("none.qzp")).status, LoadStatus::Unreadable);

    QSignalSpy resets(&doc, &EditorDocument::reset);
    const FileResult good = doc.open(path);
    ASSERT_TRUE(good.ok) << good.error.toStdString();
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(doc.undoStack()->count(), 0);
    EXPECT_FALSE(doc.isModified());
    EXPECT_TRUE(doc.configuration().keys == saved.keys);
    EXPECT_EQ(doc.configuration().idNumber, 12);
    EXPECT_EQ(doc.path(), path);

    doc.setModelAndPort(0, 2);
    doc.newDocument();
    EXPECT_EQ(doc.undoStack()->count(), 0);
    EXPECT_FALSE(doc.isModified());
    EXPECT_TRUE(doc.path().isEmpty());
    EXPECT_TRUE(doc.configuration().EventRows().empty());
    EXPECT_EQ(doc.configuration().deviceModel, 0); // New keeps the model and port mode
    EXPECT_EQ(doc.configuration().portMode, 2);
}

// The largest configuration: every stored action passes the rules of its model, and a step
// keeps only its slot.
TEST(LargestDocument, AnActionEditKeepsOneSlot) {
    EditorDocument doc(MakeLargestConfiguration());
    doc.setSettingsWriter({});
    for (const auto& [key, slot] : doc.configuration().EventRows()) {
        for (const std::string& text : doc.actions(key, slot)) {
            ASSERT_TRUE(doc.actionRefusal(text).isEmpty()) << text;
        }
    }
    const auto [key, slot] = doc.configuration().EventRows().front();
    doc.setCurrentEvent(key, slot);
    ASSERT_TRUE(doc.replaceAction(0, kLed).done());
    const auto* step = dynamic_cast<const DocumentCommand*>(doc.undoStack()->command(0));
    ASSERT_NE(step, nullptr);
    EXPECT_GE(step->keptBytes(), BytesOf(doc.actions(key, slot)) / 2);
    EXPECT_LT(step->keptBytes(), BytesOf(doc.configuration().keys[size_t(key)]));
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("QZCTR_HOME", home.path().toLocal8Bit());
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
