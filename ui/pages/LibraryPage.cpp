#include "ui/pages/LibraryPage.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include <optional>

#include "io/Latin1.h"
#include "io/WholeFile.h"
#include "store/Paths.h"
#include "ui/dialogs/Messages.h"

namespace qz {

LibraryPage::LibraryPage(int pageIndex, const Kind& kind, QWidget* parent)
    : ActionPage(pageIndex, parent), m_kind(kind) {
    m_libName = new QLineEdit(this);
    m_libName->setObjectName(QStringLiteral("libName"));
    m_libName->setReadOnly(true);
    m_function = MakeList(kind.functionObject, {}, -1);
}

QHBoxLayout* LibraryPage::MakeLibraryButtons() {
    auto* changeLib = new QPushButton(QStringLiteral("Change Lib"), this);
    auto* editLib = new QPushButton(QStringLiteral("Edit Lib"), this);
    changeLib->setObjectName(QStringLiteral("changeLib"));
    editLib->setObjectName(QStringLiteral("editLib"));
    const QString name = QLatin1String(m_kind.name);
    changeLib->setToolTip(QStringLiteral("Choose an %1 library file").arg(name));
    editLib->setToolTip(QStringLiteral("Open the %1 library editor").arg(name));
    connect(changeLib, &QPushButton::clicked, this, &LibraryPage::OnChangeLib);
    connect(editLib, &QPushButton::clicked, this, &LibraryPage::editLibraryRequested);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(changeLib);
    buttons->addWidget(editLib);
    return buttons;
}

void LibraryPage::WidenColumns() {
    QGridLayout* g = form();
    g->setColumnStretch(1, 1);
    g->setColumnStretch(3, 1);
    g->setColumnMinimumWidth(1, 130);
    g->setColumnMinimumWidth(3, 130);
}

QString LibraryPage::libraryName() const {
    return m_libName->text().trimmed();
}

QString LibraryPage::functionName() const {
    return m_function->currentText().trimmed();
}

QString LibraryPage::ExistingFile(const std::string& libName) const {
    // A stored or typed name is never made into a path unless it stays in the folder.
    if (!latin1::IsSafeLibraryName(libName)) {
        return {};
    }
    const QString path = latin1::FindLibraryFile(LibraryFolder(), libName, m_kind.extension);
    return io::Exists(path) ? path : QString();
}

void LibraryPage::ChooseFunction(int index) {
    const QSignalBlocker blocker(m_kind.quietFunctionList ? m_function : nullptr);
    m_function->setCurrentIndex(index);
}

void LibraryPage::FillFunctions() {
    const QSignalBlocker blocker(m_function);
    m_function->clear();
    m_function->addItems(SortedNames(FunctionNames()));
}

void LibraryPage::offerLibrary(const QString& name) {
    const std::optional<std::string> lib = latin1::ToBytes(name.trimmed());
    if (m_touched || !libraryName().isEmpty() || !lib || lib->empty()) {
        reloadLibraries();
        return;
    }
    // A name that would leave the library folder finds no file.
    const QString path = ExistingFile(*lib);
    if (path.isEmpty() || !ReplaceLibrary(path)) {
        reloadLibraries();
        return;
    }
    // A library whose stored name names no file is not offered: an action would carry it.
    if (!LoadedNameFault().isEmpty()) {
        ClearLibrary();
        return;
    }
    m_libName->setText(LoadedLibraryName());
    FillFunctions();
    ChooseFunction(m_function->count() > 0 ? 0 : -1);
    FirstFunctionChosen();
}

void LibraryPage::showEvent(QShowEvent* event) {
    ActionPage::showEvent(event);
    if (m_watching) {
        return;
    }
    // Only what the user does counts: these signals do not come from the page's own fills.
    m_watching = true;
    const auto touch = [this] { m_touched = true; };
    for (QLineEdit* edit : findChildren<QLineEdit*>()) {
        connect(edit, &QLineEdit::textEdited, this, touch);
    }
    for (QComboBox* box : findChildren<QComboBox*>()) {
        connect(box, &QComboBox::activated, this, touch);
    }
    for (QAbstractButton* button : findChildren<QAbstractButton*>()) {
        if (button->objectName() != QLatin1String("editLib")) {
            connect(button, &QAbstractButton::clicked, this, touch);
        }
    }
}

void LibraryPage::ShowLibraryOf(const std::string& libName) {
    m_touched = false; // the page shows an action now, not what was typed
    ClearLibrary();
    const QString file = ExistingFile(libName);
    if (!file.isEmpty()) {
        LoadLibrary(file);
    }
    FillFunctions();
}

bool LibraryPage::LookUpFunction() {
    const QString lib = libraryName();
    const QString function = functionName();
    if (lib.isEmpty()) {
        ShowMessage(QStringLiteral("Lib name is empty"));
        return false;
    }
    // The box is filled from stored bytes, so it always has them. A name that would leave the
    // folder lists no functions: it is the reason, said before the empty function.
    const std::optional<std::string> libBytes = latin1::ToBytes(lib);
    if (!libBytes) {
        ShowMessage(latin1::OutsideMessage(lib, QStringLiteral("Lib Name")));
        return false;
    }
    if (!latin1::IsSafeLibraryName(*libBytes)) {
        ShowMessage(latin1::LibraryNameFaultText(*libBytes));
        return false;
    }
    if (function.isEmpty()) {
        ShowMessage(QStringLiteral("Funciton name is empty"));
        return false;
    }
    const QString file = ExistingFile(*libBytes);
    if (file.isEmpty()) {
        ShowMessage(QStringLiteral("No Such Lib"));
        return false;
    }
    ClearLibrary();
    if (!LoadLibrary(file)) {
        ShowMessage(QStringLiteral("the lib is destroyed"));
        return false;
    }
    // The action keeps the library's stored name: one that names no file is refused.
    if (const QString fault = LoadedNameFault(); !fault.isEmpty()) {
        ShowMessage(fault);
        return false;
    }
    const std::optional<std::string> functionBytes = latin1::ToBytes(function);
    if (!functionBytes || !TakeFunction(*functionBytes)) {
        ShowMessage(QStringLiteral("No Such Function"));
        return false;
    }
    return true;
}

void LibraryPage::OnChangeLib() {
    if (!messages()) {
        return;
    }
    const QString path =
        messages()->OpenFileName(QStringLiteral("Change Lib"), LibraryFolder(),
                                 QStringLiteral("FILE(*%1)").arg(QLatin1String(m_kind.extension)));
    if (path.isEmpty()) {
        return;
    }
    m_libName->clear();
    ClearLibrary();
    FillFunctions();
    if (!LoadLibrary(path)) {
        ShowMessage(QStringLiteral("The File is already destroyed"));
        return;
    }
    // A library whose stored name would leave the folder is not taken: an action would carry
    // that name, and every later look-up would make it a path.
    if (const QString fault = LoadedNameFault(); !fault.isEmpty()) {
        ClearLibrary();
        FillFunctions();
        ShowMessage(fault);
        return;
    }
    m_libName->setText(LoadedLibraryName());
    FillFunctions();
    ChooseFunction(m_function->count() > 0 ? 0 : -1);
    FirstFunctionChosen();
}

void LibraryPage::reloadLibraries() {
    const std::optional<std::string> bytes = latin1::ToBytes(libraryName());
    const QString file = bytes && !bytes->empty() ? ExistingFile(*bytes) : QString();
    if (file.isEmpty()) {
        return;
    }
    const QString chosen = m_function->currentText();
    if (!ReplaceLibrary(file)) {
        return;
    }
    FillFunctions();
    ChooseFunction(m_function->findText(chosen, Qt::MatchExactly));
}

} // namespace qz
