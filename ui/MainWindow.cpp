#include "ui/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <QUndoStack>
#include <QVBoxLayout>
#include <functional>

#include "ui/dialogs/AboutDialog.h"
#include "ui/lists/ActionListModel.h"
#include "ui/document/Clipboard.h"
#include "ui/document/EditorDocument.h"
#include "ui/lists/EventListModel.h"
#include "ui/libraries/IrLibraryEditor.h"
#include "ui/dialogs/KeyDialogs.h"
#include "ui/controls/KeyPanel.h"
#include "ui/libraries/Rs232LibraryEditor.h"
#include "ui/dialogs/SmallDialogs.h"
#include "ui/dialogs/StaleActionsDialog.h"
#include "link/KeypadSession.h"
#include "link/Uploader.h"
#include "model/UploadPlan.h"
#include "ui/pages/ActionPagesPanel.h"
#include "ui/pages/IrPage.h"
#include "ui/pages/Rs232Page.h"
#include "store/DeviceModels.h"
#include "store/Paths.h"

namespace qz {

namespace {

constexpr int kRecentMax = 8;
const char kRecentKey[] = "RECENT/files";
const char kModelSwitchText[] =
    "Switching the device model lays the keys out again and discards every event of this "
    "project.\rSwitch anyway? (Undo brings the events back.)";
const char kModelNames[3][24] = {"Model 0", "QRM-K6", "Model 2 (19 keys)"};

QToolButton* ListButton(const QString& text, const QString& tip, const char* name,
                        QStyle::StandardPixmap icon, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    if (icon != QStyle::SP_CustomBase) {
        b->setIcon(parent->style()->standardIcon(icon));
        b->setToolTip(tip);
        b->setAccessibleName(tip);
    } else {
        b->setText(text);
        b->setAccessibleName(text);
    }
    return b;
}

QTableView* ListView(const char* name, const QString& caption, const QList<int>& widths,
                     QAbstractItemModel* model, QAbstractItemView::SelectionMode mode) {
    auto* view = new QTableView;
    view->setObjectName(QLatin1String(name));
    view->setAccessibleName(caption);
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(mode);
    view->setShowGrid(true);
    view->setWordWrap(false);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    view->verticalHeader()->hide();
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setHighlightSections(false);
    view->horizontalHeader()->setStretchLastSection(true);
    view->horizontalHeader()->setSortIndicator(0, Qt::AscendingOrder);
    view->horizontalHeader()->setAccessibleName(caption + QStringLiteral(" columns"));
    for (int i = 0; i < widths.size(); ++i) {
        view->setColumnWidth(i, widths[i]);
    }
    view->setSortingEnabled(true);
    return view;
}

} // namespace

MainWindow::MainWindow(EditorDocument& document, KeypadSession& session, IMessages* messages,
                       QWidget* parent)
    : QMainWindow(parent), m_document(document), m_session(session),
      m_ownMessages(std::make_unique<WidgetMessages>(this)),
      m_messages(messages ? messages : m_ownMessages.get()),
      m_clipboard(qobject_cast<QApplication*>(QCoreApplication::instance())
                      ? QGuiApplication::clipboard()
                      : nullptr) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowIcon(ProgramIcon());
    m_eventModel = new EventListModel(m_document, this);
    m_actionModel = new ActionListModel(m_document, this);
    buildMenus();
    setCentralWidget(buildCentre());
    statusBar()->showMessage(QStringLiteral("Ready"), 3000);
    wireDocument();
    wireSession();
    // Ctrl+Z must reach the document also while a text box has focus.
    qApp->installEventFilter(this);

    updateDevice();
    updateKeys();
    updateTitle();
    onStatus();
    setMinimumSize(980, 660);
    resize(1200, 820);
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(this);
}

// --- Layout and menus ---

void MainWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("&New"), QKeySequence::New, this, [this] { newProject(); });
    file->addAction(QStringLiteral("&Open"), QKeySequence::Open, this, [this] {
        if (!maybeSave()) {
            return;
        }
        const QString path = m_messages->OpenFileName(
            QStringLiteral("Open"), startFolder(),
            QStringLiteral("Projects (*.qzp);;Projects as text (*.json);;All files (*)"));
        if (!path.isEmpty()) {
            openProject(path);
        }
    });
    m_recentMenu = file->addMenu(QStringLiteral("Open &Recent"));
    m_recentMenu->setObjectName(QStringLiteral("recentMenu"));
    connect(m_recentMenu, &QMenu::aboutToShow, this, &MainWindow::fillRecentMenu);
    file->addAction(QStringLiteral("&Save"), QKeySequence::Save, this, [this] { saveProject(); });
    file->addAction(QStringLiteral("Save &as"), QKeySequence::SaveAs, this,
                    [this] { saveProjectAs(); });
    file->addSeparator();
    file->addAction(QStringLiteral("&Quit"), QKeySequence::Quit, this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    QAction* undo = m_document.undoStack()->createUndoAction(this, QStringLiteral("&Undo"));
    undo->setShortcut(QKeySequence::Undo);
    QAction* redo = m_document.undoStack()->createRedoAction(this, QStringLiteral("&Redo"));
    redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    undo->setObjectName(QStringLiteral("undo"));
    redo->setObjectName(QStringLiteral("redo"));
    edit->addAction(undo);
    edit->addAction(redo);
    edit->addSeparator();
    // Copy, paste and delete act on the list that had focus last; inside a text box the keys
    // keep their usual meaning, so the list's own shortcuts are bound to the lists.
    edit->addAction(QStringLiteral("&Copy"), this, [this] { copySelection(m_lastList); });
    edit->addAction(QStringLiteral("&Paste"), this, [this] { pasteOntoKey(-1); });
    edit->addAction(QStringLiteral("&Delete"), this, [this] { deleteIn(m_lastList); });
    edit->addSeparator();
    QAction* update = edit->addAction(QStringLiteral("Update actions from &libraries..."), this,
                                      &MainWindow::updateFromLibraries);
    update->setObjectName(QStringLiteral("updateFromLibraries"));

    QMenu* system = menuBar()->addMenu(QStringLiteral("&System"));
    // "QRM-K6" first, as the keypad's users know it; the other models follow.
    for (int model : {1, 0, 2}) {
        QAction* action = system->addAction(QLatin1String(kModelNames[model]), this,
                                            [this, model] { chooseModel(model); });
        action->setCheckable(true);
        action->setObjectName(QStringLiteral("model%1").arg(model));
        m_modelActions[model] = action;
    }
    system->addSeparator();
    system->addAction(QStringLiteral("IR library..."), this, &MainWindow::openIrEditor);
    system->addAction(QStringLiteral("RS232 library..."), this, &MainWindow::openRs232Editor);

    QMenu* connection = menuBar()->addMenu(QStringLiteral("&Connection"));
    m_usbAction = connection->addAction(QStringLiteral("USB"), this, &MainWindow::connectKeypad);
    m_usbAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    m_usbAction->setCheckable(true);
    connection->addAction(QStringLiteral("Disconnect"), this,
                          [this] { m_session.disconnectKeypad(); });
    connection->addSeparator();
    connection->addAction(QStringLiteral("Upload"), QKeySequence(Qt::CTRL | Qt::Key_U), this,
                          &MainWindow::onUpload);
    connection->addAction(QStringLiteral("Clear"), this, &MainWindow::onClear);
    connection->addAction(QStringLiteral("Unusual"), this, [this] {
        if (m_messages->Ask(QStringLiteral("Unusual the machine,\rare you sure ? "),
                            QStringLiteral("Dialog"))) {
            m_session.unusual();
        }
    });

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(QStringLiteral("about"), this, &MainWindow::about);
}

