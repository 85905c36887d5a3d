#include "ui/libraries/Rs232LibraryEditor.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QValidator>

#include <algorithm>

#include "library/Rs232FunctionAction.h"
#include "model/ActionTexts.h"
#include "model/Configuration.h"
#include "model/Text.h"
#include "ui/libraries/LibraryEditorParts.h"
#include "ui/pages/Rs232Edit.h"
#include "ui/pages/SendNowPanel.h"

namespace qz {

using libedit::Button;

namespace {

QStringList Entries(const char* const* entries, int count) {
    QStringList list;
    for (int i = 0; i < count; ++i) {
        list << QLatin1String(entries[i]);
    }
    return list;
}

int HexTokenValue(const QString& token) {
    // Read like strtol(…, 16) on at most two characters: reading stops at the first non-digit.
    int value = 0;
    for (const QChar c : token.left(2)) {
        const int digit = c.unicode() < 0x80 ? HexDigitValue(char(c.unicode())) : -1;
        if (digit < 0) {
            break;
        }
        value = value * 16 + digit;
    }
    return value;
}

} // namespace

// Refuses an edit of the data box that would make it longer than the box holds, or hexadecimal
// text with more bytes than the data area holds: refused whole (the box keeps its text), never
// cut. A text that is over the bounds already (a function read from a file) may still shrink.
class DataBoxValidator : public QValidator {
  public:
    enum Reason { kNone, kTooLong, kTooManyBytes };

    explicit DataBoxValidator(CRS232Edit* edit) : QValidator(edit), m_edit(edit) {}

    State validate(QString& input, int&) const override {
        if (input.size() > CDlgRs232EditLib::kDataBoxMax && input.size() > m_accepted.size()) {
            m_reason = kTooLong;
            return Invalid;
        }
        if (m_edit->hexInput()) {
            const int tokens = HexTokenCount(input);
            if (tokens > kRs232DataMax && tokens > HexTokenCount(m_accepted)) {
                m_reason = kTooManyBytes;
                return Invalid;
            }
        }
        m_accepted = input;
        return Acceptable;
    }
    Reason reason() const { return m_reason; }
    // A text the panel puts into the box itself.
    void trust(const QString& text) { m_accepted = text; }

