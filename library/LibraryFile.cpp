#include "LibraryFile.h"

#include "io/Latin1.h"

Q_LOGGING_CATEGORY(lcLibrary, "qz.library")

namespace qz::libfile {

void SetError(QString* error, const QString& text) {
    if (error) {
        *error = text;
    }
}

void ShowPathIn(QString* error) {
    if (error) {
        *error = latin1::ShownPath(*error);
    }
}

} // namespace qz::libfile
