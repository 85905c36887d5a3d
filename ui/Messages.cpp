#include "Messages.h"

#include <QFileDialog>
#include <QMessageBox>

namespace qz {

void WidgetMessages::Show(const QString& text, const QString& title) {
    QMessageBox::information(m_parent, title.isEmpty() ? QStringLiteral("qzctr") : title, text);
}

bool WidgetMessages::Ask(const QString& text, const QString& title) {
    return QMessageBox::question(m_parent, title, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

int WidgetMessages::AskYesNoCancel(const QString& text, const QString& title) {
    const auto answer = QMessageBox::question(
        m_parent, title, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
        QMessageBox::Cancel);
    return answer == QMessageBox::Yes ? 1 : answer == QMessageBox::No ? 0 : -1;
}

QString WidgetMessages::OpenFileName(const QString& caption, const QString& folder,
                                     const QString& filter) {
    return QFileDialog::getOpenFileName(m_parent, caption, folder, filter);
}

QString WidgetMessages::SaveFileName(const QString& caption, const QString& folder,
                                     const QString& filter) {
    return QFileDialog::getSaveFileName(m_parent, caption, folder, filter);
}

} // namespace qz
