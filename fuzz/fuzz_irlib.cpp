// Fuzz target for the IR library reader: any bytes are either refused with a message or give a
// library that writes and reads back to itself, and the look-ups stay within the entries.
#include "library/IrLibrary.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    qz::CIrLibSet lib;
    lib.libName = "untouched";
    QString error;
    if (!qz::ReadIrLibrary(bytes, lib, &error)) {
        if (error.isEmpty() || !error.startsWith(QLatin1String("byte ")) ||
            lib.libName != "untouched" || !lib.entries.empty()) {
            std::abort();
        }
        return 0;
    }
    const QByteArray written = qz::WriteIrLibrary(lib);
    qz::CIrLibSet again;
    if (!qz::ReadIrLibrary(written, again, &error) || again != lib ||
        qz::WriteIrLibrary(again) != written) {
        std::abort();
    }
    for (int i = 0; i < static_cast<int>(lib.entries.size()) && i < 64; ++i) {
        const std::string name = qz::IrFunctionName(lib, i);
        const int found = name.empty() ? -1 : qz::FindIrFunction(lib, name);
        if (!name.empty() && (found < 0 || found > i)) {
            std::abort();
        }
        if (qz::IrEntryData(qz::IrFunctionEntry(lib, i)).size() > std::size_t(qz::kIrCodeDigits)) {
            std::abort();
        }
    }
    return 0;
}
