// qzctl check and the library copies of a project: stale ones always, missing libraries and
// functions with --library.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "CliTestSupport.h"
#include "io/FileName.h"
#include "library/IrLibrary.h"
#include "model/ActionTexts.h"
#include "model/Configuration.h"
#include "store/ProjectFile.h"

namespace {

struct CheckRun {
    int status = -1;
    QString out;
    QString err;
};

CheckRun Check(const QString& home, const QStringList& args) {
    QList<QByteArray> raw{"check"};
    for (const QString& a : args) {
        raw << QFile::encodeName(a);
    }
    const qztest::CliRun r = qztest::Qzctl(raw, QFile::encodeName(home));
    return {r.status, QString::fromLatin1(r.out), QString::fromLatin1(r.err)};
}

std::string Ir(const char* lib, const char* function, char digit) {
    qz::IrAction a;
    a.libName = lib;
    a.function = function;
    a.code = std::string(qz::kIrCodeDigits, digit);
    return a.ToActionText();
}

TEST(CheckStale, ReportsCopiesThatDifferFromTheLibraryFolder) {
    QTemporaryDir home;
    QTemporaryDir other;
    ASSERT_TRUE(home.isValid() && other.isValid());
    const QString library = home.filePath("Library");
    ASSERT_TRUE(QDir().mkpath(library));
    qz::CIrLibSet tv;
    tv.libName = "TV";
    tv.entries = {qz::MakeIrEntry("Power", std::string(qz::kIrCodeDigits, 'a')),
                  qz::MakeIrEntry("Mute", std::string(qz::kIrCodeDigits, 'b'))};
    ASSERT_TRUE(qz::SaveIrLibraryFile(library + "/TV.irr", tv));

    qz::Configuration config;
    const int slot = config.AddEvent(2, qz::kFamilyKey, 0, 0);
    ASSERT_GE(config.AddAction(2, slot, Ir("TV", "Power", '0')), 0); // stale
    ASSERT_GE(config.AddAction(2, slot, Ir("TV", "Mute", 'b')), 0);  // in step
    ASSERT_GE(config.AddAction(2, slot, Ir("DVD", "Play", 'c')), 0); // no such library
    const QString project = other.filePath("p.qzp");
    ASSERT_TRUE(qz::SaveProject(project, config));

    // The program's library folder: the stale copy only.
    CheckRun run = Check(home.path(), {project});
    EXPECT_EQ(run.status, 1) << run.err.toStdString();
    QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1) << run.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith("key 3 ")) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].contains("action 1: IR function \"Power\" of library \"TV\""))
        << lines[0].toStdString();

    // An explicit folder also names the copies it cannot compare.
    run = Check(other.path(), {project, "--library", library});
    EXPECT_EQ(run.status, 1);
    lines = run.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << run.out.toStdString();
    EXPECT_TRUE(lines[1].contains("action 3: IR function \"Play\" of library \"DVD\": library "
                                  "missing"))
        << lines[1].toStdString();

    // In step with a folder that holds the new code: nothing to report.
    tv.entries[0] = qz::MakeIrEntry("Power", std::string(qz::kIrCodeDigits, '0'));
    ASSERT_TRUE(qz::SaveIrLibraryFile(library + "/TV.irr", tv));
    run = Check(home.path(), {project});
    EXPECT_EQ(run.status, 0) << run.out.toStdString();
    EXPECT_EQ(run.out, "no findings\n"); // one line, so that silence never means "not run"

    // A folder that is not there, and a second project, are usage errors.
    EXPECT_EQ(Check(home.path(), {project, "--library", other.filePath("none")}).status, 2);
    EXPECT_EQ(Check(home.path(), {project, project}).status, 2);
}

// An 8-bit library name finds the file the editors and qzctl learn write (its own bytes); a name
// that would leave the folder is reported with the reason, even without --library.
TEST(CheckStale, Latin1LibraryNamesAndNamesThatLeaveTheFolder) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString library = home.filePath("Library");
    ASSERT_TRUE(QDir().mkpath(library));
    qz::CIrLibSet cafe;
    cafe.libName = "Caf\xe9";
    cafe.entries = {qz::MakeIrEntry("Power", std::string(qz::kIrCodeDigits, 'a'))};
    ASSERT_TRUE(qz::SaveIrLibraryFile(
        qz::io::DecodeFileName(QFile::encodeName(library) + "/Caf\xe9.irr"), cafe));
    ASSERT_TRUE(qztest::RawRead(QFile::encodeName(library) + "/Caf\xe9.irr") != "(unreadable)");

    qz::Configuration config;
    const int slot = config.AddEvent(0, qz::kFamilyKey, 0, 0);
    ASSERT_GE(config.AddAction(0, slot, Ir("Caf\xe9", "Power", '0')), 0);      // stale
    ASSERT_GE(config.AddAction(0, slot, Ir("../../x/evil", "Power", '0')), 0); // refused
    const QString project = home.filePath("p.qzp");
    ASSERT_TRUE(qz::SaveProject(project, config));

    for (const QStringList& args : {QStringList{project, "--library", library}, {project}}) {
        const CheckRun run = Check(home.path(), args);
        EXPECT_EQ(run.status, 1) << run.err.toStdString();
        const QStringList lines =
            QString::fromUtf8(run.out.toLatin1()).split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 2) << run.out.toStdString();
        EXPECT_TRUE(lines[0].contains(QString::fromUtf8(
            "action 1: IR function \"Power\" of library \"Caf\xc3\xa9\": differs")))
            << lines[0].toStdString();
        EXPECT_TRUE(lines[1].contains("of library \"../../x/evil\": The library name"))
            << lines[1].toStdString();
    }
    // Removed by its bytes: the temporary folder's clean-up cannot name it.
    ::unlink((QFile::encodeName(library) + "/Caf\xe9.irr").constData());
}

} // namespace
