#include "ui/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTableView>
#include <QUndoStack>
#include <QVBoxLayout>

#include "link/KeypadSession.h"
#include "store/DeviceModels.h"
#include "ui/EditReport.h"
#include "ui/FileCommands.h"
#include "ui/KeyCommands.h"
#include "ui/KeypadCommands.h"
#include "ui/LibraryCommands.h"
#include "ui/controls/KeyPanel.h"
#include "ui/dialogs/AboutDialog.h"
#include "ui/dialogs/SmallDialogs.h"
#include "ui/document/EditorDocument.h"
#include "ui/lists/ListsPane.h"
#include "ui/pages/ActionPagesPanel.h"

namespace qz {

MainWindow::MainWindow(EditorDocument& document, KeypadSession& session, IMessages* messages,
                       QWidget* parent)
    : QMainWindow(parent), m_document(document), m_session(session),
      m_ownMessages(std::make_unique<WidgetMessages>(this)),
      m_messages(messages ? messages : m_ownMessages.get()) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowIcon(ProgramIcon());
    m_lists = new ListsPane(m_document, m_messages, *this);
    m_files = new FileCommands(m_document, m_messages, *this);
    m_keypad = new KeypadCommands(m_document, m_session, m_messages, *this);
    m_keys = new KeyCommands(m_document, m_messages, *this);
    buildMenus();
    setCentralWidget(buildCentre());
    statusBar()->showMessage(QStringLiteral("Ready"), 3000);
    wireDocument();
    // Ctrl+Z must reach the document also while a text box has focus.
    qApp->installEventFilter(this);

    updateDevice();
    updateKeys();
    updateTitle();
    setMinimumSize(980, 660);
    resize(1200, 820);
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(this);
}

void MainWindow::setMessages(IMessages* messages) {
    m_messages = messages ? messages : m_ownMessages.get();
    m_lists->setMessages(m_messages);
    m_files->setMessages(m_messages);
    m_keypad->setMessages(m_messages);
    m_libraries->setMessages(m_messages);
    m_keys->setMessages(m_messages);
}

// --- The public commands, done by the parts ---

bool MainWindow::newProject() {
    return m_files->newProject();
}
bool MainWindow::openProject(const QString& path) {
    return m_files->openProject(path);
}
bool MainWindow::saveProject() {
    return m_files->saveProject();
}
bool MainWindow::saveProjectAs() {
    return m_files->saveProjectAs();
}
QStringList MainWindow::recentFiles() const {
    return m_files->recentFiles();
}
void MainWindow::connectKeypad() {
    m_keypad->connectKeypad();
}
bool MainWindow::pasteOntoKey(int key) {
    return m_lists->pasteOntoKey(key);
}
QTableView* MainWindow::eventList() const {
    return m_lists->eventList();
}
QTableView* MainWindow::actionList() const {
    return m_lists->actionList();
}

// --- Layout and menus ---

void MainWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    m_files->addTo(file);
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
    edit->addAction(QStringLiteral("&Copy"), this, [this] { m_lists->copyLast(); });
    edit->addAction(QStringLiteral("&Paste"), this, [this] { pasteOntoKey(-1); });
    edit->addAction(QStringLiteral("&Delete"), this, [this] { m_lists->deleteLast(); });
    edit->addSeparator();
    QAction* update = edit->addAction(QStringLiteral("Update actions from &libraries..."), this,
                                      [this] { m_libraries->updateFromLibraries(); });
    update->setObjectName(QStringLiteral("updateFromLibraries"));

    QMenu* system = menuBar()->addMenu(QStringLiteral("&System"));
    // "QRM-K6" first, as the keypad's users know it; the other models follow.
    for (int model : {1, 0, 2}) {
        QAction* action = system->addAction(QLatin1String(DeviceModelName(model)), this,
                                            [this, model] { chooseModel(model); });
        action->setCheckable(true);
        action->setObjectName(QStringLiteral("model%1").arg(model));
        m_modelActions[model] = action;
    }
    system->addSeparator();
    system->addAction(QStringLiteral("IR library..."), this,
                      [this] { m_libraries->openIrEditor(); });
    system->addAction(QStringLiteral("RS232 library..."), this,
                      [this] { m_libraries->openRs232Editor(); });

    m_keypad->addTo(menuBar()->addMenu(QStringLiteral("&Connection")));

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(QStringLiteral("about"), this, &MainWindow::about);
}