QWidget* MainWindow::buildCentre() {
    auto* centre = new QWidget;
    auto* grid = new QGridLayout(centre);

    auto* panelBox = new QGroupBox(QStringLiteral("Panel Set"));
    panelBox->setObjectName(QStringLiteral("panelSet"));
    auto* panelLayout = new QVBoxLayout(panelBox);
    m_panel = new KeyPanel;
    panelLayout->addWidget(m_panel, 1);
    connect(m_panel, &KeyPanel::keyClicked, this, &MainWindow::onKeyClicked);
    // A right click on a key offers to paste the copied event onto that key.
    m_panel->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_panel, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        auto* key = qobject_cast<CBaseButton*>(m_panel->childAt(at));
        if (!key) {
            return;
        }
        QMenu menu(this);
        const ClipboardContent content = m_clipboard.get();
        QAction* paste =
            menu.addAction(QStringLiteral("Paste onto Key %1").arg(key->index() + 1), this,
                           [this, index = key->index()] { pasteOntoKey(index); });
        paste->setEnabled(!content.isEmpty());
        menu.exec(m_panel->mapToGlobal(at));
    });

    auto* boxes = new QHBoxLayout;
    m_portLabel = new QLabel(QStringLiteral("Enable RS232/IR:"));
    m_portBox = new QComboBox;
    m_portBox->setObjectName(QStringLiteral("portMode"));
    m_portLabel->setBuddy(m_portBox);
    m_portBox->setAccessibleName(QStringLiteral("Enable RS232/IR"));
    for (int i = 0; i < kPortModeCount; ++i) {
        m_portBox->addItem(QLatin1String(PortModeText(i)));
    }
    m_portBox->setEnabled(false); // only the model command changes the port mode
    m_portBox->setToolTip(QStringLiteral("Changed through the System menu"));
    auto* idLabel = new QLabel(QStringLiteral("ID No."));
    m_idBox = new QComboBox;
    m_idBox->setObjectName(QStringLiteral("idNumber"));
    idLabel->setBuddy(m_idBox);
    m_idBox->setAccessibleName(QStringLiteral("ID No."));
    m_idBox->addItem(QStringLiteral("--"));
    for (int i = 1; i <= 99; ++i) {
        m_idBox->addItem(QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')));
    }
    connect(m_idBox, &QComboBox::activated, this,
            [this](int index) { report(m_document.setIdNumber(index)); });
    boxes->addWidget(m_portLabel);
    boxes->addWidget(m_portBox);
    boxes->addStretch();
    boxes->addWidget(idLabel);
    boxes->addWidget(m_idBox);
    panelLayout->addLayout(boxes);
    grid->addWidget(panelBox, 0, 0);

    auto* eventSet = new QGroupBox(QStringLiteral("Event Set"));
    eventSet->setObjectName(QStringLiteral("eventSet"));
    auto* eventSetLayout = new QVBoxLayout(eventSet);
    m_pages = new ActionPagesPanel;
    m_pages->setMessages(m_messages);
    m_pages->setEventListProbe([this] { return m_eventModel->rowCount() > 0; });
    eventSetLayout->addWidget(m_pages);
    connect(m_pages, &ActionPagesPanel::addRequested, this,
            [this](const QString& text) { report(m_document.addAction(text)); });
    connect(m_pages, &ActionPagesPanel::editRequested, this, [this](const QString& text) {
        report(m_document.replaceAction(m_document.currentActionRow(), text));
    });
    connect(m_pages, &ActionPagesPanel::editIrLibraryRequested, this, &MainWindow::openIrEditor);
    connect(m_pages, &ActionPagesPanel::editRs232LibraryRequested, this,
            &MainWindow::openRs232Editor);
    grid->addWidget(eventSet, 1, 0);

    grid->addWidget(buildLists(), 0, 1, 2, 1);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 2);
    // The keys scale with their box; the action pages need their height to show whole.
    grid->setRowStretch(0, 2);
    grid->setRowStretch(1, 3);
    return centre;
}

