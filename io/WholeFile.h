#pragma once
// The one way files are read and written whole: project files, their text form, library files,
// the outputs of qzctl. Paths go to the system through EncodeFileName (FileName.h).
//
// Reading takes only regular files: a FIFO would block the reader until some writer appears, a
// device can be endless. The file is looked at before it is opened and again once it is open,
// and reading stops one byte past the limit whatever the size said.
//
// Writing puts the bytes into a new file beside the target, checks that every byte reached the
// disk (each write, the flush, fsync, close), and only then renames it over the target. On any
// failure the new file is removed and the target keeps every byte it had. A link is followed: the
// file it names is replaced and the link stays; but in a folder shared by all with the sticky bit
// (/tmp), a link of another user (not the folder's owner) is refused, not followed. An existing
// file keeps its permissions. A save killed on the way leaves its new file behind; the next save
// of the same file removes such leftovers (a save at work holds a lock on its new file).
#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

class QFile;
class QIODevice;

namespace qz::io {

// Reads the whole file into `bytes` (left as it was on failure). Messages, each starting with the
// path: "cannot open: <system's reason>", "cannot open: a named pipe (FIFO), not a regular file"
// (also for folders, devices and sockets), "<N> bytes, more than the <max> bytes a file of this
// kind can hold", "cannot read: <reason>"; "no file name given" for an empty path.
bool ReadWholeFile(const QString& path, qint64 maxSize, QByteArray& bytes, QString* error);

// What carries the bytes into the new file, made for its descriptor (which the writer closes).
// Tests give a device that fails part-way, as a full disk does.
using WriteDeviceFactory = std::function<std::unique_ptr<QIODevice>(int fd)>;

// Replaces the file's content with `bytes`, all or nothing. The message starts with the path:
// "cannot write: <system's reason>", and says when an existing file was left as it was.
bool WriteWholeFile(const QString& path, const QByteArray& bytes, QString* error,
                    const WriteDeviceFactory& device = {});

// Opens a file to write it from its start, as a log is written: created when missing, emptied
// when there, links followed as WriteWholeFile follows them. Only a regular file is taken, and the
// open never waits: a FIFO would hold the writer until some reader comes. `why` gets the system's
// reason, or "a named pipe (FIFO), not a regular file" (also folders, devices and sockets). The
// file is opened on its descriptor, so its fileName() is empty: callers keep the path.
bool OpenForWriting(QFile& file, const QString& path, QString* why);

// Whether something (of any kind) is at the path; a dangling link counts.
bool Exists(const QString& path);

} // namespace qz::io