QWidget* MainWindow::buildCentre() {
    auto* centre = new QWidget;
    auto* grid = new QGridLayout(centre);
    grid->addWidget(buildPanelBox(), 0, 0);

    auto* eventSet = new QGroupBox(QStringLiteral("Event Set"));
    eventSet->setObjectName(QStringLiteral("eventSet"));
    auto* eventSetLayout = new QVBoxLayout(eventSet);
    m_pages = new ActionPagesPanel;
    m_pages->setMessages(m_messages);
    m_pages->setEventListProbe([this] { return m_lists->eventCount() > 0; });
    eventSetLayout->addWidget(m_pages);
    connect(m_pages, &ActionPagesPanel::addRequested, this,
            [this](const QString& text) { report(m_document.addAction(text)); });
    connect(m_pages, &ActionPagesPanel::editRequested, this, [this](const QString& text) {
        report(m_document.replaceAction(m_document.currentActionRow(), text));
    });
    m_libraries = new LibraryCommands(m_document, m_session, *m_pages, m_messages, *this);
    connect(m_pages, &ActionPagesPanel::editIrLibraryRequested, m_libraries,
            &LibraryCommands::openIrEditor);
    connect(m_pages, &ActionPagesPanel::editRs232LibraryRequested, m_libraries,
            &LibraryCommands::openRs232Editor);
    // The action chosen in the list comes to the front on its page, filled, ready for "Edit";
    // after undo, redo or an update the page shows it as it is stored then.
    connect(m_lists, &ListsPane::actionChosen, m_pages, &ActionPagesPanel::showAction);
    m_pages->follow(&m_document);
    grid->addWidget(eventSet, 1, 0);

    grid->addWidget(buildRight(), 0, 1, 2, 1);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 2);
    // The keys scale with their box; the action pages need their height to show whole.
    grid->setRowStretch(0, 2);
    grid->setRowStretch(1, 3);
    return centre;
}

QWidget* MainWindow::buildPanelBox() {
    auto* panelBox = new QGroupBox(QStringLiteral("Panel Set"));
    panelBox->setObjectName(QStringLiteral("panelSet"));
    auto* panelLayout = new QVBoxLayout(panelBox);
    m_panel = new KeyPanel;
    panelLayout->addWidget(m_panel, 1);
    connect(m_panel, &KeyPanel::keyClicked, m_keys, &KeyCommands::onKeyClicked);
    // A right click on a key offers to paste the copied event onto that key.
    m_panel->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_panel, &QWidget::customContextMenuRequested, this, &MainWindow::showKeyMenu);

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
    return panelBox;
}

void MainWindow::showKeyMenu(const QPoint& at) {
    auto* key = qobject_cast<CBaseButton*>(m_panel->childAt(at));
    if (!key) {
        return;
    }
    QMenu menu(this);
    QAction* paste = menu.addAction(QStringLiteral("Paste onto Key %1").arg(key->index() + 1), this,
                                    [this, index = key->index()] { pasteOntoKey(index); });
    paste->setEnabled(m_lists->canPaste());
    menu.exec(m_panel->mapToGlobal(at));
}

// The keypad's state above the two lists.
QWidget* MainWindow::buildRight() {
    auto* right = new QWidget;
    auto* layout = new QVBoxLayout(right);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* statusRow = new QHBoxLayout;
    statusRow->addStretch();
    auto* stateLabel = new QLabel(QStringLiteral("Dev State:"));
    stateLabel->setBuddy(m_keypad->statusLabel());
    statusRow->addWidget(stateLabel);
    statusRow->addWidget(m_keypad->statusLabel());
    layout->addLayout(statusRow);
    layout->addWidget(m_lists, 1);
    return right;
}

// --- Observing the document ---

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
    });
    connect(&m_document, &EditorDocument::modifiedChanged, this, [this] { updateTitle(); });
    connect(&m_document, &EditorDocument::pathChanged, this, [this] { updateTitle(); });
}

bool MainWindow::report(const EditResult& result) {
    return ReportEdit(*m_messages, result);
}

void MainWindow::updateTitle() {
    const QString path = m_document.path();
    const QString name = path.isEmpty() ? QStringLiteral("untitled") : ReadableFileName(path);
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
    // Events the change would discard may be kept instead: the document says what the new
    // setting would then refuse.
    ModelChange change = ModelChange::Discard;
    if (m_document.modelChangeDiscardsEvents(model, port)) {
        const int answer = m_messages->AskChoice(m_document.modelChangeQuestion(model, port),
                                                 QStringLiteral("Attention:"),
                                                 QStringLiteral("Keep"), QStringLiteral("Discard"));
        if (answer < 0) {
            return false;
        }
        change = answer == 1 ? ModelChange::Keep : ModelChange::Discard;
    }
    const EditResult result = m_document.setModelAndPort(model, port, change);
    if (result.done() && !result.message.isEmpty()) {
        m_messages->Show(result.message);
    }
    return report(result);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
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
    if (!m_files->maybeSave()) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace qz
