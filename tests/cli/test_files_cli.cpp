// qzctl show, convert, frames and check, run as the user runs them.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "CliTestSupport.h"
#include "io/Archive.h"
#include "model/Configuration.h"
#include "model/Largest.h"
#include "model/UploadPlan.h"
#include "store/ProjectFile.h"
#include "store/ProjectJson.h"

namespace {

using qz::Configuration;

// The example project that the store tests keep, in both forms.
const QString kStoreData = QStringLiteral(QZ_SOURCE_DIR "/tests/store/data");
const QString kExampleQzp = kStoreData + "/example.qzp";
const QString kExampleJson = kStoreData + "/example.json";

using qztest::CliRun;

CliRun Qzctl(const QStringList& args) {
    QList<QByteArray> raw;
    for (const QString& a : args) {
        raw << QFile::encodeName(a);
    }
    return qztest::Qzctl(raw);
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

Configuration Load(const QString& path) {
    Configuration c;
    QString error;
    EXPECT_EQ(qz::LoadProjectAny(path, c, &error), qz::LoadStatus::Loaded) << error.toStdString();
    return c;
}

TEST(FilesCli, UsageErrors) {
    for (const QStringList& args :
         {QStringList{"show"}, QStringList{"show", "a", "b"}, QStringList{"convert", "a"},
          QStringList{"frames"}, QStringList{"frames", "--bogus", "a.qzp"},
          QStringList{"frames", "-o"}, QStringList{"check"}, QStringList{"check", "a", "b"}}) {
        const CliRun r = Qzctl(args);
        EXPECT_EQ(r.status, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith("usage: qzctl ")) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
}

TEST(FilesCli, ShowProject) {
    const CliRun r = Qzctl({"show", kExampleQzp});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith("device model: 1 (QRM-K6)\n"
                                 "port mode: 2 (RS232(1),IR 3)\n"
                                 "ID No.: 07\n"
                                 "current event: key 35, slot 32\n"
                                 "events: 4\n"
                                 "key 1 \"Up\" (label \"1\", normal key, LED Level 3, Group 2)\n"
                                 "  Press\n"
                                 "     1  Delay    "))
        << r.out.toStdString();
    EXPECT_TRUE(
        r.out.contains("  Release\n     1  (blank)\nkey 2 \"2\" (label \"2\", normal key)\n"));
    EXPECT_TRUE(r.out.contains("key 35 \"Time\" (label \"35\", system source)\n"
                               "  Time (Time 2, 015min)\n"
                               "     1  "));
    EXPECT_TRUE(r.out.endsWith("key 36 \"Start\" (label \"36\", system source)\n"));
    EXPECT_EQ(r.out.count("\nkey "), 36);
    // The JSON form lists the same.
    const CliRun j = Qzctl({"show", kExampleJson});
    EXPECT_EQ(j.status, 0);
    EXPECT_EQ(j.out, r.out);
}

TEST(FilesCli, ShowEscapesControlBytesAndMarksBadTexts) {
    QTemporaryDir dir;
    Configuration c;
    c.keys[1].keyName = "a\x01z";
    c.AddEvent(1, qz::kFamilyKey, 2, 0);
    c.keys[1].slots[2] = {"oops\n", "DELY : 1 : 2 : 3 : 1 : 0102031"};
    ASSERT_TRUE(qz::SaveProject(dir.filePath("c.qzp"), c));
    const CliRun r = Qzctl({"show", dir.filePath("c.qzp")});
    ASSERT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.contains("key 2 \"a\\x01z\" (label \"2\", normal key)\n"
                               "  Long\n"
                               "     1  (not an action text) oops\\x0a\n"
                               "     2  Delay    "))
        << r.out.toStdString();
}

TEST(FilesCli, ShowLibrariesByExtension) {
    QTemporaryDir dir;
    qz::ArchiveWriter w;
    w.WriteString("TV");
    w.WriteCount(1);
    w.WriteString("Power : " + std::string(99, 'F'));
    WriteFile(dir.filePath("TV.irr"), QByteArray::fromStdString(w.Bytes()));
    const CliRun ir = Qzctl({"show", dir.filePath("TV.irr")});
    EXPECT_EQ(ir.status, 0) << ir.err.toStdString();
    EXPECT_TRUE(ir.out.startsWith("IR library \"TV\", 1 function\n")) << ir.out.toStdString();
    EXPECT_TRUE(ir.out.contains("Power"));
    // A project file named .rss goes to the RS232 listing, which finds it damaged.
    QFile::copy(kExampleQzp, dir.filePath("x.rss"));
    const CliRun rss = Qzctl({"show", dir.filePath("x.rss")});
    EXPECT_EQ(rss.status, 2);
    EXPECT_TRUE(rss.out.isEmpty());
    const CliRun missing = Qzctl({"show", dir.filePath("none.RSS")});
    EXPECT_EQ(missing.status, 1);
}

TEST(FilesCli, ConvertBothWays) {
    QTemporaryDir dir;
    CliRun r = Qzctl({"convert", kExampleQzp, dir.filePath("e.json")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(ReadFile(dir.filePath("e.json")), ReadFile(kExampleJson));
    r = Qzctl({"convert", dir.filePath("e.json"), dir.filePath("e.qzp")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(ReadFile(dir.filePath("e.qzp")), ReadFile(kExampleQzp));
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.isEmpty());
}

TEST(FilesCli, ConvertKeepsTheLargestProjectByteForByte) {
    QTemporaryDir dir;
    ASSERT_TRUE(qz::SaveProject(dir.filePath("big.qzp"), qz::MakeLargestConfiguration()));
    ASSERT_EQ(Qzctl({"convert", dir.filePath("big.qzp"), dir.filePath("big.Json")}).status, 0);
    ASSERT_EQ(Qzctl({"convert", dir.filePath("big.Json"), dir.filePath("back.qzp")}).status, 0);
    EXPECT_EQ(ReadFile(dir.filePath("back.qzp")), ReadFile(dir.filePath("big.qzp")));
}

TEST(FilesCli, ConvertFailures) {
    QTemporaryDir dir;
    WriteFile(dir.filePath("out.json"), "old");
    // Missing input: 1, and the output is not touched.
    CliRun r = Qzctl({"convert", dir.filePath("none.qzp"), dir.filePath("out.json")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "qzctl: " + dir.filePath("none.qzp").toUtf8() +
                         ": cannot open: No such file or directory\n");
    EXPECT_EQ(ReadFile(dir.filePath("out.json")), "old");
    // Damaged input: 2, with the byte.
    QByteArray cut = ReadFile(kExampleQzp);
    cut.chop(1);
    WriteFile(dir.filePath("cut.qzp"), cut);
    r = Qzctl({"convert", dir.filePath("cut.qzp"), dir.filePath("out.json")});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "qzctl: " + dir.filePath("cut.qzp").toUtf8() +
                         ": not a valid project file: byte 4563: file ends inside a count\n");
    EXPECT_EQ(ReadFile(dir.filePath("out.json")), "old");
    // Unwritable output: 1.
    r = Qzctl({"convert", kExampleQzp, dir.filePath("no/such/dir/out.qzp")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.startsWith("qzctl: " + dir.filePath("no/such/dir/out.qzp").toUtf8() +
                                 ": cannot write: "))
        << r.err.toStdString();
    // Library files have no text form.
    r = Qzctl({"convert", kExampleQzp, dir.filePath("x.irr")});
    EXPECT_EQ(r.status, 2);
    EXPECT_FALSE(QFile::exists(dir.filePath("x.irr")));
}

TEST(FilesCli, FramesAreTheUploadBytes) {
    const Configuration c = Load(kExampleQzp);
    const qz::UploadPlan plan = qz::BuildUploadPlan(c);
    const CliRun r = Qzctl({"frames", kExampleQzp});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.toStdString(), plan.WireBytes());
    EXPECT_TRUE(r.out.startsWith("KVQ000601CLRE87ENND"));
    EXPECT_TRUE(r.out.contains("KVQ000831SYSI0713ENND"));
    EXPECT_TRUE(r.out.endsWith("ENND"));
    // The JSON form gives the same; -o writes the same bytes to a file.
    EXPECT_EQ(Qzctl({"frames", kExampleJson}).out, r.out);
    QTemporaryDir dir;
    const CliRun o = Qzctl({"frames", "-o", dir.filePath("wire.bin"), kExampleQzp});
    EXPECT_EQ(o.status, 0);
    EXPECT_TRUE(o.out.isEmpty());
    EXPECT_EQ(ReadFile(dir.filePath("wire.bin")), r.out);
}

TEST(FilesCli, FramesList) {
    const Configuration c = Load(kExampleQzp);
    const qz::UploadPlan plan = qz::BuildUploadPlan(c);
    const CliRun r = Qzctl({"frames", "--list", kExampleQzp});
    ASSERT_EQ(r.status, 0);
    const QList<QByteArray> lines = r.out.split('\n');
    ASSERT_EQ(lines.size(), static_cast<qsizetype>(plan.frames.size()) + 1);
    EXPECT_TRUE(lines.last().isEmpty());
    EXPECT_EQ(lines[0], "KVQ000601CLRE87ENND");
    // Key groups carry a binary mask: escaped, so that each frame stays on its line.
    EXPECT_TRUE(r.out.contains("KVQ001232KYSG02\\x00\\x00\\x00\\x0106ENND\n"));
    for (std::size_t i = 0; i < plan.frames.size(); ++i) {
        QByteArray unescaped;
        const QByteArray& line = lines[static_cast<qsizetype>(i)];
        for (qsizetype k = 0; k < line.size(); ++k) {
            if (line[k] == '\\' && line[k + 1] == 'x') {
                unescaped += static_cast<char>(line.mid(k + 2, 2).toInt(nullptr, 16));
                k += 3;
            } else if (line[k] == '\\') {
                unescaped += line[++k];
            } else {
                unescaped += line[k];
            }
        }
        EXPECT_EQ(unescaped.toStdString(), plan.frames[i].bytes) << i;
    }
}

TEST(FilesCli, FramesOfAFreshlyLoadedProjectIgnoreRepeatIntervals) {
    // The file holds no repeat interval: what the frames carry is that of a fresh start.
    QTemporaryDir dir;
    Configuration c = qz::MakeLargestConfiguration();
    ASSERT_TRUE(qz::SaveProject(dir.filePath("big.qzp"), c));
    Configuration fresh;
    ASSERT_TRUE(qz::LoadProject(dir.filePath("big.qzp"), fresh));
    const CliRun r = Qzctl({"frames", dir.filePath("big.qzp")});
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.out.toStdString(), qz::BuildUploadPlan(fresh).WireBytes());
}

TEST(FilesCli, Check) {
    CliRun r = Qzctl({"check", kExampleQzp});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "no findings\n");

    QTemporaryDir dir;
    Configuration c = Load(kExampleQzp);
    c.portMode = 3;
    c.AddAction(0, 1, "UART : PC on : Proj : On : 9600 : 1 : 0 : 0 : 0 : 1 : 0 : 0 : 1 : 1 :ON");
    c.AddEvent(32, qz::kFamilyIoLow, 0, 0);
    c.AddAction(32, 23, "GPIO : Door : 1 : 1 : 1 : 1");
    c.AddEvent(9, qz::kFamilyVirtual, 0, 0);
    c.AddAction(9, qz::kSlotVirtual, "nonsense");
    c.keys[9].slots[3] = {"LEDP : 2 : 2 : 2"};
    ASSERT_TRUE(qz::SaveProjectJson(dir.filePath("bad.json"), c));
    r = Qzctl({"check", dir.filePath("bad.json")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out,
              "key 1 \"Up\", Release: action 1 (RS232): Port1 and port2 are unavailable in this "
              "setting, please select port3\n"
              "key 10 \"10\", Page (Class: 1,Num: 1): a Page event cannot belong to a virtual key\n"
              "key 10 \"10\", Virtual: action 2 does not parse: \"nonsense\"\n"
              "key 33 \"IOL\", IOL (Port 1): I/O is unavailable in this model.\n"
              "key 33 \"IOL\", IOL (Port 1): action 1 (GPIO): I/O is unavailable in this model.\n");
}

struct DamagedCase {
    const char* name;
    int cut;         // bytes removed from the end of the example
    int at;          // or: byte to overwrite
    QByteArray with; // with these bytes
    const char* message;
};

TEST(FilesCli, DamagedProjectsGiveStatus2AndTheByte) {
    QTemporaryDir dir;
    const QByteArray example = ReadFile(kExampleQzp);
    const DamagedCase cases[] = {
        {"empty",
         static_cast<int>(example.size()),
         -1,
         {},
         "byte 0: file ends inside a 32-bit integer"},
        // Cut in the last keys: the count of key 35's timer event leaves no room for the rest.
        {"cut",
         100,
         -1,
         {},
         "byte 4404: count 1 cannot fit in the 59 bytes left (what follows it needs at least "
         "128)"},
        {"model", 0, 16, QByteArray("\x09\0\0\0", 4),
         "byte 16: device model 9 out of range (0..2)"},
        {"count", 0, 69, QByteArray("\xff\xff\xff\xff\xff\x7f", 6),
         "byte 69: count 2147483647 cannot fit in the 4490 bytes left (what follows it needs at "
         "least 4272)"},
        {"trailing", 0, static_cast<int>(example.size()), "\n",
         "byte 4565: 1 trailing bytes after the end"},
    };
    for (const DamagedCase& c : cases) {
        QByteArray bytes = example;
        if (c.at >= 0) {
            bytes.replace(c.at, qMin<qsizetype>(c.with.size(), bytes.size() - c.at), c.with);
        }
        bytes.chop(c.cut);
        const QString path = dir.filePath(QString::fromLatin1(c.name) + ".qzp");
        WriteFile(path, bytes);
        const QByteArray expected =
            "qzctl: " + path.toUtf8() + ": not a valid project file: " + c.message + "\n";
        for (const QStringList& args :
             {QStringList{"show", path}, QStringList{"convert", path, dir.filePath("o.json")},
              QStringList{"frames", path}, QStringList{"check", path}}) {
            const CliRun r = Qzctl(args);
            EXPECT_EQ(r.status, 2) << c.name << " " << args[0].toStdString();
            EXPECT_EQ(r.err.toStdString(), expected.toStdString()) << args[0].toStdString();
            EXPECT_TRUE(r.out.isEmpty());
        }
    }
    EXPECT_FALSE(QFile::exists(dir.filePath("o.json")));
}

} // namespace
