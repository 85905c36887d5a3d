// The configuration in memory: events per family, actions, and the list operations.
#include <gtest/gtest.h>

#include <functional>

#include "model/Configuration.h"

using namespace qz;

namespace {

const std::string kRelayOn = "RELY : 0 : 0 : 0";
const std::string kRelayOff = "RELY : 0 : 1 : 1";
const std::string kLed = "LEDP : 3 : 2 : 2";

int Events(const Key& key) {
    int n = 0;
    for (int s = 0; s < kSlotCount; ++s) {
        n += key.HasEvent(s);
    }
    return n;
}

} // namespace

TEST(Configuration, LayoutPerModel) {
    const struct {
        int model;
        int normal;
    } cases[] = {{0, 8}, {1, 8}, {2, 19}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.model);
        Configuration config;
        config.LayoutKeys(c.model);
        for (int k = 0; k < kKeyCount; ++k) {
            const int kind = k < c.normal ? kKindNormal : k < 32 ? kKindVirtual : kKindSystem;
            EXPECT_EQ(config.keys[k].keyKind, kind) << k;
            EXPECT_EQ(config.keys[k].keyStyle, kind) << k;
            EXPECT_EQ(config.keys[k].keyLabel, std::to_string(k + 1));
        }
        EXPECT_EQ(config.keys[0].keyName, "1");
        EXPECT_EQ(config.keys[32].keyName, "IOL");
        EXPECT_EQ(config.keys[33].keyName, "IOH");
        EXPECT_EQ(config.keys[34].keyName, "Time");
        EXPECT_EQ(config.keys[35].keyName, "Start");
    }
    Configuration config;
    config.keys[3].keyName = "Hall";
    config.LayoutKeys(7); // unknown models change nothing
    EXPECT_EQ(config.keys[3].keyName, "Hall");
    EXPECT_FALSE(config.ApplyModelAndPort(7, 2));
    EXPECT_TRUE(config.ApplyModelAndPort(2, 3));
    EXPECT_EQ(config.portMode, 0);
    EXPECT_TRUE(config.ApplyModelAndPort(1, 3));
    EXPECT_EQ(config.portMode, 3);
}

TEST(Configuration, SlotsOfEachFamily) {
    const struct {
        int family, index, sub, slot;
        const char* name;
    } cases[] = {
        {kFamilyKey, 0, 0, 0, "Press"},
        {kFamilyKey, 1, 0, 1, "Release"},
        {kFamilyKey, 2, 0, 2, "Long"},
        {kFamilyKey, 7, 0, 2, "Long"},
        {kFamilyPage, 0, 0, 3, "Page"},
        {kFamilyPage, 3, 3, 18, "Page"},
        {kFamilyPage, 1, 2, 9, "Page"},
        {kFamilyToggle, 2, 3, 22, "Toggle"},
        {kFamilyIoLow, 2, 0, 25, "IOL"},
        {kFamilyIoHigh, 0, 0, 27, "IOH"},
        {kFamilyTime, 1, 15, 32, "Time"},
        {kFamilyStart, 0, 0, 35, "Start"},
        {kFamilyVirtual, 0, 0, 36, "Virtual"},
        {kFamilyPage, 4, 0, -1, ""},
        {kFamilyToggle, 1, 4, -1, ""},
        {kFamilyNone, 0, 0, -1, ""},
        {9, 0, 0, -1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.family << "/" << c.index << "/" << c.sub);
        EXPECT_EQ(SlotFor(c.family, c.index, c.sub), c.slot);
        if (c.slot >= 0) {
            EXPECT_STREQ(EventNameOfSlot(c.slot), c.name);
            EXPECT_EQ(FamilyOfSlot(c.slot), c.family);
        }
    }
    Configuration config;
    EXPECT_EQ(config.AddEvent(0, kFamilyPage, 4, 0), -1);
    EXPECT_EQ(config.AddEvent(36, kFamilyKey, 0, 0), -1);
    EXPECT_EQ(Events(config.keys[0]), 0);
}

TEST(Configuration, AnotherFamilyEmptiesTheKeyFirst) {
    Configuration config;
    for (int b = 0; b < 4; ++b) {
        const int slot = config.AddEvent(2, kFamilyPage, 0, b);
        config.AddAction(2, slot, kRelayOn);
    }
    EXPECT_EQ(Events(config.keys[2]), 4);
    EXPECT_EQ(config.AddEvent(2, kFamilyKey, 0, 0), kSlotPress);
    EXPECT_EQ(Events(config.keys[2]), 1);
    EXPECT_EQ(config.keys[2].slots[kSlotPress], ActionList{""});
    EXPECT_EQ(config.keys[2].lastFamily, kFamilyKey);
}