  private:
    CRS232Edit* m_edit;
    // The box's text as last accepted: while validating, the box already holds the new text.
    mutable QString m_accepted;
    mutable Reason m_reason = kNone;
};

int HexTokenCount(const QString& text) {
    return int(text.split(QLatin1Char(' '), Qt::SkipEmptyParts).size());
}

std::optional<Rs232Data> Rs232DataFromText(const QString& text, int format, int endChar,
                                           bool emptyWithoutEnd, int* tokens) {
    Rs232Data data;
    const QString trimmed = text.trimmed();
    if (format == kRs232Hex) {
        const QStringList parts = trimmed.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (tokens) {
            *tokens = int(parts.size());
        }
        if (parts.size() > kRs232DataMax) {
            return std::nullopt;
        }
        for (const QString& part : parts) {
            data.bytes[std::size_t(data.length++)] =
                static_cast<unsigned char>(HexTokenValue(part));
        }
        return data;
    }
    const int ends = endChar == kEndCr ? 1 : endChar == kEndCrLf ? 2 : 0;
    const QByteArray bytes = trimmed.toLatin1().left(kRs232DataMax - ends);
    for (const char c : bytes) {
        data.bytes[std::size_t(data.length++)] = static_cast<unsigned char>(c);
    }
    if (bytes.isEmpty() && emptyWithoutEnd) {
        return data;
    }
    if (ends >= 1) {
        data.bytes[std::size_t(data.length++)] = 0x0D;
    }
    if (ends == 2) {
        data.bytes[std::size_t(data.length++)] = 0x0A;
    }
    return data;
}

CDlgRs232EditLib::CDlgRs232EditLib(const QString& libName, const QString& functionName,
                                   IMessages& messages, const Configuration* config,
                                   QWidget* parent)
    : QDialog(parent), m_messages(messages), m_libName(new QLineEdit(this)),
      m_function(new QComboBox(this)), m_uses(new QLabel(this)),
      m_ascii(new QRadioButton(QStringLiteral("ASCII"), this)),
      m_hex(new QRadioButton(QStringLiteral("Hex"), this)),
      m_endGroup(new QGroupBox(QStringLiteral("End Char For ASCII Format"), this)),
      m_endChars(new QButtonGroup(this)), m_data(new CRS232Edit(this)), m_baud(new QComboBox(this)),
      m_dataBits(new QComboBox(this)), m_stopBits(new QComboBox(this)),
      m_parity(new QComboBox(this)), m_saveStatus(new QLabel(this)) {
    setObjectName(QStringLiteral("rs232EditLib"));
    setWindowTitle(QStringLiteral("RS232 Edit"));
    if (config) {
        m_usage = CountLibraryUses(*config);
    }
    auto labelled = [this](const QString& text, QWidget* field, const char* name) {
        auto* label = new QLabel(text, this);
        label->setBuddy(field);
        field->setObjectName(QLatin1String(name));
        field->setAccessibleName(text);
        return label;
    };

    // Top row: the library and its functions.
    QLabel* libLabel = labelled(QStringLiteral("RS232 Lib Name:"), m_libName, "libName");
    m_libName->setReadOnly(true);
    m_libName->setMinimumWidth(160);
    QPushButton* openLib = Button(QStringLiteral("Open Lib"), "openLib", this);
    QPushButton* newLib = Button(QStringLiteral("New Lib"), "newLib", this);
    QLabel* functionLabel = labelled(QStringLiteral("Function:"), m_function, "function");
    m_function->setMinimumWidth(160);
    // Measuring every entry would take long for a library of many thousand functions.
    m_function->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_function->setMinimumContentsLength(20);
    QPushButton* newFunction = Button(QStringLiteral("New Function"), "newFunction", this);
    QPushButton* deleteFunction = Button(QStringLiteral("Delete Function"), "deleteFunction", this);
    m_uses->setObjectName(QStringLiteral("uses"));
    // Without an open project there is nothing to count.
    m_uses->setVisible(config != nullptr);
    auto* top = new QGridLayout;
    top->addWidget(libLabel, 0, 0);
    top->addWidget(m_libName, 0, 1);
    top->addWidget(openLib, 0, 2);
    top->addWidget(newLib, 0, 3);
    top->addWidget(functionLabel, 1, 0);
    top->addWidget(m_function, 1, 1);
    top->addWidget(newFunction, 1, 2);
    top->addWidget(deleteFunction, 1, 3);
    top->addWidget(m_uses, 2, 1, 1, 3);
    top->setColumnStretch(1, 1);

    // "Data": format, end character, the data box.
    auto* dataGroup = new QGroupBox(QStringLiteral("Data"), this);
    auto* formatGroup = new QGroupBox(QStringLiteral("Data Format"), dataGroup);
    m_ascii->setObjectName(QStringLiteral("ascii"));
    m_hex->setObjectName(QStringLiteral("hex"));
    auto* formats = new QButtonGroup(this);
    formats->addButton(m_ascii, kRs232Ascii);
    formats->addButton(m_hex, kRs232Hex);
    auto* formatLayout = new QHBoxLayout(formatGroup);
    formatLayout->addWidget(m_ascii);
    formatLayout->addWidget(m_hex);
    const char* endNames[] = {"endNone", "endCr", "endCrLf"};
    const QString endTexts[] = {QStringLiteral("None"), QStringLiteral("Carriage return"),
                                QStringLiteral("Enter")};
    m_endGroup->setObjectName(QStringLiteral("endGroup"));
    auto* endLayout = new QHBoxLayout(m_endGroup);
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(endTexts[i], m_endGroup);
        radio->setObjectName(QLatin1String(endNames[i]));
        m_endChars->addButton(radio, i);
        endLayout->addWidget(radio);
    }
    m_data->setParent(dataGroup);
    m_data->setObjectName(QStringLiteral("data"));
    m_data->setAccessibleName(QStringLiteral("Data"));
    m_data->setToolTip(QStringLiteral("ASCII text, or hexadecimal bytes separated by blanks "
                                      "(at most 32)"));
    m_data->setMinimumWidth(420);
    m_validator = new DataBoxValidator(m_data);
    m_data->setValidator(m_validator);
    QPushButton* clear = Button(QStringLiteral("Clear"), "clear", dataGroup);
    auto* dataLayout = new QGridLayout(dataGroup);
    dataLayout->addWidget(formatGroup, 0, 0);
    dataLayout->addWidget(m_endGroup, 0, 1, 1, 2);
    dataLayout->addWidget(m_data, 1, 0, 1, 2);
    dataLayout->addWidget(clear, 1, 2);
    dataLayout->setColumnStretch(1, 1);

