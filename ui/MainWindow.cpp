#include "MainWindow.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QUndoCommand>
#include <QVBoxLayout>

#include "KeyDialogs.h"
#include "KeyPanel.h"
#include "link/DeviceLink.h"
#include "link/PortDiscovery.h"
#include "link/Uploader.h"
#include "model/KvqEventStr.h"
#include "model/Text.h"
#include "model/UploadPlan.h"
#include "store/DeviceModels.h"
#include "store/Paths.h"
#include "store/ProjectFile.h"
#include "store/ProjectJson.h"
#include "store/Settings.h"

namespace qz {

namespace {

QString Latin1(const std::string& s) {
    return QString::fromLatin1(s.data(), int(s.size()));
}
std::string Bytes(const QString& s) {
    return s.toLatin1().toStdString();
}

QToolButton* ListButton(const QString& text, const QString& tip, const char* name,
                        QStyle::StandardPixmap icon, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    if (icon != QStyle::SP_CustomBase) {
        b->setIcon(parent->style()->standardIcon(icon));
    } else {
        b->setText(text);
    }
    b->setToolTip(tip);
    return b;
}

QTreeWidget* List(const QStringList& columns, const QList<int>& widths, const char* name) {
    auto* list = new QTreeWidget;
    list->setObjectName(QLatin1String(name));
    list->setColumnCount(int(columns.size()));
    list->setHeaderLabels(columns);
    list->setRootIsDecorated(false);
    list->setAllColumnsShowFocus(true);
    list->setUniformRowHeights(true);
    for (int i = 0; i < widths.size(); ++i) {
        list->setColumnWidth(i, widths[i]);
    }
    return list;
}

constexpr int kSlotRole = Qt::UserRole;
const char kNoRoomText[] =
    "This action does not fit: the event's actions would no longer fit into one frame.";

} // namespace

// One edit as the configuration before and after it: simple, and exact whatever the edit was.
class MainWindow::SnapshotCommand : public QUndoCommand {
  public:
    SnapshotCommand(MainWindow* window, Configuration before, Configuration after,
                    const QString& text)
        : QUndoCommand(text), m_window(window), m_before(std::move(before)),
          m_after(std::move(after)) {}
    void undo() override { m_window->restore(m_before); }
    void redo() override {
        if (m_done) {
            m_window->restore(m_after);
        }
        m_done = true; // the edit itself has already been made
    }

