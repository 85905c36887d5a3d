#pragma once
#include <QByteArray>
#include <QLoggingCategory>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(lcLibrary)

// File access shared by the IR and RS232 libraries.
namespace qz::libfile {

// A library file is at most this large: a full IR library of learned codes takes a few MB, and
// the bound keeps a wrong file (or a device) from being pulled into memory whole.
constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;

// Reads the whole file into `bytes`; false with a message naming `path` when it cannot be opened
// or read, or is larger than kMaxFileSize.
bool ReadAll(const QString& path, QByteArray& bytes, QString* error);
// Writes `bytes` through QSaveFile: the old file is replaced only when everything was written.
bool WriteAll(const QString& path, const QByteArray& bytes, QString* error);

// Sets *error when it is given.
void SetError(QString* error, const QString& text);

} // namespace qz::libfile
