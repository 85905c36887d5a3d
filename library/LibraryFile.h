#pragma once
#include <QLoggingCategory>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(lcLibrary)

// What the IR and RS232 libraries share; their files are read and written through
// io/WholeFile.h.
namespace qz::libfile {

// A library file is at most this large: a full IR library of learned codes takes a few MB, and
// the bound keeps a wrong file from being pulled into memory whole.
constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;

// Sets *error when it is given.
void SetError(QString* error, const QString& text);

} // namespace qz::libfile