  private:
    MainWindow* m_window;
    Configuration m_before;
    Configuration m_after;
    bool m_done = false;
};

MainWindow::MainWindow(Configuration config, DeviceLink& link, IMessages* messages, QWidget* parent)
    : QMainWindow(parent), m_config(std::move(config)), m_link(link),
      m_ownMessages(std::make_unique<WidgetMessages>(this)),
      m_messages(messages ? messages : m_ownMessages.get()),
      m_uploader(std::make_unique<Uploader>(link)) {
    setObjectName(QStringLiteral("mainWindow"));
    buildMenus();
    setCentralWidget(buildCentre());

    connect(&m_link, &DeviceLink::message, this,
            [this](const QString& text, const QString& detail) {
                m_messages->Show(detail.isEmpty() ? text : text + QStringLiteral("\n\n") + detail);
            });
    connect(&m_link, &DeviceLink::statusChanged, this, &MainWindow::onStatusChanged);
    connect(&m_link, &DeviceLink::handshakeFinished, this, [this](bool) { onStatusChanged(); });
    connect(m_uploader.get(), &Uploader::finished, this, &MainWindow::onUploadFinished);
    connect(m_uploader.get(), &Uploader::progressChanged, this, [this](int p) {
        if (m_progress) {
            m_progress->setValue(p);
        }
    });

    // Only a change of the port list that removes the connected port drops the connection.
    m_watcher = new PortWatcher(PortDiscovery(), this);
    connect(m_watcher, &PortWatcher::portRemoved, this,
            [this](const QString& name) { m_link.portRemoved(name); });
    connect(m_watcher, &PortWatcher::portsChanged, this,
            [this] { m_link.setKeypadPortPresent(m_watcher->candidatePresent()); });
    m_watcher->start();

    refreshKeys();
    refillEventList();
    onStatusChanged();
    updateTitle();
    resize(1100, 720);
}

MainWindow::~MainWindow() = default;

void MainWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("&Open"), QKeySequence::Open, this, [this] {
        const QString path =
            m_messages->OpenFileName(QStringLiteral("Open"), startFolder(),
                                     QStringLiteral("Projects (*.qzp);;Projects as text (*.json)"));
        if (!path.isEmpty()) {
            openProject(path);
        }
    });
    file->addAction(QStringLiteral("&Save"), QKeySequence::Save, this, [this] { saveProject(); });
    file->addAction(QStringLiteral("Save &as"), QKeySequence::SaveAs, this,
                    [this] { saveProjectAs(); });
    file->addSeparator();
    file->addAction(QStringLiteral("&Quit"), QKeySequence::Quit, this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    QAction* undo = m_undo.createUndoAction(this, QStringLiteral("&Undo"));
    undo->setShortcut(QKeySequence::Undo);
    QAction* redo = m_undo.createRedoAction(this, QStringLiteral("&Redo"));
    redo->setShortcut(QKeySequence::Redo);
    edit->addAction(undo);
    edit->addAction(redo);
    connect(&m_undo, &QUndoStack::cleanChanged, this, [this](bool clean) {
        m_modified = !clean;
        updateTitle();
    });

    QMenu* system = menuBar()->addMenu(QStringLiteral("&System"));
    m_modelAction = system->addAction(QStringLiteral("QRM-K6"), this, &MainWindow::onModelCommand);
    m_modelAction->setCheckable(true);

    QMenu* connection = menuBar()->addMenu(QStringLiteral("&Connection"));
    m_usbAction = connection->addAction(QStringLiteral("USB"), this, &MainWindow::connectKeypad);
    m_usbAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    m_usbAction->setCheckable(true);
    connection->addAction(QStringLiteral("Disconnect"), this, [this] { m_link.disconnectPort(); });
    connection->addSeparator();
    connection->addAction(QStringLiteral("Upload"), QKeySequence(Qt::CTRL | Qt::Key_U), this,
                          &MainWindow::onUpload);
    connection->addAction(QStringLiteral("Clear"), this, &MainWindow::onClear);
    connection->addAction(QStringLiteral("Unusual"), this, [this] {
        if (m_messages->Ask(QStringLiteral("Unusual the machine,\rare you sure ? "),
                            QStringLiteral("qzctr"))) {
            m_link.sendUnusual();
        }
    });
}

