#include "ui/dialogs/Messages.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "ui/dialogs/SmallDialogs.h"

namespace qz {

QString DisplayText(const QString& text) {
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

int IMessages::Exec(QDialog& dialog) {
    return dialog.exec();
}

void WidgetMessages::Show(const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::Information, title.isEmpty() ? QStringLiteral("qzctr") : title,
                    DisplayText(text), QMessageBox::Ok, m_parent);
    box.setObjectName(QStringLiteral("message"));
    Exec(box);
}

bool WidgetMessages::Ask(const QString& text, const QString& title) {
    CDlgAsk ask(text, m_parent);
    if (!title.isEmpty()) {
        ask.setWindowTitle(title);
    }
    return Exec(ask) == QDialog::Accepted;
}

int WidgetMessages::AskYesNoCancel(const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::Question, title, DisplayText(text),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, m_parent);
    box.setObjectName(QStringLiteral("question"));
    box.setDefaultButton(QMessageBox::Cancel);
    Exec(box);
    const auto answer = box.standardButton(box.clickedButton());
    return answer == QMessageBox::Yes ? 1 : answer == QMessageBox::No ? 0 : -1;
}

int IMessages::AskChoice(const QString& text, const QString& title, const QString&,
                         const QString&) {
    return AskYesNoCancel(text, title);
}

int WidgetMessages::AskChoice(const QString& text, const QString& title, const QString& first,
                              const QString& second) {
    QMessageBox box(QMessageBox::Question, title, DisplayText(text),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, m_parent);
    box.setObjectName(QStringLiteral("question"));
    box.button(QMessageBox::Yes)->setText(first);
    box.button(QMessageBox::No)->setText(second);
    box.setDefaultButton(QMessageBox::Cancel);
    Exec(box);
    const auto answer = box.standardButton(box.clickedButton());
    return answer == QMessageBox::Yes ? 1 : answer == QMessageBox::No ? 0 : -1;
}

namespace {

QString RunFileDialog(IMessages& messages, QWidget* parent, const QString& caption,
                      const QString& folder, const QString& filter, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent, caption, folder, filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    if (messages.Exec(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

} // namespace

QString WidgetMessages::OpenFileName(const QString& caption, const QString& folder,
                                     const QString& filter) {
    return RunFileDialog(*this, m_parent, caption, folder, filter, QFileDialog::AcceptOpen);
}

QString WidgetMessages::SaveFileName(const QString& caption, const QString& folder,
                                     const QString& filter) {
    return RunFileDialog(*this, m_parent, caption, folder, filter, QFileDialog::AcceptSave);
}

} // namespace qz
