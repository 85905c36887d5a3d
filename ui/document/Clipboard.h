#pragma once
// What "Copy" takes from the lists and "Paste" puts back: a few action texts, or one event (its
// slot number, the arguments that create it on another key, and its action texts).
//
// On the system clipboard the content travels twice: under a private MIME type that keeps its
// kind and event, and as plain text, one action text a line, so that it can be pasted into a
// text editor, and action texts copied from one can be pasted back as actions.
#include <QString>

#include <string>
#include <vector>

class QClipboard;
class QMimeData;

namespace qz {

struct ClipboardContent {
    enum Kind { Empty, Actions, Event };
    Kind kind = Empty;
    // For Event: the slot, and the event family, index and sub value that re-create it
    // (AddEvent's arguments).
    int slot = -1;
    int family = 0;
    int index = 0;
    int sub = 0;
    std::vector<std::string> actions; // action texts in order; never blank placeholders
    // Plain text that could not be taken as it stands (a character above U+00FF, which no
    // action text holds): why, for the paste to say; kind is then Empty.
    QString refusal;

    // Nothing to paste and nothing to say about it.
    bool isEmpty() const { return kind == Empty && refusal.isEmpty(); }
    bool operator==(const ClipboardContent& other) const;
};

inline constexpr char kClipboardMimeType[] = "application/x-qzctr-actions";

// The MIME data of a content (caller owns it) and back. Plain text is read when the private
// type is missing: every non-blank line must then be an action text, else the result is empty;
// a line holding a character above U+00FF gives a refusal naming the line instead.
QMimeData* ToMimeData(const ClipboardContent& content);
ClipboardContent FromMimeData(const QMimeData* data);

// The editor's clipboard: the system clipboard when one is given, else a value of its own (tests,
// and programs without a GUI application).
class ActionClipboard {
  public:
    explicit ActionClipboard(QClipboard* system = nullptr) : m_system(system) {}
    void set(const ClipboardContent& content);
    ClipboardContent get() const;

  private:
    QClipboard* m_system;
    ClipboardContent m_own;
};

} // namespace qz
