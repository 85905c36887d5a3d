#include "ui/libraries/IrLibraryEditor.h"

#include <QAbstractTableModel>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "link/KeypadSession.h"
#include "model/Configuration.h"
#include "ui/libraries/LibraryEditorParts.h"

namespace qz {

using libedit::Button;

// The rows of the function list. "No." is the row's position, so deleting renumbers for free.
class IrFunctionModel : public QAbstractTableModel {
  public:
    using Row = CKvqIrListCtrl::Row;

    explicit IrFunctionModel(QObject* parent) : QAbstractTableModel(parent) {}

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(m_rows.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : 4;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount()) {
            return {};
        }
        const Row& row = m_rows[std::size_t(index.row())];
        if (role == Qt::DisplayRole) {
            return Text(index.row(), index.column());
        }
        if (role == Qt::ToolTipRole && index.column() == CKvqIrListCtrl::kData) {
            return row.data; // the whole code; the column shows its start
        }
        return {};
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || section < 0 || section > 3) {
            return {};
        }
        static const char* const titles[] = {"No.", "Name", "Data", "Uses"};
        if (role == Qt::DisplayRole) {
            return QString::fromLatin1(titles[section]);
        }
        if (role == Qt::ToolTipRole && section == CKvqIrListCtrl::kUses) {
            return QStringLiteral("How many actions of the open project use the function");
        }
        if (role == Qt::TextAlignmentRole) {
            return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
        }
        return {};
    }

    QString Text(int row, int column) const {
        if (row < 0 || row >= rowCount()) {
            return {};
        }
        const Row& r = m_rows[std::size_t(row)];
        switch (column) {
        case CKvqIrListCtrl::kNo:
            return QString::number(row + 1);
        case CKvqIrListCtrl::kName:
            return r.name;
        case CKvqIrListCtrl::kData:
            return r.data;
        case CKvqIrListCtrl::kUses:
            return QString::number(r.uses);
        default:
            return {};
        }
    }
    void SetRows(std::vector<Row> rows) {
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
    }
    void Append(Row row) {
        beginInsertRows({}, rowCount(), rowCount());
        m_rows.push_back(std::move(row));
        endInsertRows();
    }
    void Remove(int row) {
        beginRemoveRows({}, row, row);
        m_rows.erase(m_rows.begin() + row);
        endRemoveRows();
        // Every row below moved up: its "No." changed.
        if (row < rowCount()) {
            Q_EMIT dataChanged(index(row, CKvqIrListCtrl::kNo),
                               index(rowCount() - 1, CKvqIrListCtrl::kNo));
        }
    }
    Row& At(int row) { return m_rows[std::size_t(row)]; }
    void Changed(int row, int column) {
        Q_EMIT dataChanged(index(row, column), index(row, column));
    }
    void SetUses(const std::vector<int>& uses) {
        for (std::size_t r = 0; r < m_rows.size() && r < uses.size(); ++r) {
            m_rows[r].uses = uses[r];
        }
        if (!m_rows.empty()) {
            Q_EMIT dataChanged(index(0, CKvqIrListCtrl::kUses),
                               index(rowCount() - 1, CKvqIrListCtrl::kUses));
        }
    }

  private:
    std::vector<Row> m_rows;
};

// ---------------------------------------------------------------------------------------------

CKvqIrListCtrl::CKvqIrListCtrl(QWidget* parent)
    : QTableView(parent), m_model(new IrFunctionModel(this)) {
    setModel(m_model);
    const int widths[] = {40, 100, 400, 50};
    for (int c = 0; c < 4; ++c) {
        setColumnWidth(c, widths[c]);
    }
    // Clicking a column header does nothing: rows keep the user's order.
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setStretchLastSection(true);
    verticalHeader()->hide();
    // Rows of one height: the view never measures them one by one.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setSortingEnabled(false);
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
}

int CKvqIrListCtrl::rowCount() const {
    return m_model->rowCount();
}

void CKvqIrListCtrl::SetRows(std::vector<Row> rows) {
    m_model->SetRows(std::move(rows));
}

