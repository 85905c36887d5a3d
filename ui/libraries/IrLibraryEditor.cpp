#include "ui/libraries/IrLibraryEditor.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/libraries/LibraryEditorParts.h"
#include "link/DeviceLink.h"
#include "model/Configuration.h"

namespace qz {

using libedit::Button;

// ---------------------------------------------------------------------------------------------

CKvqIrListCtrl::CKvqIrListCtrl(QWidget* parent) : QTableWidget(0, 4, parent) {
    setHorizontalHeaderLabels({QStringLiteral("No."), QStringLiteral("Name"),
                               QStringLiteral("Data"), QStringLiteral("Uses")});
    const int widths[] = {40, 100, 400, 50};
    for (int c = 0; c < 4; ++c) {
        setColumnWidth(c, widths[c]);
        horizontalHeaderItem(c)->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    horizontalHeaderItem(kUses)->setToolTip(
        QStringLiteral("How many actions of the open project use the function"));
    // Clicking a column header does nothing: rows keep the user's order.
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setStretchLastSection(true);
    verticalHeader()->hide();
    setSortingEnabled(false);
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
}

void CKvqIrListCtrl::AddRow(const QString& name, const QString& data) {
    const int row = rowCount();
    insertRow(row);
    auto* no = new QTableWidgetItem(QString::number(row + 1));
    no->setData(Qt::UserRole, row);
    setItem(row, kNo, no);
    setItem(row, kName, new QTableWidgetItem(name));
    auto* code = new QTableWidgetItem(data);
    code->setToolTip(data); // the whole code; the column shows its start
    setItem(row, kData, code);
    setItem(row, kUses, new QTableWidgetItem(QStringLiteral("0")));
    SelectRow(row);
}

void CKvqIrListCtrl::Renumber() {
    for (int r = 0; r < rowCount(); ++r) {
        item(r, kNo)->setText(QString::number(r + 1));
        item(r, kNo)->setData(Qt::UserRole, r);
    }
}

void CKvqIrListCtrl::SelectRow(int index) {
    if (index < 0 || index >= rowCount()) {
        return;
    }
    clearSelection();
    setCurrentCell(index, kName, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollToItem(item(index, kName));
}

int CKvqIrListCtrl::FirstSelectedRow() const {
    int first = -1;
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        if (first < 0 || index.row() < first) {
            first = index.row();
        }
    }
    return first;
}

QString CKvqIrListCtrl::RowName(int index) const {
    return index >= 0 && index < rowCount() ? item(index, kName)->text() : QString();
}

QString CKvqIrListCtrl::RowData(int index) const {
    return index >= 0 && index < rowCount() ? item(index, kData)->text() : QString();
}

void CKvqIrListCtrl::SetRowName(int index, const QString& name) {
    if (index >= 0 && index < rowCount()) {
        item(index, kName)->setText(name);
    }
}

void CKvqIrListCtrl::SetRowData(int index, const QString& data) {
    if (index >= 0 && index < rowCount()) {
        item(index, kData)->setText(data);
        item(index, kData)->setToolTip(data);
    }
}

void CKvqIrListCtrl::SetRowUses(int index, int uses) {
    if (index >= 0 && index < rowCount()) {
        item(index, kUses)->setText(QString::number(uses));
    }
}

QString CKvqIrListCtrl::RowText(int index) const {
    if (index < 0 || index >= rowCount()) {
        return {};
    }
    return FromBytes(MakeIrEntry(ToBytes(RowName(index)), ToBytes(RowData(index))));
}

QStringList CKvqIrListCtrl::Names() const {
    QStringList names;
    for (int r = 0; r < rowCount(); ++r) {
        names << RowName(r);
    }
    return names;
}

// ---------------------------------------------------------------------------------------------

CDlgIREditLib::CDlgIREditLib(const QString& libName, const QString& functionName,
                             IMessages& messages, DeviceLink* link, const Configuration* config,
                             QWidget* parent)
    : QDialog(parent), m_messages(messages), m_link(link), m_libName(new QLineEdit(this)),
      m_list(new CKvqIrListCtrl(this)), m_learn(Button(QStringLiteral("Learn"), "learn", this)),
      m_learnLock(new QTimer(this)) {
    setObjectName(QStringLiteral("irEditLib"));
    // The caption is how the keypad tool found this window; kept for the user.
    setWindowTitle(QLatin1String(kCaption));
    if (config) {
        m_usage = CountLibraryUses(*config);
    }

    auto* nameLabel = new QLabel(QStringLiteral("IR Lib Name:"), this);
    nameLabel->setBuddy(m_libName);
    m_libName->setObjectName(QStringLiteral("libName"));
    m_libName->setReadOnly(true);
    m_libName->setAccessibleName(QStringLiteral("IR Lib Name:"));
    m_libName->setMinimumWidth(220);
    QPushButton* openLib = Button(QStringLiteral("Open Lib"), "openLib", this);
    QPushButton* newLib = Button(QStringLiteral("New Lib"), "newLib", this);
    auto* top = new QHBoxLayout;
    top->addWidget(nameLabel);
    top->addWidget(m_libName, 1);
    top->addWidget(openLib);
    top->addWidget(newLib);

    auto* edit = new QGroupBox(QStringLiteral("Edit"), this);
    QPushButton* newFunction = Button(QStringLiteral("New Function"), "newFunction", edit);
    QPushButton* deleteFunction = Button(QStringLiteral("Delete Function"), "deleteFunction", edit);
    QPushButton* renameFunction =
        Button(QStringLiteral("Rename For Function"), "renameFunction", edit);
    m_list->setParent(edit);
    m_list->setObjectName(QStringLiteral("functions"));
    m_list->setAccessibleName(QStringLiteral("Functions"));
    m_list->setToolTip(QStringLiteral("The library's functions; a learned code goes into the "
                                      "selected one"));
    auto* editButtons = new QHBoxLayout;
    editButtons->addWidget(newFunction);
    editButtons->addWidget(deleteFunction);
    editButtons->addWidget(renameFunction);
    editButtons->addStretch(1);
    auto* editLayout = new QVBoxLayout(edit);
    editLayout->addLayout(editButtons);
    editLayout->addWidget(m_list, 1);

    QPushButton* saveEdit = Button(QStringLiteral("Save Edit"), "saveEdit", this);
    QPushButton* saveNameAs = Button(QStringLiteral("Save Name as"), "saveNameAs", this);
    QPushButton* ok = Button(QStringLiteral("OK"), "ok", this);
    QPushButton* cancel = Button(QStringLiteral("Cancel"), "cancel", this);
    m_learn->setToolTip(QStringLiteral("Learn the selected function's code from a remote control "
                                       "pointed at the keypad"));
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_learn);
    bottom->addWidget(saveEdit);
    bottom->addWidget(saveNameAs);
    bottom->addStretch(1);
    bottom->addWidget(ok);
    bottom->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(edit, 1);
    layout->addLayout(bottom);
    resize(780, 420);
    // Without an open project there is nothing to count.
    m_list->setColumnHidden(CKvqIrListCtrl::kUses, config == nullptr);

    m_learnLock->setObjectName(QStringLiteral("learnLock"));
    m_learnLock->setSingleShot(true);
    m_learnLock->setInterval(kLearnLockMs);
    connect(m_learnLock, &QTimer::timeout, this, [this] { m_learn->setEnabled(true); });

    connect(openLib, &QPushButton::clicked, this, &CDlgIREditLib::OnOpenLib);
    connect(newLib, &QPushButton::clicked, this, &CDlgIREditLib::OnNewLib);
    connect(newFunction, &QPushButton::clicked, this, &CDlgIREditLib::OnNewFunction);
    connect(deleteFunction, &QPushButton::clicked, this, &CDlgIREditLib::OnDeleteFunction);
    connect(renameFunction, &QPushButton::clicked, this, &CDlgIREditLib::OnRenameFunction);
    connect(m_learn, &QPushButton::clicked, this, &CDlgIREditLib::OnLearn);
    connect(saveEdit, &QPushButton::clicked, this, &CDlgIREditLib::OnSaveEdit);
    connect(saveNameAs, &QPushButton::clicked, this, &CDlgIREditLib::OnSaveNameAs);
    // Neither saves.
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    if (m_link) {
        connect(m_link, &DeviceLink::irCodeLearned, this,
                [this](const QByteArray& code, const QByteArray&) { OnCodeLearned(code); });
        connect(m_link, &DeviceLink::learnedFrameRejected, this, [this](const QString& reason) {
            m_messages.Show(QStringLiteral("The learned code was not used: %1. Press \"Learn\" "
                                           "and send the code from the remote control again.")
                                .arg(reason));
        });
    }

    OpenByName(libName, functionName);
}

CDlgIREditLib::~CDlgIREditLib() {
    EndLearning();
}

void CDlgIREditLib::setLearnLockMs(int ms) {
    m_learnLock->setInterval(ms);
}

QString CDlgIREditLib::libraryName() const {
    return m_libName->text();
}

void CDlgIREditLib::done(int result) {
    EndLearning();
    QDialog::done(result);
}

void CDlgIREditLib::EndLearning() {
    // Codes that arrive after the editor closed have nowhere to go.
    if (m_link) {
        m_link->stopLearning();
    }
}

void CDlgIREditLib::OpenByName(const QString& libName, const QString& functionName) {
    const QString function = functionName.trimmed();
    if (!libedit::ReadNamedLibrary(libName, LibraryKind::Ir, LoadIrLibraryFile, m_library)) {
        return;
    }
    m_libName->setText(libName.trimmed());
    FillList();
    for (int r = 0; r < m_list->rowCount(); ++r) {
        if (!m_list->RowName(r).isEmpty() && m_list->RowName(r) == function) {
            m_list->SelectRow(r);
            break;
        }
    }
}

void CDlgIREditLib::FillList() {
    m_list->setRowCount(0);
    for (const std::string& entry : m_library.entries) {
        m_list->AddRow(FromBytes(IrEntryName(entry)), FromBytes(IrEntryData(entry)));
    }
    RefreshUses();
}

void CDlgIREditLib::RefreshUses() {
    const std::string lib = ToBytes(m_libName->text().trimmed());
    for (int r = 0; r < m_list->rowCount(); ++r) {
        m_list->SetRowUses(r, m_usage.Uses(LibraryKind::Ir, lib, ToBytes(m_list->RowName(r))));
    }
}

QString CDlgIREditLib::AskName(int mode) {
    const CDlgNewName::DuplicateTest test =
        mode == CDlgNewName::IrLibrary
            ? CDlgNewName::LibraryFileTest(LibraryFolder(), QStringLiteral(".irr"))
            : CDlgNewName::FunctionListTest(m_list->Names(), true);
    return libedit::AskNewName(mode, test, m_messages, this);
}

void CDlgIREditLib::OnOpenLib() {
    if (!libedit::OpenLibraryFile(m_messages, ".irr", LoadIrLibraryFile, m_library)) {
        return;
    }
    m_libName->setText(FromBytes(m_library.libName));
    FillList();
}

void CDlgIREditLib::OnNewLib() {
    const QString name = AskName(CDlgNewName::IrLibrary);
    if (name.isEmpty()) {
        return;
    }
    m_list->setRowCount(0);
    m_libName->setText(name);
    m_library = CIrLibSet();
    m_library.libName = ToBytes(name);
}

void CDlgIREditLib::OnNewFunction() {
    const QString name = AskName(CDlgNewName::IrFunction);
    if (name.isEmpty()) {
        return;
    }
    m_list->AddRow(name, QString(kIrPlaceholderLength, QLatin1Char('F')));
    m_list->Renumber();
    RefreshUses();
}

void CDlgIREditLib::OnRenameFunction() {
    const int row = m_list->FirstSelectedRow();
    if (row < 0) {
        m_messages.Show(QStringLiteral("Please select a Item for list"));
        return;
    }
    // The row's own name counts as taken: renaming to it is refused.
    const QString name = AskName(CDlgNewName::IrFunction);
    if (name.isEmpty()) {
        return;
    }
    m_list->SetRowName(row, name);
    RefreshUses();
}

void CDlgIREditLib::OnDeleteFunction() {
    const int row = m_list->FirstSelectedRow();
    if (row < 0) {
        m_messages.Show(QStringLiteral("Please select a Item for list"));
        return;
    }
    m_list->removeRow(row);
    const int left = m_list->rowCount();
    if (left > 0) {
        m_list->SelectRow(row == left ? left - 1 : row);
    }
    m_list->Renumber();
}

void CDlgIREditLib::OnLearn() {
    if (!m_link || !m_link->isOpen()) {
        m_messages.Show(QStringLiteral("Please Open Com"));
        return;
    }
    // Another phase (a clear, an upload) keeps its replies: say why instead of taking them.
    const LinkRefusal refusal = m_link->learnBlocker();
    if (refusal != LinkRefusal::None) {
        m_messages.Show(RefusalText(refusal));
        return;
    }
    if (!m_link->startLearning()) {
        return; // the link said what went wrong
    }
    m_learn->setEnabled(false);
    m_learnLock->start();
}

void CDlgIREditLib::OnCodeLearned(const QByteArray& code) {
    const int row = m_list->FirstSelectedRow();
    if (row >= 0) {
        m_list->SetRowData(row, QString::fromLatin1(code));
    }
}

void CDlgIREditLib::Collect() {
    m_library.libName = ToBytes(m_libName->text());
    m_library.entries.clear();
    for (int r = 0; r < m_list->rowCount(); ++r) {
        m_library.entries.push_back(ToBytes(m_list->RowText(r)));
    }
}

bool CDlgIREditLib::CanSave() {
    if (m_libName->text().trimmed().isEmpty()) {
        m_messages.Show(QStringLiteral("Please Create a new lib name"));
        return false;
    }
    if (m_list->rowCount() == 0) {
        m_messages.Show(QStringLiteral("Please Create a new function"));
        return false;
    }
    return true;
}

bool CDlgIREditLib::SaveTo(const QString& path) {
    return libedit::SaveLibraryFile(m_messages, SaveIrLibraryFile, path, m_library);
}

bool CDlgIREditLib::OnSaveEdit() {
    if (!CanSave()) {
        return false;
    }
    Collect();
    return SaveTo(LibraryFileFor(LibraryFolder(), m_library.libName, LibraryKind::Ir));
}

bool CDlgIREditLib::OnSaveNameAs() {
    if (!CanSave()) {
        return false;
    }
    Collect();
    const QString path = libedit::AskSavePath(m_messages, ".irr");
    return !path.isEmpty() && SaveTo(path);
}

} // namespace qz
