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
    // Only key presses that type a character are filtered; shortcuts (paste included), Backspace,
    // Delete and the cursor keys pass.
    const QString text = event->text();
    const bool command = event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
    if (!command && !text.isEmpty() && text.at(0).isPrint()) {
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