QWidget* MainWindow::buildLists() {
    auto* right = new QWidget;
    auto* layout = new QVBoxLayout(right);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* statusRow = new QHBoxLayout;
    statusRow->addStretch();
    auto* stateLabel = new QLabel(QStringLiteral("Dev State:"));
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setAccessibleName(QStringLiteral("Dev State:"));
    stateLabel->setBuddy(m_status);
    statusRow->addWidget(stateLabel);
    statusRow->addWidget(m_status);
    layout->addLayout(statusRow);

    // The upper list shows the events; its group box keeps the caption users know.
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
    eventLayout->addLayout(eventButtons);
    m_eventView = ListView("eventList", QStringLiteral("Action List"), {50, 70, 280}, m_eventModel,
                           QAbstractItemView::SingleSelection);
    m_eventView->setAccessibleDescription(QStringLiteral("The events of every key"));
    eventLayout->addWidget(m_eventView);
    layout->addWidget(eventBox, 1);
    m_listCommands[m_eventView] = {{QStringLiteral("Delete"), delEvent},
                                   {QStringLiteral("Remove events without actions"), purge},
                                   {QStringLiteral("Clear All"), clearEvents}};
    connect(delEvent, &QToolButton::clicked, this, [this] {
        if (m_eventView->selectionModel()->hasSelection()) {
            report(m_document.deleteEvent());
        }
    });
    connect(purge, &QToolButton::clicked, this, [this] { report(m_document.purgeEmptyEvents()); });
    connect(clearEvents, &QToolButton::clicked, this,
            [this] { report(m_document.clearAllEvents()); });

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
    actionButtons->addWidget(delAction);
    actionButtons->addWidget(up);
    actionButtons->addWidget(down);
    actionButtons->addWidget(clearActions);
    actionButtons->addStretch();
    actionLayout->addLayout(actionButtons);
    m_actionView = ListView("actionList", QStringLiteral("Event List"), {44, 60, 300},
                            m_actionModel, QAbstractItemView::ExtendedSelection);
    m_actionView->setAccessibleDescription(QStringLiteral("The actions of the selected event"));
    actionLayout->addWidget(m_actionView);
    layout->addWidget(actionBox, 1);
    m_listCommands[m_actionView] = {{QStringLiteral("Delete"), delAction},
                                    {QStringLiteral("Move up"), up},
                                    {QStringLiteral("Move down"), down},
                                    {QStringLiteral("Clear All"), clearActions}};
    connect(delAction, &QToolButton::clicked, this,
            [this] { report(m_document.deleteAction(m_document.currentActionRow())); });
    connect(up, &QToolButton::clicked, this,
            [this] { report(m_document.moveActionUp(m_document.currentActionRow())); });
    connect(down, &QToolButton::clicked, this,
            [this] { report(m_document.moveActionDown(m_document.currentActionRow())); });
    connect(clearActions, &QToolButton::clicked, this, [this] {
        if (m_actionModel->rowCount() > 0) {
            report(m_document.clearActions());
        }
    });

    for (QTableView* view : {m_eventView, m_actionView}) {
        // Copy, paste and delete on the list itself: in a text box the keys keep their meaning.
        auto bind = [this, view](QKeySequence keys, std::function<void()> what) {
            auto* shortcut = new QShortcut(keys, view, nullptr, nullptr, Qt::WidgetShortcut);
            connect(shortcut, &QShortcut::activated, this, std::move(what));
        };
        bind(QKeySequence::Copy, [this, view] { copySelection(view); });
        bind(QKeySequence::Paste, [this] { pasteOntoKey(-1); });
        bind(QKeySequence::Delete, [this, view] { deleteIn(view); });
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, view](const QPoint& at) { showListMenu(view, at); });
        view->installEventFilter(this);
    }
    connect(m_eventView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &MainWindow::onEventRowChanged);
    connect(m_actionView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &MainWindow::onActionRowChanged);
    return right;
}

// --- Observing the document and the session ---

void MainWindow::wireDocument() {
    connect(&m_document, &EditorDocument::keyChanged, this, [this] { updateKeys(); });
    connect(&m_document, &EditorDocument::slotChanged, this, [this] { updateKeys(); });
    connect(&m_document, &EditorDocument::deviceSettingsChanged, this, [this] {
        updateDevice();
        updateKeys();
    });
    connect(&m_document, &EditorDocument::reset, this, [this] {
        updateDevice();
        updateKeys();
        selectCurrentEvent();
    });
    connect(&m_document, &EditorDocument::currentEventChanged, this,
            [this] { selectCurrentEvent(); });
    connect(&m_document, &EditorDocument::currentActionRowChanged, this,
            [this] { selectCurrentAction(); });
    connect(&m_document, &EditorDocument::modifiedChanged, this, [this] { updateTitle(); });
    connect(&m_document, &EditorDocument::pathChanged, this, [this] { updateTitle(); });
    // Sorting and inserted rows move the current row; keep it in view.
    connect(m_eventModel, &QAbstractItemModel::layoutChanged, this,
            [this] { selectCurrentEvent(); });
    connect(m_eventModel, &QAbstractItemModel::rowsInserted, this,
            [this] { selectCurrentEvent(); });
}

void MainWindow::wireSession() {
    connect(&m_session, &KeypadSession::statusChanged, this, [this] { onStatus(); });
    connect(&m_session, &KeypadSession::connectFinished, this, [this](PhaseEnd reason) {
        onStatus();
        if (reason == PhaseEnd::Done) {
            statusBar()->showMessage(QStringLiteral("Connected to the keypad."), 5000);
        }
    });
    connect(&m_session, &KeypadSession::message, this,
            [this](const QString& text, const QString& detail) {
                m_messages->Show(detail.isEmpty() ? text : text + QStringLiteral("\n\n") + detail);
            });
    connect(&m_session, &KeypadSession::uploadProgress, this, [this](int position, int) {
        if (m_progress) {
            m_progress->setPosition(position);
        }
    });
    connect(&m_session, &KeypadSession::uploadFinished, this, &MainWindow::onUploadFinished);
    connect(&m_session, &KeypadSession::clearFinished, this, &MainWindow::onClearFinished);
    connect(&m_session, &KeypadSession::connectionLost, this, [this] {
        onStatus();
        statusBar()->showMessage(QStringLiteral("The keypad's port went away."), 8000);
    });
}