QWidget* MainWindow::buildCentre() {
    auto* centre = new QWidget;
    auto* grid = new QGridLayout(centre);

    // Left: the panel, the device boxes, the action text entry.
    auto* panelBox = new QGroupBox(QStringLiteral("Panel Set"));
    auto* panelLayout = new QVBoxLayout(panelBox);
    m_panel = new KeyPanel;
    panelLayout->addWidget(m_panel);
    connect(m_panel, &KeyPanel::keyClicked, this, &MainWindow::onKeyClicked);
    auto* boxes = new QHBoxLayout;
    m_portLabel = new QLabel(QStringLiteral("Enable RS232/IR:"));
    m_portBox = new QComboBox;
    m_portBox->setObjectName(QStringLiteral("portMode"));
    for (int i = 0; i < kPortModeCount; ++i) {
        m_portBox->addItem(QLatin1String(PortModeText(i)));
    }
    m_portBox->setEnabled(false); // only the model command changes the port mode
    m_idBox = new QComboBox;
    m_idBox->setObjectName(QStringLiteral("idNumber"));
    m_idBox->addItem(QStringLiteral("--"));
    for (int i = 1; i <= 99; ++i) {
        m_idBox->addItem(QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')));
    }
    connect(m_idBox, &QComboBox::activated, this, [this](int index) {
        if (index != m_config.idNumber) {
            const Configuration before = m_config;
            m_config.idNumber = index;
            recordEdit(QStringLiteral("ID No."), before);
        }
    });
    boxes->addWidget(m_portLabel);
    boxes->addWidget(m_portBox);
    boxes->addStretch();
    boxes->addWidget(new QLabel(QStringLiteral("ID No.")));
    boxes->addWidget(m_idBox);
    panelLayout->addLayout(boxes);
    grid->addWidget(panelBox, 0, 0);

    auto* entryBox = new QGroupBox(QStringLiteral("Event Set"));
    auto* entry = new QVBoxLayout(entryBox);
    m_actionText = new QLineEdit;
    m_actionText->setObjectName(QStringLiteral("actionText"));
    m_actionText->setPlaceholderText(QStringLiteral("Action text, e.g.  RELY : 0 : 1 : 1"));
    m_preview = new QLabel;
    m_preview->setObjectName(QStringLiteral("preview"));
    m_preview->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* entryButtons = new QHBoxLayout;
    auto* add = new QPushButton(QStringLiteral("Add"));
    add->setObjectName(QStringLiteral("addAction"));
    add->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
    auto* edit = new QPushButton(QStringLiteral("Edit"));
    edit->setObjectName(QStringLiteral("editAction"));
    entryButtons->addStretch();
    entryButtons->addWidget(add);
    entryButtons->addWidget(edit);
    entry->addWidget(m_actionText);
    entry->addWidget(m_preview);
    entry->addLayout(entryButtons);
    entry->addStretch();
    connect(m_actionText, &QLineEdit::textChanged, this, &MainWindow::updatePreview);
    connect(m_actionText, &QLineEdit::returnPressed, this,
            [this] { addActionText(m_actionText->text()); });
    connect(add, &QPushButton::clicked, this, [this] { addActionText(m_actionText->text()); });
    connect(edit, &QPushButton::clicked, this,
            [this] { replaceSelectedAction(m_actionText->text()); });
    grid->addWidget(entryBox, 1, 0);

    // Right: status, the event list and the action list with their buttons.
    auto* right = new QVBoxLayout;
    auto* statusRow = new QHBoxLayout;
    statusRow->addStretch();
    statusRow->addWidget(new QLabel(QStringLiteral("Dev State:")));
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("status"));
    statusRow->addWidget(m_status);
    right->addLayout(statusRow);

    auto* eventBox = new QGroupBox(QStringLiteral("Action List"));
    auto* eventLayout = new QVBoxLayout(eventBox);
    auto* eventButtons = new QHBoxLayout;
    auto* delEvent = ListButton({}, QStringLiteral("Delect selected action!"), "deleteEvent",
                                QStyle::SP_TrashIcon, this);
    auto* purge =
        ListButton({}, QStringLiteral("if there is a action without event, it will be delected"),
                   "purgeEvents", QStyle::SP_BrowserReload, this);
    auto* clearEvents =
        ListButton(QStringLiteral("Clear All"), {}, "clearAllEvents", QStyle::SP_CustomBase, this);
    eventButtons->addWidget(delEvent);
    eventButtons->addWidget(purge);
    eventButtons->addWidget(clearEvents);
    eventButtons->addStretch();
    m_events = List({"Key", "Type", "Data"}, {50, 70, 280}, "eventList");
    eventLayout->addLayout(eventButtons);
    eventLayout->addWidget(m_events);
    right->addWidget(eventBox);

    auto* actionBox = new QGroupBox(QStringLiteral("Event List"));
    auto* actionLayout = new QVBoxLayout(actionBox);
    auto* actionButtons = new QHBoxLayout;
    auto* delAction = ListButton({}, QStringLiteral("Delect selected event!"), "deleteAction",
                                 QStyle::SP_TrashIcon, this);
    auto* up = ListButton({}, QStringLiteral("Higher priority for selected event!"), "moveUp",
                          QStyle::SP_ArrowUp, this);
    auto* down = ListButton({}, QStringLiteral("Lower priority for selected event!"), "moveDown",
                            QStyle::SP_ArrowDown, this);
    auto* clearActions =
        ListButton(QStringLiteral("Clear All"), {}, "clearActions", QStyle::SP_CustomBase, this);
    for (QWidget* w : {static_cast<QWidget*>(delAction), static_cast<QWidget*>(up),
                       static_cast<QWidget*>(down), static_cast<QWidget*>(clearActions)}) {
        actionButtons->addWidget(w);
    }
    actionButtons->addStretch();
    m_actions = List({"Num", "Type", "Data"}, {40, 60, 300}, "actionList");
    actionLayout->addLayout(actionButtons);
    actionLayout->addWidget(m_actions);
    right->addWidget(actionBox);
    grid->addLayout(right, 0, 1, 2, 1);
    grid->setColumnStretch(1, 1);

    connect(delEvent, &QToolButton::clicked, this, &MainWindow::onDeleteEvent);
    connect(purge, &QToolButton::clicked, this, &MainWindow::onPurgeEvents);
    connect(clearEvents, &QToolButton::clicked, this, &MainWindow::onClearAllEvents);
    connect(delAction, &QToolButton::clicked, this, &MainWindow::onDeleteAction);
    connect(up, &QToolButton::clicked, this, [this] { onMoveAction(-1); });
    connect(down, &QToolButton::clicked, this, [this] { onMoveAction(+1); });
    connect(clearActions, &QToolButton::clicked, this, &MainWindow::onClearActions);
    connect(m_events, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!item) {
            return;
        }
        const int data = item->data(0, kSlotRole).toInt();
        m_config.currentKey = data % 256;
        m_config.currentSlot = (data / 256) % 256;
        fillActionList();
    });
    connect(m_actions, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item) {
            const auto& list =
                m_config.keys[size_t(m_config.currentKey)].slots[size_t(m_config.currentSlot)];
            const int row = m_actions->indexOfTopLevelItem(item);
            if (row >= 0 && row < int(list.size())) {
                m_actionText->setText(Latin1(list[size_t(row)]));
            }
        }
    });
    return centre;
}

