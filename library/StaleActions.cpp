#include "StaleActions.h"

#include "IrLibrary.h"
#include "Rs232Library.h"
#include "io/Latin1.h"
#include "io/WholeFile.h"
#include "model/ActionTexts.h"
#include "model/Configuration.h"
#include "model/KvqEventStr.h"
#include "model/Text.h"

#include <unordered_map>

namespace qz {

namespace {

// The parser drops blanks at the end of an action text, so a copy can never hold them.
std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && IsBlankChar(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

// Position of `text` among `entries`, letter case ignored as the page's lists select; -1 when
// none.
template <std::size_t N> int EntryCode(const char* const (&entries)[N], std::string_view text) {
    for (std::size_t i = 0; i < N; ++i) {
        if (EqualIgnoringCase(entries[i], text)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

struct IrLib {
    StaleStatus status = StaleStatus::Changed; // Changed: the library was read
    std::unordered_map<std::string, std::string> codes;
};

struct Rs232Lib {
    StaleStatus status = StaleStatus::Changed;
    std::unordered_map<std::string, CRS232LibFun> functions;
};

// Reads each library the first time an action names it.
class LibraryCache {
  public:
    explicit LibraryCache(const QString& folder) : m_folder(folder) {}

    const IrLib& Ir(const std::string& name) {
        auto [it, added] = m_ir.try_emplace(name);
        if (added) {
            CIrLibSet set;
            it->second.status = Load(name, LibraryKind::Ir, [&](const QString& path) {
                return LoadIrLibraryFile(path, set);
            });
            for (const std::string& entry : set.entries) {
                const std::string function = IrEntryName(entry);
                if (function.empty()) {
                    continue;
                }
                // The code as the IR page copies it: after the first ":", not shortened.
                IrAction action;
                action.TakeLibraryEntry(entry);
                it->second.codes.try_emplace(function, TrimRight(action.code));
            }
        }
        return it->second;
    }

    const Rs232Lib& Rs232(const std::string& name) {
        auto [it, added] = m_rs232.try_emplace(name);
        if (added) {
            CRS232LibSet set;
            it->second.status = Load(name, LibraryKind::Rs232, [&](const QString& path) {
                return LoadRs232LibraryFile(path, set);
            });
            for (const CRS232LibFun& function : set.functions) {
                it->second.functions.try_emplace(function.name, function);
            }
        }
        return it->second;
    }

  private:
    template <class Loader>
    StaleStatus Load(const std::string& name, LibraryKind kind, Loader load) const {
        // A stored name is never made into a path unless it stays in the folder.
        if (!latin1::IsSafeLibraryName(name)) {
            return StaleStatus::LibraryNameRefused;
        }
        // The io layer names the file by its bytes; Qt's own look-up cannot see a file whose
        // name is not UTF-8 (every 8-bit library name saved under its own bytes).
        const QString path = LibraryFileFor(m_folder, name, kind);
        if (!io::Exists(path)) {
            return StaleStatus::LibraryMissing;
        }
        return load(path) ? StaleStatus::Changed : StaleStatus::LibraryUnreadable;
    }

    QString m_folder;
    std::unordered_map<std::string, IrLib> m_ir;
    std::unordered_map<std::string, Rs232Lib> m_rs232;
};

// The IR action updated from its library; empty when it is in step.
std::string UpdatedIrText(std::string_view text, const std::string& currentCode,
                          const std::string& libraryCode) {
    if (currentCode == libraryCode) {
        return {};
    }
    std::optional<IrAction> action = IrAction::FromActionText(text);
    if (!action) {
        return {};
    }
    action->code = libraryCode;
    return action->ToActionText();
}

// What the RS232 page takes from a library function when it is chosen: the list entries that
// match the function's settings (a setting that matches none leaves the action's), its format
// and end character, and its data as the data box shows it.
std::string UpdatedRs232Text(std::string_view text, const CRS232LibFun& function) {
    std::optional<Rs232Action> action = Rs232Action::FromActionText(text);
    if (!action) {
        return {};
    }
    Rs232Action updated = *action;
    if (const int baud = EntryCode(kBaudRateEntries, function.baudRate); baud >= 0) {
        updated.baudRate = kBaudRateEntries[baud];
    }
    if (const int bits = EntryCode(kDataBitEntries, function.dataBits); bits >= 0) {
        updated.dataBit = bits;
    }
    if (const int stop = EntryCode(kStopBitEntries, function.stopBits); stop >= 0) {
        updated.stopBit = stop;
    }
    if (const int parity = EntryCode(kParityEntries, function.parity); parity >= 0) {
        updated.parity = parity;
    }
    updated.format = function.format == kRs232Ascii ? 0 : 1;
    updated.endChar = function.endChar;
    updated.data = std::string(TrimRight(Rs232DataText(function)));
    const bool same = updated.baudRate == action->baudRate && updated.dataBit == action->dataBit &&
                      updated.stopBit == action->stopBit && updated.parity == action->parity &&
                      updated.format == action->format && updated.endChar == action->endChar &&
                      updated.data == action->data;
    return same ? std::string() : updated.ToActionText();
}

} // namespace

const char* LibraryExtension(LibraryKind kind) {
    return kind == LibraryKind::Ir ? ".irr" : ".rss";
}

QString LibraryFileFor(const QString& folder, std::string_view libName, LibraryKind kind) {
    return latin1::FindLibraryFile(folder, libName, LibraryExtension(kind));
}

const char* StaleStatusName(StaleStatus status) {
    switch (status) {
    case StaleStatus::Changed:
        return "changed";
    case StaleStatus::FunctionMissing:
        return "function missing";
    case StaleStatus::LibraryMissing:
        return "library missing";
    case StaleStatus::LibraryUnreadable:
        return "library unreadable";
    case StaleStatus::LibraryNameRefused:
        return "library name refused";
    }
    return "";
}

int LibraryUsage::Uses(LibraryKind kind, std::string_view library,
                       std::string_view function) const {
    const auto it = m_counts.find(std::make_tuple(static_cast<int>(kind), library, function));
    return it == m_counts.end() ? 0 : it->second;
}

void LibraryUsage::Add(LibraryKind kind, std::string_view library, std::string_view function) {
    const auto key = std::make_tuple(static_cast<int>(kind), library, function);
    const auto it = m_counts.find(key);
    if (it != m_counts.end()) {
        ++it->second;
    } else {
        m_counts.emplace(
            std::make_tuple(static_cast<int>(kind), std::string(library), std::string(function)),
            1);
    }
}

namespace {

// Calls visit(key, slot, row, parsed action) for every IR and RS232 action that names a library
// function.
template <class Visit> void ForEachLibraryAction(const Configuration& config, Visit visit) {
    for (int k = 0; k < kKeyCount; ++k) {
        for (int s = 0; s < kSlotCount; ++s) {
            const ActionList& actions = config.keys[std::size_t(k)].slots[std::size_t(s)];
            for (std::size_t r = 0; r < actions.size(); ++r) {
                const std::string& text = actions[r];
                // Cheap test first: most actions are neither kind.
                const std::string_view head = TrimView(text).substr(0, 4);
                if (head != "INFR" && head != "UART") {
                    continue;
                }
                const CKvqEventStr parsed(text);
                if (!parsed.IsValid()) {
                    continue;
                }
                const bool ir = parsed.GetTypeCode() == kActionIr;
                if (!ir && parsed.GetTypeCode() != kActionUart) {
                    continue;
                }
                const std::string& library = ir ? parsed.GetIrLib() : parsed.GetUartLib();
                const std::string& function = ir ? parsed.GetIrFun() : parsed.GetUartFun();
                if (library.empty() || function.empty()) {
                    continue;
                }
                visit(k, s, static_cast<int>(r), ir ? LibraryKind::Ir : LibraryKind::Rs232, parsed,
                      library, function);
            }
        }
    }
}

} // namespace

LibraryUsage CountLibraryUses(const Configuration& config) {
    LibraryUsage usage;
    ForEachLibraryAction(config, [&](int, int, int, LibraryKind kind, const CKvqEventStr&,
                                     const std::string& library, const std::string& function) {
        usage.Add(kind, library, function);
    });
    return usage;
}

StaleReport FindStaleActions(const Configuration& config, const QString& folder) {
    StaleReport report;
    LibraryCache cache(folder);
    ForEachLibraryAction(config, [&](int key, int slot, int row, LibraryKind kind,
                                     const CKvqEventStr& parsed, const std::string& library,
                                     const std::string& function) {
        report.usage.Add(kind, library, function);
        StaleAction found;
        found.key = key;
        found.slot = slot;
        found.row = row;
        found.kind = kind;
        found.library = library;
        found.function = function;
        StaleStatus libraryStatus;
        if (kind == LibraryKind::Ir) {
            const IrLib& lib = cache.Ir(library);
            libraryStatus = lib.status;
            if (libraryStatus == StaleStatus::Changed) {
                const auto it = lib.codes.find(function);
                if (it == lib.codes.end()) {
                    libraryStatus = StaleStatus::FunctionMissing;
                } else {
                    found.updatedText =
                        UpdatedIrText(parsed.GetText(), parsed.GetIrCode(), it->second);
                }
            }
        } else {
            const Rs232Lib& lib = cache.Rs232(library);
            libraryStatus = lib.status;
            if (libraryStatus == StaleStatus::Changed) {
                const auto it = lib.functions.find(function);
                if (it == lib.functions.end()) {
                    libraryStatus = StaleStatus::FunctionMissing;
                } else {
                    found.updatedText = UpdatedRs232Text(parsed.GetText(), it->second);
                }
            }
        }
        const std::string& text =
            config.keys[std::size_t(key)].slots[std::size_t(slot)][std::size_t(row)];
        if (libraryStatus != StaleStatus::Changed) {
            found.status = libraryStatus;
            if (libraryStatus == StaleStatus::LibraryNameRefused) {
                found.message = latin1::LibraryNameFaultText(library);
            }
            found.currentText = text;
            report.unmatched.push_back(std::move(found));
            return;
        }
        if (found.updatedText.empty()) {
            return; // in step
        }
        found.currentText = text;
        report.changed.push_back(std::move(found));
    });
    return report;
}

} // namespace qz
