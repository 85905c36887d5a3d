#pragma once
// Running qzctl as the user runs it, for the command-line tests.
#include <QByteArray>
#include <QFile>
#include <QList>
#include <QTemporaryDir>

#include <cstring>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace qztest {

struct CliRun {
    int status = -1; // the exit status; -1 when qzctl did not run or did not exit
    QByteArray out;
    QByteArray err;
};

// All bytes of a file, without waiting on a FIFO; "(unreadable)" when it cannot be opened.
inline QByteArray RawRead(const QByteArray& path) {
    QByteArray bytes;
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) {
        return "(unreadable)";
    }
    char chunk[65536];
    ssize_t got = 0;
    while ((got = ::read(fd, chunk, sizeof chunk)) > 0) {
        bytes.append(chunk, got);
    }
    ::close(fd);
    return bytes;
}

// Runs qzctl with arguments given as bytes: QProcess would pass them as UTF-8, and so could not
// pass a Latin-1 file name. The output goes through files, so that nothing can fill a pipe.
// `home`, when given, is the QZCTR_HOME of the run (where the library folder is). `output`, when
// given, is the file the standard output goes to instead ("-" for a closed standard output).
inline CliRun Qzctl(const QList<QByteArray>& args, const QByteArray& home = {},
                    const QByteArray& output = {}) {
    QTemporaryDir outputs;
    const QByteArray outPath = QFile::encodeName(outputs.filePath("out"));
    const QByteArray errPath = QFile::encodeName(outputs.filePath("err"));
    const QByteArray program = QZ_BINARY_DIR "/cli/qzctl";
    std::vector<char*> argv{const_cast<char*>(program.constData())};
    for (const QByteArray& a : args) {
        argv.push_back(const_cast<char*>(a.constData()));
    }
    argv.push_back(nullptr);
    const QByteArray homeEntry = "QZCTR_HOME=" + home;
    std::vector<char*> envp;
    for (char** e = environ; *e; ++e) {
        if (home.isEmpty() || std::strncmp(*e, "QZCTR_HOME=", 11) != 0) {
            envp.push_back(*e);
        }
    }
    if (!home.isEmpty()) {
        envp.push_back(const_cast<char*>(homeEntry.constData()));
    }
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (output == "-") {
        posix_spawn_file_actions_addclose(&actions, 1);
    } else {
        posix_spawn_file_actions_addopen(
            &actions, 1, output.isEmpty() ? outPath.constData() : output.constData(),
            O_WRONLY | O_CREAT, 0600);
    }
    posix_spawn_file_actions_addopen(&actions, 2, errPath.constData(), O_WRONLY | O_CREAT, 0600);
    pid_t pid = 0;
    CliRun run;
    const int spawned =
        posix_spawn(&pid, program.constData(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (spawned != 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
        return run;
    }
    run.status = WEXITSTATUS(status);
    run.out = RawRead(outPath);
    run.err = RawRead(errPath);
    return run;
}

} // namespace qztest
