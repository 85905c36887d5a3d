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
// The file layer's messages name the path with the bytes a file name keeps: shown as their
// Latin-1 characters (latin1::ShownPath), so that "Caf\xe9.irr" reads "Café.irr".
void ShowPathIn(QString* error);

} // namespace qz::libfile
