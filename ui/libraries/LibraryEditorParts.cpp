#include "ui/libraries/LibraryEditorParts.h"

#include <QDir>
#include <QFileInfo>
#include <QPushButton>

namespace qz::libedit {

QPushButton* Button(const QString& text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

bool StoredNameIsSafe(IMessages& messages, const std::string& libName) {
    if (latin1::IsSafeLibraryName(libName)) {
        return true;
    }
    messages.Show(latin1::LibraryNameFaultText(libName) +
                      QStringLiteral("\n\nThe library is open read-only: it cannot be changed or "
                                     "saved. Make a new library for its functions."),
                  QStringLiteral("Open Lib"));
    return false;
}

QString SaveEditPath(IMessages& messages, const std::string& libName, const char* extension) {
    const QString path = latin1::FindLibraryFile(LibraryFolder(), libName, extension);
    if (path.isEmpty()) {
        messages.Show(latin1::LibraryNameFaultText(libName));
    }
    return path;
}

QString SavedText(const QString& path) {
    return QStringLiteral("Saved to %1").arg(QDir::toNativeSeparators(path));
}

int AskToSaveChanges(IMessages& messages, const QString& libName, const QString& caption,
                     const QString& also) {
    QString text = libName.trimmed().isEmpty()
                       ? QStringLiteral("The library has changes that are not saved.")
                       : QStringLiteral("The library \"%1\" has changes that are not saved.")
                             .arg(libName.trimmed());
    if (!also.isEmpty()) {
        text += QLatin1Char(' ') + also;
    }
    text += QStringLiteral("\n\nSave them (Yes), discard them (No), or keep editing (Cancel)?");
    return messages.AskYesNoCancel(text, caption);
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
    if (path.isEmpty()) {
        return {};
    }
    if (QFileInfo(path).suffix().isEmpty()) {
        path += ext;
    }
    // The file's name is a library name: one that could not be opened again by its name (a
    // hidden file, a control character) is refused.
    if (!latin1::LibraryNameOfFile(QFileInfo(path).fileName(), extension)) {
        QString base = QFileInfo(path).fileName();
        if (base.endsWith(ext, Qt::CaseInsensitive)) {
            base.chop(ext.size());
        }
        const QString why = latin1::LibraryNameFaultText(ToBytes(base));
        messages.Show(why.isEmpty() ? QStringLiteral("The file name \"%1\" cannot be used for a "
                                                     "library.")
                                          .arg(QFileInfo(path).fileName())
                                    : why);
        return {};
    }
    return path;
}

} // namespace qz::libedit
