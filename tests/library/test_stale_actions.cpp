// Library copies that no longer match their library function: which actions are found, what
// their updated texts are, and how often each function is used.
#include "../model/Helpers.h"
#include "Helpers.h"
#include "io/FileName.h"
#include "io/Latin1.h"
#include "library/IrLibrary.h"
#include "library/Rs232Library.h"
#include "library/StaleActions.h"
#include "model/ActionTexts.h"
#include "model/Configuration.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <functional>
#include <optional>

using namespace qz;
using namespace qztest;

namespace {

std::string Code(char digit) {
    return std::string(kIrCodeDigits, digit);
}

IrAction Ir(const std::string& lib, const std::string& function, const std::string& code) {
    IrAction a;
    a.libName = lib;
    a.function = function;
    a.port = 2;
    a.carrier = 0;
    a.repeat.active = 1;
    a.repeat.count = 5;
    a.repeat.delay = 20;
    a.code = code;
    return a;
}

// The action the RS232 page builds from Proj/On as the library first held it.
Rs232Action ProjOn() {
    return ProjOnAction("ON");
}

// A library folder with TV.irr (Power, Mute) and Proj.rss (On, ascii "ON" + CR), and the file
// Bad.irr that is no library.
class StaleFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        tv.libName = "TV";
        tv.entries = {MakeIrEntry("Power", Code('a')), MakeIrEntry("Mute", Code('b'))};
        proj.libName = "Proj";
        proj.functions = {Rs232Function("On", kRs232Ascii, kEndCr, "ON\r"),
                          Rs232Function("Off", kRs232Ascii, kEndCr, "OFF\r")};
        ASSERT_TRUE(WriteBytes(dir.filePath("Bad.irr"), "\x05TV"));
        SaveLibraries();
    }
    void SaveLibraries() {
        ASSERT_TRUE(SaveIrLibraryFile(dir.filePath("TV.irr"), tv));
        ASSERT_TRUE(SaveRs232LibraryFile(dir.filePath("Proj.rss"), proj));
    }
    // The configuration with one press event on key 1 holding `texts`.
    static Configuration WithActions(const std::vector<std::string>& texts) {
        Configuration config;
        const int slot = config.AddEvent(0, kFamilyKey, 0, 0);
        for (const std::string& text : texts) {
            EXPECT_GE(config.AddAction(0, slot, text), 0) << text;
        }
        return config;
    }

    QTemporaryDir dir;
    CIrLibSet tv;
    CRS232LibSet proj;
};

struct Case {
    const char* name;
    std::function<void(CIrLibSet&, CRS232LibSet&)> change; // what happened to the libraries
    std::string text;                                      // the action as the project holds it
    std::optional<StaleStatus> status;                     // nullopt: in step, not reported
    std::string updated;                                   // for Changed
};

