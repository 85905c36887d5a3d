#pragma once
// What the IR and RS232 library editors share: their buttons, reading and writing a
// library file, and the questions of "Open Lib", "New Lib", "New Function" and "Save Name as".
#include <QString>

#include <string>
#include <utility>

#include "library/StaleActions.h"
#include "store/Paths.h"
#include "ui/dialogs/Messages.h"
#include "ui/dialogs/SmallDialogs.h"
#include "ui/pages/Latin1.h"

class QPushButton;
class QWidget;

namespace qz::libedit {

// A button that Enter in a box does not press.
QPushButton* Button(const QString& text, const char* name, QWidget* parent);

// The library `name` (stripped of blanks) of the library folder, read whole into `library`;
// false, with `library` as it was, when there is no name or the file cannot be read.
template <class Library, class Load>
bool ReadNamedLibrary(const QString& name, LibraryKind kind, Load load, Library& library) {
    const QString lib = name.trimmed();
    if (lib.isEmpty()) {
        return false;
    }
    Library loaded;
    if (!load(LibraryFileFor(LibraryFolder(), ToBytes(lib), kind), loaded, nullptr)) {
        return false;
    }
    library = std::move(loaded);
    return true;
}

// "Open Lib": the library file of `extension` the user picks, read whole into `library`. A file
// that cannot be read changes nothing ("Can Not Open The File"): false, as when none was picked.
template <class Library, class Load>
bool OpenLibraryFile(IMessages& messages, const char* extension, Load load, Library& library) {
    const QString path =
        messages.OpenFileName(QStringLiteral("Open Lib"), LibraryFolder(),
                              QStringLiteral("FILE (*%1)").arg(QLatin1String(extension)));
    if (path.isEmpty()) {
        return false;
    }
    Library loaded;
    if (!load(path, loaded, nullptr)) {
        messages.Show(QStringLiteral("Can Not Open The File"));
        return false;
    }
    library = std::move(loaded);
    return true;
}

// Writes `library` to `path` (the RS232 save brings its stored count up to date). Saving never
// fails in silence: the edits are still there to save elsewhere.
template <class Library, class Save>
bool SaveLibraryFile(IMessages& messages, Save save, const QString& path, Library& library) {
    QString error;
    if (!save(path, library, &error)) {
        messages.Show(QStringLiteral("The library could not be saved: %1\n\nThe edits are kept: "
                                     "save again, or pick another file with \"Save Name as\".")
                          .arg(error));
        return false;
    }
    return true;
}

// Runs the name dialog in `mode`; empty when it was not confirmed with an accepted name.
QString AskNewName(int mode, const CDlgNewName::DuplicateTest& test, IMessages& messages,
                   QWidget* parent);

// "Save Name as": the path the user picks, `extension` added to a name without one; empty when
// none was picked.
QString AskSavePath(IMessages& messages, const char* extension);

} // namespace qz::libedit
