#pragma once
// Small helpers shared by the store tests.
#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <initializer_list>
#include <string>

#include "io/Archive.h"
#include "model/Configuration.h"

namespace qztest {

// Bytes from a list of values 0..255.
inline std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) {
        s += static_cast<char>(v);
    }
    return s;
}

inline std::string Int32(std::int32_t v) {
    qz::ArchiveWriter w;
    w.WriteInt32(v);
    return w.Bytes();
}

// The configuration right after a start with model 1 and no settings file.
inline qz::Configuration StartupModel1() {
    qz::Configuration c;
    c.LayoutKeys(1);
    c.ApplyModelAndPort(1, 0);
    return c;
}

// Equal in every field the project file holds (the repeat interval lives in memory only).
inline bool SameStoredFields(const qz::Configuration& a, qz::Configuration b) {
    for (int k = 0; k < qz::kKeyCount; ++k) {
        b.keys[k].repeatInterval = a.keys[k].repeatInterval;
    }
    return a == b;
}

// The file's bytes; empty when it cannot be read.
inline QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace qztest
