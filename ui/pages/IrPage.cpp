#include "ui/pages/IrPage.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace qz {

namespace {

const LibraryPage::Kind kIrLibrary = {"IR", ".irr", "function", false};

} // namespace

CPageView3Ir::CPageView3Ir(QWidget* parent) : LibraryPage(kIrPage, kIrLibrary, parent) {
    m_repeat = new RepeatControls(QString::fromLatin1(kIrActiveEntries[0]), this);
    m_port = MakeList("port", Entries(kPortEntries));
    m_carrier = MakeList("carrier", Entries(kCarrierEntries), 1);
    QHBoxLayout* libButtons = MakeLibraryButtons();
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
    g->addLayout(libButtons, 2, 2, 1, 2);
    m_repeat->Place(g, 3, 4);
    WidenColumns();
    FinishPage();
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
    const std::optional<IrAction> action = IrAction::FromActionText(PageBytes(text));
    if (!action) {
        return false;
    }
    m_libName->setText(latin1::ToQString(action->libName));
    ShowLibraryOf(action->libName);
    if (!SelectText(m_function, latin1::ToQString(action->function))) {
        m_function->setCurrentIndex(-1);
    }
    SelectPosition(m_port, action->port);
    SelectPosition(m_carrier, action->carrier);
    m_repeat->Write(action->repeat);
    return true;
}

QString CPageView3Ir::BuildActionText() {
    return latin1::ToQString(Read().ToActionText());
}

bool CPageView3Ir::PageChecks() {
    return LookUpFunction();
}

int CPageView3Ir::RulePort() const {
    return m_port->currentIndex();
}

const char* CPageView3Ir::ColonField() const {
    return Read().ColonField();
}

void CPageView3Ir::ClearLibrary() {
    m_lib = CIrLibSet();
}

bool CPageView3Ir::LoadLibrary(const QString& path) {
    return LoadIrLibraryFile(path, m_lib);
}

bool CPageView3Ir::ReplaceLibrary(const QString& path) {
    CIrLibSet lib;
    if (!LoadIrLibraryFile(path, lib)) {
        return false;
    }
    m_lib = std::move(lib);
    return true;
}

QString CPageView3Ir::LoadedLibraryName() const {
    return latin1::ToQString(m_lib.libName);
}

QString CPageView3Ir::LoadedNameFault() const {
    return m_lib.NameFault();
}

QStringList CPageView3Ir::FunctionNames() const {
    QStringList names;
    for (int i = 0; i < int(m_lib.entries.size()); ++i) {
        names << latin1::ToQString(IrFunctionName(m_lib, i));
    }
    return names;
}

bool CPageView3Ir::TakeFunction(const std::string& name) {
    const int index = FindIrFunction(m_lib, name);
    if (index < 0) {
        return false;
    }
    m_entry = IrFunctionEntry(m_lib, index);
    return true;
}

} // namespace qz
