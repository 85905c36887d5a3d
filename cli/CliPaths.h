#pragma once
// Paths on qzctl's command line and in its messages. A file name is bytes, and Qt's own
// conversions (QFile::decodeName, QCoreApplication::arguments) turn bytes that are not UTF-8 into
// U+FFFD, so "caf\xe9.qzp" would name a file that is not there. These keep every byte.
#include <QByteArray>
#include <QString>

#include "io/FileName.h"

namespace qzctl {

// A command-line argument that names a file or a device.
inline QString ArgPath(const char* arg) {
    return qz::io::DecodeFileName(arg);
}

// A message for the terminal: a path in it comes out as the bytes it was given as.
inline QByteArray Local(const QString& text) {
    return qz::io::EncodeFileName(text);
}

} // namespace qzctl
