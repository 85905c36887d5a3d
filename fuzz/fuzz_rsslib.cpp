// Fuzz target for the RS232 library reader: any bytes are either refused with a message or give
// a library whose values are in range and that writes and reads back to itself.
#include "library/Rs232Library.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    qz::CRS232LibSet lib;
    lib.libName = "untouched";
    QString error;
    if (!qz::ReadRs232Library(bytes, lib, &error)) {
        if (!error.startsWith(QLatin1String("byte ")) || lib.libName != "untouched" ||
            lib.storedCount != 0 || !lib.functions.empty()) {
            std::abort();
        }
        return 0;
    }
    if (lib.storedCount != static_cast<std::int32_t>(lib.functions.size())) {
        std::abort();
    }
    for (const auto& fun : lib.functions) {
        if (fun.dataLength < 0 || fun.dataLength > qz::kRs232DataSize ||
            qz::Rs232DataText(fun).size() > 3 * std::size_t(qz::kRs232DataSize) ||
            qz::FindRs232Function(lib, fun.name) < 0) {
            std::abort();
        }
    }
    const QByteArray written = qz::WriteRs232Library(lib, &error);
    qz::CRS232LibSet again;
    if (written.isEmpty() || !qz::ReadRs232Library(written, again, &error) || again != lib ||
        qz::WriteRs232Library(again) != written) {
        std::abort();
    }
    return 0;
}
