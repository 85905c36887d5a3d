#include "ui/pages/Rs232Edit.h"

#include <QKeyEvent>

namespace qz {

CRS232Edit::CRS232Edit(QWidget* parent) : FilteredLineEdit(parent) {}

bool CRS232Edit::IsHexInputCharacter(QChar c) {
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'F') || (u >= 'a' && u <= 'f') || u == ' ' ||
           u == '.';
}

bool CRS232Edit::IsFilteredPress(const QKeyEvent* event) const {
    // Shortcuts (paste included) pass.
    return m_hexInput && !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier));
}

} // namespace qz