    // "UART": the line settings.
    auto* uart = new QGroupBox(QStringLiteral("UART"), this);
    auto* uartLayout = new QGridLayout(uart);
    const std::pair<QString, std::pair<QComboBox*, const char*>> lists[] = {
        {QStringLiteral("Baud Rate:"), {m_baud, "baudRate"}},
        {QStringLiteral("Data Bit:"), {m_dataBits, "dataBits"}},
        {QStringLiteral("Stop Bit:"), {m_stopBits, "stopBits"}},
        {QStringLiteral("Parity:"), {m_parity, "parity"}}};
    int row = 0;
    for (const auto& [text, list] : lists) {
        list.first->setParent(uart);
        uartLayout->addWidget(labelled(text, list.first, list.second), row, 0);
        uartLayout->addWidget(list.first, row, 1);
        ++row;
    }
    m_baud->addItems(Entries(kBaudRateEntries, int(std::size(kBaudRateEntries))));
    m_dataBits->addItems(Entries(kDataBitEntries, int(std::size(kDataBitEntries))));
    m_stopBits->addItems(Entries(kStopBitEntries, int(std::size(kStopBitEntries))));
    m_parity->addItems(Entries(kParityEntries, int(std::size(kParityEntries))));
    m_baud->setCurrentText(QStringLiteral("9600"));
    m_dataBits->setCurrentText(QStringLiteral("8"));
    m_stopBits->setCurrentText(QStringLiteral("1"));
    m_parity->setCurrentText(QStringLiteral("NONE"));

    auto* middle = new QHBoxLayout;
    middle->addWidget(dataGroup, 1);
    middle->addWidget(uart);

    QPushButton* saveEdit = Button(QStringLiteral("Save Edit"), "saveEdit", this);
    QPushButton* saveNameAs = Button(QStringLiteral("Save Name as"), "saveNameAs", this);
    QPushButton* ok = Button(QStringLiteral("OK"), "ok", this);
    QPushButton* cancel = Button(QStringLiteral("Cancel"), "cancel", this);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(saveEdit);
    bottom->addWidget(saveNameAs);
    bottom->addStretch(1);
    bottom->addWidget(ok);
    bottom->addWidget(cancel);

    m_saveStatus->setObjectName(QStringLiteral("saveStatus"));
    m_saveStatus->setAccessibleName(QStringLiteral("Saved"));
    m_saveStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_editWidgets = {newFunction, deleteFunction, saveEdit, saveNameAs, dataGroup, uart};

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(middle, 1);
    layout->addWidget(m_saveStatus);
    auto* sendNow = new SendNowPanel(false, this);
    // What an action made of the function shown would send.
    sendNow->setActionSource([this](QString*) {
        const std::optional<CRS232LibFun> f = FunctionFromPanel(m_function->currentText(), false);
        return f ? Rs232ActionOfFunction(*f, ToBytes(m_libName->text())).ToActionText()
                 : std::string();
    });
    layout->addWidget(sendNow);
    layout->addLayout(bottom);

