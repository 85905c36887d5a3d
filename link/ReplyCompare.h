#pragma once
// A compare action made from what a device answered, so that the keypad can wait for exactly
// that answer after the RS232 action.
#include <QByteArray>
#include <QString>

#include <optional>

#include "model/ActionTexts.h"

namespace qz {

struct ReplyCompare {
    CompareAction action;
    QString note; // what the user should know (the reply cut to the data area); may be empty
};

// The compare action for `reply` on keypad port `port` (0..2), compare mode 0 Equal or
// 1 Include. A reply ending in CR LF or CR takes that end character; a reply that ASCII data
// cannot hold as it is (control bytes, DEL, a blank at its end, which an action text loses) is
// written in hex. A compare holds 32 bytes: a longer reply gives its first 32. Nothing for an
// empty reply.
std::optional<ReplyCompare> CompareFromReply(const QByteArray& reply, int port, int mode);

} // namespace qz
