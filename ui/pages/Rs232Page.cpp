#include "ui/pages/Rs232Page.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>

#include "io/Latin1.h"
#include "ui/pages/Rs232Edit.h"
#include "ui/pages/SendNowPanel.h"

namespace qz {

namespace {

const LibraryPage::Kind kRs232Library = {"RS232", ".rss", "libFunction", true};

const DataFormatControls::Captions kCaptions = {
    "Format", "ascii", "hex", "End Char For Ascii Format", "None", "Carriage Return", "Enter"};

// An entry's position in a fixed list by its exact text; -1 when none.
int IndexOf(const char* const* entries, int count, const QString& text) {
    for (int i = 0; i < count; ++i) {
        if (text == QLatin1String(entries[i])) {
            return i;
        }
    }
    return -1;
}

} // namespace

CPageView3Rs232::CPageView3Rs232(QWidget* parent) : LibraryPage(kRs232Page, kRs232Library, parent) {
    m_repeat = new RepeatControls(QString::fromLatin1(kRs232ActiveEntries[0]), this);
    m_port = MakeList("port", Entries(kPortEntries));
    QHBoxLayout* libButtons = MakeLibraryButtons();
    m_baud = MakeList("baudRate", Entries(kBaudRateEntries), 2);
    m_dataBit = MakeList("dataBit", Entries(kDataBitEntries), 1);
    m_stopBit = MakeList("stopBit", Entries(kStopBitEntries), 0);
    m_parity = MakeList("parity", Entries(kParityEntries), 0);
    m_format = new DataFormatControls(kCaptions, this);
    auto* clear = new QPushButton(QStringLiteral("Clear"), this);
    clear->setObjectName(QStringLiteral("clear"));
    clear->setToolTip(QStringLiteral("Empty the data box"));
    m_eventName = MakeNameBox();

    QGridLayout* g = form();
    g->addWidget(MakeLabel(QStringLiteral("Lib Name:"), m_libName), 0, 0);
    g->addWidget(m_libName, 0, 1);
    g->addWidget(MakeLabel(QStringLiteral("Lib Function:"), m_function), 0, 2);
    g->addWidget(m_function, 0, 3);
    g->addWidget(MakeLabel(QStringLiteral("Active:"), m_repeat->active), 1, 0);
    g->addWidget(m_repeat->active, 1, 1);
    g->addWidget(MakeLabel(QStringLiteral("Port:"), m_port), 1, 2);
    g->addWidget(m_port, 1, 3);
    g->addLayout(libButtons, 2, 2, 1, 2);
    m_repeat->Place(g, 3, 4);
    g->addWidget(MakeLabel(QStringLiteral("Baud Rate:"), m_baud), 5, 0);
    g->addWidget(m_baud, 5, 1);
    g->addWidget(MakeLabel(QStringLiteral("Data Bit:"), m_dataBit), 5, 2);
    g->addWidget(m_dataBit, 5, 3);
    g->addWidget(MakeLabel(QStringLiteral("Stop Bit:"), m_stopBit), 6, 0);
    g->addWidget(m_stopBit, 6, 1);
    g->addWidget(MakeLabel(QStringLiteral("Parity:"), m_parity), 6, 2);
    g->addWidget(m_parity, 6, 3);
    g->addWidget(m_format->formatBox, 7, 0, 1, 2);
    g->addWidget(m_format->endBox, 7, 2, 1, 2);
    g->addWidget(MakeLabel(QStringLiteral("Data:"), m_format->data), 8, 0);
    g->addWidget(m_format->data, 8, 1, 1, 2);
    g->addWidget(clear, 8, 3, Qt::AlignLeft);
    g->addWidget(MakeLabel(QStringLiteral("Event Name"), m_eventName), 9, 0);
    g->addWidget(m_eventName, 9, 1, 1, 3);
    m_sendNow = new SendNowPanel(true, this);
    m_sendNow->setActionSource([this](QString* refusal) {
        *refusal = latin1::OutsideMessage(m_format->data->text(), QStringLiteral("Data:"));
        return refusal->isEmpty() ? Read().ToActionText() : std::string();
    });
    g->addWidget(m_sendNow, 10, 0, 1, 4);
    WidenColumns();
    FinishPage();

    connect(clear, &QPushButton::clicked, m_format->data, &QLineEdit::clear);
    connect(m_function, &QComboBox::currentIndexChanged, this,
            &CPageView3Rs232::LoadSelectedFunction);
    connect(m_dataBit, &QComboBox::currentIndexChanged, this, &CPageView3Rs232::OnDataBit);
}

Rs232Action CPageView3Rs232::Read() const {
    Rs232Action a;
    a.eventName = PageBytes(m_eventName->text());
    a.libName = PageBytes(m_libName->text());
    a.libFunction = PageBytes(m_function->currentText());
    a.baudRate = PageBytes(m_baud->currentText());
    a.dataBit = m_dataBit->currentIndex();
    a.stopBit = m_stopBit->currentIndex();
    // The parity list holds two or three entries: the code is the entry's, not its position.
    a.parity = IndexOf(kParityEntries, 3, m_parity->currentText());
    a.format = m_format->format();
    a.endChar = m_format->endChar();
    a.port = m_port->currentIndex();
    a.repeat = m_repeat->Read();
    a.data = PageBytes(m_format->data->text());
    return a;
}

void CPageView3Rs232::Write(const Rs232Action& a) {
    const QSignalBlocker b1(m_function);
    const QSignalBlocker b2(m_dataBit);
    m_libName->setText(latin1::ToQString(a.libName));
    if (!SelectText(m_function, latin1::ToQString(a.libFunction))) {
        m_function->setCurrentIndex(-1);
    }
    // Texts that name no entry leave their lists as they were.
    if (a.baudRate.empty()) {
        m_baud->setCurrentIndex(-1);
    } else {
        SelectText(m_baud, latin1::ToQString(a.baudRate));
    }
    auto code = [](QComboBox* list, const char* const* entries, int count, int value) {
        if (value < 0 || value >= count) {
            list->setCurrentIndex(-1);
        } else {
            SelectText(list, QString::fromLatin1(entries[value]));
        }
    };
    code(m_dataBit, kDataBitEntries, 2, a.dataBit);
    code(m_stopBit, kStopBitEntries, 3, a.stopBit);
    code(m_parity, kParityEntries, 3, a.parity);
    m_format->Set(a.format, a.endChar);
    m_format->data->setText(latin1::ToQString(a.data));
    m_eventName->setText(latin1::ToQString(a.eventName));
    SelectPosition(m_port, a.port);
    m_repeat->Write(a.repeat);
}

bool CPageView3Rs232::ShowAction(const QString& text) {
    const std::optional<Rs232Action> action = Rs232Action::FromActionText(PageBytes(text), Read());
    if (!action) {
        return false;
    }
    // The function list offers the functions of the action's library, when it is at hand.
    ShowLibraryOf(action->libName);
    Write(*action);
    return true;
}

QString CPageView3Rs232::BuildActionText() {
    const Rs232Action action = Read();
    for (int i = 0; i < action.MissingSelections(); ++i) {
        ShowMessage(QStringLiteral("no selecte port"));
    }
    return latin1::ToQString(action.ToActionText());
}

bool CPageView3Rs232::PageChecks() {
    if (m_format->data->text().trimmed().isEmpty()) {
        ShowMessage(QStringLiteral("Please input data or select RS232 lib"));
        return false;
    }
    return true;
}

int CPageView3Rs232::RulePort() const {
    // A list without a selection is written as Port 1: the rule looks at what is written.
    return std::max(0, m_port->currentIndex());
}

const char* CPageView3Rs232::ColonField() const {
    return Read().ColonField();
}

void CPageView3Rs232::LoadSelectedFunction() {
    if (!LookUpFunction()) {
        return;
    }

    const QSignalBlocker blocker(m_dataBit);
    // Settings that name no entry (a parity the 7-bit list lacks) leave their lists as they were.
    SelectText(m_baud, latin1::ToQString(m_fun.baudRate));
    SelectText(m_dataBit, latin1::ToQString(m_fun.dataBits));
    SelectText(m_stopBit, latin1::ToQString(m_fun.stopBits));
    SelectText(m_parity, latin1::ToQString(m_fun.parity));
    m_format->Set(m_fun.format == kRs232Ascii ? 0 : 1, m_fun.endChar);
    m_format->data->setText(latin1::ToQString(Rs232DataText(m_fun)));
}

void CPageView3Rs232::ClearLibrary() {
    m_lib = CRS232LibSet();
}

bool CPageView3Rs232::LoadLibrary(const QString& path) {
    return LoadRs232LibraryFile(path, m_lib);
}

bool CPageView3Rs232::ReplaceLibrary(const QString& path) {
    CRS232LibSet lib;
    if (!LoadRs232LibraryFile(path, lib)) {
        return false;
    }
    m_lib = std::move(lib);
    return true;
}

QString CPageView3Rs232::LoadedLibraryName() const {
    return latin1::ToQString(m_lib.libName);
}

QString CPageView3Rs232::LoadedNameFault() const {
    return m_lib.NameFault();
}

QStringList CPageView3Rs232::FunctionNames() const {
    QStringList names;
    const int count = std::min<int>(m_lib.storedCount, int(m_lib.functions.size()));
    for (int i = 0; i < count; ++i) {
        names << latin1::ToQString(m_lib.functions[size_t(i)].name);
    }
    return names;
}

bool CPageView3Rs232::TakeFunction(const std::string& name) {
    if (FindRs232Function(m_lib, name) < 0) {
        return false;
    }
    m_fun = CopyRs232Function(m_lib, name);
    return true;
}

void CPageView3Rs232::OnDataBit(int index) {
    RebuildParity(index == 0);
}

void CPageView3Rs232::RebuildParity(bool sevenBits) {
    m_parity->clear();
    if (sevenBits) {
        m_parity->addItems({QStringLiteral("ODD"), QStringLiteral("EVEN")});
    } else {
        m_parity->addItems(Entries(kParityEntries));
    }
    m_parity->setCurrentIndex(0);
}

} // namespace qz
