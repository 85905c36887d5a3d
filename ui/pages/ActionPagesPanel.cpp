#include "ui/pages/ActionPagesPanel.h"

#include <QHBoxLayout>
#include <QScrollArea>
#include <QSignalBlocker>

#include "io/Latin1.h"
#include "model/ActionTexts.h"
#include "ui/document/EditorDocument.h"
#include "ui/pages/IrPage.h"
#include "ui/pages/Rs232Page.h"
#include "ui/pages/SendNowPanel.h"
#include "ui/pages/SimplePages.h"

namespace qz {

ActionPagesPanel::ActionPagesPanel(QWidget* parent)
    : QWidget(parent), m_list(new CKvqListBox(this)), m_tabs(new CKvqTabCtrl(this)) {
    m_list->setObjectName(QStringLiteral("actionTypes"));
    m_list->setAccessibleName(QStringLiteral("Action type"));
    m_tabs->setObjectName(QStringLiteral("actionPages"));
    m_tabs->setAccessibleName(QStringLiteral("Action pages"));
    m_tabs->setUsesScrollButtons(true);

    auto* rs232 = new CPageView3Rs232;
    auto* ir = new CPageView3Ir;
    m_pages[kRs232Page] = rs232;
    m_pages[kIrPage] = ir;
    m_pages[kIoPage] = new CPageView3IO;
    m_pages[kRelayPage] = new CPageView3Relay;
    m_pages[kDelayPage] = new CPageView3Delay;
    m_pages[kComparePage] = new CPageView3Cmp;
    m_pages[kLedPage] = new CPageView3Ledp;
    m_pages[kPagePage] = new CPageView3Page;
    m_pages[kLoopPage] = new CPageView3Casd;
    m_pages[kTogglePage] = new CPageView3Toggle;
    for (int i = 0; i < kActionPageCount; ++i) {
        const QString label = QString::fromLatin1(ActionPageLabel(i));
        m_list->addItem(label);
        // On a small screen a page scrolls rather than being cut off.
        auto* scroll = new QScrollArea;
        scroll->setWidget(m_pages[i]);
        scroll->setWidgetResizable(true);
        scroll->setFrameShape(QFrame::NoFrame);
        m_tabs->addTab(scroll, label);
        // Before the text goes on: a step it causes finds the page showing what it stores.
        for (auto built : {&ActionPage::addRequested, &ActionPage::editRequested}) {
            connect(m_pages[i], built, this, [this](const QString& text) { m_shown = text; });
        }
        connect(m_pages[i], &ActionPage::addRequested, this, &ActionPagesPanel::addRequested);
        connect(m_pages[i], &ActionPage::editRequested, this, &ActionPagesPanel::editRequested);
    }
    connect(rs232, &CPageView3Rs232::editLibraryRequested, this,
            &ActionPagesPanel::editRs232LibraryRequested);
    connect(ir, &CPageView3Ir::editLibraryRequested, this,
            &ActionPagesPanel::editIrLibraryRequested);
    // "Make compare action" on the RS232 page fills the Compare page, ready to "Add".
    connect(rs232->sendNowPanel(), &SendNowPanel::compareActionMade, this,
            [this](const QString& text) { showAction(text); });
    // The list is only as wide as its longest entry needs.
    m_list->setSpacing(1);
    m_list->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    m_list->setFixedWidth(m_list->sizeHintForColumn(0) + 2 * m_list->frameWidth() + 8);
    m_list->setCurrentRow(0);

    connect(m_list, &QListWidget::currentRowChanged, m_tabs, [this](int row) {
        if (row >= 0) {
            m_tabs->setCurrentIndex(row);
        }
    });
    connect(m_tabs, &QTabWidget::currentChanged, m_list, [this](int index) {
        if (index >= 0 && m_list->currentRow() != index) {
            m_list->setCurrentRow(index);
        }
    });

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list);
    layout->addWidget(m_tabs, 1);
}

bool ActionPagesPanel::showAction(const QString& text) {
    m_shown = text;
    const int index = ActionPageOfText(PageBytes(text));
    if (index < 0) {
        return false;
    }
    setCurrentIndex(index);
    return m_pages[index]->ShowAction(text);
}

void ActionPagesPanel::follow(const EditorDocument* document) {
    if (m_document) {
        disconnect(m_document->undoStack(), nullptr, this, nullptr);
    }
    m_document = document;
    if (m_document) {
        // The stack's index moves after every step is done, undone or redone, once the
        // document's selection is that step's.
        connect(m_document->undoStack(), &QUndoStack::indexChanged, this,
                &ActionPagesPanel::showStoredAction);
    }
}

void ActionPagesPanel::showStoredAction() {
    const int row = m_document->currentActionRow();
    const ActionList& list =
        m_document->actions(m_document->currentKey(), m_document->currentSlot());
    if (row < 0 || row >= int(list.size())) {
        return; // nothing selected: the pages are the user's
    }
    const QString stored = latin1::ToQString(list[size_t(row)]);
    if (stored != m_shown) {
        showAction(stored);
    }
}

void ActionPagesPanel::setDevice(int model, int portMode) {
    for (ActionPage* p : m_pages) {
        p->setDevice(model, portMode);
    }
}

void ActionPagesPanel::setMessages(IMessages* messages) {
    for (ActionPage* p : m_pages) {
        p->setMessages(messages);
    }
}

void ActionPagesPanel::setEventListProbe(const std::function<bool()>& probe) {
    for (ActionPage* p : m_pages) {
        p->setEventListProbe(probe);
    }
}

ActionPage* ActionPagesPanel::page(int index) const {
    return index >= 0 && index < kActionPageCount ? m_pages[index] : nullptr;
}

CPageView3Rs232* ActionPagesPanel::rs232Page() const {
    return static_cast<CPageView3Rs232*>(m_pages[kRs232Page]);
}

CPageView3Ir* ActionPagesPanel::irPage() const {
    return static_cast<CPageView3Ir*>(m_pages[kIrPage]);
}

int ActionPagesPanel::currentIndex() const {
    return m_tabs->currentIndex();
}

void ActionPagesPanel::setCurrentIndex(int index) {
    m_list->setCurrentRow(index);
    m_tabs->setCurrentIndex(index);
}

void ActionPagesPanel::reloadLibraries() {
    rs232Page()->reloadLibraries();
    irPage()->reloadLibraries();
}

} // namespace qz