std::vector<Case> Cases() {
    const auto none = [](CIrLibSet&, CRS232LibSet&) {};
    std::vector<Case> cases;
    cases.push_back(
        {"IrUnchanged", none, Ir("TV", "Power", Code('a')).ToActionText(), std::nullopt, ""});
    cases.push_back(
        {"IrCodeLearnedAgain",
         [](CIrLibSet& tv, CRS232LibSet&) { tv.entries[0] = MakeIrEntry("Power", Code('c')); },
         Ir("TV", "Power", Code('a')).ToActionText(), StaleStatus::Changed,
         Ir("TV", "Power", Code('c')).ToActionText()});
    cases.push_back({"IrPlaceholderInLibrary",
                     [](CIrLibSet& tv, CRS232LibSet&) {
                         tv.entries[1] =
                             MakeIrEntry("Mute", std::string(kIrPlaceholderLength, 'F'));
                     },
                     Ir("TV", "Mute", Code('b')).ToActionText(), StaleStatus::Changed,
                     Ir("TV", "Mute", std::string(kIrPlaceholderLength, 'F')).ToActionText()});
    cases.push_back({"IrFunctionDeleted",
                     [](CIrLibSet& tv, CRS232LibSet&) { tv.entries.pop_back(); },
                     Ir("TV", "Mute", Code('b')).ToActionText(), StaleStatus::FunctionMissing, ""});
    cases.push_back({"IrFunctionNameIsCaseSensitive", none,
                     Ir("TV", "power", Code('a')).ToActionText(), StaleStatus::FunctionMissing,
                     ""});
    cases.push_back({"IrLibraryMissing", none, Ir("DVD", "Power", Code('a')).ToActionText(),
                     StaleStatus::LibraryMissing, ""});
    // A stored name that would leave the folder is refused, whatever is there.
    for (const auto& [name, lib] : {std::pair{"IrLibraryOutsideFolder", std::string("../TV")},
                                    std::pair{"IrLibraryUpTwoFolders", std::string("../../x/evil")},
                                    std::pair{"IrLibraryAbsolutePath", std::string("/abs/path")},
                                    std::pair{"IrLibraryHoldingNul", std::string("T\0V", 3)}}) {
        cases.push_back({name, none, Ir(lib, "Power", Code('a')).ToActionText(),
                         StaleStatus::LibraryNameRefused, ""});
    }
    cases.push_back({"IrLibraryDamaged", none, Ir("Bad", "Power", Code('a')).ToActionText(),
                     StaleStatus::LibraryUnreadable, ""});
    cases.push_back({"Rs232Unchanged", none, ProjOn().ToActionText(), std::nullopt, ""});
    {
        Rs232Action updated = ProjOn();
        updated.data = "PWR ON";
        cases.push_back({"Rs232DataChanged",
                         [](CIrLibSet&, CRS232LibSet& proj) {
                             proj.functions[0] =
                                 Rs232Function("On", kRs232Ascii, kEndCr, "PWR ON\r");
                         },
                         ProjOn().ToActionText(), StaleStatus::Changed, updated.ToActionText()});
    }
    {
        Rs232Action updated = ProjOn();
        updated.format = 1;
        updated.endChar = 0;
        updated.data = "4f 4e 0d 0a";
        cases.push_back({"Rs232FormatChangedToHex",
                         [](CIrLibSet&, CRS232LibSet& proj) {
                             proj.functions[0] = Rs232Function("On", kRs232Hex, kEndNone, "ON\r\n");
                         },
                         ProjOn().ToActionText(), StaleStatus::Changed, updated.ToActionText()});
    }
    {
        Rs232Action updated = ProjOn();
        updated.endChar = 2;
        cases.push_back({"Rs232EndCharChanged",
                         [](CIrLibSet&, CRS232LibSet& proj) {
                             proj.functions[0] =
                                 Rs232Function("On", kRs232Ascii, kEndCrLf, "ON\r\n");
                         },
                         ProjOn().ToActionText(), StaleStatus::Changed, updated.ToActionText()});
    }
    {
        Rs232Action updated = ProjOn();
        updated.baudRate = "19200";
        updated.dataBit = 0;
        updated.stopBit = 2;
        updated.parity = 1;
        cases.push_back({"Rs232LineSettingsChanged",
                         [](CIrLibSet&, CRS232LibSet& proj) {
                             CRS232LibFun& on = proj.functions[0];
                             on.baudRate = "19200";
                             on.dataBits = "7";
                             on.stopBits = "2";
                             on.parity = "odd"; // the page's lists match ignoring case
                         },
                         ProjOn().ToActionText(), StaleStatus::Changed, updated.ToActionText()});
    }
    cases.push_back({"Rs232SettingOutsideTheListsIsNoChange",
                     [](CIrLibSet&, CRS232LibSet& proj) { proj.functions[0].baudRate = "300"; },
                     ProjOn().ToActionText(), std::nullopt, ""});
    cases.push_back(
        {"Rs232FunctionDeleted",
         [](CIrLibSet&, CRS232LibSet& proj) { proj.functions.erase(proj.functions.begin()); },
         ProjOn().ToActionText(), StaleStatus::FunctionMissing, ""});
    {
        Rs232Action typed = ProjOn();
        typed.libName.clear();
        typed.libFunction.clear();
        typed.data = "anything";
        cases.push_back(
            {"Rs232TypedWithoutLibraryIsNoCopy", none, typed.ToActionText(), std::nullopt, ""});
    }
    {
        Rs232Action other = ProjOn();
        other.libName = "Screen";
        cases.push_back(
            {"Rs232LibraryMissing", none, other.ToActionText(), StaleStatus::LibraryMissing, ""});
    }
    return cases;
}

class StaleCases : public StaleFixture, public ::testing::WithParamInterface<Case> {};

