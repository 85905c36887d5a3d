#pragma once
#include <QByteArray>
#include <QList>

namespace qz {

// Cuts the byte stream from the keypad into replies. A reply ends with a whole frame (its
// length field says where) or, for anything else, when the line falls silent; the caller owns
// the silence timer and calls Flush() when it fires. So a reply split over several reads still
// counts once, and two replies that arrive in one read count twice.
//
// Bytes before a frame header (line noise) stay in front of that frame's reply, as they would in
// one read of the port.
class ReplyAssembler {
  public:
    // Largest reply handed on: one frame buffer. A longer run of bytes without a frame end is
    // cut into pieces of this size.
    static constexpr int kMaxReply = 2048;

    // Adds received bytes; returns the replies they completed, in order.
    QList<QByteArray> Feed(const QByteArray& bytes);
    // The line fell silent: whatever is pending is one reply (empty when nothing is pending).
    QByteArray Flush();
    bool HasPending() const { return !m_pending.isEmpty(); }
    void Reset() { m_pending.clear(); }

    // End of the first whole frame in `bytes` (noise before it included); 0 when none is complete
    // yet. -1 when no frame can end within `bytes` as received so far.
    static int FrameEnd(const QByteArray& bytes);

  private:
    QByteArray m_pending;
};

} // namespace qz
