#pragma once
// File names as the system hands them over and takes them back. On Linux a file name is bytes;
// Qt reads them as UTF-8 and turns every byte that is not part of valid UTF-8 into U+FFFD, so a
// name such as "caf\xe9.qzp" (Latin-1) can be neither opened nor written under its own name.
// These two functions keep such bytes: each byte of an invalid sequence becomes the unpaired
// surrogate U+DC80..U+DCFF (which valid UTF-8 never yields) and goes back to the same byte.
// Every file the io layer opens goes through EncodeFileName, so a name taken from the command
// line with DecodeFileName reaches the same file.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace qz::io {

// Bytes of a name (a command-line argument, a directory entry) as a path for this program.
QString DecodeFileName(QByteArrayView name);
// The bytes the system gets for a path: UTF-8, with the kept bytes back in their place. Also
// right for messages that name such a path, so that a terminal shows the name as it was given.
QByteArray EncodeFileName(const QString& path);

} // namespace qz::io