    connect(openLib, &QPushButton::clicked, this, &CDlgRs232EditLib::OnOpenLib);
    connect(newLib, &QPushButton::clicked, this, &CDlgRs232EditLib::OnNewLib);
    connect(newFunction, &QPushButton::clicked, this, &CDlgRs232EditLib::OnNewFunction);
    connect(deleteFunction, &QPushButton::clicked, this, &CDlgRs232EditLib::OnDeleteFunction);
    connect(m_ascii, &QRadioButton::clicked, this, &CDlgRs232EditLib::OnAscii);
    connect(m_hex, &QRadioButton::clicked, this, &CDlgRs232EditLib::OnHex);
    connect(clear, &QPushButton::clicked, m_data, &QLineEdit::clear);
    connect(saveEdit, &QPushButton::clicked, this, &CDlgRs232EditLib::OnSaveEdit);
    connect(saveNameAs, &QPushButton::clicked, this, &CDlgRs232EditLib::OnSaveNameAs);
    // Neither saves by itself: closing with unsaved changes asks.
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_function, &QComboBox::currentTextChanged, this, &CDlgRs232EditLib::FunctionChosen);
    connect(m_dataBits, &QComboBox::currentTextChanged, this, &CDlgRs232EditLib::DataBitsChanged);
    connect(m_data, &QLineEdit::inputRejected, this, [this] {
        if (m_validator->reason() == DataBoxValidator::kTooManyBytes) {
            m_messages.Show(QStringLiteral("The data area holds %1 bytes: more hexadecimal "
                                           "bytes are refused. Shorten the data, or put the rest "
                                           "in a second function.")
                                .arg(kRs232DataMax));
        } else if (m_validator->reason() == DataBoxValidator::kTooLong) {
            m_messages.Show(QStringLiteral("The data box holds at most %1 characters: a longer "
                                           "text is refused. Shorten the data, or put the rest "
                                           "in a second function.")
                                .arg(kDataBoxMax));
        }
    });

    SetFormat(kRs232Ascii, kEndNone);
    OpenByName(libName, functionName);
    m_data->setHexInput(format() == kRs232Hex);
    RefreshUses();
}

QString CDlgRs232EditLib::libraryName() const {
    return m_libName->text();
}

int CDlgRs232EditLib::format() const {
    return m_hex->isChecked() ? kRs232Hex : kRs232Ascii;
}

int CDlgRs232EditLib::endChar() const {
    const int id = m_endChars->checkedId();
    return id < 0 ? kEndNone : id;
}

void CDlgRs232EditLib::SetFormat(int format, int endChar) {
    (format == kRs232Hex ? m_hex : m_ascii)->setChecked(true);
    // Hexadecimal data leave the end character as it was.
    if (QAbstractButton* end = format == kRs232Hex ? nullptr : m_endChars->button(endChar)) {
        end->setChecked(true);
    }
    m_endGroup->setVisible(format != kRs232Hex);
    m_format = format;
}

void CDlgRs232EditLib::SetDataText(const QString& text) {
    m_validator->trust(text);
    m_data->setText(text);
}

void CDlgRs232EditLib::SelectText(QComboBox* box, const QString& text) {
    const int index = box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0) {
        box->setCurrentIndex(index);
    }
}

void CDlgRs232EditLib::AddFunctionName(const QString& name) {
    // The list keeps its entries in alphabetical order, letter case ignored.
    int at = 0;
    while (at < m_function->count() &&
           QString::compare(m_function->itemText(at), name, Qt::CaseInsensitive) <= 0) {
        ++at;
    }
    m_function->insertItem(at, name);
}

void CDlgRs232EditLib::RefreshUses() {
    const QString function = m_function->currentText();
    m_shownUses = function.isEmpty()
                      ? 0
                      : m_usage.Uses(LibraryKind::Rs232, ToBytes(m_libName->text().trimmed()),
                                     ToBytes(function));
    m_uses->setText(
        function.isEmpty()
            ? QString()
            : QStringLiteral("Used by %1 action(s) of the open project").arg(m_shownUses));
}

void CDlgRs232EditLib::ShowFunction(int index) {
    if (index < 0 || index >= int(m_library.functions.size())) {
        m_shown.clear();
        m_shownAsPanel.clear();
        return;
    }
    const CRS232LibFun& f = m_library.functions[std::size_t(index)];
    SetFormat(f.format == kRs232Hex ? kRs232Hex : kRs232Ascii, f.endChar);
    m_data->setHexInput(f.format == kRs232Hex);
    SetDataText(FromBytes(Rs232DataText(f)));
    SelectText(m_baud, FromBytes(f.baudRate));
    // The data bits first: they decide what the parity list offers.
    SelectText(m_dataBits, FromBytes(f.dataBits));
    SelectText(m_stopBits, FromBytes(f.stopBits));
    SelectText(m_parity, FromBytes(f.parity));
    m_shown = FromBytes(f.name);
    m_shownAsPanel = PanelState();
}