void MainWindow::setFixedPort(const QString& path) {
    m_fixedPort = path;
}

QString MainWindow::startFolder() const {
    return m_projectPath.isEmpty() ? LibraryFolder() : QFileInfo(m_projectPath).absolutePath();
}

void MainWindow::setModified(bool modified) {
    if (!modified) {
        m_undo.setClean();
    }
    m_modified = modified;
    updateTitle();
}

void MainWindow::recordEdit(const QString& what, const Configuration& before) {
    m_undo.push(new SnapshotCommand(this, before, m_config, what));
    setModified(true);
}

void MainWindow::restore(const Configuration& config) {
    const int key = config.currentKey;
    const int slot = config.currentSlot;
    m_config = config;
    refreshKeys();
    refillEventList();
    selectEvent(key, slot);
}

void MainWindow::updateTitle() {
    const QString name = m_projectPath.isEmpty() ? QStringLiteral("untitled") : m_projectPath;
    setWindowTitle(name + (m_modified ? QStringLiteral(" *") : QString()) +
                   QStringLiteral(" — qzctr"));
}

void MainWindow::refreshKeys() {
    m_panel->showConfiguration(m_config);
    m_modelAction->setChecked(m_config.deviceModel == 1);
    const DeviceModelInfo* model = FindDeviceModel(m_config.deviceModel);
    const bool portShown = model && model->portBoxShown;
    m_portLabel->setVisible(portShown);
    m_portBox->setVisible(portShown);
    m_portBox->setCurrentIndex(qBound(0, int(m_config.portMode), kPortModeCount - 1));
    m_idBox->setCurrentIndex(qBound(0, int(m_config.idNumber), 99));
}

void MainWindow::refillEventList() {
    const QSignalBlocker block(m_events);
    m_events->clear();
    for (const auto& [key, slot] : m_config.EventRows()) {
        auto* item = new QTreeWidgetItem(m_events);
        item->setText(0, QStringLiteral("Key%1").arg(key + 1));
        item->setText(1, QLatin1String(EventNameOfSlot(slot)));
        item->setText(2, Latin1(m_config.EventDataText(key, slot)));
        item->setData(0, kSlotRole, key + 256 * slot);
    }
}

void MainWindow::selectEvent(int key, int slot) {
    m_config.currentKey = key;
    m_config.currentSlot = slot;
    const QSignalBlocker block(m_events);
    for (int i = 0; i < m_events->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_events->topLevelItem(i);
        if (item->data(0, kSlotRole).toInt() == key + 256 * slot) {
            m_events->setCurrentItem(item);
        }
    }
    fillActionList();
}

void MainWindow::fillActionList() {
    const QSignalBlocker block(m_actions);
    m_actions->clear();
    const int key = m_config.currentKey;
    const int slot = m_config.currentSlot;
    if (key < 0 || key >= kKeyCount || slot < 0 || slot >= kSlotCount) {
        return;
    }
    const ActionList& list = m_config.keys[size_t(key)].slots[size_t(slot)];
    if (list.size() == 1 && IsBlank(list.front())) {
        return; // a new event's placeholder is not an action
    }
    for (size_t i = 0; i < list.size(); ++i) {
        const CKvqEventStr action(list[i]);
        auto* item = new QTreeWidgetItem(m_actions);
        item->setText(0, QString::number(i + 1));
        item->setText(1, Latin1(action.GetTypeName()));
        item->setText(2, Latin1(action.GetSummary()));
    }
}

