#include "ui/dialogs/StaleActionsDialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "io/Latin1.h"
#include "model/Configuration.h"

namespace qz {

namespace {

// Index of the stale action an item stands for (in report().changed), or -1 for the others.
constexpr int kIndexRole = Qt::UserRole;

} // namespace

StaleActionsDialog::StaleActionsDialog(const Configuration& config, const QString& folder,
                                       QWidget* parent)
    : StaleActionsDialog(config, FindStaleActions(config, folder), parent) {}

StaleActionsDialog::StaleActionsDialog(const Configuration& config, StaleReport report,
                                       QWidget* parent)
    : QDialog(parent), m_report(std::move(report)), m_list(new QTreeWidget(this)),
      m_update(new QPushButton(QStringLiteral("Update"), this)) {
    setObjectName(QStringLiteral("staleActions"));
    setWindowTitle(QLatin1String(kCaption));

    auto* label = new QLabel(this);
    label->setObjectName(QStringLiteral("summary"));
    label->setWordWrap(true);
    label->setText(m_report.changed.empty()
                       ? QStringLiteral("Every action is in step with its library function.")
                       : QStringLiteral("These actions hold a copy that differs from their "
                                        "library function today. Checked ones are updated:"));
    label->setBuddy(m_list);

    m_list->setObjectName(QStringLiteral("staleList"));
    m_list->setAccessibleName(QStringLiteral("Stale actions"));
    m_list->setToolTip(QStringLiteral("Checked actions get their library function's code or "
                                      "data; the tool tip of a status shows the new text"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setHeaderLabels({QStringLiteral("Key"), QStringLiteral("Event"), QStringLiteral("Row"),
                             QStringLiteral("Type"), QStringLiteral("Library"),
                             QStringLiteral("Function"), QStringLiteral("Status")});
    m_list->header()->setSectionsClickable(false);
    m_list->header()->setStretchLastSection(true);
    const int widths[] = {70, 150, 40, 60, 110, 110, 140};
    for (int c = 0; c < kColumns; ++c) {
        m_list->setColumnWidth(c, widths[c]);
    }

    auto* all = new QPushButton(QStringLiteral("Check All"), this);
    all->setObjectName(QStringLiteral("checkAll"));
    auto* none = new QPushButton(QStringLiteral("Check None"), this);
    none->setObjectName(QStringLiteral("checkNone"));
    m_update->setObjectName(QStringLiteral("update"));
    m_update->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    for (QPushButton* b : {all, none, cancel}) {
        b->setAutoDefault(false);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(all);
    buttons->addWidget(none);
    buttons->addStretch(1);
    buttons->addWidget(m_update);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
    resize(760, 380);

    connect(all, &QPushButton::clicked, this, [this] { setAllChecked(true); });
    connect(none, &QPushButton::clicked, this, [this] { setAllChecked(false); });
    connect(m_update, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_list, &QTreeWidget::itemChanged, this, &StaleActionsDialog::UpdateButtons);

    Fill(config);
    UpdateButtons();
}

void StaleActionsDialog::Fill(const Configuration& config) {
    auto add = [&](const StaleAction& a, int index) {
        QString event = QLatin1String(EventNameOfSlot(a.slot));
        const std::string data = config.EventDataText(a.key, a.slot);
        if (!data.empty()) {
            event += QStringLiteral(" (%1)").arg(latin1::ToQString(data));
        }
        auto* item = new QTreeWidgetItem(
            {QStringLiteral("Key%1").arg(a.key + 1), event, QString::number(a.row + 1),
             a.kind == LibraryKind::Ir ? QStringLiteral("IR") : QStringLiteral("RS232"),
             latin1::ToQString(a.library), latin1::ToQString(a.function),
             index >= 0 ? QStringLiteral("differs") : QLatin1String(StaleStatusName(a.status))});
        item->setData(kKey, kIndexRole, index);
        if (index >= 0) {
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            item->setCheckState(kKey, Qt::Checked);
            item->setToolTip(kStatus, latin1::ToQString(a.updatedText));
        } else {
            // Nothing to update it from.
            item->setFlags(Qt::ItemIsSelectable);
        }
        m_list->addTopLevelItem(item);
    };
    const QSignalBlocker block(m_list);
    for (std::size_t i = 0; i < m_report.changed.size(); ++i) {
        add(m_report.changed[i], int(i));
    }
    for (const StaleAction& a : m_report.unmatched) {
        add(a, -1);
    }
}

void StaleActionsDialog::setAllChecked(bool checked) {
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_list->topLevelItem(i);
        if (item->data(kKey, kIndexRole).toInt() >= 0) {
            item->setCheckState(kKey, checked ? Qt::Checked : Qt::Unchecked);
        }
    }
}

std::vector<ActionUpdate> StaleActionsDialog::chosenUpdates() const {
    std::vector<ActionUpdate> updates;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = m_list->topLevelItem(i);
        const int index = item->data(kKey, kIndexRole).toInt();
        if (index >= 0 && item->checkState(kKey) == Qt::Checked) {
            const StaleAction& a = m_report.changed[std::size_t(index)];
            updates.push_back({a.key, a.slot, a.row, a.updatedText});
        }
    }
    return updates;
}

void StaleActionsDialog::UpdateButtons() {
    m_update->setEnabled(!chosenUpdates().empty());
}

} // namespace qz
