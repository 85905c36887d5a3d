#pragma once
// Actions that carry a copy of a library function: an IR action keeps its function's code, an
// RS232 action its function's serial settings and data. When the function changes later (a code
// learned again, data corrected), the copies do not follow. This finds the copies that differ
// from their library function today and builds their up-to-date texts, and counts how many
// actions use each function.
#include <QString>

#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace qz {

class Configuration;

enum class LibraryKind : int { Ir = 0, Rs232 = 1 };

// ".irr" or ".rss".
const char* LibraryExtension(LibraryKind kind);

// The file of a library in `folder`, as latin1::FindLibraryFile finds it: the name's own bytes
// plus ".irr" or ".rss" (also where a new library is written), else its UTF-8 spelling when only
// that one is there. Empty when the name could leave the folder (latin1::IsSafeLibraryName).
QString LibraryFileFor(const QString& folder, std::string_view libName, LibraryKind kind);

// How an action compares with its library function.
enum class StaleStatus : int {
    Changed,            // the function differs from the action's copy: updatedText holds the fix
    FunctionMissing,    // the library has no function of that name
    LibraryMissing,     // no such library file in the folder
    LibraryUnreadable,  // the file is there but damaged or unreadable
    LibraryNameRefused, // the name could leave the library folder: no file is looked at
};
const char* StaleStatusName(StaleStatus status);

struct StaleAction {
    int key = 0;
    int slot = 0;
    int row = 0; // position in the slot's action list, from 0
    LibraryKind kind = LibraryKind::Ir;
    StaleStatus status = StaleStatus::Changed;
    std::string library;
    std::string function;
    std::string currentText;
    // LibraryNameRefused only: why the name names no file (latin1::LibraryNameFaultText).
    QString message;
    // Changed only: the text the action page would build from the function today, every other
    // field of the action kept.
    // Records of a type have a fixed size, so an updated action always fits its event's frame.
    std::string updatedText;
};

// How many actions of a configuration use each library function (by kind, library name and
// function name, exactly as the action texts hold them).
class LibraryUsage {
  public:
    int Uses(LibraryKind kind, std::string_view library, std::string_view function) const;
    void Add(LibraryKind kind, std::string_view library, std::string_view function);

  private:
    std::map<std::tuple<int, std::string, std::string>, int, std::less<>> m_counts;
};

struct StaleReport {
    std::vector<StaleAction> changed;   // status Changed, keys, slots and rows ascending
    std::vector<StaleAction> unmatched; // the other statuses, same order
    LibraryUsage usage;
};

// Every library action of the configuration compared with the libraries in `folder`. Actions
// without a library or function name (typed RS232 data) are not library copies and are skipped.
// Each library file is read at most once per call.
StaleReport FindStaleActions(const Configuration& config, const QString& folder);

// Usage counts alone (no files are read).
LibraryUsage CountLibraryUses(const Configuration& config);

} // namespace qz