TEST(Configuration, SameEventTwiceKeepsItsActions) {
    Configuration config;
    config.AddEvent(0, kFamilyKey, 0, 0);
    config.AddAction(0, kSlotPress, kRelayOn);
    config.AddAction(0, kSlotPress, kRelayOff);
    config.AddEvent(0, kFamilyKey, 0, 0);
    EXPECT_EQ(config.keys[0].slots[kSlotPress], (ActionList{kRelayOn, kRelayOff}));
    config.AddEvent(0, kFamilyKey, 1, 0); // release joins the same family
    EXPECT_EQ(Events(config.keys[0]), 2);
}

TEST(Configuration, FirstActionReplacesThePlaceholder) {
    Configuration config;
    config.AddEvent(8, kFamilyVirtual, 0, 0);
    EXPECT_EQ(config.AddAction(8, kSlotVirtual, kRelayOn), 0);
    EXPECT_EQ(config.AddAction(8, kSlotVirtual, kLed), 1);
    EXPECT_EQ(config.keys[8].slots[kSlotVirtual], (ActionList{kRelayOn, kLed}));
    // A slot without an event still takes an action (the pages never do that, files may).
    EXPECT_EQ(config.AddAction(8, 5, kLed), 0);
    EXPECT_EQ(config.AddAction(8, 37, kLed), kRefused);
    EXPECT_EQ(config.AddAction(-1, 0, kLed), kRefused);
}

TEST(Configuration, ToggleWithLowerClassEmptiesHigherToggleSlots) {
    Configuration config;
    for (int b = 0; b < 4; ++b) {
        config.AddAction(0, config.AddEvent(0, kFamilyToggle, 3, b), kLed);
    }
    config.DeleteEvent(0, kSlotToggleFirst + 1);
    // Class 1 into the now empty slot 20: slots 19+1 .. 22 are emptied first.
    EXPECT_EQ(config.AddEvent(0, kFamilyToggle, 1, 1), 20);
    EXPECT_EQ(config.keys[0].slots[19], ActionList{kLed});
    EXPECT_EQ(config.keys[0].slots[20], ActionList{""});
    EXPECT_TRUE(config.keys[0].slots[21].empty());
    EXPECT_TRUE(config.keys[0].slots[22].empty());
    EXPECT_EQ(config.keys[0].lastEventIndex, 1);
    EXPECT_EQ(config.EventDataText(0, 20), "Class: 2,Num: 2");
}

TEST(Configuration, RecordedArgumentsAndDataTexts) {
    Configuration config;
    EXPECT_EQ(config.AddEvent(34, kFamilyTime, 1, 15), 32);
    EXPECT_EQ(config.keys[34].timerMinutes[1], 15);
    EXPECT_EQ(config.EventDataText(34, 32), "Time 2, 015min");
    config.AddEvent(34, kFamilyTime, 3, 99); // the fourth timer sets no minutes
    EXPECT_EQ(config.keys[34].timerMinutes, (std::array<int32_t, 3>{0, 15, 0}));
    EXPECT_EQ(config.EventDataText(34, 34), "Time 1, 000min");
    config.AddEvent(1, kFamilyPage, 2, 3);
    EXPECT_EQ(config.keys[1].lastEventIndex, 2);
    EXPECT_EQ(config.keys[1].lastEventSub, 3);
    EXPECT_EQ(config.EventDataText(1, 3 + 4 * 2 + 3), "Class: 3,Num: 4");
    config.AddEvent(32, kFamilyIoLow, 2, 0);
    EXPECT_EQ(config.EventDataText(32, 25), "Port 3");
    config.AddEvent(33, kFamilyIoHigh, 0, 0);
    EXPECT_EQ(config.EventDataText(33, 27), "Port 1");
    config.AddEvent(35, kFamilyStart, 0, 0);
    EXPECT_EQ(config.EventDataText(35, 35), "");
    EXPECT_EQ(config.keys[35].lastFamily, kFamilyStart);
}

