// qzctl's file commands where files are awkward: names that are not UTF-8, FIFOs, a full disk,
// a project whose text form would be too large, a JSON file with a NUL byte.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "../io/FullFileSystem.h"
#include "CliTestSupport.h"
#include "model/Configuration.h"
#include "model/UploadPlan.h"
#include "store/ProjectFile.h"
#include "store/ProjectJson.h"

namespace {

using qz::Configuration;
using qztest::CliRun;
using qztest::Qzctl;
using qztest::RawRead;

const QString kStoreData = QStringLiteral(QZ_SOURCE_DIR "/tests/store/data");
const QByteArray kExampleQzp = QFile::encodeName(kStoreData + "/example.qzp");
const QByteArray kExampleJson = QFile::encodeName(kStoreData + "/example.json");

bool RawWrite(const QByteArray& path, const QByteArray& bytes) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::write(fd, bytes.constData(), bytes.size()) == bytes.size();
    return ::close(fd) == 0 && ok;
}

// The names in a folder, as bytes, sorted.
QList<QByteArray> RawEntries(const QByteArray& folder) {
    QList<QByteArray> names;
    if (DIR* d = ::opendir(folder.constData())) {
        while (const dirent* e = ::readdir(d)) {
            if (e->d_name[0] != '.') {
                names << QByteArray(e->d_name);
            }
        }
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Every command that writes to its standard output fails, with the reason, when the output does
// not take what it wrote: a full disk (/dev/full), or no output at all.
TEST(FileFaultsCli, AnOutputThatTakesNothingFailsTheCommandWithTheReason) {
    const QByteArray library = QZ_SOURCE_DIR "/tests/library/data/";
    QTemporaryDir dir;
    // A project with findings, so that check has lines to write.
    Configuration config;
    config.keys[0].slots[qz::kSlotPress] = {"INFR : TV : Power : 0", "RELY : 0 : 0 : 0"};
    const QByteArray findings = QFile::encodeName(dir.filePath("findings.qzp"));
    QString error;
    ASSERT_TRUE(qz::SaveProject(QFile::decodeName(findings), config, &error))
        << error.toStdString();
    const QList<QList<QByteArray>> commands = {
        {"show", kExampleQzp},
        {"show", kExampleJson},
        {"show", library + "TV.irr"},
        {"show", library + "Proj.rss"},
        {"check", findings},
        {"encode", "RELY : 0 : 0 : 0"},
        {"encode", "--hex", "RELY : 0 : 0 : 0"},
        {"summary", "RELY : 0 : 0 : 0"},
        {"frames", kExampleQzp},
        {"frames", "--list", kExampleQzp},
        {"--help"},
        {"sim", "--help"},
        {"ports", "--help"},
    };
    const struct {
        QByteArray output;
        const char* reason;
    } outputs[] = {{"/dev/full", "No space left on device"}, {"-", "Bad file descriptor"}};
    for (const auto& output : outputs) {
        for (const QList<QByteArray>& args : commands) {
            SCOPED_TRACE((args.join(' ') + " > " + output.output).toStdString());
            // The same command writes something to an output that takes it.
            const CliRun good = Qzctl(args);
            ASSERT_FALSE(good.out.isEmpty()) << good.err.toStdString();
            const CliRun run = Qzctl(args, {}, output.output);
            EXPECT_NE(run.status, 0);
            EXPECT_NE(run.status, -1);
            EXPECT_EQ(run.err.toStdString(),
                      (good.err + "qzctl: cannot write the output: " + output.reason + "\n")
                          .toStdString());
        }
    }
}

TEST(FileFaultsCli, NamesThatAreNotUtf8AreOpenedAndWrittenUnderTheirOwnBytes) {
    QTemporaryDir dir;
    const QByteArray d = QFile::encodeName(dir.path()) + '/';
    const QByteArray project = d + "caf\xe9.qzp";
    ASSERT_TRUE(RawWrite(project, RawRead(kExampleQzp)));
    const QByteArray library = d + "t\xe9l\xe9.irr";
    ASSERT_TRUE(RawWrite(library, QByteArray("\x02TV\x00\x00", 5)));

    const CliRun shown = Qzctl({"show", project});
    ASSERT_EQ(shown.status, 0) << shown.err.toStdString();
    EXPECT_EQ(shown.out, Qzctl({"show", kExampleQzp}).out);
    EXPECT_EQ(Qzctl({"check", project}).status, 0);
    const CliRun lib = Qzctl({"show", library});
    EXPECT_EQ(lib.status, 0) << lib.err.toStdString();
    EXPECT_EQ(lib.out, "IR library \"TV\", 0 functions\n");

    const QByteArray json = d + "d\xe9j\xe0.json";
    const CliRun toJson = Qzctl({"convert", project, json});
    ASSERT_EQ(toJson.status, 0) << toJson.err.toStdString();
    EXPECT_EQ(RawRead(json), RawRead(kExampleJson));
    const QByteArray back = d + "r\xe9.qzp";
    ASSERT_EQ(Qzctl({"convert", json, back}).status, 0);
    EXPECT_EQ(RawRead(back), RawRead(kExampleQzp));
    const QByteArray wire = d + "w\xe9.bin";
    ASSERT_EQ(Qzctl({"frames", "-o", wire, project}).status, 0);
    EXPECT_EQ(RawRead(wire), Qzctl({"frames", kExampleQzp}).out);

    // Nothing was written under another name.
    const QList<QByteArray> expected{"caf\xe9.qzp", "d\xe9j\xe0.json", "r\xe9.qzp",
                                     "t\xe9l\xe9.irr", "w\xe9.bin"};
    EXPECT_EQ(RawEntries(d), expected);

    // A message names the file with the bytes it was given as.
    const CliRun gone = Qzctl({"show", d + "gon\xe9.qzp"});
    EXPECT_EQ(gone.status, 1);
    EXPECT_EQ(gone.err, "qzctl: " + d + "gon\xe9.qzp: cannot open: No such file or directory\n");
}

TEST(FileFaultsCli, FifosAreRefusedAtOnce) {
    QTemporaryDir dir;
    for (const char* name : {"pipe.qzp", "pipe.json", "pipe.irr", "pipe.rss"}) {
        const QByteArray path = QFile::encodeName(dir.filePath(name));
        ASSERT_EQ(::mkfifo(path.constData(), 0600), 0);
        for (const QList<QByteArray>& args :
             {QList<QByteArray>{"show", path}, QList<QByteArray>{"check", path}}) {
            if (args[0] == "check" && path.endsWith("r")) {
                continue; // libraries are only shown
            }
            SCOPED_TRACE(args.join(' ').toStdString());
            const CliRun r = Qzctl(args);
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(r.err, "qzctl: " + path +
                                 ": cannot open: a named pipe (FIFO), not a "
                                 "regular file\n");
        }
    }
}

// Every writing command on a disk with no room left: a failure with the system's reason, and
// the old file byte for byte.
TEST(FileFaultsCli, FullDiskFailsAndKeepsTheOldFiles) {
    qztest::FullFileSystem disk;
    if (!disk.Mounted()) {
        GTEST_SKIP() << disk.Why();
    }
    const QByteArray old = QByteArray(3000, 'o');
    for (const char* name : {"out.json", "out.qzp", "wire.bin"}) {
        ASSERT_TRUE(disk.Put(name, old));
    }
    ASSERT_TRUE(disk.Fill());
    const QList<QList<QByteArray>> commands{
        {"convert", kExampleQzp, QFile::encodeName(disk.Path("out.json"))},
        {"convert", kExampleJson, QFile::encodeName(disk.Path("out.qzp"))},
        {"frames", "-o", QFile::encodeName(disk.Path("wire.bin")), kExampleQzp},
        {"frames", "--list", "-o", QFile::encodeName(disk.Path("wire.bin")), kExampleQzp},
    };
    for (const QList<QByteArray>& args : commands) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const QByteArray target = args[args[0] == "convert" ? 2 : args.size() - 2];
        const CliRun r = Qzctl(args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "qzctl: " + target +
                             ": cannot write: No space left on device; the file was left as it "
                             "was\n");
        EXPECT_EQ(RawRead(target), old);
    }
    const QStringList expected{"filler", "out.json", "out.qzp", "wire.bin"};
    EXPECT_EQ(QDir(disk.Path(".")).entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);
}

// A valid project whose text form would be larger than the JSON reader takes: convert refuses
// instead of writing a text that show would then refuse.
TEST(FileFaultsCli, ConvertWritesNoTextThatCannotBeReadBack) {
    QTemporaryDir dir;
    Configuration c;
    c.LayoutKeys(1);
    c.ApplyModelAndPort(1, 0);
    // 12 MB of control bytes, each written as \u0001 in the text: 72 MB of JSON.
    c.keys[0].slots[0].assign(600, std::string(10000, '\x01'));
    c.keys[0].slots[1].assign(600, std::string(10000, '\x01'));
    const QString project = dir.filePath("huge.qzp");
    ASSERT_TRUE(qz::SaveProject(project, c));
    const QByteArray json = QFile::encodeName(dir.filePath("huge.json"));
    ASSERT_TRUE(RawWrite(json, "old"));
    const CliRun r = Qzctl({"convert", QFile::encodeName(project), json});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "qzctl: " + json +
                         ": not written: the text form of this project would be larger than the "
                         "67108864 bytes a project text may have; keep it as a project file "
                         "(.qzp)\n");
    EXPECT_EQ(RawRead(json), "old");
    // The project itself is fine.
    Configuration back;
    EXPECT_TRUE(qz::LoadProject(project, back));
}

TEST(FileFaultsCli, JsonWithANulByteSaysWhereItIs) {
    QTemporaryDir dir;
    QByteArray text = RawRead(kExampleJson);
    const qsizetype at = text.indexOf("\"keyName\"") + 4;
    text.insert(at, '\0');
    const QByteArray path = QFile::encodeName(dir.filePath("nul.json"));
    ASSERT_TRUE(RawWrite(path, text));
    const CliRun r = Qzctl({"show", path});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "qzctl: " + path + ": not a valid project text: byte " +
                         QByteArray::number(at) +
                         ": a NUL byte, which JSON text never holds: the file is damaged or not "
                         "a project text\n");
    EXPECT_TRUE(r.out.isEmpty());
}

} // namespace
