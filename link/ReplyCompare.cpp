#include "ReplyCompare.h"

#include <algorithm>
#include <string>

namespace qz {

namespace {

constexpr int kCompareArea = 32;

// A byte that ASCII data of an action text keeps as it is.
bool KeptInText(unsigned char c) {
    return (c >= 0x20 && c < 0x7F) || c >= 0xA0;
}

} // namespace

std::optional<ReplyCompare> CompareFromReply(const QByteArray& reply, int port, int mode) {
    if (reply.isEmpty()) {
        return std::nullopt;
    }
    ReplyCompare out;
    out.action.port = port;
    out.action.compareMode = mode == 0 ? 0 : 1;
    QByteArray bytes = reply.left(kCompareArea);
    if (reply.size() > kCompareArea) {
        out.note = QStringLiteral("The reply has %1 bytes; a compare holds %2: it takes the "
                                  "first %2.")
                       .arg(reply.size())
                       .arg(kCompareArea);
        if (out.action.compareMode == 0) {
            out.note += QStringLiteral(" \"Equal\" will not match the whole reply; \"Include\" "
                                       "will.");
        }
    }
    int end = 0;
    QByteArray text = bytes;
    if (text.endsWith("\r\n")) {
        end = 2;
        text.chop(2);
    } else if (text.endsWith('\r')) {
        end = 1;
        text.chop(1);
    }
    const bool ascii =
        std::all_of(text.begin(), text.end(), [](char c) { return KeptInText(uchar(c)); }) &&
        !(text.endsWith(' ')) && text.size() + end <= kCompareArea;
    if (ascii) {
        out.action.format = 0;
        out.action.endChar = end;
        out.action.data = text.toStdString();
    } else {
        // The same hex form the page shows after "Hex": its encoder reads it back byte for byte.
        out.action.format = 1;
        out.action.endChar = 0;
        out.action.data = ConvertDataToHex(std::string(bytes.constData(), size_t(bytes.size())), 0);
    }
    return out;
}

} // namespace qz