bool MainWindow::report(const EditResult& result) {
    if (result.refused() && !result.message.isEmpty()) {
        m_messages->Show(result.message);
    }
    return result.done();
}

void MainWindow::updateTitle() {
    const QString path = m_document.path();
    const QString name = path.isEmpty() ? QStringLiteral("untitled") : path;
    setWindowTitle(name + QStringLiteral("[*] \u2014 qzctr"));
    setWindowModified(m_document.isModified());
}

void MainWindow::updateDevice() {
    const Configuration& config = m_document.configuration();
    for (int model = 0; model < 3; ++model) {
        m_modelActions[model]->setChecked(config.deviceModel == model);
    }
    const DeviceModelInfo* model = FindDeviceModel(config.deviceModel);
    const bool portShown = model && model->portBoxShown;
    m_portLabel->setVisible(portShown);
    m_portBox->setVisible(portShown);
    m_portBox->setCurrentIndex(qBound(0, int(config.portMode), kPortModeCount - 1));
    m_idBox->setCurrentIndex(qBound(0, int(config.idNumber), 99));
    m_pages->setDevice(config.deviceModel, config.portMode);
}

void MainWindow::updateKeys() {
    m_panel->showConfiguration(m_document.configuration());
}

void MainWindow::selectCurrentEvent() {
    const QModelIndex index = m_eventModel->currentIndex();
    if (m_syncing) {
        return; // the view told the document: its selection is already right
    }
    m_syncing = true;
    if (index.isValid()) {
        m_eventView->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                                  QItemSelectionModel::Rows);
        m_eventView->scrollTo(index);
    } else {
        m_eventView->selectionModel()->clearSelection();
    }
    m_syncing = false;
    selectCurrentAction();
}

void MainWindow::selectCurrentAction() {
    const QModelIndex index = m_actionModel->currentIndex();
    if (m_syncing) {
        return;
    }
    m_syncing = true;
    if (index.isValid()) {
        m_actionView->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                                   QItemSelectionModel::Rows);
        m_actionView->scrollTo(index);
    } else {
        m_actionView->selectionModel()->clearSelection();
    }
    m_syncing = false;
}

void MainWindow::onEventRowChanged() {
    if (m_syncing) {
        return;
    }
    const auto [key, slot] = m_eventModel->eventAt(m_eventView->currentIndex());
    if (key >= 0) {
        m_syncing = true;
        m_document.setCurrentEvent(key, slot);
        m_syncing = false;
        // Another event shows other actions: nothing of them is selected yet.
        selectCurrentAction();
    }
}

void MainWindow::onActionRowChanged() {
    if (m_syncing) {
        return;
    }
    const int row = m_actionView->currentIndex().row();
    m_syncing = true; // keep the user's (perhaps extended) selection as it is
    m_document.setCurrentActionRow(row);
    m_syncing = false;
    if (row >= 0) {
        // The action's page comes to the front, filled, ready for "Edit".
        m_pages->showAction(
            m_actionModel->indexOfRow(row).data(ActionListModel::ActionTextRole).toString());
    }
}

// --- Keys ---

void MainWindow::onKeyClicked(int key) {
    const Configuration& config = m_document.configuration();
    const Key& k = config.keys[size_t(key)];
    if (k.keyKind == kKindSystem && (key == 32 || key == 33) && !HasIoInputs(config.deviceModel)) {
        m_messages->Ask(QLatin1String(kIoUnavailable), QStringLiteral("Dialog"));
        return;
    }
    std::unique_ptr<CDlgKey> dialog = MakeKeyDialog(config, key, *m_messages, this);
    if (!dialog || m_messages->Exec(*dialog) != QDialog::Accepted) {
        return;
    }
    const KeyDialogResult& r = dialog->keyResult();
    KeySettings settings;
    if (k.keyKind == kKindNormal) {
        settings.setName = true;
        settings.name = QString::fromLatin1(r.name.data(), int(r.name.size()));
        settings.setLedBrightness = true;
        settings.ledBrightness = r.ledBrightness;
        settings.setKeyGroup = true;
        settings.keyGroup = r.keyGroup;
        settings.setRepeat = r.addEvent;
        settings.repeatDigit = r.repeatDigit;
    } else if (k.keyKind == kKindVirtual) {
        settings.setName = true;
        settings.name = QString::fromLatin1(r.name.data(), int(r.name.size()));
    }
    if (r.addEvent) {
        report(m_document.addEvent(key, r.family, r.index, r.sub, settings));
    } else {
        report(m_document.setKeySettings(key, settings));
    }
}

