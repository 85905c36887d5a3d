// The event and action lists as table models over the document: their texts, row changes
// instead of resets after an edit, sorting by "Key", and the selection helpers. Each model runs
// under QAbstractItemModelTester, which checks every change it signals.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QGuiApplication>
#include <QIdentityProxyModel>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "model/Largest.h"
#include "ui/lists/ActionListModel.h"
#include "ui/document/EditorDocument.h"
#include "ui/lists/EventListModel.h"

using namespace qz;

namespace {

const QString kLed = QStringLiteral("LEDP : 3 : 2 : 2");
const QString kDelay = QStringLiteral("DELY : 0 : 0 : 1 : 1 : 0000011");
const QString kRelay = QStringLiteral("RELY : 0 : 1 : 1");

// The model tester takes column 0 as what tells the rows apart: around an inserted or removed
// row it expects the neighbours' column-0 data unchanged. The action list's column 0 is the row
// number, which rightly changes there, so the tester sees the action text in its place; every
// signal still comes straight from the model.
class RowIdentity : public QIdentityProxyModel {
  public:
    explicit RowIdentity(QAbstractItemModel* model) { setSourceModel(model); }
    QVariant data(const QModelIndex& index, int role) const override {
        if (index.column() == 0 && role == Qt::DisplayRole) {
            return QIdentityProxyModel::data(index, ActionListModel::ActionTextRole);
        }
        return QIdentityProxyModel::data(index, role);
    }
};

struct Models : ::testing::Test {
    EditorDocument doc;
    EventListModel events{doc};
    ActionListModel actions{doc};
    RowIdentity actionRows{&actions};
    QAbstractItemModelTester eventTester{&events,
                                         QAbstractItemModelTester::FailureReportingMode::Fatal};
    QAbstractItemModelTester actionTester{&actionRows,
                                          QAbstractItemModelTester::FailureReportingMode::Fatal};

    Models() { doc.setSettingsWriter({}); }

    QStringList Row(const QAbstractItemModel& model, int row) const {
        QStringList texts;
        for (int c = 0; c < model.columnCount(); ++c) {
            texts << model.index(row, c).data().toString();
        }
        return texts;
    }
    QStringList KeyColumn() const {
        QStringList keys;
        for (int r = 0; r < events.rowCount(); ++r) {
            keys << events.index(r, 0).data().toString() + "/" +
                        events.index(r, 0).data(EventListModel::SlotRole).toString();
        }
        return keys;
    }
};

// Counts what a model signals.
struct Changes {
    explicit Changes(QAbstractItemModel& model)
        : resets(&model, &QAbstractItemModel::modelReset),
          inserted(&model, &QAbstractItemModel::rowsInserted),
          removed(&model, &QAbstractItemModel::rowsRemoved),
          changed(&model, &QAbstractItemModel::dataChanged) {}
    QSignalSpy resets;
    QSignalSpy inserted;
    QSignalSpy removed;
    QSignalSpy changed;
    void Clear() {
        resets.clear();
        inserted.clear();
        removed.clear();
        changed.clear();
    }
};

} // namespace

TEST_F(Models, HeadersAndRowTexts) {
    const QStringList eventHeaders{"Key", "Type", "Data"};
    const QStringList actionHeaders{"Num", "Type", "Data"};
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(events.headerData(c, Qt::Horizontal).toString(), eventHeaders[c]);
        EXPECT_EQ(actions.headerData(c, Qt::Horizontal).toString(), actionHeaders[c]);
    }
    ASSERT_TRUE(doc.addEvent(2, kFamilyPage, 0, 3).done());
    ASSERT_EQ(events.rowCount(), 1);
    EXPECT_EQ(Row(events, 0), (QStringList{"Key3", "Page", "Class: 1,Num: 4"}));
    EXPECT_EQ(events.index(0, 0).data(EventListModel::ItemDataRole).toInt(), 2 + 256 * 6);
    EXPECT_EQ(actions.rowCount(), 0); // the placeholder is no row

    doc.addAction(kLed);
    doc.addAction(kDelay);
    ASSERT_EQ(actions.rowCount(), 2);
    EXPECT_EQ(Row(actions, 0)[0], "1");
    EXPECT_EQ(Row(actions, 1)[0], "2");
    EXPECT_EQ(Row(actions, 0)[1], "Led");
    EXPECT_EQ(actions.index(1, 0).data(ActionListModel::ActionTextRole).toString(), kDelay);

    // Data texts that hang on the key's settings follow them: the timer's minutes.
    doc.addEvent(34, kFamilyTime, 1, 15);
    const QModelIndex time = events.indexOf(34, kSlotTimeFirst + 1);
    ASSERT_TRUE(time.isValid());
    EXPECT_EQ(Row(events, time.row()), (QStringList{"Key35", "Time", "Time 2, 015min"}));
    Changes changes(events);
    doc.addEvent(34, kFamilyTime, 1, 20); // the same event, other minutes
    EXPECT_EQ(changes.resets.count(), 0);
    EXPECT_EQ(changes.inserted.count(), 0);
    EXPECT_GE(changes.changed.count(), 1);
    EXPECT_EQ(events.index(time.row(), 2).data().toString(), "Time 2, 020min");
}