int MainWindow::selectedActionRow() const {
    QTreeWidgetItem* item = m_actions->currentItem();
    return item ? m_actions->indexOfTopLevelItem(item) : -1;
}

void MainWindow::selectAction(int row) {
    if (row >= 0 && row < m_actions->topLevelItemCount()) {
        m_actions->setCurrentItem(m_actions->topLevelItem(row));
    }
}

void MainWindow::updatePreview() {
    const CKvqEventStr action(Bytes(m_actionText->text()));
    if (m_actionText->text().trimmed().isEmpty()) {
        m_preview->clear();
    } else if (action.IsValid()) {
        m_preview->setText(Latin1(action.GetTypeName()) + QStringLiteral(": ") +
                           Latin1(action.GetSummary()));
    } else {
        m_preview->setText(QStringLiteral("Not an action text yet."));
    }
}

bool MainWindow::addEventToKey(int key, int family, int index, int sub) {
    const Configuration before = m_config; // a copy: m_config changes next
    return addEvent(key, family, index, sub, before);
}

bool MainWindow::addEvent(int key, int family, int index, int sub, const Configuration& before) {
    const int slot = m_config.AddEvent(key, family, index, sub);
    if (slot < 0) {
        m_config = before;
        m_messages->Show(QStringLiteral("Add error"));
        return false;
    }
    recordEdit(QStringLiteral("Add event"), before);
    refreshKeys();
    refillEventList();
    selectEvent(key, slot);
    return true;
}

void MainWindow::onKeyClicked(int key) {
    const Key& k = m_config.keys[size_t(key)];
    if (k.keyKind == kKindSystem && (key == 32 || key == 33) &&
        !HasIoInputs(m_config.deviceModel)) {
        m_messages->Show(QLatin1String(kIoUnavailable));
        return;
    }
    const std::unique_ptr<CDlgKey> dialog = MakeKeyDialog(m_config, key, *m_messages, this);
    if (!dialog || m_messages->Exec(*dialog) != QDialog::Accepted) {
        return;
    }
    const KeyDialogResult r = dialog->keyResult();
    const Configuration before = m_config;
    Key& target = m_config.keys[size_t(key)];
    if (k.keyKind == kKindNormal) {
        target.keyName = r.name;
        target.ledBrightness = r.ledBrightness;
        target.keyGroup = r.keyGroup;
        if (r.addEvent) {
            target.repeatInterval = r.repeatDigit;
        }
    } else if (k.keyKind == kKindVirtual) {
        target.keyName = r.name;
    }
    if (r.addEvent) {
        addEvent(key, r.family, r.index, r.sub, before);
    } else {
        recordEdit(QStringLiteral("Key settings"), before);
        refreshKeys();
    }
}

int MainWindow::addActionText(const QString& text) {
    const std::string bytes = Bytes(text);
    const CKvqEventStr action(bytes);
    if (!action.IsValid()) {
        m_messages->Show(QStringLiteral("This is not an action text: %1").arg(text));
        return kRefused;
    }
    if (!m_config.keys[size_t(m_config.currentKey)].HasEvent(m_config.currentSlot)) {
        m_messages->Show(QStringLiteral("Select an event first: click a key to add one."));
        return kRefused;
    }
    const Configuration before = m_config;
    const int row = m_config.AddAction(m_config.currentKey, m_config.currentSlot, bytes);
    if (row == kNoRoom) {
        m_messages->Show(QLatin1String(kNoRoomText));
        return row;
    }
    if (row >= 0) {
        recordEdit(QStringLiteral("Add action"), before);
        fillActionList();
        selectAction(row);
        refreshKeys();
    }
    return row;
}