bool CDlgRs232EditLib::KeepShown() {
    if (m_shown.isEmpty() || m_readOnly) {
        return true;
    }
    const int index = FindRs232Function(m_library, ToBytes(m_shown));
    if (index < 0) {
        return true;
    }
    if (PanelState() == m_shownAsPanel) {
        return true; // untouched: the function keeps its bytes as read
    }
    const std::optional<CRS232LibFun> panel = PanelFunction(m_shown, false);
    if (!panel) {
        DataRefused();
        return false;
    }
    m_library.functions[std::size_t(index)] = *panel;
    m_shownAsPanel = PanelState();
    SetModified(true);
    return true;
}

bool CDlgRs232EditLib::modified() const {
    if (m_readOnly) {
        return false;
    }
    if (m_modified) {
        return true;
    }
    return !m_shown.isEmpty() && FindRs232Function(m_library, ToBytes(m_shown)) >= 0 &&
           PanelState() != m_shownAsPanel;
}

QStringList CDlgRs232EditLib::PanelState() const {
    return {m_data->text(),         QString::number(format()), QString::number(endChar()),
            m_baud->currentText(),  m_dataBits->currentText(), m_stopBits->currentText(),
            m_parity->currentText()};
}

void CDlgRs232EditLib::SetModified(bool modified) {
    m_modified = modified;
    if (modified) {
        m_saveStatus->setText(QStringLiteral("Changes not saved"));
    }
}

void CDlgRs232EditLib::SetReadOnly(bool readOnly) {
    m_readOnly = readOnly;
    for (QWidget* w : m_editWidgets) {
        w->setEnabled(!readOnly);
    }
}

bool CDlgRs232EditLib::MayReplace() {
    if (!modified()) {
        return true;
    }
    const int answer = libedit::AskToSaveChanges(m_messages, libraryName(), windowTitle());
    return answer == 0 || (answer == 1 && OnSaveEdit());
}

void CDlgRs232EditLib::done(int result) {
    if (!MayReplace()) {
        return; // the editor stays open with everything in it
    }
    QDialog::done(result);
}

void CDlgRs232EditLib::FillFunctionBox(int count) {
    // Sorted once, letter case ignored, equal names in the library's order: as adding them one
    // by one would, without the quadratic work.
    // Each name is folded once, not at every comparison.
    std::vector<std::pair<QString, QString>> keyed;
    keyed.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        const QString name = FromBytes(m_library.functions[std::size_t(i)].name);
        keyed.emplace_back(name.toCaseFolded(), name);
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QStringList names;
    names.reserve(count);
    for (auto& [key, name] : keyed) {
        names << std::move(name);
    }
    const QSignalBlocker block(m_function);
    m_function->clear();
    m_function->addItems(names);
    m_function->setCurrentIndex(m_function->count() > 0 ? 0 : -1);
}

void CDlgRs232EditLib::ShowLoaded() {
    m_libName->setText(FromBytes(m_library.libName));
    SetReadOnly(!libedit::StoredNameIsSafe(m_messages, m_library.libName));
    m_modified = false;
    m_saveStatus->clear();
}

void CDlgRs232EditLib::FunctionChosen() {
    const QString chosen = m_function->currentText();
    if (chosen != m_shown && !KeepShown()) {
        // The shown function's data do not fit: the panel stays on it.
        const QSignalBlocker block(m_function);
        m_function->setCurrentIndex(
            m_function->findText(m_shown, Qt::MatchExactly | Qt::MatchCaseSensitive));
        return;
    }
    const int index = FindRs232Function(m_library, ToBytes(chosen));
    if (index >= 0) {
        ShowFunction(index);
    } else {
        ShowFunction(-1);
    }
    RefreshUses();
}

