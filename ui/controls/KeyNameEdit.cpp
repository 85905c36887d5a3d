#include "ui/controls/KeyNameEdit.h"

#include <QKeyEvent>

namespace qz {

CKvqKeyNameEdit::CKvqKeyNameEdit(QWidget* parent) : FilteredLineEdit(parent) {
    setMaxLength(kMaxLength);
}

bool CKvqKeyNameEdit::IsAcceptedCharacter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == ' ' ||
           u == '.';
}

bool CKvqKeyNameEdit::IsFilteredPress(const QKeyEvent* event) const {
    // Filtered whatever modifier typed the character (AltGr is Ctrl+Alt on some systems); paste
    // types a control character and passes.
    return !event->matches(QKeySequence::Paste);
}

} // namespace qz