bool MainWindow::replaceSelectedAction(const QString& text) {
    const int row = selectedActionRow();
    const std::string bytes = Bytes(text);
    if (row < 0) {
        m_messages->Show(QStringLiteral("No selected item to edit"));
        return false;
    }
    if (!CKvqEventStr(bytes).IsValid()) {
        m_messages->Show(QStringLiteral("This is not an action text: %1").arg(text));
        return false;
    }
    const Configuration before = m_config;
    const int result =
        m_config.ReplaceAction(m_config.currentKey, m_config.currentSlot, row, bytes);
    if (result == kNoRoom) {
        m_messages->Show(QLatin1String(kNoRoomText));
        return false;
    }
    if (result < 0) {
        return false;
    }
    recordEdit(QStringLiteral("Edit action"), before);
    fillActionList();
    selectAction(row);
    return true;
}

void MainWindow::onDeleteEvent() {
    if (!m_events->currentItem()) {
        return;
    }
    const Configuration before = m_config;
    m_config.DeleteEvent(m_config.currentKey, m_config.currentSlot);
    recordEdit(QStringLiteral("Delete event"), before);
    refillEventList();
    refreshKeys();
    if (m_events->topLevelItemCount() > 0) {
        m_events->setCurrentItem(m_events->topLevelItem(0));
    } else {
        m_actions->clear();
    }
}

void MainWindow::onPurgeEvents() {
    const Configuration before = m_config;
    if (m_config.PurgeEmptyEvents() > 0) {
        recordEdit(QStringLiteral("Remove events without actions"), before);
    }
    refillEventList();
    refreshKeys();
    if (m_events->topLevelItemCount() > 0) {
        m_events->setCurrentItem(m_events->topLevelItem(0));
    }
}

void MainWindow::onClearAllEvents() {
    const Configuration before = m_config;
    m_config.ClearAllEvents();
    recordEdit(QStringLiteral("Clear all events"), before);
    m_events->clear();
    m_actions->clear();
    refreshKeys();
}

void MainWindow::onDeleteAction() {
    const int row = selectedActionRow();
    if (row < 0) {
        m_messages->Show(QStringLiteral("No selected item to delete"));
        return;
    }
    const Configuration before = m_config;
    m_config.DeleteAction(m_config.currentKey, m_config.currentSlot, row);
    recordEdit(QStringLiteral("Delete action"), before);
    fillActionList();
}

void MainWindow::onMoveAction(int direction) {
    const int row = selectedActionRow();
    if (row < 0) {
        m_messages->Show(QStringLiteral("No selected item to move"));
        return;
    }
    const Configuration before = m_config;
    const int moved = direction < 0
                          ? m_config.MoveActionUp(m_config.currentKey, m_config.currentSlot, row)
                          : m_config.MoveActionDown(m_config.currentKey, m_config.currentSlot, row);
    if (moved >= 0) {
        recordEdit(QStringLiteral("Move action"), before);
        fillActionList();
        selectAction(moved);
    }
}

void MainWindow::onClearActions() {
    if (m_actions->topLevelItemCount() == 0) {
        return;
    }
    const Configuration before = m_config;
    m_config.ClearActions(m_config.currentKey, m_config.currentSlot);
    recordEdit(QStringLiteral("Clear actions"), before);
    m_actions->clear();
}

void MainWindow::onModelCommand() {
    QStringList modes;
    for (int i = 0; i < kPortModeCount; ++i) {
        modes << QLatin1String(PortModeText(i));
    }
    bool ok = false;
    const QString chosen = QInputDialog::getItem(
        this, QStringLiteral("Output Port Selection"), QStringLiteral("Enable RS232/IR"), modes,
        m_config.deviceModel == 1 ? m_config.portMode : 0, false, &ok);
    m_modelAction->setChecked(m_config.deviceModel == 1);
    if (!ok) {
        return;
    }
    const int port = int(modes.indexOf(chosen));
    if (m_config.deviceModel == 1 && port == m_config.portMode) {
        return;
    }
    const Configuration before = m_config;
    m_config.ClearConfiguration();
    m_config.LayoutKeys(1);
    m_config.deviceModel = 1;
    m_config.ApplyModelAndPort(1, port);
    WriteModelSettings(1, port);
    recordEdit(QStringLiteral("Device model"), before);
    refreshKeys();
    refillEventList();
    m_actions->clear();
}

void MainWindow::onStatusChanged() {
    m_status->setText(QString::fromLatin1(StatusText(m_link.status())));
    m_usbAction->setChecked(m_link.status() == LinkStatus::ConnectSuccess);
}