TEST_P(StaleCases, FindsWhatDiffersFromTheLibraryToday) {
    const Case& c = GetParam();
    c.change(tv, proj);
    SaveLibraries();
    // A second action that stays in step, so that the case's action is not alone.
    const std::string inStep = Ir("TV", "Power", Code('a')).ToActionText();
    const bool powerChanged = IrFunctionEntry(tv, 0) != MakeIrEntry("Power", Code('a'));
    const Configuration config = WithActions({inStep, c.text});
    const StaleReport report = FindStaleActions(config, dir.path());

    std::vector<StaleAction> mine;
    for (const auto* list : {&report.changed, &report.unmatched}) {
        for (const StaleAction& a : *list) {
            if (a.row == 1) {
                mine.push_back(a);
            } else {
                EXPECT_TRUE(powerChanged) << "the action in step was reported: " << a.currentText;
            }
        }
    }
    if (!c.status) {
        EXPECT_TRUE(mine.empty()) << StaleStatusName(mine.front().status);
        return;
    }
    ASSERT_EQ(mine.size(), 1u);
    const StaleAction& a = mine.front();
    EXPECT_EQ(a.status, *c.status) << StaleStatusName(a.status);
    EXPECT_EQ(a.key, 0);
    EXPECT_EQ(a.slot, kSlotPress);
    EXPECT_EQ(a.currentText, c.text);
    EXPECT_EQ(a.updatedText, c.updated);
    if (a.status == StaleStatus::Changed) {
        // The update is what the library holds: after it, nothing is stale any more.
        Configuration updated = config;
        ASSERT_EQ(updated.ReplaceAction(0, kSlotPress, 1, a.updatedText), 1);
        const StaleReport again = FindStaleActions(updated, dir.path());
        for (const StaleAction& left : again.changed) {
            EXPECT_NE(left.row, 1) << left.updatedText;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Library, StaleCases, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(StaleFixture, ReportsEveryCopyInKeySlotRowOrderAndCountsUses) {
    Configuration config;
    const std::string stale = Ir("TV", "Power", Code('0')).ToActionText();
    const std::string fresh = Ir("TV", "Mute", Code('b')).ToActionText();
    const int press = config.AddEvent(4, kFamilyKey, 0, 0);
    const int release = config.AddEvent(4, kFamilyKey, 1, 0);
    const int other = config.AddEvent(1, kFamilyKey, 0, 0);
    config.AddAction(4, release, stale);
    config.AddAction(4, press, fresh);
    config.AddAction(4, press, "DELY : 0 : 0 : 1 : 0 : 0000010");
    config.AddAction(4, press, stale);
    config.AddAction(1, other, stale);
    config.AddAction(1, other, ProjOn().ToActionText());

    const StaleReport report = FindStaleActions(config, dir.path());
    ASSERT_EQ(report.changed.size(), 3u);
    EXPECT_EQ(std::make_tuple(report.changed[0].key, report.changed[0].slot, report.changed[0].row),
              std::make_tuple(1, other, 0));
    EXPECT_EQ(std::make_tuple(report.changed[1].key, report.changed[1].slot, report.changed[1].row),
              std::make_tuple(4, press, 2));
    EXPECT_EQ(std::make_tuple(report.changed[2].key, report.changed[2].slot, report.changed[2].row),
              std::make_tuple(4, release, 0));
    EXPECT_TRUE(report.unmatched.empty());

    for (const LibraryUsage& usage : {report.usage, CountLibraryUses(config)}) {
        EXPECT_EQ(usage.Uses(LibraryKind::Ir, "TV", "Power"), 3);
        EXPECT_EQ(usage.Uses(LibraryKind::Ir, "TV", "Mute"), 1);
        EXPECT_EQ(usage.Uses(LibraryKind::Rs232, "Proj", "On"), 1);
        // Same names in the other kind, or another letter case, are other functions.
        EXPECT_EQ(usage.Uses(LibraryKind::Rs232, "TV", "Power"), 0);
        EXPECT_EQ(usage.Uses(LibraryKind::Ir, "TV", "power"), 0);
        EXPECT_EQ(usage.Uses(LibraryKind::Rs232, "Proj", "Off"), 0);
    }
}

TEST_F(StaleFixture, EmptyFolderFindsNoLibraries) {
    QTemporaryDir empty;
    const Configuration config =
        WithActions({Ir("TV", "Power", Code('a')).ToActionText(), ProjOn().ToActionText()});
    const StaleReport report = FindStaleActions(config, empty.path());
    EXPECT_TRUE(report.changed.empty());
    ASSERT_EQ(report.unmatched.size(), 2u);
    EXPECT_EQ(report.unmatched[0].status, StaleStatus::LibraryMissing);
    EXPECT_EQ(report.unmatched[1].status, StaleStatus::LibraryMissing);
}

// An 8-bit library name finds its file under either spelling: its own bytes (as the editors and
// qzctl learn write it) or UTF-8 (a file renamed on a desktop).
TEST_F(StaleFixture, An8BitLibraryNameFindsItsFileUnderEitherSpelling) {
    const std::string name = "Caf\xe9";
    const QString spellings[] = {LibraryFileFor(dir.path(), name, LibraryKind::Ir),
                                 dir.filePath(QString::fromUtf8("Caf\xc3\xa9.irr"))};
    for (const QString& path : spellings) {
        SCOPED_TRACE(path.toStdString());
        QTemporaryDir folder;
        CIrLibSet cafe;
        cafe.libName = name;
        cafe.entries = {MakeIrEntry("Power", Code('c'))};
        const QString file = folder.filePath(QFileInfo(path).fileName());
        ASSERT_TRUE(SaveIrLibraryFile(file, cafe));
        const Configuration config = WithActions({Ir(name, "Power", Code('a')).ToActionText()});
        const StaleReport report = FindStaleActions(config, folder.path());
        EXPECT_TRUE(report.unmatched.empty()) << StaleStatusName(report.unmatched.front().status);
        ASSERT_EQ(report.changed.size(), 1u);
        EXPECT_EQ(report.changed[0].updatedText, Ir(name, "Power", Code('c')).ToActionText());
        // Qt's clean-up of the folder cannot name the 8-bit spelling.
        ::unlink(io::EncodeFileName(file).constData());
    }
}

TEST_F(StaleFixture, ARefusedLibraryNameSaysWhy) {
    // A library file the name would reach if it were made into a path.
    ASSERT_TRUE(QDir(dir.path()).mkpath("sub"));
    ASSERT_TRUE(SaveIrLibraryFile(dir.filePath("sub/TV.irr"), tv));
    const Configuration config = WithActions({Ir("sub/TV", "Power", Code('0')).ToActionText()});
    const StaleReport report = FindStaleActions(config, dir.path());
    EXPECT_TRUE(report.changed.empty());
    ASSERT_EQ(report.unmatched.size(), 1u);
    EXPECT_EQ(report.unmatched[0].status, StaleStatus::LibraryNameRefused);
    EXPECT_EQ(report.unmatched[0].message, qz::latin1::LibraryNameFaultText("sub/TV"));
    EXPECT_FALSE(report.unmatched[0].message.isEmpty());
}

TEST(LibraryFileFor, KeepsTheNameBytes) {
    EXPECT_EQ(LibraryFileFor("/x", "TV", LibraryKind::Ir), "/x/TV.irr");
    EXPECT_EQ(LibraryFileFor("/x", "Proj", LibraryKind::Rs232), "/x/Proj.rss");
    // A name that would leave the folder gives no path at all, so nothing is opened or written.
    for (const std::string& name : {std::string("../../x/evil"), std::string("/abs/path"),
                                    std::string("ev\0il", 5), std::string("..")}) {
        EXPECT_TRUE(LibraryFileFor("/x", name, LibraryKind::Ir).isEmpty()) << name;
    }
    // A Latin-1 byte stays that byte in the file name.
    QTemporaryDir dir;
    CIrLibSet lib;
    lib.libName = "caf\xe9";
    const QString path = LibraryFileFor(dir.path(), lib.libName, LibraryKind::Ir);
    ASSERT_TRUE(SaveIrLibraryFile(path, lib));
    // The file is there under the raw byte, as a C program would name it.
    std::ifstream raw(dir.path().toStdString() + "/caf\xe9.irr");
    EXPECT_TRUE(raw.is_open());
    EXPECT_EQ(::unlink((dir.path().toStdString() + "/caf\xe9.irr").c_str()), 0);
}

} // namespace