TEST(Configuration, ListOperations) {
    Configuration config;
    const int slot = config.AddEvent(0, kFamilyKey, 0, 0);
    const ActionList three{kRelayOn, kRelayOff, kLed};
    for (const auto& a : three) {
        config.AddAction(0, slot, a);
    }
    ActionList& list = config.keys[0].slots[slot];

    EXPECT_EQ(config.MoveActionUp(0, slot, 0), -1);   // first row: nothing moves
    EXPECT_EQ(config.MoveActionDown(0, slot, 2), -1); // last row: nothing moves
    EXPECT_EQ(list, three);
    EXPECT_EQ(config.MoveActionUp(0, slot, 2), 1);
    EXPECT_EQ(list, (ActionList{kRelayOn, kLed, kRelayOff}));
    EXPECT_EQ(config.MoveActionDown(0, slot, 0), 1);
    EXPECT_EQ(list, (ActionList{kLed, kRelayOn, kRelayOff}));

    EXPECT_EQ(config.ReplaceAction(0, slot, 1, "DELY : 0 : 0 : 1 : 0 : 0000010"), 1);
    EXPECT_EQ(list[1], "DELY : 0 : 0 : 1 : 0 : 0000010");
    EXPECT_EQ(config.ReplaceAction(0, slot, 3, kLed), kRefused);
    EXPECT_EQ(config.ReplaceAction(0, slot, -1, kLed), kRefused);

    EXPECT_TRUE(config.DeleteAction(0, slot, 0));
    EXPECT_FALSE(config.DeleteAction(0, slot, 5));
    EXPECT_EQ(list.size(), 2u);
    EXPECT_TRUE(config.DeleteAction(0, slot, 0));
    EXPECT_TRUE(config.DeleteAction(0, slot, 0));
    EXPECT_FALSE(config.keys[0].HasEvent(slot)); // deleting the last action ends the event

    config.AddEvent(1, kFamilyKey, 0, 0); // placeholder only
    config.AddEvent(2, kFamilyKey, 1, 0);
    config.AddAction(2, kSlotRelease, kLed);
    EXPECT_EQ(config.EventRowCount(), 2);
    EXPECT_EQ(config.PurgeEmptyEvents(), 1);
    EXPECT_EQ(config.EventRows(), (std::vector<std::pair<int, int>>{{2, kSlotRelease}}));
    EXPECT_TRUE(config.ClearActions(2, kSlotRelease));
    EXPECT_FALSE(config.ClearActions(2, kSlotRelease));

    config.keys[4].keyName = "Hall";
    config.keys[4].keyGroup = 3;
    config.AddAction(4, config.AddEvent(4, kFamilyKey, 0, 0), kLed);
    config.ClearAllEvents();
    EXPECT_EQ(config.EventRowCount(), 0);
    EXPECT_EQ(config.keys[4].keyName, "Hall");
    EXPECT_EQ(config.keys[4].keyGroup, 3);
    EXPECT_EQ(config.keys[4].lastFamily, kFamilyKey);
}

TEST(Configuration, ActionsThatWouldOverflowTheFrameAreRefused) {
    const std::string ir = "INFR : TV : P : 0 : 1 : 0 : 1 : 1 : c6 : " + std::string(198, '1');
    Configuration config;
    const int slot = config.AddEvent(0, kFamilyKey, 0, 0);
    // 19 + 16 * (2 + 117) = 1923; a 17th IR record would reach 2042.
    for (int i = 0; i < 16; ++i) {
        ASSERT_EQ(config.AddAction(0, slot, ir), i);
    }
    EXPECT_FALSE(config.ActionFits(0, slot, ir));
    EXPECT_EQ(config.AddAction(0, slot, ir), kNoRoom);
    EXPECT_EQ(config.keys[0].slots[slot].size(), 16u);
    // 1923 + 5 * 21 = 2028 still fits; a sixth short record would reach 2049.
    for (int i = 0; i < 5; ++i) {
        ASSERT_GE(config.AddAction(0, slot, kLed), 0);
    }
    EXPECT_EQ(config.AddAction(0, slot, kLed), kNoRoom);
    // Replacing a short record by a long one is refused too; by another short one, fine.
    EXPECT_EQ(config.ReplaceAction(0, slot, 16, ir), kNoRoom);
    EXPECT_EQ(config.ReplaceAction(0, slot, 16, kRelayOn), 16);
    EXPECT_TRUE(MeasureEvent(config.keys[0].slots[slot]).fits);
    EXPECT_EQ(MeasureEvent(config.keys[0].slots[slot]).frameLength, 2028);
}

// The edits on a list value, as the configuration and the editor document both make them: the
// placeholder of a new event is no row.
TEST(EventEdits, ThePlaceholderIsNoRow) {
    ActionList list{""};
    EXPECT_TRUE(IsPlaceholderOnly(list));
    EXPECT_EQ(ListedActionCount(list), 0);
    EXPECT_FALSE(EraseAction(list, 0));
    EXPECT_EQ(ReplaceActionAt(list, 0, kLed), kRefused);
    EXPECT_FALSE(ClearListedActions(list));
    EXPECT_EQ(list, ActionList{""});

    Configuration config;
    const int slot = config.AddEvent(0, kFamilyKey, 0, 0);
    EXPECT_FALSE(config.DeleteAction(0, slot, 0));
    EXPECT_FALSE(config.ClearActions(0, slot));
    EXPECT_EQ(config.EmptyEvents(), (std::vector<std::pair<int, int>>{{0, slot}}));
    EXPECT_TRUE(config.DeleteEvent(0, slot)); // the event itself can go
    EXPECT_FALSE(config.DeleteEvent(0, slot));

    EXPECT_EQ(AppendAction(list, kLed), 0);
    EXPECT_EQ(ListedActionCount(list), 1);
}