void CKvqIrListCtrl::AddRow(const QString& name, const QString& data) {
    m_model->Append({name, data, 0});
    SelectRow(rowCount() - 1);
}

void CKvqIrListCtrl::RemoveRow(int index) {
    if (index >= 0 && index < rowCount()) {
        m_model->Remove(index);
    }
}

void CKvqIrListCtrl::SelectRow(int index) {
    if (index < 0 || index >= rowCount()) {
        return;
    }
    const QModelIndex at = m_model->index(index, kName);
    selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect |
                                              QItemSelectionModel::Rows);
    scrollTo(at);
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

QString CKvqIrListCtrl::Cell(int index, int column) const {
    return m_model->Text(index, column);
}

QString CKvqIrListCtrl::RowName(int index) const {
    return Cell(index, kName);
}

QString CKvqIrListCtrl::RowData(int index) const {
    return Cell(index, kData);
}

void CKvqIrListCtrl::SetRowName(int index, const QString& name) {
    if (index >= 0 && index < rowCount()) {
        m_model->At(index).name = name;
        m_model->Changed(index, kName);
    }
}

void CKvqIrListCtrl::SetRowData(int index, const QString& data) {
    if (index >= 0 && index < rowCount()) {
        m_model->At(index).data = data;
        m_model->Changed(index, kData);
    }
}

void CKvqIrListCtrl::SetUses(const std::vector<int>& uses) {
    m_model->SetUses(uses);
}

QString CKvqIrListCtrl::RowText(int index) const {
    if (index < 0 || index >= rowCount()) {
        return {};
    }
    return FromBytes(MakeIrEntry(ToBytes(RowName(index)), ToBytes(RowData(index))));
}

QStringList CKvqIrListCtrl::Names() const {
    QStringList names;
    names.reserve(rowCount());
    for (int r = 0; r < rowCount(); ++r) {
        names << RowName(r);
    }
    return names;
}

// ---------------------------------------------------------------------------------------------
CDlgIREditLib::CDlgIREditLib(const QString& libName, const QString& functionName,
                             IMessages& messages, KeypadSession* session,
                             const Configuration* config, QWidget* parent)
    : QDialog(parent), m_messages(messages), m_session(session), m_libName(new QLineEdit(this)),
      m_list(new CKvqIrListCtrl(this)), m_learn(Button(QStringLiteral("Learn"), "learn", this)),
      m_stopLearning(Button(QStringLiteral("Stop Learning"), "stopLearning", this)),
      m_learnHint(new QLabel(this)), m_saveStatus(new QLabel(this)), m_learnLock(new QTimer(this)),
      m_countdown(new QTimer(this)) {
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

    // What learning waits for, its countdown and how to end it.
    m_learnHint->setObjectName(QStringLiteral("learnHint"));
    m_learnHint->setAccessibleName(QStringLiteral("Learning"));
    m_learnHint->setWordWrap(true);
    m_stopLearning->setToolTip(QStringLiteral("Stop waiting for a code from the remote control"));
    m_stopLearning->hide();
    auto* learnRow = new QHBoxLayout;
    learnRow->addWidget(m_learnHint, 1);
    learnRow->addWidget(m_stopLearning);
    m_saveStatus->setObjectName(QStringLiteral("saveStatus"));
    m_saveStatus->setAccessibleName(QStringLiteral("Saved"));
    m_saveStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);

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
    m_editButtons = {newFunction, deleteFunction, renameFunction, m_learn, saveEdit, saveNameAs};

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(edit, 1);
    layout->addLayout(learnRow);
    layout->addWidget(m_saveStatus);
    layout->addLayout(bottom);
    resize(780, 460);
    // Without an open project there is nothing to count.
    m_list->setColumnHidden(CKvqIrListCtrl::kUses, config == nullptr);

    m_learnLock->setObjectName(QStringLiteral("learnLock"));
    m_learnLock->setSingleShot(true);
    m_learnLock->setTimerType(Qt::PreciseTimer); // the countdown shows it
    m_learnLock->setInterval(kLearnLockMs);
    connect(m_learnLock, &QTimer::timeout, this, [this] {
        m_countdown->stop();
        m_learn->setEnabled(!m_readOnly);
        ShowLearnState();
    });
    m_countdown->setInterval(250);
    connect(m_countdown, &QTimer::timeout, this, &CDlgIREditLib::ShowLearnState);

    connect(openLib, &QPushButton::clicked, this, &CDlgIREditLib::OnOpenLib);
    connect(newLib, &QPushButton::clicked, this, &CDlgIREditLib::OnNewLib);
    connect(newFunction, &QPushButton::clicked, this, &CDlgIREditLib::OnNewFunction);
    connect(deleteFunction, &QPushButton::clicked, this, &CDlgIREditLib::OnDeleteFunction);
    connect(renameFunction, &QPushButton::clicked, this, &CDlgIREditLib::OnRenameFunction);
    connect(m_learn, &QPushButton::clicked, this, &CDlgIREditLib::OnLearn);
    connect(m_stopLearning, &QPushButton::clicked, this, &CDlgIREditLib::OnStopLearning);
    connect(saveEdit, &QPushButton::clicked, this, &CDlgIREditLib::OnSaveEdit);
    connect(saveNameAs, &QPushButton::clicked, this, &CDlgIREditLib::OnSaveNameAs);
    // Neither saves by itself: closing with unsaved changes asks.
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CDlgIREditLib::SelectionChanged);
    if (m_session) {
        connect(m_session, &KeypadSession::codeLearned, this, &CDlgIREditLib::OnCodeLearned);
        connect(m_session, &KeypadSession::learnedFrameRejected, this,
                [this](const QString& reason) {
                    m_messages.Show(QStringLiteral("The learned code was not used: %1. Press "
                                                   "\"Learn\" and send the code from the remote "
                                                   "control again.")
                                        .arg(reason));
                });
        connect(m_session, &KeypadSession::learningEnded, this, &CDlgIREditLib::LearningStopped);
    }

    OpenByName(libName, functionName);
}