// --- Lists: copy, paste, delete, context menus ---

void MainWindow::copySelection(QAbstractItemView* from) {
    ClipboardContent content;
    if (from == m_eventView) {
        content = m_document.copyEvent(m_document.currentKey(), m_document.currentSlot());
    } else if (from == m_actionView) {
        std::vector<int> rows;
        for (const QModelIndex& index : m_actionView->selectionModel()->selectedRows()) {
            rows.push_back(index.row());
        }
        content = m_document.copyActions(rows);
    }
    if (content.isEmpty()) {
        statusBar()->showMessage(QStringLiteral("Nothing selected to copy."), 4000);
        return;
    }
    m_clipboard.set(content);
    statusBar()->showMessage(content.kind == ClipboardContent::Event
                                 ? QStringLiteral("Event copied.")
                                 : tr("%n action(s) copied.", nullptr, int(content.actions.size())),
                             4000);
}

bool MainWindow::pasteOntoKey(int key) {
    const ClipboardContent content = m_clipboard.get();
    if (content.isEmpty()) {
        m_messages->Show(QStringLiteral("Nothing to paste: the clipboard holds no event and no "
                                        "actions.\nSelect an event or actions in a list and copy "
                                        "them with Ctrl+C first."));
        return false;
    }
    return report(m_document.paste(content, key));
}

void MainWindow::deleteIn(QAbstractItemView* in) {
    // The Delete key does what the list's delete button does.
    if (const auto commands = m_listCommands.value(in); !commands.isEmpty()) {
        commands.first().second->click();
    }
}

