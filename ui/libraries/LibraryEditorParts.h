#pragma once
// What the IR and RS232 library editors share: their buttons, reading and writing a
// library file, and the questions of "Open Lib", "New Lib", "New Function", "Save Name as" and
// of closing with unsaved changes.
#include <QString>

#include <optional>
#include <string>
#include <utility>

#include "io/Latin1.h"
#include "library/StaleActions.h"
#include "store/Paths.h"
#include "ui/dialogs/Messages.h"
#include "ui/dialogs/SmallDialogs.h"

class QPushButton;
class QWidget;

namespace qz {

// The editors' texts as the library files keep them, one byte a character. What reaches ToBytes
// comes from the file itself or from boxes that refuse characters above U+00FF as they are typed;
// anything else is refused whole rather than made into "?".
inline QString FromBytes(const std::string& text) {
    return latin1::ToQString(text);
}
inline std::string ToBytes(const QString& text) {
    return latin1::ToBytes(text).value_or(std::string());
}

} // namespace qz

namespace qz::libedit {

// A button that Enter in a box does not press.
QPushButton* Button(const QString& text, const char* name, QWidget* parent);

// The library `name` (stripped of blanks) of the library folder, read whole into `library`;
// false, with `library` as it was, when there is no name or the file cannot be read. A name that
// would leave the library folder is never looked up: the user is told why.
template <class Library, class Load>
bool ReadNamedLibrary(const QString& name, const char* extension, Load load, Library& library,
                      IMessages& messages) {
    const std::optional<std::string> lib = latin1::ToBytes(name.trimmed());
    if (!lib || lib->empty()) {
        return false;
    }
    if (!latin1::IsSafeLibraryName(*lib)) {
        messages.Show(latin1::LibraryNameFaultText(*lib));
        return false;
    }
    Library loaded;
    if (!load(latin1::FindLibraryFile(LibraryFolder(), *lib, extension), loaded, nullptr)) {
        return false;
    }
    library = std::move(loaded);
    return true;
}

// "Open Lib": the library file of `extension` the user picks, read whole into `library`. A file
// that cannot be read changes nothing ("Can Not Open The File", with the reader's reason): false,
// as when none was picked.
template <class Library, class Load>
bool OpenLibraryFile(IMessages& messages, const char* extension, Load load, Library& library) {
    const QString path =
        messages.OpenFileName(QStringLiteral("Open Lib"), LibraryFolder(),
                              QStringLiteral("FILE (*%1)").arg(QLatin1String(extension)));
    if (path.isEmpty()) {
        return false;
    }
    Library loaded;
    QString error;
    if (!load(path, loaded, &error)) {
        messages.Show(QStringLiteral("Can Not Open The File\n\n") + error,
                      QStringLiteral("Open Lib"));
        return false;
    }
    library = std::move(loaded);
    return true;
}

// Whether a loaded library's stored name can name its file; otherwise the user is warned that it
// is open read-only.
bool StoredNameIsSafe(IMessages& messages, const std::string& libName);

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

// Where "Save Edit" writes the library `libName`: its file in the library folder. Empty, with
// the user told why, for a name that would leave the folder.
QString SaveEditPath(IMessages& messages, const std::string& libName, const char* extension);

// What the editor shows after a save.
QString SavedText(const QString& path);

// The question when the editor closes with unsaved changes: 1 save, 0 discard, -1 stay open.
int AskToSaveChanges(IMessages& messages, const QString& libName, const QString& caption,
                     const QString& also = {});

// Runs the name dialog in `mode`; empty when it was not confirmed with an accepted name.
QString AskNewName(int mode, const CDlgNewName::DuplicateTest& test, IMessages& messages,
                   QWidget* parent);

// "Save Name as": the path the user picks, `extension` added to a name without one; empty when
// none was picked or its name is no library name (the user is told why).
QString AskSavePath(IMessages& messages, const char* extension);

} // namespace qz::libedit
