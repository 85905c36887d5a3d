#include "FileName.h"

namespace qz::io {

namespace {

constexpr char16_t kKeptByteBase = 0xDC00;

// Length of the valid UTF-8 sequence at p[0..n), or 0 when it is not one (overlong forms,
// surrogates and code points above U+10FFFF are not valid).
int ValidSequence(const unsigned char* p, qsizetype n) {
    const unsigned c = p[0];
    if (c < 0x80) {
        return 1;
    }
    int extra = 0;
    unsigned low = 0x80;
    unsigned high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        extra = 1;
    } else if (c == 0xE0) {
        extra = 2;
        low = 0xA0;
    } else if (c == 0xED) {
        extra = 2;
        high = 0x9F;
    } else if (c >= 0xE1 && c <= 0xEF) {
        extra = 2;
    } else if (c == 0xF0) {
        extra = 3;
        low = 0x90;
    } else if (c == 0xF4) {
        extra = 3;
        high = 0x8F;
    } else if (c >= 0xF1 && c <= 0xF3) {
        extra = 3;
    } else {
        return 0;
    }
    if (n <= extra || p[1] < low || p[1] > high) {
        return 0;
    }
    for (int k = 2; k <= extra; ++k) {
        if ((p[k] & 0xC0) != 0x80) {
            return 0;
        }
    }
    return extra + 1;
}

} // namespace

QString DecodeFileName(QByteArrayView name) {
    const auto* p = reinterpret_cast<const unsigned char*>(name.data());
    const qsizetype n = name.size();
    QString path;
    path.reserve(n);
    qsizetype runStart = 0; // start of the valid UTF-8 not yet converted
    for (qsizetype i = 0; i < n;) {
        const int length = ValidSequence(p + i, n - i);
        if (length > 0) {
            i += length;
            continue;
        }
        path += QString::fromUtf8(name.sliced(runStart, i - runStart));
        path += QChar(static_cast<char16_t>(kKeptByteBase + p[i]));
        runStart = ++i;
    }
    path += QString::fromUtf8(name.sliced(runStart));
    return path;
}

QByteArray EncodeFileName(const QString& path) {
    QByteArray name;
    name.reserve(path.size());
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t u = path.at(i).unicode();
        // Only an unpaired low surrogate in the kept range stands for a byte; a pair is a
        // character outside the BMP.
        const bool paired = i > 0 && path.at(i - 1).isHighSurrogate();
        if (u >= kKeptByteBase + 0x80 && u <= kKeptByteBase + 0xFF && !paired) {
            name += QStringView(path).sliced(runStart, i - runStart).toUtf8();
            name += static_cast<char>(u - kKeptByteBase);
            runStart = i + 1;
        }
    }
    name += QStringView(path).sliced(runStart).toUtf8();
    return name;
}

} // namespace qz::io