void CDlgRs232EditLib::DataBitsChanged() {
    const QSignalBlocker block(m_parity);
    m_parity->clear();
    if (m_dataBits->currentText() == QLatin1String("7")) {
        m_parity->addItems({QStringLiteral("ODD"), QStringLiteral("EVEN")});
    } else {
        m_parity->addItems(Entries(kParityEntries, int(std::size(kParityEntries))));
    }
    m_parity->setCurrentIndex(0);
}

void CDlgRs232EditLib::OpenByName(const QString& libName, const QString& functionName) {
    m_function->clear();
    const QString function = functionName.trimmed();
    if (!libedit::ReadNamedLibrary(libName, ".rss", LoadRs232LibraryFile, m_library, m_messages)) {
        return;
    }
    ShowLoaded();
    FillFunctionBox(int(m_library.functions.size()));
    {
        const QSignalBlocker block(m_function);
        if (!function.isEmpty()) {
            const int at = m_function->findText(function, Qt::MatchFixedString);
            if (at >= 0) {
                m_function->setCurrentIndex(at);
            }
        }
    }
    // The function the box now names: a request in other letter case shows the function the box
    // selected, so that a save never writes the panel's defaults over it.
    ShowFunction(FindRs232Function(m_library, ToBytes(m_function->currentText())));
}

QString CDlgRs232EditLib::AskName(int mode) {
    QStringList names;
    for (int i = 0; i < m_function->count(); ++i) {
        names << m_function->itemText(i);
    }
    const CDlgNewName::DuplicateTest test =
        mode == CDlgNewName::Rs232Library
            ? CDlgNewName::LibraryFileTest(LibraryFolder(), QStringLiteral(".rss"))
            : CDlgNewName::FunctionListTest(names, false);
    return libedit::AskNewName(mode, test, m_messages, this);
}

void CDlgRs232EditLib::DataRefused() {
    m_messages.Show(QStringLiteral("The data area holds %1 bytes: this hexadecimal data holds "
                                   "%2 and is refused. Shorten it to %1 bytes, or put "
                                   "the rest in a second function.")
                        .arg(kRs232DataMax)
                        .arg(HexTokenCount(m_data->text())));
}

std::optional<CRS232LibFun> CDlgRs232EditLib::FunctionFromPanel(const QString& name,
                                                                bool newFunction) {
    std::optional<CRS232LibFun> f = PanelFunction(name, newFunction);
    if (!f) {
        DataRefused();
    }
    return f;
}

std::optional<CRS232LibFun> CDlgRs232EditLib::PanelFunction(const QString& name,
                                                            bool newFunction) const {
    const std::optional<Rs232Data> data =
        Rs232DataFromText(m_data->text(), format(), endChar(), newFunction);
    if (!data) {
        return std::nullopt;
    }
    CRS232LibFun f;
    f.name = ToBytes(name);
    f.baudRate = ToBytes(m_baud->currentText());
    f.dataBits = ToBytes(m_dataBits->currentText());
    f.stopBits = ToBytes(m_stopBits->currentText());
    f.parity = ToBytes(m_parity->currentText());
    f.format = format();
    f.endChar = endChar();
    f.dataLength = data->length;
    f.data = data->bytes;
    return f;
}

void CDlgRs232EditLib::OnOpenLib() {
    if (!MayReplace()) {
        return;
    }
    if (!libedit::OpenLibraryFile(m_messages, ".rss", LoadRs232LibraryFile, m_library)) {
        return;
    }
    // The panel's edits belonged to the library just replaced.
    m_shown.clear();
    ShowLoaded();
    FillFunctionBox(std::min<int>(m_library.storedCount, int(m_library.functions.size())));
    FunctionChosen();
}

void CDlgRs232EditLib::OnNewLib() {
    if (!MayReplace()) {
        return;
    }
    const QString name = AskName(CDlgNewName::Rs232Library);
    if (name.isEmpty()) {
        return;
    }
    m_libName->setText(name);
    {
        const QSignalBlocker block(m_function);
        m_function->clear();
    }
    m_library = CRS232LibSet();
    m_library.libName = ToBytes(name);
    m_shown.clear();
    m_shownAsPanel.clear();
    SetReadOnly(false);
    // Not on disk yet.
    SetModified(true);
    RefreshUses();
}

