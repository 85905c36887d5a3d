// The JSON text form of a project: layout, lossless round trips and refused inputs.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "StoreTestHelpers.h"
#include "model/Configuration.h"
#include "model/Largest.h"
#include "store/ProjectFile.h"
#include "store/ProjectJson.h"

namespace {

using namespace qztest;

using qz::Configuration;

// A small project with events of several kinds, the one committed as example.qzp/example.json.
Configuration Example() {
    Configuration c = StartupModel1();
    c.idNumber = 7;
    c.portMode = 2;
    c.keys[0].keyName = "Up";
    c.keys[0].ledBrightness = 3;
    c.keys[0].keyGroup = 2;
    c.AddEvent(0, qz::kFamilyKey, 0, 0);
    c.AddAction(0, 0, "DELY : 00 : 00 : 01 : 0 : 00010");
    c.AddAction(0, 0, "RELY : 0 : 1 : 1");
    c.AddEvent(0, qz::kFamilyKey, 1, 0);
    c.AddEvent(9, qz::kFamilyVirtual, 0, 0);
    c.AddAction(9, qz::kSlotVirtual, "LEDP : 1 : 1 : 1");
    c.AddEvent(34, qz::kFamilyTime, 1, 15);
    c.AddAction(34, 32, "ENPG : Menu : 0 : 1 : 2");
    c.currentKey = 34;
    c.currentSlot = 32;
    return c;
}

TEST(ProjectJson, LayoutOfTheExample) {
    const QByteArray json = qz::ProjectToJson(Example());
    EXPECT_TRUE(json.startsWith("{\n  \"format\": \"qzctr-project\",\n  \"version\": 1,\n"
                                "  \"idNumber\": 7,\n  \"portMode\": 2,\n  \"currentKey\": 34,\n"
                                "  \"currentSlot\": 32,\n  \"deviceModel\": 1,\n  \"keys\": [\n"))
        << json.left(300).toStdString();
    EXPECT_TRUE(json.contains("      \"slots\": [\n"
                              "        {\"slot\": 0, \"event\": \"Press\", \"actions\": [\n"
                              "          \"DELY : 00 : 00 : 01 : 0 : 00010\",\n"
                              "          \"RELY : 0 : 1 : 1\"\n"
                              "        ]},\n"
                              "        {\"slot\": 1, \"event\": \"Release\", \"actions\": [\n"
                              "          \"\"\n"
                              "        ]}\n"
                              "      ]\n"));
    EXPECT_TRUE(json.contains("\"keyName\": \"Time\",\n      \"keyLabel\": \"35\",\n      "
                              "\"keyKind\": 4,\n      \"keyStyle\": 4,\n      "
                              "\"timerMinutes\": [0, 15, 0],\n"));
    EXPECT_TRUE(json.endsWith("      \"slots\": []\n    }\n  ]\n}\n"));
    // The committed pair is the same project in both forms.
    EXPECT_EQ(ReadFile(QZ_TEST_DATA "/example.json"), json);
    EXPECT_EQ(ReadFile(QZ_TEST_DATA "/example.qzp"), qz::ProjectToBytes(Example()));
}

TEST(ProjectJson, ProjectFileToJsonAndBackGivesTheSameBytes) {
    for (const Configuration& c : {StartupModel1(), Example(), qz::MakeLargestConfiguration()}) {
        const QByteArray bytes = qz::ProjectToBytes(c);
        Configuration fromFile;
        ASSERT_TRUE(qz::ProjectFromBytes(bytes, fromFile));
        Configuration fromJson;
        QString error;
        ASSERT_TRUE(qz::ProjectFromJson(qz::ProjectToJson(fromFile), fromJson, &error))
            << error.toStdString();
        EXPECT_TRUE(SameStoredFields(fromJson, c));
        EXPECT_EQ(qz::ProjectToBytes(fromJson), bytes);
    }
}

TEST(ProjectJson, EveryByteValueSurvives) {
    Configuration c = StartupModel1();
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    const std::vector<std::string> texts = {
        all,                                         // every byte, one character each
        std::string("a\0b", 3),                      // NUL
        "quote \" backslash \\ tab \t cr \r lf \n",  // escapes
        "\x7f\x01\x1f",                              // control characters
        "caf\xC3\xA9 \xE4\xB8\xAD \xF0\x9F\x98\x80", // UTF-8 up to four bytes
        "\xC3",                                      // cut UTF-8
        "\xC0\x80",                                  // overlong NUL
        "\xED\xA0\x80",                              // encoded surrogate
        "\xF4\x90\x80\x80",                          // above U+10FFFF
        "\xEF\xBF\xBF",                              // U+FFFF, valid
        std::string(70000, 'x'),
    };
    c.keys[5].slots[2] = texts;
    c.keys[6].keyName = "\xE9";
    c.keys[6].keyLabel = "\"";
    const QByteArray json = qz::ProjectToJson(c);
    // Each byte is written as its character: "\xE9" is "é" in the JSON text's UTF-8, and the two
    // bytes of a UTF-8 "é" are the two characters "Ã©".
    EXPECT_TRUE(json.contains("\"keyName\": \"\xC3\xA9\""));
    EXPECT_TRUE(json.contains("\"a\\u0000b\""));
    EXPECT_TRUE(json.contains("\"\\u007f\\u0001\\u001f\""));
    EXPECT_TRUE(json.contains("\"caf\xC3\x83\xC2\xA9 "));
    EXPECT_TRUE(json.contains("\"\xC3\x80\xC2\x80\""));
    EXPECT_FALSE(json.contains("\"bytes\""));
    Configuration back;
    QString error;
    ASSERT_TRUE(qz::ProjectFromJson(json, back, &error)) << error.toStdString();
    EXPECT_EQ(back.keys[5].slots[2], texts);
    EXPECT_TRUE(SameStoredFields(back, c));
}

TEST(ProjectJson, FilesByExtension) {
    QTemporaryDir dir;
    const Configuration c = Example();
    QString error;
    ASSERT_TRUE(qz::SaveProjectAny(dir.filePath("a.JSON"), c, &error)) << error.toStdString();
    ASSERT_TRUE(qz::SaveProjectAny(dir.filePath("a.qzp"), c, &error)) << error.toStdString();
    EXPECT_EQ(ReadFile(dir.filePath("a.JSON")), qz::ProjectToJson(c));
    EXPECT_EQ(ReadFile(dir.filePath("a.qzp")), qz::ProjectToBytes(c));
    Configuration a;
    Configuration b;
    ASSERT_EQ(qz::LoadProjectAny(dir.filePath("a.JSON"), a, &error), qz::LoadStatus::Loaded)
        << error.toStdString();
    ASSERT_EQ(qz::LoadProjectAny(dir.filePath("a.qzp"), b, &error), qz::LoadStatus::Loaded)
        << error.toStdString();
    EXPECT_TRUE(a == b);
    // A JSON file is not a project file, and the other way round.
    EXPECT_FALSE(qz::LoadProject(dir.filePath("a.JSON"), a, &error));
    EXPECT_FALSE(qz::LoadProjectJson(dir.filePath("a.qzp"), a, &error));
    EXPECT_TRUE(error.startsWith(dir.filePath("a.qzp") + ": not a valid project text: byte "))
        << error.toStdString();
    EXPECT_EQ(qz::LoadProjectAny(dir.filePath("b.json"), a, &error), qz::LoadStatus::Unreadable);
    EXPECT_EQ(error, dir.filePath("b.json") + ": cannot open: No such file or directory");
    QFile::copy(dir.filePath("a.qzp"), dir.filePath("c.json"));
    EXPECT_EQ(qz::LoadProjectAny(dir.filePath("c.json"), a, &error), qz::LoadStatus::Damaged);
}

// One edit of the example's JSON text and the error it gives.
struct BadJson {
    const char* name;
    const char* from;
    const char* to;
    const char* error;
};

class RefusedJson : public ::testing::TestWithParam<BadJson> {};

TEST_P(RefusedJson, LeavesTheConfigurationAlone) {
    const BadJson& c = GetParam();
    QByteArray json = qz::ProjectToJson(Example());
    ASSERT_TRUE(json.contains(c.from)) << c.from;
    json.replace(json.indexOf(c.from), qstrlen(c.from), c.to);
    Configuration config = qz::MakeLargestConfiguration();
    const Configuration before = config;
    QString error;
    EXPECT_FALSE(qz::ProjectFromJson(json, config, &error));
    EXPECT_EQ(error.toStdString(), c.error);
    EXPECT_TRUE(config == before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedJson,
    ::testing::Values(
        BadJson{"syntax", "\"version\": 1,", "\"version\": 1", "byte 49: unterminated object"},
        BadJson{"format", "qzctr-project", "qzctr-library", "format: not \"qzctr-project\""},
        BadJson{"version", "\"version\": 1,", "\"version\": 2,",
                "version: 2 is not a version this program reads (1)"},
        BadJson{"version_type", "\"version\": 1,", "\"version\": \"1\",",
                "version: not a 32-bit integer"},
        BadJson{"unknown_field", "\"idNumber\": 7,", "\"idNumber\": 7, \"colour\": 1,",
                "unknown field \"colour\""},
        BadJson{"missing_field", "  \"portMode\": 2,\n", "", "missing \"portMode\""},
        BadJson{"fraction", "\"idNumber\": 7,", "\"idNumber\": 7.5,",
                "idNumber: not a 32-bit integer"},
        BadJson{"too_big", "\"idNumber\": 7,", "\"idNumber\": 3e10,",
                "idNumber: not a 32-bit integer"},
        BadJson{"id_range", "\"idNumber\": 7,", "\"idNumber\": 100,",
                "ID number 100 out of range (0..99)"},
        BadJson{"model_range", "\"deviceModel\": 1,", "\"deviceModel\": 3,",
                "device model 3 out of range (0..2)"},
        BadJson{"port_range", "\"portMode\": 2,", "\"portMode\": -1,",
                "port mode -1 out of range (0..3)"},
        BadJson{"key_range", "\"currentKey\": 34,", "\"currentKey\": 36,",
                "current key 36 out of range (0..35)"},
        BadJson{"slot_range", "\"currentSlot\": 32,", "\"currentSlot\": 37,",
                "current slot 37 out of range (0..36)"},
        BadJson{"keys_count", "    {\n      \"key\": 35,",
                "    {\n      \"key\": 35, \"x\": [] },{\n      \"key\": 36,",
                "keys: 37 keys where a project has 36"},
        BadJson{"key_number", "\"key\": 3,", "\"key\": 4,", "keys[3].key: 4 where key 3 belongs"},
        BadJson{"key_name_type", "\"keyName\": \"Up\"", "\"keyName\": 5",
                "keys[0].keyName: not a string"},
        BadJson{"bytes_odd", "\"keyName\": \"Up\"", "\"keyName\": {\"bytes\": \"abc\"}",
                "keys[0].keyName.bytes: not an even number of hex digits"},
        BadJson{"bytes_extra", "\"keyName\": \"Up\"", "\"keyName\": {\"bytes\": \"ab\", \"x\": 1}",
                "keys[0].keyName: unknown field \"x\""},
        // A character that has no byte is refused with the place named, not made into bytes.
        BadJson{"key_name_outside_latin1", "\"keyName\": \"Up\"", "\"keyName\": \"\xCE\xA9\"",
                "keys[0].keyName: \"\xCE\xA9\" (U+03A9) cannot be kept. The keypad and its files "
                "hold only Latin-1 characters (up to U+00FF)."},
        BadJson{"key_label_escaped_outside", "\"keyLabel\": \"1\"", "\"keyLabel\": \"\\u20ac\"",
                "keys[0].keyLabel: \"\xE2\x82\xAC\" (U+20AC) cannot be kept. The keypad and its "
                "files hold only Latin-1 characters (up to U+00FF)."},
        BadJson{"action_outside_latin1", "\"RELY : 0 : 1 : 1\"",
                "\"RELY : 0 : 1 : 1 \xF0\x9F\x98\x80\"",
                "keys[0].slots[0].actions[1]: \"\xF0\x9F\x98\x80\" (U+1F600) cannot be kept. The "
                "keypad and its files hold only Latin-1 characters (up to U+00FF)."},
        BadJson{"timers", "\"timerMinutes\": [0, 15, 0]", "\"timerMinutes\": [0, 15]",
                "keys[34].timerMinutes: not three numbers"},
        BadJson{"timer_type", "\"timerMinutes\": [0, 15, 0]", "\"timerMinutes\": [0, null, 0]",
                "keys[34].timerMinutes[1]: not a 32-bit integer"},
        BadJson{"slot_order", "{\"slot\": 1, \"event\": \"Release\"",
                "{\"slot\": 0, \"event\": \"Press\"",
                "keys[0].slots[1].slot: 0 not in ascending order"},
        BadJson{"slot_out_of_range", "{\"slot\": 36, \"event\": \"Virtual\"", "{\"slot\": 37",
                "keys[9].slots[0].slot: 37 out of range (0..36)"},
        BadJson{"event_name", "{\"slot\": 1, \"event\": \"Release\"",
                "{\"slot\": 1, \"event\": \"Long\"",
                "keys[0].slots[1].event: not the event of slot 1 (\"Release\")"},
        BadJson{"action_type", "\"RELY : 0 : 1 : 1\"", "[\"RELY\"]",
                "keys[0].slots[0].actions[1]: not a string"},
        BadJson{"actions_type", "\"actions\": [\n          \"\"\n        ]}", "\"actions\": \"\"}",
                "keys[0].slots[1].actions: not an array"},
        BadJson{"slots_type", "\"slots\": []\n    }\n  ]", "\"slots\": {}\n    }\n  ]",
                "keys[35].slots: not an array"}),
    [](const ::testing::TestParamInfo<BadJson>& info) { return std::string(info.param.name); });

// A JSON text is characters; each becomes the one byte of its Latin-1 form, however it is
// written. The older {"bytes": ...} form still gives its bytes.
TEST(ProjectJson, TextsAreReadAsLatin1Characters) {
    struct Case {
        const char* written;
        std::string bytes;
    } cases[] = {
        {"\"Caf\xC3\xA9\"", "Caf\xe9"},
        {"\"Caf\\u00e9\"", "Caf\xe9"},
        {"\"\xC3\xBF\"", "\xff"},
        {"\"\\u0000\"", std::string(1, '\0')},
        {"{\"bytes\": \"436166e9\"}", "Caf\xe9"},
        {"{\"bytes\": \"c3a9\"}", "\xc3\xa9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.written);
        QByteArray json = qz::ProjectToJson(Example());
        const QByteArray from = "\"keyName\": \"Up\"";
        ASSERT_TRUE(json.contains(from));
        json.replace(json.indexOf(from), from.size(), "\"keyName\": " + QByteArray(c.written));
        Configuration config;
        QString error;
        ASSERT_TRUE(qz::ProjectFromJson(json, config, &error)) << error.toStdString();
        EXPECT_EQ(config.keys[0].keyName, c.bytes);
        // Written again, the characters come back.
        Configuration again;
        ASSERT_TRUE(qz::ProjectFromJson(qz::ProjectToJson(config), again));
        EXPECT_EQ(again.keys[0].keyName, c.bytes);
    }
}

TEST(ProjectJson, TopLevelMustBeAnObject) {
    Configuration c = Example();
    QString error;
    EXPECT_FALSE(qz::ProjectFromJson("[1, 2]", c, &error));
    EXPECT_EQ(error, "not a JSON object");
    EXPECT_FALSE(qz::ProjectFromJson("", c, &error));
    EXPECT_EQ(error, "byte 0: illegal value");
    EXPECT_TRUE(c == Example());
}

TEST(ProjectJson, SlotWithoutEventNameOrActions) {
    QByteArray json = qz::ProjectToJson(StartupModel1());
    const int at = json.indexOf("\"slots\": []");
    json.replace(
        at, 11, "\"slots\": [{\"slot\": 2, \"actions\": [\"x\"]}, {\"slot\": 5, \"actions\": []}]");
    Configuration c;
    QString error;
    ASSERT_TRUE(qz::ProjectFromJson(json, c, &error)) << error.toStdString();
    EXPECT_EQ(c.keys[0].slots[2], std::vector<std::string>{"x"});
    EXPECT_TRUE(c.keys[0].slots[5].empty());
}

// A slot larger than the binary file takes is refused on reading the text too, with its place,
// so that a text that loads can always be saved; 999 entries still load.
TEST(ProjectJson, ASlotLargerThanAProjectHoldsIsRefused) {
    for (const int entries : {999, 1000}) {
        SCOPED_TRACE(entries);
        QByteArray list = "\"x\"";
        for (int i = 1; i < entries; ++i) {
            list += ", \"\"";
        }
        QByteArray json = qz::ProjectToJson(StartupModel1());
        json.replace(json.indexOf("\"slots\": []"), 11,
                     "\"slots\": [{\"slot\": 2, \"actions\": [" + list + "]}]");
        Configuration c;
        QString error;
        const bool loaded = qz::ProjectFromJson(json, c, &error);
        EXPECT_EQ(loaded, entries <= int(qz::kMaxSlotEntries)) << error.toStdString();
        if (!loaded) {
            EXPECT_TRUE(error.contains("key 1, slot 2")) << error.toStdString();
            EXPECT_TRUE(error.contains("1000 entries")) << error.toStdString();
        }
    }
}

// Qt's parser takes a NUL inside a name into the name, which then read as a missing field with
// no offset. Such bytes are reported as what they are, where they are.
TEST(ProjectJson, BytesThatJsonNeverHoldsAreReportedWhereTheyAre) {
    const QByteArray json = qz::ProjectToJson(Example());
    const struct {
        const char* name;
        const char* from;
        QByteArray to;
        const char* what;
    } cases[] = {
        {"NUL in a field name", "\"keyName\": \"Up\"", QByteArray("\"key\0Name\": \"Up\"", 15),
         "a NUL byte"},
        {"NUL in a text", "\"keyName\": \"Up\"", QByteArray("\"keyName\": \"U\0p\"", 16),
         "a NUL byte"},
        {"NUL between fields", "\"idNumber\": 7,", QByteArray("\"idNumber\": 7,\0", 15),
         "a NUL byte"},
        {"control byte", "\"keyName\": \"Up\"", "\"keyName\": \"U\x01p\"", "the control byte 0x01"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray damaged = json;
        const qsizetype at = damaged.indexOf(c.from);
        ASSERT_GE(at, 0);
        damaged.replace(at, qstrlen(c.from), c.to);
        const qsizetype bad = at + c.to.indexOf(c.to.contains('\0') ? '\0' : '\x01');
        Configuration config = Example();
        QString error;
        EXPECT_FALSE(qz::ProjectFromJson(damaged, config, &error));
        EXPECT_EQ(error.toStdString(), "byte " + std::to_string(bad) + ": " + c.what +
                                           ", which JSON text never holds: the file is damaged "
                                           "or not a project text");
        EXPECT_TRUE(config == Example());
    }
    // Escaped, the same bytes are texts like any other.
    Configuration c = Example();
    c.keys[0].keyName = std::string("U\0\x01p", 4);
    Configuration back;
    QString error;
    ASSERT_TRUE(qz::ProjectFromJson(qz::ProjectToJson(c), back, &error)) << error.toStdString();
    EXPECT_EQ(back.keys[0].keyName, c.keys[0].keyName);
}

// The text form is built only up to its limit, so that a project whose text would be too large
// to read back is refused without first taking that much memory.
TEST(ProjectJson, TextIsBuiltOnlyUpToItsLimit) {
    const Configuration c = qz::MakeLargestConfiguration();
    const QByteArray full = qz::ProjectToJson(c);
    QByteArray bounded;
    EXPECT_TRUE(qz::ProjectToJson(c, full.size(), bounded));
    EXPECT_EQ(bounded, full);
    for (const qint64 limit : {full.size() - 1, full.size() / 2, qint64(10)}) {
        SCOPED_TRACE(limit);
        EXPECT_FALSE(qz::ProjectToJson(c, limit, bounded));
        // At most one action text (with its escapes) past the limit.
        EXPECT_LT(bounded.size(), limit + 2000);
    }
}

} // namespace