void MainWindow::showListMenu(QAbstractItemView* list, const QPoint& at) {
    m_lastList = list;
    QMenu menu(this);
    menu.addAction(QStringLiteral("Copy"), this, [this, list] { copySelection(list); });
    menu.addAction(QStringLiteral("Paste"), this, [this] { pasteOntoKey(-1); });
    menu.addSeparator();
    for (const auto& [text, button] : m_listCommands.value(list)) {
        menu.addAction(text, button, &QToolButton::click);
    }
    menu.exec(list->viewport()->mapToGlobal(at));
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && (watched == m_eventView || watched == m_actionView)) {
        m_lastList = static_cast<QAbstractItemView*>(watched);
    }
    if (event->type() == QEvent::ShortcutOverride) {
        // A text box would take Ctrl+Z for its own line; the document's undo comes first.
        auto* key = static_cast<QKeyEvent*>(event);
        const bool undoKeys =
            key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo) ||
            key->keyCombination() == QKeyCombination(Qt::CTRL, Qt::Key_Y) ||
            key->keyCombination() == QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_Z);
        auto* widget = qobject_cast<QWidget*>(watched);
        if (undoKeys && widget && widget->window() == this) {
            return true; // not accepted: the window's shortcut runs
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// --- Library editors ---

void MainWindow::openIrEditor() {
    QString lib;
    QString function;
    if (CPageView3Ir* page = m_pages->irPage()) {
        lib = page->libraryName();
        function = page->functionName();
    }
    CDlgIREditLib editor(lib, function, *m_messages, &m_session.link(), &m_document.configuration(),
                         this);
    m_messages->Exec(editor);
    m_pages->reloadLibraries();
    if (CPageView3Ir* page = m_pages->irPage()) {
        page->libraryEdited(editor.libraryName());
    }
}

void MainWindow::openRs232Editor() {
    QString lib;
    QString function;
    if (CPageView3Rs232* page = m_pages->rs232Page()) {
        lib = page->libraryName();
        function = page->functionName();
    }
    CDlgRs232EditLib editor(lib, function, *m_messages, &m_document.configuration(), this);
    m_messages->Exec(editor);
    m_pages->reloadLibraries();
    if (CPageView3Rs232* page = m_pages->rs232Page()) {
        page->libraryEdited(editor.libraryName());
    }
}

void MainWindow::updateFromLibraries() {
    StaleActionsDialog dialog(m_document.configuration(), LibraryFolder(), this);
    if (dialog.report().changed.empty()) {
        m_messages->Show(QStringLiteral("Every IR and RS232 action matches its library."));
        return;
    }
    if (m_messages->Exec(dialog) != QDialog::Accepted) {
        return;
    }
    const EditResult result = m_document.replaceActions(
        dialog.chosenUpdates(), QStringLiteral("Update actions from libraries"));
    if (report(result)) {
        statusBar()->showMessage(
            QStringLiteral("%1 action(s) updated from their libraries.").arg(result.position),
            8000);
    }
}

// --- Files ---

QString MainWindow::startFolder() const {
    const QString path = m_document.path();
    return path.isEmpty() ? LibraryFolder() : QFileInfo(path).absolutePath();
}

bool MainWindow::maybeSave() {
    if (!m_document.isModified()) {
        return true;
    }
    const int answer = m_messages->AskYesNoCancel(QStringLiteral("Save the File in Editting?"),
                                                  QStringLiteral("Attention:"));
    // A cancelled or failed save keeps what is open: nothing is lost.
    return answer == 0 || (answer == 1 && saveProject());
}

bool MainWindow::newProject() {
    if (!maybeSave()) {
        return false;
    }
    m_document.newDocument();
    statusBar()->showMessage(QStringLiteral("New project."), 3000);
    return true;
}

bool MainWindow::openProject(const QString& path) {
    const FileResult result = m_document.open(path);
    if (!result.ok) {
        // The reason goes in the box's text, where it can be read whole.
        const QString headline = result.status == LoadStatus::Unreadable
                                     ? QStringLiteral("The File is Destroy")
                                     : QStringLiteral("The project file is damaged and was not "
                                                      "opened.");
        m_messages->Show(headline + QStringLiteral("\n\n") + result.error, QStringLiteral("Open"));
        return false;
    }
    addRecentFile(path);
    statusBar()->showMessage(QStringLiteral("Opened %1").arg(path), 5000);
    return true;
}

bool MainWindow::saveProject() {
    if (m_document.path().isEmpty() ||
        m_document.path().endsWith(QStringLiteral(".json"), Qt::CaseInsensitive)) {
        return saveProjectAs();
    }
    const FileResult result = m_document.save();
    if (!result.ok) {
        m_messages->Show(QStringLiteral("The project could not be saved.\n\n") + result.error,
                         QStringLiteral("Save"));
        return false;
    }
    addRecentFile(m_document.path());
    statusBar()->showMessage(QStringLiteral("Saved %1").arg(m_document.path()), 5000);
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
    const FileResult result = m_document.save(path);
    if (!result.ok) {
        m_messages->Show(QStringLiteral("The project could not be saved.\n\n") + result.error,
                         QStringLiteral("Save as"));
        return false;
    }
    addRecentFile(path);
    statusBar()->showMessage(QStringLiteral("Saved %1").arg(path), 5000);
    return true;
}

QStringList MainWindow::recentFiles() const {
    return QSettings(SettingsPath(), QSettings::IniFormat)
        .value(QLatin1String(kRecentKey))
        .toStringList();
}

void MainWindow::addRecentFile(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList files = recentFiles();
    files.removeAll(absolute);
    files.prepend(absolute);
    while (files.size() > kRecentMax) {
        files.removeLast();
    }
    QSettings(SettingsPath(), QSettings::IniFormat).setValue(QLatin1String(kRecentKey), files);
}

void MainWindow::fillRecentMenu() {
    m_recentMenu->clear();
    const QStringList files = recentFiles();
    if (files.isEmpty()) {
        m_recentMenu->addAction(QStringLiteral("(none)"))->setEnabled(false);
        return;
    }
    for (int i = 0; i < files.size(); ++i) {
        const QString path = files[i];
        m_recentMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(path), this, [this, path] {
            if (maybeSave()) {
                openProject(path);
            }
        });
    }
}

// --- Device model ---

bool MainWindow::chooseModel(int model) {
    const Configuration& config = m_document.configuration();
    updateDevice(); // a click on a checkable entry toggles it; the document decides
    int port = 0;
    const DeviceModelInfo* info = FindDeviceModel(model);
    if (info && info->portBoxShown) {
        CDlgPanel dialog(config.deviceModel == model ? config.portMode : 0, this);
        if (m_messages->Exec(dialog) != QDialog::Accepted) {
            return false;
        }
        port = dialog.selectedIndex();
    }
    if (config.deviceModel == model && config.portMode == port) {
        return false;
    }
    if (m_document.modelChangeDiscardsEvents(model, port) &&
        !m_messages->Ask(QLatin1String(kModelSwitchText), QStringLiteral("Attention:"))) {
        return false;
    }
    return report(m_document.setModelAndPort(model, port));
}

