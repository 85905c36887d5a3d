#pragma once
// What an upload should not meet: the checks run before the keypad is erased, and by
// `qzctl check`. Each finding names a key and an event slot.
#include <QString>

#include <vector>

#include "model/Configuration.h"

namespace qz {

struct Finding {
    int key;
    int slot;
    QString text;
};

// In key and slot order, for every listed event:
//  - an event of a family the key's kind cannot hold (a Page event on a virtual key);
//  - an IOL/IOH event on a model without usable inputs;
//  - an event whose actions do not fit one frame;
//  - an action text that does not parse;
//  - an action on a port that the device model and port mode refuse, or an I/O action on a model
//    without I/O (the messages the action pages show).
std::vector<Finding> CheckProject(const Configuration& config);

// One line naming key and event: `key 1 "Up", Page (Class: 1,Num: 2): action 2: ...`.
QString FindingLine(const Configuration& config, const Finding& finding);

} // namespace qz
