#include "ui/controls/FilteredLineEdit.h"

#include <QInputMethodEvent>
#include <QKeyEvent>

namespace qz {

FilteredLineEdit::FilteredLineEdit(QWidget* parent) : QLineEdit(parent) {}

void FilteredLineEdit::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    if (IsFilteredPress(event) && !text.isEmpty() && text.at(0).isPrint()) {
        for (const QChar c : text) {
            if (!Accepts(c)) {
                event->accept(); // dropped
                return;
            }
        }
    }
    QLineEdit::keyPressEvent(event);
}

void FilteredLineEdit::inputMethodEvent(QInputMethodEvent* event) {
    // Composed input is typed input too.
    QString kept;
    for (const QChar c : event->commitString()) {
        if (Accepts(c)) {
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
