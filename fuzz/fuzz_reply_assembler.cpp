// Cutting the keypad's byte stream into replies, whatever arrives. Checks: no byte is lost,
// doubled or reordered; no reply is empty or longer than one buffer; a reply ends at the end of
// a frame unless it is a buffer-sized cut or the rest flushed by silence; and how the bytes
// were split into reads changes nothing.
//
// Input: one byte choosing the read sizes, then the bytes from the keypad.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <QByteArray>
#include <QList>

#include "link/ReplyAssembler.h"

namespace {

void Check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

struct Outcome {
    QList<QByteArray> replies;
    QByteArray rest;
};

Outcome Feed(const QByteArray& stream, int seed) {
    qz::ReplyAssembler assembler;
    Outcome outcome;
    int at = 0;
    unsigned state = static_cast<unsigned>(seed) * 2654435761u + 1;
    while (at < stream.size()) {
        int size = stream.size() - at;
        if (seed != 0) {
            state = state * 1103515245u + 12345u;
            size = std::min<int>(size, 1 + static_cast<int>((state >> 16) % 64));
        }
        outcome.replies += assembler.Feed(stream.mid(at, size));
        at += size;
    }
    outcome.rest = assembler.Flush();
    Check(!assembler.HasPending());
    return outcome;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 16384) {
        return 0;
    }
    const int seed = data[0];
    const QByteArray stream(reinterpret_cast<const char*>(data + 1), static_cast<int>(size - 1));

    const Outcome whole = Feed(stream, 0);
    QByteArray joined;
    for (const QByteArray& reply : whole.replies) {
        Check(!reply.isEmpty());
        Check(reply.size() <= qz::ReplyAssembler::kMaxReply);
        Check(reply.size() == qz::ReplyAssembler::kMaxReply ||
              qz::ReplyAssembler::FrameEnd(reply) == reply.size());
        joined += reply;
    }
    Check(whole.rest.size() < qz::ReplyAssembler::kMaxReply);
    Check(qz::ReplyAssembler::FrameEnd(whole.rest) <= 0);
    Check(joined + whole.rest == stream);

    const Outcome pieces = Feed(stream, seed == 0 ? 1 : seed);
    Check(pieces.replies == whole.replies);
    Check(pieces.rest == whole.rest);
    return 0;
}