CDlgIREditLib::~CDlgIREditLib() {
    if (m_session) {
        disconnect(m_session, nullptr, this, nullptr);
    }
    EndLearning();
}

void CDlgIREditLib::setLearnLockMs(int ms) {
    m_learnLock->setInterval(ms);
}

QString CDlgIREditLib::libraryName() const {
    return m_libName->text();
}

void CDlgIREditLib::done(int result) {
    if (m_modified || !m_pendingCode.isEmpty()) {
        const QString pending =
            m_pendingCode.isEmpty()
                ? QString()
                : QStringLiteral("A learned code is waiting for its function: select the "
                                 "function first, or the code is lost.");
        const int answer =
            libedit::AskToSaveChanges(m_messages, libraryName(), QLatin1String(kCaption), pending);
        if (answer < 0 || (answer == 1 && !OnSaveEdit())) {
            return; // the editor stays open with everything in it
        }
    }
    EndLearning();
    QDialog::done(result);
}

void CDlgIREditLib::EndLearning() {
    // Codes that arrive after the editor closed have nowhere to go.
    if (m_session && m_learning) {
        m_session->stopLearning();
    }
    LearningStopped();
}

void CDlgIREditLib::LearningStopped() {
    m_learning = false;
    m_learnLock->stop();
    m_countdown->stop();
    m_learn->setEnabled(!m_readOnly);
    ShowLearnState();
}

void CDlgIREditLib::ShowLearnState() {
    QString hint;
    if (!m_pendingCode.isEmpty()) {
        hint = QStringLiteral("A code was learned while no function was selected: select the "
                              "function it belongs to.");
    } else if (m_learning) {
        hint = QStringLiteral("Point the remote at the keypad and press the key.");
        if (m_learnLock->isActive()) {
            const int seconds = qMin((m_learnLock->remainingTime() + 999) / 1000,
                                     (m_learnLock->interval() + 999) / 1000);
            hint += QStringLiteral(" %1 s").arg(seconds);
        }
    }
    m_learnHint->setText(hint);
    m_stopLearning->setVisible(m_learning);
}

