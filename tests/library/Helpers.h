#pragma once
#include <QByteArray>
#include <QFile>
#include <QString>

#include "library/Rs232Library.h"

#include <algorithm>
#include <string>

namespace qztest {

inline QString DataPath(const char* name) {
    return QString::fromUtf8(QZ_TEST_DATA) + QLatin1Char('/') + QLatin1String(name);
}

inline QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QByteArray("<unreadable>");
    }
    return file.readAll();
}

inline bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray Le16(unsigned v) {
    QByteArray bytes;
    bytes.append(static_cast<char>(v & 0xFF)).append(static_cast<char>((v >> 8) & 0xFF));
    return bytes;
}
inline QByteArray Le32(quint32 v) {
    return Le16(v & 0xFFFF) + Le16(v >> 16);
}
inline QByteArray Le64(quint64 v) {
    return Le32(static_cast<quint32>(v)) + Le32(static_cast<quint32>(v >> 32));
}

inline QByteArray Bytes(const std::string& s) {
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

// An RS232 library function at 9600 baud, 8 data bits, 1 stop bit, no parity, holding `data`.
inline qz::CRS232LibFun Rs232Function(const std::string& name, std::int32_t format,
                                      std::int32_t endChar, const QByteArray& data) {
    qz::CRS232LibFun fun;
    fun.name = name;
    fun.baudRate = "9600";
    fun.dataBits = "8";
    fun.stopBits = "1";
    fun.parity = "NONE";
    fun.format = format;
    fun.endChar = endChar;
    fun.dataLength = static_cast<std::int32_t>(data.size());
    std::copy(data.begin(), data.end(), fun.data.begin());
    return fun;
}

} // namespace qztest