TEST_F(Models, EditsChangeRowsNotTheWholeModel) {
    Changes eventChanges(events);
    Changes actionChanges(actions);
    doc.addEvent(0, kFamilyKey, 0, 0);
    EXPECT_EQ(eventChanges.inserted.count(), 1);

    // Adding actions appends rows; the first replaces the placeholder, which had no row.
    for (const QString& text : {kLed, kDelay, kRelay}) {
        actionChanges.Clear();
        const int row = doc.addAction(text).position;
        ASSERT_EQ(actionChanges.inserted.count(), 1);
        EXPECT_EQ(actionChanges.inserted.at(0).at(1).toInt(), row);
        EXPECT_EQ(actionChanges.inserted.at(0).at(2).toInt(), row);
    }
    // Editing rewrites one row.
    actionChanges.Clear();
    doc.replaceAction(1, kLed);
    EXPECT_EQ(actionChanges.inserted.count() + actionChanges.removed.count(), 0);
    ASSERT_EQ(actionChanges.changed.count(), 1);
    EXPECT_EQ(actionChanges.changed.at(0).at(0).toModelIndex().row(), 1);
    EXPECT_EQ(actionChanges.changed.at(0).at(1).toModelIndex().row(), 1);
    // Moving rewrites the two rows.
    actionChanges.Clear();
    doc.moveActionUp(2);
    EXPECT_EQ(actionChanges.inserted.count() + actionChanges.removed.count(), 0);
    EXPECT_EQ(Row(actions, 1)[1], "Relay");
    // Deleting the first row removes it and renumbers the rest.
    actionChanges.Clear();
    doc.deleteAction(0);
    ASSERT_EQ(actionChanges.removed.count(), 1);
    EXPECT_EQ(actionChanges.removed.at(0).at(1).toInt(), 0);
    EXPECT_EQ(Row(actions, 0)[0], "1");
    EXPECT_EQ(Row(actions, 1)[0], "2");
    // Undo inserts it again.
    actionChanges.Clear();
    doc.undoStack()->undo();
    EXPECT_EQ(actionChanges.inserted.count(), 1);
    EXPECT_EQ(actions.rowCount(), 3);

    // Another event: its rows, an event row inserted; deleting it removes one row.
    doc.addEvent(5, kFamilyKey, 1, 0);
    EXPECT_EQ(actions.rowCount(), 0);
    doc.addAction(kLed);
    doc.setCurrentEvent(0, 0);
    EXPECT_EQ(actions.rowCount(), 3);
    eventChanges.Clear();
    doc.setCurrentEvent(5, 1);
    doc.deleteEvent();
    EXPECT_EQ(eventChanges.removed.count(), 1);
    EXPECT_EQ(events.rowCount(), 1);
    EXPECT_EQ(actionChanges.resets.count(), 0);
    EXPECT_EQ(eventChanges.resets.count(), 0);

    // Only the commands that replace the whole configuration reset.
    doc.clearAllEvents();
    EXPECT_EQ(eventChanges.resets.count(), 1);
    EXPECT_EQ(actionChanges.resets.count(), 1);
    EXPECT_EQ(events.rowCount(), 0);
    EXPECT_EQ(actions.rowCount(), 0);
    doc.undoStack()->undo();
    EXPECT_EQ(events.rowCount(), 1);
    EXPECT_EQ(actions.rowCount(), 3);
}

TEST_F(Models, AnEventChangeOfTheKeyDialogMovesRowsOneByOne) {
    doc.addEvent(3, kFamilyPage, 0, 0);
    doc.addEvent(3, kFamilyPage, 0, 1);
    doc.addEvent(1, kFamilyKey, 0, 0);
    Changes changes(events);
    // A Press on a key with Page events: both Page rows go, one Press row comes.
    doc.addEvent(3, kFamilyKey, 0, 0);
    EXPECT_EQ(changes.resets.count(), 0);
    EXPECT_EQ(changes.removed.count(), 2);
    EXPECT_EQ(changes.inserted.count(), 1);
    EXPECT_EQ(KeyColumn(), (QStringList{"Key2/0", "Key4/0"}));
    doc.undoStack()->undo();
    EXPECT_EQ(KeyColumn(), (QStringList{"Key2/0", "Key4/3", "Key4/4"}));
}