void CDlgIREditLib::SetModified(bool modified) {
    m_modified = modified;
    if (modified) {
        m_saveStatus->setText(QStringLiteral("Changes not saved"));
    }
}

void CDlgIREditLib::SetReadOnly(bool readOnly) {
    m_readOnly = readOnly;
    for (QPushButton* button : m_editButtons) {
        button->setEnabled(!readOnly && (button != m_learn || !m_learnLock->isActive()));
    }
}

void CDlgIREditLib::OpenByName(const QString& libName, const QString& functionName) {
    const QString function = functionName.trimmed();
    if (!libedit::ReadNamedLibrary(libName, ".irr", LoadIrLibraryFile, m_library, m_messages)) {
        return;
    }
    // The library goes by the name it was opened under; "Save Edit" writes that file.
    m_libName->setText(libName.trimmed());
    SetReadOnly(false);
    FillList();
    SetModified(false);
    int selected = m_list->rowCount() - 1;
    for (int r = 0; r < m_list->rowCount(); ++r) {
        if (!m_list->RowName(r).isEmpty() && m_list->RowName(r) == function) {
            selected = r;
            break;
        }
    }
    m_list->SelectRow(selected);
}

void CDlgIREditLib::ShowLoaded() {
    m_libName->setText(FromBytes(m_library.libName));
    SetReadOnly(!libedit::StoredNameIsSafe(m_messages, m_library.libName));
    FillList();
    SetModified(false);
    m_saveStatus->clear();
}

void CDlgIREditLib::FillList() {
    std::vector<CKvqIrListCtrl::Row> rows;
    rows.reserve(m_library.entries.size());
    for (const std::string& entry : m_library.entries) {
        rows.push_back({FromBytes(IrEntryName(entry)), FromBytes(IrEntryData(entry)), 0});
    }
    m_list->SetRows(std::move(rows));
    RefreshUses();
}

void CDlgIREditLib::RefreshUses() {
    if (m_list->isColumnHidden(CKvqIrListCtrl::kUses)) {
        return;
    }
    const std::string lib = ToBytes(m_libName->text().trimmed());
    std::vector<int> uses(std::size_t(m_list->rowCount()));
    for (int r = 0; r < m_list->rowCount(); ++r) {
        uses[std::size_t(r)] = m_usage.Uses(LibraryKind::Ir, lib, ToBytes(m_list->RowName(r)));
    }
    m_list->SetUses(uses);
}

QString CDlgIREditLib::AskName(int mode) {
    const CDlgNewName::DuplicateTest test =
        mode == CDlgNewName::IrLibrary
            ? CDlgNewName::LibraryFileTest(LibraryFolder(), QStringLiteral(".irr"))
            : CDlgNewName::FunctionListTest(m_list->Names(), true);
    return libedit::AskNewName(mode, test, m_messages, this);
}

void CDlgIREditLib::OnOpenLib() {
    if (m_modified) {
        const int answer =
            libedit::AskToSaveChanges(m_messages, libraryName(), QLatin1String(kCaption));
        if (answer < 0 || (answer == 1 && !OnSaveEdit())) {
            return;
        }
    }
    if (!libedit::OpenLibraryFile(m_messages, ".irr", LoadIrLibraryFile, m_library)) {
        return;
    }
    // A code waiting for its function keeps waiting: the rows are not the user's pick.
    m_quietSelection = true;
    ShowLoaded();
    m_list->SelectRow(m_list->rowCount() - 1);
    m_quietSelection = false;
}

void CDlgIREditLib::OnNewLib() {
    if (m_modified) {
        const int answer =
            libedit::AskToSaveChanges(m_messages, libraryName(), QLatin1String(kCaption));
        if (answer < 0 || (answer == 1 && !OnSaveEdit())) {
            return;
        }
    }
    const QString name = AskName(CDlgNewName::IrLibrary);
    if (name.isEmpty()) {
        return;
    }
    m_list->SetRows({});
    m_libName->setText(name);
    m_library = CIrLibSet();
    m_library.libName = ToBytes(name);
    SetReadOnly(false);
    // Not on disk yet.
    SetModified(true);
}