void MainWindow::connectKeypad() {
    QStringList candidates;
    if (!m_fixedPort.isEmpty()) {
        candidates << m_fixedPort;
    } else {
        for (const SerialPortEntry& port : PortDiscovery().candidates()) {
            candidates << port.systemLocation;
        }
    }
    if (candidates.isEmpty()) {
        m_messages->Show(QStringLiteral("can't not Find USB"),
                         QStringLiteral("No keypad is plugged in."));
        return;
    }
    m_link.connectToKeypad(candidates);
}

void MainWindow::onClear() {
    const QString refusal = m_link.clearRefusal();
    if (!refusal.isEmpty()) {
        m_messages->Show(refusal);
        return;
    }
    if (m_messages->Ask(QStringLiteral("Clear all the parameters of the machine,\rare you sure ? "),
                        QStringLiteral("qzctr"))) {
        m_link.startClear();
    }
}

void MainWindow::onUpload() {
    const UploadPlan plan = BuildUploadPlan(m_config);
    const QString refusal = m_uploader->refusal(plan);
    if (!refusal.isEmpty()) {
        m_messages->Show(refusal);
        return;
    }
    if (!m_messages->Ask(QStringLiteral("Clear all data? \r\nYes or No ?"),
                         QStringLiteral("qzctr"))) {
        return;
    }
    m_progress = new QProgressDialog(QStringLiteral("Uploading…"), QStringLiteral("Cancel"), 0,
                                     plan.range, this);
    m_progress->setObjectName(QStringLiteral("uploadProgress"));
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setMinimumDuration(0);
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    connect(m_progress, &QProgressDialog::canceled, m_uploader.get(), &Uploader::cancel);
    m_uploader->start(plan, UploadLogPath());
}

void MainWindow::onUploadFinished(const UploadResult& result) {
    if (m_progress) {
        m_progress->deleteLater();
        m_progress = nullptr;
    }
    if (result.outcome == UploadResult::Completed) {
        statusBar()->showMessage(
            QStringLiteral("Upload done: %1 frames sent, %2 without an answer.")
                .arg(result.framesSent)
                .arg(result.unanswered),
            10000);
    } else if (!result.message.isEmpty()) {
        m_messages->Show(result.message);
    }
}

bool MainWindow::openProject(const QString& path) {
    Configuration loaded;
    QString error;
    // A file that cannot be read or is damaged leaves the configuration in memory as it was.
    switch (LoadProjectAny(path, loaded, &error)) {
    case LoadStatus::Loaded:
        break;
    case LoadStatus::Unreadable:
        m_messages->Show(QStringLiteral("The File is Destroy"), error);
        return false;
    case LoadStatus::Damaged:
        m_messages->Show(QStringLiteral("The project file is damaged and was not opened."), error);
        return false;
    }
    m_config = std::move(loaded);
    m_projectPath = path;
    m_undo.clear(); // undo does not reach back across files
    setModified(false);
    refreshKeys();
    refillEventList();
    m_actions->clear();
    return true;
}

bool MainWindow::saveProject() {
    if (m_projectPath.isEmpty()) {
        return saveProjectAs();
    }
    QString error;
    if (!SaveProject(m_projectPath, m_config, &error)) {
        m_messages->Show(QStringLiteral("The project could not be saved."), error);
        return false;
    }
    setModified(false);
    return true;
}

bool MainWindow::saveProjectAs() {
    QString path = m_messages->SaveFileName(QStringLiteral("Save as"), startFolder(),
                                            QStringLiteral("Projects (*.qzp)"));
    if (path.isEmpty()) {
        return false;
    }
    if (!path.endsWith(QStringLiteral(".qzp"), Qt::CaseInsensitive)) {
        path += QStringLiteral(".qzp");
    }
    const QString previous = m_projectPath;
    m_projectPath = path;
    if (!saveProject()) {
        m_projectPath = previous;
        updateTitle();
        return false;
    }
    return true;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (m_uploader->running()) {
        m_messages->Show(QStringLiteral("An upload is running: cancel it first."));
        event->ignore();
        return;
    }
    if (m_modified) {
        const int answer = m_messages->AskYesNoCancel(QStringLiteral("Save the File in Editting?"),
                                                      QStringLiteral("Attention:"));
        // A cancelled or failed save keeps the window open: nothing is lost.
        if (answer < 0 || (answer == 1 && !saveProject())) {
            event->ignore();
            return;
        }
    }
    event->accept();
}

} // namespace qz
