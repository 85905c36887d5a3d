#pragma once
// Names, codes and action texts are kept as 8-bit (Latin-1) strings, as the project and library
// files store them; the widgets show them as QStrings.
#include <QByteArray>
#include <QString>

#include <string>

namespace qz {

inline QString FromBytes(const std::string& text) {
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

inline std::string ToBytes(const QString& text) {
    return text.toLatin1().toStdString();
}

} // namespace qz
