// File-type registration: the desktop entry for a program path, and writing it for the user only
// when the program is not installed system-wide.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "StoreTestHelpers.h"
#include "store/FileTypes.h"

namespace {

using namespace qztest;

const QString kData = QStringLiteral(QZ_SOURCE_DIR "/store/data");

struct ExecCase {
    const char* path;
    const char* exec;
};

class DesktopEntry : public ::testing::TestWithParam<ExecCase> {};

TEST_P(DesktopEntry, StartsTheGivenProgramWithTheFile) {
    const QByteArray installed = ReadFile(kData + "/qzctr.desktop");
    ASSERT_TRUE(installed.contains("\nExec=qzctr %f\n"));
    QByteArray expected = installed;
    expected.replace("\nExec=qzctr %f\n", QByteArray("\nExec=") + GetParam().exec + " %f\n");
    EXPECT_EQ(qz::DesktopEntryFor(QString::fromUtf8(GetParam().path)).toStdString(),
              expected.toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Paths, DesktopEntry,
    ::testing::Values(ExecCase{"/usr/local/bin/qzctr", R"("/usr/local/bin/qzctr")"},
                      ExecCase{"/home/me/qz ctr/qzctr", R"("/home/me/qz ctr/qzctr")"},
                      // ", `, $ and \ are escaped for the quoting, then every \ once more for the
                      // string value; % is doubled.
                      ExecCase{"/a\"b/c`d/e$f/g\\h/100%/qzctr",
                               R"("/a\\"b/c\\`d/e\\$f/g\\\\h/100%%/qzctr")"},
                      ExecCase{"/tmp/\xC3\xBC/qzctr", "\"/tmp/\xC3\xBC/qzctr\""}));

TEST(FileTypes, MimeTypesAreTheInstalledOnes) {
    EXPECT_EQ(qz::MimeTypesXml(), ReadFile(kData + "/qzctr-mime.xml"));
    for (const char* glob : {"*.qzp", "*.irr", "*.rss"}) {
        EXPECT_TRUE(qz::MimeTypesXml().contains(QByteArray("<glob pattern=\"") + glob + "\"/>"));
    }
    EXPECT_TRUE(qz::MimeTypesXml().contains(qz::kProjectMimeType));
    EXPECT_TRUE(ReadFile(kData + "/qzctr.desktop")
                    .contains(QByteArray("MimeType=") + qz::kProjectMimeType + ";\n"));
}

TEST(FileTypes, SystemWideInstallationIsLeftAlone) {
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("usr/share/applications"));
    QFile::copy(kData + "/qzctr.desktop", dir.filePath("usr/share/applications/qzctr.desktop"));
    EXPECT_EQ(qz::RegisterFileTypesIn("/opt/qzctr", dir.filePath("home"),
                                      {dir.filePath("usr/local/share"), dir.filePath("usr/share")},
                                      false),
              qz::Registration::SystemWide);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("home")));
}

TEST(FileTypes, UserRegistrationIsWrittenOnceAndFollowsTheProgram) {
    QTemporaryDir dir;
    const QString home = dir.filePath("home/.local/share");
    const QStringList system{dir.filePath("usr/share")};
    EXPECT_EQ(qz::RegisterFileTypesIn("/opt/qz/qzctr", home, system, false),
              qz::Registration::Registered);
    EXPECT_EQ(ReadFile(home + "/applications/qzctr.desktop"), qz::DesktopEntryFor("/opt/qz/qzctr"));
    EXPECT_EQ(ReadFile(home + "/mime/packages/qzctr.xml"), qz::MimeTypesXml());
    const QDateTime written = QFileInfo(home + "/applications/qzctr.desktop").lastModified();

    EXPECT_EQ(qz::RegisterFileTypesIn("/opt/qz/qzctr", home, system, false),
              qz::Registration::UpToDate);
    EXPECT_EQ(QFileInfo(home + "/applications/qzctr.desktop").lastModified(), written);

    // The program moved: the entry follows it.
    EXPECT_EQ(qz::RegisterFileTypesIn("/srv/qzctr", home, system, false),
              qz::Registration::Registered);
    EXPECT_EQ(ReadFile(home + "/applications/qzctr.desktop"), qz::DesktopEntryFor("/srv/qzctr"));
}

TEST(FileTypes, UnwritableUserFolderFails) {
    QTemporaryDir dir;
    QFile blocker(dir.filePath("share"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
    blocker.close();
    EXPECT_EQ(qz::RegisterFileTypesIn("/opt/qzctr", dir.filePath("share"), {}, false),
              qz::Registration::Failed);
    EXPECT_EQ(qz::RegisterFileTypesIn("/opt/qzctr", QString(), {}, false),
              qz::Registration::Failed);
}

// The MIME database tool accepts the types and maps the extensions to them.
TEST(FileTypes, MimeDatabaseAcceptsTheTypes) {
    const QString tool = QStandardPaths::findExecutable("update-mime-database");
    if (tool.isEmpty()) {
        GTEST_SKIP() << "update-mime-database is not installed";
    }
    QTemporaryDir dir;
    ASSERT_EQ(qz::RegisterFileTypesIn("/opt/qzctr", dir.path(), {}, false),
              qz::Registration::Registered);
    QProcess p;
    p.start(tool, {dir.filePath("mime")});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QByteArray globs = ReadFile(dir.filePath("mime/globs"));
    EXPECT_TRUE(globs.contains("application/x-qzctr-project:*.qzp")) << globs.toStdString();
    EXPECT_TRUE(globs.contains("application/x-qzctr-ir-library:*.irr"));
    EXPECT_TRUE(globs.contains("application/x-qzctr-rs232-library:*.rss"));
}

} // namespace
