#include "LibraryFile.h"

Q_LOGGING_CATEGORY(lcLibrary, "qz.library")

namespace qz::libfile {

void SetError(QString* error, const QString& text) {
    if (error) {
        *error = text;
    }
}

} // namespace qz::libfile
