#include "ui/lists/ListsPane.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMainWindow>
#include <QMenu>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <functional>

#include "ui/EditReport.h"
#include "ui/document/EditorDocument.h"
#include "ui/lists/ActionListModel.h"
#include "ui/lists/EventListModel.h"

namespace qz {

namespace {

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

ListsPane::ListsPane(EditorDocument& document, IMessages* messages, QMainWindow& window,
                     QWidget* parent)
    : QWidget(parent), m_document(document), m_messages(messages), m_window(window),
      m_clipboard(qobject_cast<QApplication*>(QCoreApplication::instance())
                      ? QGuiApplication::clipboard()
                      : nullptr) {
    m_eventModel = new EventListModel(m_document, this);
    m_actionModel = new ActionListModel(m_document, this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(buildEventBox(), 1);
    layout->addWidget(buildActionBox(), 1);
    wireLists();
    wireDocument();
}

int ListsPane::eventCount() const {
    return m_eventModel->rowCount();
}

bool ListsPane::report(const EditResult& result) {
    return ReportEdit(*m_messages, result);
}

// The upper list shows the events; its group box keeps the caption users know.
QWidget* ListsPane::buildEventBox() {
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
    m_listCommands[m_eventView] = {{QStringLiteral("Delete"), delEvent},
                                   {QStringLiteral("Remove events without actions"), purge},
                                   {QStringLiteral("Clear All"), clearEvents}};
    m_needSelection[m_eventView] = {delEvent};
    connect(delEvent, &QToolButton::clicked, this, [this] {
        if (m_eventView->selectionModel()->hasSelection()) {
            report(m_document.deleteEvent());
        }
    });
    connect(purge, &QToolButton::clicked, this, [this] { report(m_document.purgeEmptyEvents()); });
    connect(clearEvents, &QToolButton::clicked, this,
            [this] { report(m_document.clearAllEvents()); });
    return eventBox;
}

QWidget* ListsPane::buildActionBox() {
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
    m_listCommands[m_actionView] = {{QStringLiteral("Delete"), delAction},
                                    {QStringLiteral("Move up"), up},
                                    {QStringLiteral("Move down"), down},
                                    {QStringLiteral("Clear All"), clearActions}};
    // They act on the selected row only: a Ctrl+click leaves the row current but unselected.
    connect(delAction, &QToolButton::clicked, this, [this] {
        if (const int row = selectedActionRow(); row >= 0) {
            report(m_document.deleteAction(row));
        }
    });
    connect(up, &QToolButton::clicked, this, [this] {
        if (const int row = selectedActionRow(); row >= 0) {
            report(m_document.moveActionUp(row));
        }
    });
    connect(down, &QToolButton::clicked, this, [this] {
        if (const int row = selectedActionRow(); row >= 0) {
            report(m_document.moveActionDown(row));
        }
    });
    m_needSelection[m_actionView] = {delAction, up, down};
    connect(clearActions, &QToolButton::clicked, this, [this] {
        if (m_actionModel->rowCount() > 0) {
            report(m_document.clearActions());
        }
    });
    return actionBox;
}

void ListsPane::wireLists() {
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
    for (QTableView* view : {m_eventView, m_actionView}) {
        // The selection changes also when rows go or the lists fill again.
        connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                &ListsPane::updateButtons);
        connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                &ListsPane::updateButtons);
        connect(view->model(), &QAbstractItemModel::modelReset, this, &ListsPane::updateButtons);
        connect(view->model(), &QAbstractItemModel::rowsRemoved, this, &ListsPane::updateButtons);
        connect(view->model(), &QAbstractItemModel::layoutChanged, this, &ListsPane::updateButtons);
    }
    updateButtons();
    connect(m_eventView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &ListsPane::onEventRowChanged);
    connect(m_actionView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &ListsPane::onActionRowChanged);
}

void ListsPane::wireDocument() {
    connect(&m_document, &EditorDocument::reset, this, [this] { selectCurrentEvent(); });
    connect(&m_document, &EditorDocument::currentEventChanged, this,
            [this] { selectCurrentEvent(); });
    connect(&m_document, &EditorDocument::currentActionRowChanged, this,
            [this] { selectCurrentAction(); });
    // Sorting and inserted rows move the current row; keep it in view.
    connect(m_eventModel, &QAbstractItemModel::layoutChanged, this,
            [this] { selectCurrentEvent(); });
    connect(m_eventModel, &QAbstractItemModel::rowsInserted, this,
            [this] { selectCurrentEvent(); });
}

int ListsPane::selectedActionRow() const {
    const int row = m_document.currentActionRow();
    return row >= 0 && m_actionView->selectionModel()->isRowSelected(row, {}) ? row : -1;
}

void ListsPane::updateButtons() {
    const bool eventSelected = m_eventView->selectionModel()->hasSelection();
    for (QToolButton* button : m_needSelection.value(m_eventView)) {
        button->setEnabled(eventSelected);
    }
    const bool actionSelected = selectedActionRow() >= 0;
    for (QToolButton* button : m_needSelection.value(m_actionView)) {
        button->setEnabled(actionSelected);
    }
}

// --- Selection sync with the document ---

void ListsPane::selectCurrentEvent() {
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

void ListsPane::selectCurrentAction() {
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

void ListsPane::onEventRowChanged() {
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

void ListsPane::onActionRowChanged() {
    if (m_syncing) {
        return;
    }
    const int row = m_actionView->currentIndex().row();
    m_syncing = true; // keep the user's (perhaps extended) selection as it is
    m_document.setCurrentActionRow(row);
    m_syncing = false;
    if (row >= 0) {
        // The action's page comes to the front, filled, ready for "Edit".
        Q_EMIT actionChosen(
            m_actionModel->indexOfRow(row).data(ActionListModel::ActionTextRole).toString());
    }
}

// --- Copy, paste, delete, context menus ---

void ListsPane::copySelection(QAbstractItemView* from) {
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
        m_window.statusBar()->showMessage(QStringLiteral("Nothing selected to copy."), 4000);
        return;
    }
    m_clipboard.set(content);
    m_window.statusBar()->showMessage(
        content.kind == ClipboardContent::Event
            ? QStringLiteral("Event copied.")
            : tr("%n action(s) copied.", nullptr, int(content.actions.size())),
        4000);
}

bool ListsPane::canPaste() const {
    return !m_clipboard.get().isEmpty();
}

bool ListsPane::pasteOntoKey(int key) {
    const ClipboardContent content = m_clipboard.get();
    if (content.isEmpty()) {
        m_messages->Show(QStringLiteral("Nothing to paste: the clipboard holds no event and no "
                                        "actions.\nSelect an event or actions in a list and copy "
                                        "them with Ctrl+C first."));
        return false;
    }
    return report(m_document.paste(content, key));
}

void ListsPane::deleteIn(QAbstractItemView* in) {
    // The Delete key does what the list's delete button does.
    if (const auto commands = m_listCommands.value(in); !commands.isEmpty()) {
        commands.first().second->click();
    }
}

void ListsPane::showListMenu(QAbstractItemView* list, const QPoint& at) {
    m_lastList = list;
    QMenu menu(this);
    menu.addAction(QStringLiteral("Copy"), this, [this, list] { copySelection(list); });
    menu.addAction(QStringLiteral("Paste"), this, [this] { pasteOntoKey(-1); });
    menu.addSeparator();
    for (const auto& [text, button] : m_listCommands.value(list)) {
        menu.addAction(text, button, &QToolButton::click)->setEnabled(button->isEnabled());
    }
    menu.exec(list->viewport()->mapToGlobal(at));
}

bool ListsPane::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && (watched == m_eventView || watched == m_actionView)) {
        m_lastList = static_cast<QAbstractItemView*>(watched);
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace qz