TEST_F(Models, SortingByKey) {
    doc.addEvent(5, kFamilyKey, 1, 0);
    doc.addEvent(0, kFamilyPage, 0, 2);
    doc.addEvent(0, kFamilyPage, 0, 0);
    doc.addEvent(33, kFamilyStart, 0, 0);
    doc.addEvent(2, kFamilyKey, 0, 0);
    EXPECT_EQ(KeyColumn(), (QStringList{"Key1/3", "Key1/5", "Key3/0", "Key6/1", "Key34/35"}));

    const QPersistentModelIndex key3 = events.indexOf(2, 0);
    QSignalSpy layout(&events, &QAbstractItemModel::layoutChanged);
    events.sort(EventListModel::KeyColumn, Qt::DescendingOrder);
    EXPECT_EQ(layout.count(), 1);
    // Key numbers descending; the events of one key stay in slot order.
    EXPECT_EQ(KeyColumn(), (QStringList{"Key34/35", "Key6/1", "Key3/0", "Key1/3", "Key1/5"}));
    EXPECT_EQ(key3.row(), 2); // a kept index follows its row

    // Other columns compare equal: nothing moves.
    events.sort(EventListModel::TypeColumn, Qt::AscendingOrder);
    events.sort(EventListModel::DataColumn, Qt::DescendingOrder);
    EXPECT_EQ(KeyColumn(), (QStringList{"Key34/35", "Key6/1", "Key3/0", "Key1/3", "Key1/5"}));

    // New events go where the order puts them, and the current event's index follows.
    doc.addEvent(3, kFamilyKey, 0, 0);
    doc.addEvent(0, kFamilyPage, 0, 1);
    EXPECT_EQ(KeyColumn(), (QStringList{"Key34/35", "Key6/1", "Key4/0", "Key3/0", "Key1/3",
                                        "Key1/4", "Key1/5"}));
    EXPECT_EQ(events.currentIndex().row(), 5);
    EXPECT_EQ(events.eventAt(events.currentIndex()), std::make_pair(0, 4));

    events.sort(EventListModel::KeyColumn, Qt::AscendingOrder);
    EXPECT_EQ(KeyColumn(), (QStringList{"Key1/3", "Key1/4", "Key1/5", "Key3/0", "Key4/0", "Key6/1",
                                        "Key34/35"}));
    EXPECT_EQ(events.currentIndex().row(), 1);
}

TEST_F(Models, SelectionHelpersFollowTheDocument) {
    doc.addEvent(1, kFamilyKey, 0, 0);
    doc.addAction(kLed);
    doc.addAction(kDelay);
    EXPECT_EQ(actions.currentIndex().row(), 1);
    doc.moveActionUp(1);
    EXPECT_EQ(actions.currentIndex().row(), 0);
    EXPECT_EQ(actions.currentIndex().data(ActionListModel::ActionTextRole).toString(), kDelay);
    doc.setCurrentActionRow(5);
    EXPECT_FALSE(actions.currentIndex().isValid());
    EXPECT_FALSE(events.indexOf(9, 9).isValid());
    EXPECT_EQ(events.eventAt(QModelIndex()), std::make_pair(-1, -1));
    // Sorting the action list changes nothing: the order is the order of execution.
    actions.sort(ActionListModel::TypeColumn, Qt::DescendingOrder);
    EXPECT_EQ(actions.index(0, 0).data(ActionListModel::ActionTextRole).toString(), kDelay);
}

TEST(LargestModels, ListEveryEventAndFollowEdits) {
    EditorDocument doc(MakeLargestConfiguration());
    doc.setSettingsWriter({});
    EventListModel events(doc);
    ActionListModel actions(doc);
    QAbstractItemModelTester t1(&events, QAbstractItemModelTester::FailureReportingMode::Fatal);
    RowIdentity actionRows(&actions);
    QAbstractItemModelTester t2(&actionRows, QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(events.rowCount(), doc.configuration().EventRowCount());
    const auto [key, slot] = doc.configuration().EventRows().back();
    doc.setCurrentEvent(key, slot);
    const int count = int(doc.actions(key, slot).size());
    EXPECT_EQ(actions.rowCount(), count);
    ASSERT_TRUE(doc.deleteAction(count / 2).done());
    EXPECT_EQ(actions.rowCount(), count - 1);
    doc.undoStack()->undo();
    EXPECT_EQ(actions.rowCount(), count);
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("QZCTR_HOME", home.path().toLocal8Bit());
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
