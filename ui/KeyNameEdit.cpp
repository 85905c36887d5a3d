#include "KeyNameEdit.h"

#include <QInputMethodEvent>
#include <QKeyEvent>

namespace qz {

CKvqKeyNameEdit::CKvqKeyNameEdit(QWidget* parent) : QLineEdit(parent) {
    setMaxLength(kMaxLength);
}

bool CKvqKeyNameEdit::IsAcceptedCharacter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == ' ' ||
           u == '.';
}

void CKvqKeyNameEdit::keyPressEvent(QKeyEvent* event) {
    // Only key presses that type a character are filtered, whatever modifier typed it (AltGr
    // is Ctrl+Alt on some systems); shortcuts such as paste type a control character and pass,
    // as do Backspace, Delete and the cursor keys.
    const QString text = event->text();
    if (!text.isEmpty() && text.at(0).isPrint() && !event->matches(QKeySequence::Paste)) {
        for (const QChar c : text) {
            if (!IsAcceptedCharacter(c)) {
                event->accept(); // dropped
                return;
            }
        }
    }
    QLineEdit::keyPressEvent(event);
}

void CKvqKeyNameEdit::inputMethodEvent(QInputMethodEvent* event) {
    // Composed input is typed input too.
    QString kept;
    for (const QChar c : event->commitString()) {
        if (IsAcceptedCharacter(c)) {
            kept += c;
        }
    }
    if (kept != event->commitString()) {
        QInputMethodEvent filtered(event->preeditString(), event->attributes());
        filtered.setCommitString(kept, event->replacementStart(), event->replacementLength());
        QLineEdit::inputMethodEvent(&filtered);
        return;
    }
    QLineEdit::inputMethodEvent(event);
}

} // namespace qz