void CDlgIREditLib::OnNewFunction() {
    if (m_readOnly) {
        return;
    }
    const QString name = AskName(CDlgNewName::IrFunction);
    if (name.isEmpty()) {
        return;
    }
    SetModified(true);
    m_list->AddRow(name, QString(kIrPlaceholderLength, QLatin1Char('F')));
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
    if (name.isEmpty() || m_readOnly) {
        return;
    }
    m_list->SetRowName(row, name);
    SetModified(true);
    RefreshUses();
}

void CDlgIREditLib::OnDeleteFunction() {
    const int row = m_list->FirstSelectedRow();
    if (row < 0) {
        m_messages.Show(QStringLiteral("Please select a Item for list"));
        return;
    }
    if (m_readOnly) {
        return;
    }
    m_list->RemoveRow(row);
    SetModified(true);
    const int left = m_list->rowCount();
    if (left > 0) {
        m_list->SelectRow(row == left ? left - 1 : row);
    }
}

void CDlgIREditLib::OnLearn() {
    if (!m_session || !m_session->isOpen()) {
        m_messages.Show(QStringLiteral("Please Open Com"));
        return;
    }
    // Another phase (a clear, an upload) keeps its replies: say why instead of taking them.
    const LinkRefusal refusal = m_session->learnBlocker();
    if (refusal != LinkRefusal::None) {
        m_messages.Show(RefusalText(refusal));
        return;
    }
    if (!m_session->startLearning()) {
        return; // the session said what went wrong
    }
    m_learning = true;
    m_learn->setEnabled(false);
    m_learnLock->start();
    m_countdown->start();
    ShowLearnState();
}

void CDlgIREditLib::OnStopLearning() {
    EndLearning();
}

void CDlgIREditLib::OnCodeLearned(const QByteArray& code) {
    const int row = m_readOnly ? -1 : m_list->FirstSelectedRow();
    if (row < 0) {
        // Kept until the user picks the function it belongs to.
        m_pendingCode = code;
    } else {
        m_list->SetRowData(row, QString::fromLatin1(code));
        SetModified(true);
    }
    ShowLearnState();
}

void CDlgIREditLib::SelectionChanged() {
    if (m_pendingCode.isEmpty() || m_readOnly || m_quietSelection) {
        return;
    }
    const int row = m_list->FirstSelectedRow();
    if (row < 0) {
        return;
    }
    m_list->SetRowData(row, QString::fromLatin1(m_pendingCode));
    m_pendingCode.clear();
    SetModified(true);
    ShowLearnState();
}

void CDlgIREditLib::Collect() {
    m_library.libName = ToBytes(m_libName->text());
    m_library.entries.clear();
    m_library.entries.reserve(std::size_t(m_list->rowCount()));
    for (int r = 0; r < m_list->rowCount(); ++r) {
        m_library.entries.push_back(ToBytes(m_list->RowText(r)));
    }
}

bool CDlgIREditLib::CanSave() {
    if (m_readOnly) {
        m_messages.Show(latin1::LibraryNameFaultText(m_library.libName));
        return false;
    }
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
    if (!libedit::SaveLibraryFile(m_messages, SaveIrLibraryFile, path, m_library)) {
        return false;
    }
    SetModified(false);
    m_saveStatus->setText(libedit::SavedText(path));
    return true;
}

bool CDlgIREditLib::OnSaveEdit() {
    if (!CanSave()) {
        return false;
    }
    const QString path = libedit::SaveEditPath(m_messages, ToBytes(m_libName->text()), ".irr");
    if (path.isEmpty()) {
        return false;
    }
    Collect();
    return SaveTo(path);
}

bool CDlgIREditLib::OnSaveNameAs() {
    if (!CanSave()) {
        return false;
    }
    const QString path = libedit::AskSavePath(m_messages, ".irr");
    if (path.isEmpty()) {
        return false;
    }
    Collect();
    return SaveTo(path);
}

} // namespace qz