void CDlgRs232EditLib::OnNewFunction() {
    // The shown function keeps what was typed for it before the panel moves on.
    if (m_readOnly || !KeepShown()) {
        return;
    }
    const QString name = AskName(CDlgNewName::Rs232Function);
    if (name.isEmpty()) {
        return;
    }
    // The function starts with what the panel shows; data that do not fit refuse it whole.
    std::optional<CRS232LibFun> f = FunctionFromPanel(name, true);
    if (!f) {
        return;
    }
    m_library.functions.push_back(*f);
    ++m_library.storedCount;
    {
        const QSignalBlocker block(m_function);
        AddFunctionName(name);
        m_function->setCurrentIndex(
            m_function->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive));
    }
    m_shown = name;
    m_shownAsPanel = PanelState();
    SetModified(true);
    RefreshUses();
}

void CDlgRs232EditLib::OnDeleteFunction() {
    const QString name = m_function->currentText().trimmed();
    const int index = name.isEmpty() ? -1 : FindRs232Function(m_library, ToBytes(name));
    if (index < 0) {
        return;
    }
    m_library.functions.erase(m_library.functions.begin() + index);
    if (m_library.storedCount > 0) {
        --m_library.storedCount;
    }
    // Its edits go with it.
    m_shown.clear();
    SetModified(true);
    {
        const QSignalBlocker block(m_function);
        m_function->removeItem(m_function->currentIndex());
        m_function->setCurrentIndex(m_function->count() > 0 ? 0 : -1);
    }
    FunctionChosen();
}

void CDlgRs232EditLib::OnAscii() {
    m_data->setHexInput(false);
    if (m_format == kRs232Hex) {
        const int index = FindRs232Function(m_library, ToBytes(m_function->currentText()));
        if (index >= 0 && m_library.functions[std::size_t(index)].format == kRs232Ascii) {
            ShowFunction(index);
            return;
        }
        m_data->clear();
        m_endGroup->setVisible(true);
    }
    m_format = format();
}

void CDlgRs232EditLib::OnHex() {
    m_data->setHexInput(true);
    if (m_format == kRs232Ascii) {
        const std::string hex = ConvertDataToHex(ToBytes(m_data->text().trimmed()), endChar());
        if (!hex.empty()) {
            SetDataText(FromBytes(hex));
        }
        m_endGroup->setVisible(false);
    }
    m_format = format();
}

bool CDlgRs232EditLib::PrepareSave() {
    if (m_readOnly) {
        m_messages.Show(latin1::LibraryNameFaultText(m_library.libName));
        return false;
    }
    if (m_libName->text().trimmed().isEmpty()) {
        m_messages.Show(QStringLiteral("Please Create a new lib name"));
        return false;
    }
    if (m_function->count() == 0) {
        m_messages.Show(QStringLiteral("Please Create a new function name"));
        return false;
    }
    if (m_library.functions.empty()) {
        return false;
    }
    const QString name = m_function->currentText();
    const int index = FindRs232Function(m_library, ToBytes(name));
    if (index < 0) {
        m_messages.Show(QStringLiteral("no item"));
        return false;
    }
    std::optional<CRS232LibFun> f = FunctionFromPanel(name, false);
    if (!f) {
        return false;
    }
    m_library.functions[std::size_t(index)] = *f;
    return true;
}

bool CDlgRs232EditLib::SaveTo(const QString& path) {
    if (!libedit::SaveLibraryFile(m_messages, SaveRs232LibraryFile, path, m_library)) {
        return false;
    }
    SetModified(false);
    if (!m_shown.isEmpty()) {
        m_shownAsPanel = PanelState();
    }
    m_saveStatus->setText(libedit::SavedText(path));
    return true;
}

bool CDlgRs232EditLib::OnSaveEdit() {
    if (!PrepareSave()) {
        return false;
    }
    const QString path = libedit::SaveEditPath(m_messages, m_library.libName, ".rss");
    return !path.isEmpty() && SaveTo(path);
}

bool CDlgRs232EditLib::OnSaveNameAs() {
    if (!PrepareSave()) {
        return false;
    }
    const QString path = libedit::AskSavePath(m_messages, ".rss");
    return !path.isEmpty() && SaveTo(path);
}

} // namespace qz
