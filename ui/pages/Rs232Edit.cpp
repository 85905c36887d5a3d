#include "Rs232Edit.h"

#include <QInputMethodEvent>
#include <QKeyEvent>

namespace qz {

CRS232Edit::CRS232Edit(QWidget* parent) : QLineEdit(parent) {}

bool CRS232Edit::IsHexInputCharacter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'F') || (u >= 'a' && u <= 'f') || u == ' ' ||
           u == '.';
}

void CRS232Edit::keyPressEvent(QKeyEvent* event) {
    // Only key presses that type a character are filtered; shortcuts (paste included), Backspace,
    // Delete and the cursor keys pass.
    const QString text = event->text();
    const bool command = event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
    if (m_hexInput && !command && !text.isEmpty() && text.at(0).isPrint()) {
        for (const QChar c : text) {
            if (!IsHexInputCharacter(c)) {
                event->accept(); // dropped
                return;
            }
        }
    }
    QLineEdit::keyPressEvent(event);
}

void CRS232Edit::inputMethodEvent(QInputMethodEvent* event) {
    if (!m_hexInput) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    // Composed input is typed input too.
    QString kept;
    for (const QChar c : event->commitString()) {
        if (IsHexInputCharacter(c)) {
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
