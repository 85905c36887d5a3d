#include "IrPage.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include "store/Paths.h"
#include "ui/Messages.h"

namespace qz {

CPageView3Ir::CPageView3Ir(QWidget* parent) : ActionPage(kIrPage, parent) {
    m_libName = new QLineEdit(this);
    m_libName->setObjectName(QStringLiteral("libName"));
    m_libName->setReadOnly(true);
    m_function = MakeList("function", {}, -1);
    m_repeat = new RepeatControls(QString::fromLatin1(kIrActiveEntries[0]), this);
    m_port = MakeList("port", Entries(kPortEntries));
    m_carrier = MakeList("carrier", Entries(kCarrierEntries), 1);
    auto* changeLib = new QPushButton(QStringLiteral("Change Lib"), this);
    auto* editLib = new QPushButton(QStringLiteral("Edit Lib"), this);
    changeLib->setObjectName(QStringLiteral("changeLib"));
    editLib->setObjectName(QStringLiteral("editLib"));
    changeLib->setToolTip(QStringLiteral("Choose an IR library file"));
    editLib->setToolTip(QStringLiteral("Open the IR library editor"));
    // The readouts show the sliders' start position from the start.
    m_repeat->Write(RepeatSettings{0, 1, 1, "1", "1"});

    QGridLayout* g = form();
    g->addWidget(MakeLabel(QStringLiteral("Lib Name:"), m_libName), 0, 0);
    g->addWidget(m_libName, 0, 1);
    g->addWidget(MakeLabel(QStringLiteral("Function:"), m_function), 0, 2);
    g->addWidget(m_function, 0, 3);
    g->addWidget(MakeLabel(QStringLiteral("Active:"), m_repeat->active), 1, 0);
    g->addWidget(m_repeat->active, 1, 1);
    g->addWidget(MakeLabel(QStringLiteral("Port"), m_port), 1, 2);
    g->addWidget(m_port, 1, 3);
    g->addWidget(MakeLabel(QStringLiteral("Carrier"), m_carrier), 2, 0);
    g->addWidget(m_carrier, 2, 1);
    auto* libButtons = new QHBoxLayout;
    libButtons->addStretch(1);
    libButtons->addWidget(changeLib);
    libButtons->addWidget(editLib);
    g->addLayout(libButtons, 2, 2, 1, 2);
    m_repeat->Place(g, 3, 4);
    // Both halves of the form alike wide, so that function names are not cut off.
    g->setColumnStretch(1, 1);
    g->setColumnStretch(3, 1);
    g->setColumnMinimumWidth(1, 130);
    g->setColumnMinimumWidth(3, 130);
    FinishPage();

    connect(changeLib, &QPushButton::clicked, this, &CPageView3Ir::OnChangeLib);
    connect(editLib, &QPushButton::clicked, this, &CPageView3Ir::editLibraryRequested);
}

QString CPageView3Ir::libraryName() const {
    return m_libName->text().trimmed();
}

QString CPageView3Ir::functionName() const {
    return m_function->currentText().trimmed();
}

IrAction CPageView3Ir::Read() const {
    IrAction a;
    // The library's own stored name, which may differ from the box (a renamed file).
    a.libName = m_lib.libName;
    a.TakeLibraryEntry(m_entry);
    a.port = m_port->currentIndex();
    a.carrier = m_carrier->currentIndex();
    a.repeat = m_repeat->Read();
    return a;
}

bool CPageView3Ir::ShowAction(const QString& text) {
    const std::optional<IrAction> action = IrAction::FromActionText(ToBytes(text));
    if (!action) {
        return false;
    }
    m_libName->setText(FromBytes(action->libName));
    m_lib = CIrLibSet();
    const QString file = FromBytes(action->libName) + QStringLiteral(".irr");
    if (LibraryFileExists(file)) {
        LoadIrLibraryFile(LibraryFilePath(file), m_lib);
    }
    FillFunctions();
    if (!SelectText(m_function, FromBytes(action->function))) {
        m_function->setCurrentIndex(-1);
    }
    SelectPosition(m_port, action->port);
    SelectPosition(m_carrier, action->carrier);
    m_repeat->Write(action->repeat);
    return true;
}

QString CPageView3Ir::BuildActionText() {
    return FromBytes(Read().ToActionText());
}

bool CPageView3Ir::PageChecks() {
    const QString lib = libraryName();
    const QString function = functionName();
    if (lib.isEmpty()) {
        ShowMessage(QStringLiteral("Lib name is empty"));
        return false;
    }
    if (function.isEmpty()) {
        ShowMessage(QStringLiteral("Funciton name is empty"));
        return false;
    }
    const QString file = lib + QStringLiteral(".irr");
    if (!LibraryFileExists(file)) {
        ShowMessage(QStringLiteral("No Such Lib"));
        return false;
    }
    m_lib = CIrLibSet();
    if (!LoadIrLibraryFile(LibraryFilePath(file), m_lib)) {
        ShowMessage(QStringLiteral("the lib is destroyed"));
        return false;
    }
    const int index = FindIrFunction(m_lib, ToBytes(function));
    if (index < 0) {
        ShowMessage(QStringLiteral("No Such Function"));
        return false;
    }
    m_entry = IrFunctionEntry(m_lib, index);
    return true;
}

int CPageView3Ir::RulePort() const {
    return m_port->currentIndex();
}

const char* CPageView3Ir::ColonField() const {
    return Read().ColonField();
}

void CPageView3Ir::FillFunctions() {
    const QSignalBlocker blocker(m_function);
    m_function->clear();
    QStringList names;
    for (int i = 0; i < int(m_lib.entries.size()); ++i) {
        names << FromBytes(IrFunctionName(m_lib, i));
    }
    m_function->addItems(SortedNames(names));
}

void CPageView3Ir::OnChangeLib() {
    if (!messages()) {
        return;
    }
    const QString path = messages()->OpenFileName(QStringLiteral("Change Lib"), LibraryFolder(),
                                                  QStringLiteral("FILE(*.irr)"));
    if (path.isEmpty()) {
        return;
    }
    m_libName->clear();
    m_lib = CIrLibSet();
    FillFunctions();
    if (!LoadIrLibraryFile(path, m_lib)) {
        ShowMessage(QStringLiteral("The File is already destroyed"));
        return;
    }
    m_libName->setText(FromBytes(m_lib.libName));
    FillFunctions();
    m_function->setCurrentIndex(m_function->count() > 0 ? 0 : -1);
}

void CPageView3Ir::reloadLibraries() {
    const QString file = libraryName() + QStringLiteral(".irr");
    if (libraryName().isEmpty() || !LibraryFileExists(file)) {
        return;
    }
    CIrLibSet lib;
    if (!LoadIrLibraryFile(LibraryFilePath(file), lib)) {
        return;
    }
    const QString chosen = m_function->currentText();
    m_lib = std::move(lib);
    FillFunctions();
    m_function->setCurrentIndex(m_function->findText(chosen, Qt::MatchExactly));
}

} // namespace qz
