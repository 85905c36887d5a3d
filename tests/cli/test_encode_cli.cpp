// qzctl encode and summary, run as the user runs them.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QList>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "model/KvqEventStr.h"

namespace {

struct CliRun {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

QByteArray ReadAll(int fd) {
    QByteArray all;
    char buf[4096];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0) {
        all.append(buf, n);
    }
    close(fd);
    return all;
}

// Runs qzctl with arguments passed as raw bytes (QProcess would re-encode them as UTF-8).
CliRun Qzctl(const QList<QByteArray>& args) {
    std::vector<std::string> storage{QZ_BINARY_DIR "/cli/qzctl"};
    for (const auto& a : args) {
        storage.emplace_back(a.constData(), size_t(a.size()));
    }
    std::vector<char*> argv;
    for (auto& s : storage) {
        argv.push_back(s.data());
    }
    argv.push_back(nullptr);
    int out[2];
    int err[2];
    if (pipe(out) != 0 || pipe(err) != 0) {
        return {};
    }
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        dup2(err[1], 2);
        close(out[0]);
        close(err[0]);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    CliRun run;
    run.out = ReadAll(out[0]); // outputs here are small: no risk of a full stderr pipe
    run.err = ReadAll(err[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

} // namespace

TEST(QzctlEncode, RawAndHexRecords) {
    const QByteArray text = "RELY : 0 : 1 : 1";
    const CliRun raw = Qzctl({"encode", text});
    EXPECT_EQ(raw.status, 0);
    EXPECT_EQ(raw.out, QByteArray("63RELY0100000000011"));
    const CliRun hex = Qzctl({"encode", "--hex", "LEDP : 3 : 2 : 2"});
    EXPECT_EQ(hex.status, 0);
    EXPECT_EQ(hex.out, QByteArray("66LEDP0400000000012").toHex().toUpper() + "\n");
}

TEST(QzctlEncode, BytesAboveAsciiPassUnchanged) {
    // é and ÿ in Latin-1: two single bytes, not UTF-8 sequences.
    const QByteArray data("caf\xe9\xff", 5);
    const QByteArray text = "UART :  :  :  : 9600 : 1 : 0 : 0 : 0 : 0 : 0 : 0 : 1 : 1 :" + data;
    const CliRun run = Qzctl({"encode", "--hex", text});
    ASSERT_EQ(run.status, 0) << run.err.constData();
    const QByteArray record = QByteArray::fromHex(run.out.trimmed());
    EXPECT_EQ(record.mid(16, 2), QByteArray("05"));
    EXPECT_EQ(record.mid(18, 5), data);
    const std::string direct = qz::CKvqEventStr::EncodeToBytes(text.toStdString());
    EXPECT_EQ(record.toStdString(), direct);
}

TEST(QzctlEncode, TextsThatDoNotParseExitWithStatus2) {
    const struct {
        QByteArray text;
        const char* message;
    } cases[] = {
        {"UART : a : b", "rs232 : Initialization failed"},
        {"NOPE : 1 : 2", "not an action text"},
        {"", "not an action text"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.constData());
        const CliRun run = Qzctl({"encode", c.text});
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.err.contains(c.message)) << run.err.constData();
    }
    EXPECT_EQ(Qzctl({"encode"}).status, 2);
}

TEST(QzctlSummary, NameTabSummary) {
    const CliRun run = Qzctl({"summary", "CASD :  : 7 : 12 : -"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, QByteArray("Loop\tID:7, Action Key:12\n"));
    const CliRun named = Qzctl({"summary", QByteArray("GPIO : T\xfcr : 1 : 0 : 0 : 0")});
    EXPECT_EQ(named.out, QByteArray("GPIO\tT\xfcr,Port 2 as Input\n"));
    EXPECT_EQ(Qzctl({"summary", "LTOG : 1"}).status, 2);
}
