#include "ui/libraries/LibraryEditorParts.h"

#include <QFileInfo>
#include <QPushButton>

namespace qz::libedit {

QPushButton* Button(const QString& text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

QString AskNewName(int mode, const CDlgNewName::DuplicateTest& test, IMessages& messages,
                   QWidget* parent) {
    CDlgNewName dialog(mode, test, messages, parent);
    if (messages.Exec(dialog) != QDialog::Accepted || !dialog.accepted()) {
        return {};
    }
    return dialog.name();
}

QString AskSavePath(IMessages& messages, const char* extension) {
    const QString ext = QLatin1String(extension);
    QString path = messages.SaveFileName(QStringLiteral("Save Name as"), LibraryFolder(),
                                         QStringLiteral("*%1 (*%1)").arg(ext));
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty()) {
        path += ext;
    }
    return path;
}

} // namespace qz::libedit