TEST(EventEdits, InsertMoveAndErase) {
    struct Case {
        const char* name;
        ActionList before;
        std::function<int(ActionList&)> edit;
        int result;
        ActionList after;
    };
    const ActionList two{kRelayOn, kRelayOff};
    const Case cases[] = {
        {"insert into a new event",
         {""},
         [](ActionList& l) { return InsertActions(l, -1, {kLed}); },
         0,
         {kLed}},
        {"insert after a row",
         two,
         [](ActionList& l) {
             return InsertActions(l, 0, {kLed, kLed});
         },
         1,
         {kRelayOn, kLed, kLed, kRelayOff}},
        {"insert beyond the end appends",
         two,
         [](ActionList& l) { return InsertActions(l, 7, {kLed}); },
         2,
         {kRelayOn, kRelayOff, kLed}},
        {"insert more than a frame counts", two,
         [](ActionList& l) { return InsertActions(l, -1, ActionList(98, kLed)); }, kNoRoom, two},
        {"up", two, [](ActionList& l) { return MoveAction(l, 1, -1); }, 0, {kRelayOff, kRelayOn}},
        {"down", two, [](ActionList& l) { return MoveAction(l, 0, +1); }, 1, {kRelayOff, kRelayOn}},
        {"first row up", two, [](ActionList& l) { return MoveAction(l, 0, -1); }, -1, two},
        {"last row down", two, [](ActionList& l) { return MoveAction(l, 1, +1); }, -1, two},
        {"no such row", two, [](ActionList& l) { return MoveAction(l, 5, -1); }, -1, two},
        {"erase", two, [](ActionList& l) { return int(EraseAction(l, 1)); }, 1, {kRelayOn}},
        {"clear", two, [](ActionList& l) { return int(ClearListedActions(l)); }, 1, {}},
        {"append replaces a trailing blank",
         {kLed, ""},
         [](ActionList& l) { return AppendAction(l, kRelayOn); },
         1,
         {kLed, kRelayOn}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ActionList list = c.before;
        EXPECT_EQ(c.edit(list), c.result);
        EXPECT_EQ(list, c.after);
    }
}

// The arguments that re-create an event are SlotFor's the other way round.
TEST(EventEdits, ArgumentsOfEverySlotGiveTheSlotBack) {
    Key key;
    key.lastEventIndex = 3; // the toggle class
    key.timerMinutes = {5, 15, 45};
    for (int slot = 0; slot < kSlotCount; ++slot) {
        SCOPED_TRACE(slot);
        const EventArguments a = ArgumentsOfSlot(key, slot);
        EXPECT_EQ(a.family, FamilyOfSlot(slot));
        EXPECT_EQ(SlotFor(a.family, a.index, a.sub), slot);
    }
    EXPECT_EQ(ArgumentsOfSlot(key, 32).sub, 15); // a timer takes the key's minutes
    EXPECT_EQ(ArgumentsOfSlot(key, 34).sub, 0);  // the fourth timer has none
    EXPECT_EQ(ArgumentsOfSlot(key, 20).index, 3);
}

// The model command keeps or discards the events and names; either way the keys get the model's
// kinds and the port mode follows the model.
TEST(EventEdits, ChangingTheModelKeepsOrDiscards) {
    Configuration config;
    config.keys[2].keyName = "Hall";
    config.AddAction(2, config.AddEvent(2, kFamilyKey, 0, 0), kLed);
    config.AddAction(12, config.AddEvent(12, kFamilyVirtual, 0, 0), kLed);

    Configuration kept = config;
    ASSERT_TRUE(kept.ChangeModel(2, 3, true));
    EXPECT_EQ(kept.deviceModel, 2);
    EXPECT_EQ(kept.portMode, 0);
    EXPECT_EQ(kept.keys[2].keyName, "Hall");
    EXPECT_EQ(kept.keys[2].slots[kSlotPress], ActionList{kLed});
    EXPECT_EQ(kept.keys[12].slots[kSlotVirtual], ActionList{kLed}); // now on a normal key
    EXPECT_EQ(kept.keys[12].keyKind, kKindNormal);
    EXPECT_EQ(kept.keys[12].keyStyle, kKindNormal);

    Configuration discarded = config;
    ASSERT_TRUE(discarded.ChangeModel(1, 2, false));
    EXPECT_EQ(discarded.portMode, 2);
    EXPECT_EQ(discarded.keys[2].keyName, "3");
    EXPECT_EQ(discarded.EventRowCount(), 0);

    Configuration same = config;
    EXPECT_FALSE(same.ChangeModel(3, 0, true));
    EXPECT_FALSE(same.ChangeModel(1, 4, false));
    EXPECT_TRUE(same == config);
}
