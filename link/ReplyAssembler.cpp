#include "ReplyAssembler.h"

#include "model/KvqCmd.h"

namespace qz {

namespace {

// Length field of a header at `at`: 1..2035 when it is four decimal digits in range, 0 when it
// is not a header, -1 when not all four digits have arrived.
int HeaderLength(const QByteArray& bytes, int at) {
    if (bytes.size() < at + 7) {
        return -1;
    }
    int length = 0;
    for (int i = at + 3; i < at + 7; ++i) {
        const char c = bytes[i];
        if (c < '0' || c > '9') {
            return 0;
        }
        length = length * 10 + (c - '0');
    }
    return length >= 1 && length <= kMaxFrameLength ? length : 0;
}

} // namespace

int ReplyAssembler::FrameEnd(const QByteArray& bytes) {
    int from = 0;
    while (true) {
        const int at = bytes.indexOf("KVQ", from);
        if (at < 0) {
            return -1;
        }
        const int length = HeaderLength(bytes, at);
        if (length < 0) {
            return 0; // a header is arriving
        }
        if (length > 0) {
            const int end = at + length + 13;
            return bytes.size() >= end ? end : 0;
        }
        from = at + 1; // "KVQ" without a length field: noise
    }
}

QList<QByteArray> ReplyAssembler::Feed(const QByteArray& bytes) {
    QList<QByteArray> replies;
    m_pending.append(bytes);
    while (!m_pending.isEmpty()) {
        const int end = FrameEnd(m_pending);
        if (end > 0 && end <= kMaxReply) {
            replies.append(m_pending.left(end));
            m_pending.remove(0, end);
        } else if (m_pending.size() >= kMaxReply) {
            // A run of bytes that no frame ends within one buffer: hand it on in buffer-sized
            // pieces, as the reads of one buffer each would.
            replies.append(m_pending.left(kMaxReply));
            m_pending.remove(0, kMaxReply);
        } else {
            break;
        }
    }
    return replies;
}

QByteArray ReplyAssembler::Flush() {
    QByteArray reply;
    reply.swap(m_pending);
    return reply;
}

} // namespace qz