// --- Keypad ---

void MainWindow::onStatus() {
    m_status->setText(m_session.statusText());
    m_usbAction->setChecked(m_session.status() == LinkStatus::ConnectSuccess);
}

void MainWindow::connectKeypad() {
    if (m_session.candidates().isEmpty()) {
        m_messages->Show(QStringLiteral("can't not Find USB\n\nNo keypad is plugged in: connect "
                                        "its USB cable and try again."),
                         QStringLiteral("USB"));
        return;
    }
    m_session.connectKeypad();
}

void MainWindow::onClear() {
    const LinkRefusal refusal = m_session.clearBlocker();
    if (refusal != LinkRefusal::None) {
        m_messages->Show(RefusalText(refusal));
        return;
    }
    if (!m_messages->Ask(
            QStringLiteral("Clear all the parameters of the machine,\rare you sure ? "),
            QStringLiteral("Dialog"))) {
        return;
    }
    m_clearEnd.reset();
    if (!m_session.clear()) {
        return;
    }
    auto* box = new CDlgClearAll([this] { return m_session.link().clearReplyCount(); }, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setObjectName(QStringLiteral("clearProgress"));
    m_clearBox = box;
    connect(box, &QDialog::finished, this, [this] {
        // The box closes itself on the keypad's second answer or after its last tick.
        const bool confirmed = m_clearEnd == PhaseEnd::Done;
        if (confirmed) {
            m_messages->Show(QStringLiteral("Clear done: the keypad confirmed the erase."),
                             QStringLiteral("Clear"));
        } else if (!m_clearEnd || m_clearEnd == PhaseEnd::TimedOut) {
            m_messages->Show(QStringLiteral("The keypad did not confirm the erase: it may still "
                                            "hold all or part of its settings.\nCheck the cable "
                                            "and run Clear again."),
                             QStringLiteral("Clear"));
        }
    });
    box->setWindowModality(Qt::WindowModal);
    box->open();
}

void MainWindow::onClearFinished(PhaseEnd reason) {
    m_clearEnd = reason;
    if (reason != PhaseEnd::Done && reason != PhaseEnd::TimedOut && m_clearBox) {
        m_clearBox->finish(); // the port went away or was closed: nothing more will come
    }
}

void MainWindow::onUpload() {
    const Configuration& config = m_document.configuration();
    const UploadPlan plan = BuildUploadPlan(config);
    const LinkRefusal refusal = m_session.uploadBlocker(plan);
    if (refusal != LinkRefusal::None) {
        m_messages->Show(RefusalText(refusal));
        return;
    }
    if (!m_messages->Ask(QStringLiteral("Clear all data? \r\nYes or No ?"),
                         QStringLiteral("Dialog"))) {
        return;
    }
    auto* box = new CDlgProgress(config, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setObjectName(QStringLiteral("uploadProgress"));
    m_progress = box;
    connect(box, &CDlgProgress::cancelRequested, &m_session, &KeypadSession::cancelUpload);
    box->setWindowModality(Qt::WindowModal);
    box->open();
    if (!m_session.upload(plan)) {
        box->finish();
    }
}

void MainWindow::onUploadFinished(const UploadResult& result) {
    if (m_progress) {
        m_progress->finish();
    }
    if (result.outcome == UploadResult::Refused) {
        return; // told before anything was sent
    }
    if (result.confirmedByKeypad()) {
        statusBar()->showMessage(QStringLiteral("Upload complete: %1 frames sent, every one "
                                                "answered.")
                                     .arg(result.framesSent),
                                 10000);
        // A log was asked for and is missing or incomplete: the upload itself is fine.
        if (!m_session.uploadLogPath().isEmpty() && !result.logWritten) {
            m_messages->Show(QStringLiteral("The upload is complete, but the upload log is "
                                            "incomplete.\n\n") +
                                 result.logError,
                             QStringLiteral("Upload"));
        }
        return;
    }
    // Anything short of a confirmed upload is a warning to acknowledge, not a fading line.
    QString text = result.message.isEmpty() ? UploadSummary(result) : result.message;
    if (text.isEmpty()) {
        text = UploadSummary(result);
    }
    m_messages->Show(text, QStringLiteral("Upload"));
}

void MainWindow::about() {
    CAboutDlg box(this);
    m_messages->Exec(box);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (m_session.uploading()) {
        m_messages->Show(QStringLiteral("An upload is running: cancel it first."));
        event->ignore();
        return;
    }
    if (!maybeSave()) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace qz
