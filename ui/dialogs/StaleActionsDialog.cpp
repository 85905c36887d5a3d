#include "ui/dialogs/StaleActionsDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "io/Latin1.h"
#include "model/ActionTexts.h"
#include "model/Configuration.h"

namespace qz {

namespace {

// Index of the stale action an item stands for (in report().changed), or -1 for the others.
constexpr int kIndexRole = Qt::UserRole;

template <std::size_t N> QString Entry(const char* const (&entries)[N], int code) {
    return code >= 0 && std::size_t(code) < N ? QLatin1String(entries[code]) : QStringLiteral("-");
}

QPlainTextEdit* DataBox(const char* objectName, const QString& name, QWidget* parent) {
    auto* box = new QPlainTextEdit(parent);
    box->setObjectName(QLatin1String(objectName));
    box->setReadOnly(true);
    box->setAccessibleName(name);
    box->setToolTip(name);
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    box->setWordWrapMode(QTextOption::WrapAnywhere);
    box->setMaximumHeight(box->fontMetrics().lineSpacing() * 4 + 12);
    return box;
}

} // namespace

QString LibraryActionData(LibraryKind kind, const std::string& text) {
    if (kind == LibraryKind::Ir) {
        const std::optional<IrAction> a = IrAction::FromActionText(text);
        return a ? QStringLiteral("code ") + latin1::ToQString(a->code) : QString();
    }
    const std::optional<Rs232Action> a = Rs232Action::FromActionText(text);
    if (!a) {
        return {};
    }
    const QString end = a->endChar == 1   ? QStringLiteral("CR")
                        : a->endChar == 2 ? QStringLiteral("CR LF")
                                          : QStringLiteral("none");
    return QStringLiteral("baud %1, data bits %2, parity %3, stop bits %4, %5, end %6, data \"%7\"")
        .arg(latin1::ToQString(a->baudRate), Entry(kDataBitEntries, a->dataBit),
             Entry(kParityEntries, a->parity), Entry(kStopBitEntries, a->stopBit),
             a->format == 1 ? QStringLiteral("hex") : QStringLiteral("ascii"),
             a->format == 1 ? QStringLiteral("-") : end, latin1::ToQString(a->data));
}

StaleActionsDialog::StaleActionsDialog(const Configuration& config, const QString& folder,
                                       QWidget* parent)
    : StaleActionsDialog(config, FindStaleActions(config, folder), parent) {}

StaleActionsDialog::StaleActionsDialog(const Configuration& config, StaleReport report,
                                       QWidget* parent)
    : QDialog(parent), m_report(std::move(report)), m_list(new QTreeWidget(this)),
      m_update(new QPushButton(QStringLiteral("Update"), this)),
      m_oldData(DataBox("oldData", QStringLiteral("Data now"), this)),
      m_newData(DataBox("newData", QStringLiteral("Data after the update"), this)) {
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
                             QStringLiteral("Function"), QStringLiteral("Status"),
                             QStringLiteral("Now"), QStringLiteral("After update")});
    m_list->header()->setSectionsClickable(false);
    m_list->header()->setStretchLastSection(true);
    const int widths[] = {70, 100, 36, 50, 80, 80, 120, 200, 200};
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

    auto* oldLabel = new QLabel(QStringLiteral("Now:"), this);
    auto* newLabel = new QLabel(QStringLiteral("After update:"), this);
    oldLabel->setBuddy(m_oldData);
    newLabel->setBuddy(m_newData);
    auto* data = new QGridLayout;
    data->addWidget(oldLabel, 0, 0, Qt::AlignTop);
    data->addWidget(m_oldData, 0, 1);
    data->addWidget(newLabel, 1, 0, Qt::AlignTop);
    data->addWidget(m_newData, 1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_list, 1);
    layout->addLayout(data);
    layout->addLayout(buttons);
    resize(960, 460);

    connect(all, &QPushButton::clicked, this, [this] { setAllChecked(true); });
    connect(none, &QPushButton::clicked, this, [this] { setAllChecked(false); });
    connect(m_update, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_list, &QTreeWidget::itemChanged, this, &StaleActionsDialog::UpdateButtons);
    connect(m_list, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { ShowData(item); });

    Fill(config);
    UpdateButtons();
    // The stale actions come first; the others are greyed out and show their data in the list.
    if (!m_report.changed.empty()) {
        m_list->setCurrentItem(m_list->topLevelItem(0));
        ShowData(m_list->topLevelItem(0));
    }
}

void StaleActionsDialog::Fill(const Configuration& config) {
    auto add = [&](const StaleAction& a, int index) {
        QString event = QLatin1String(EventNameOfSlot(a.slot));
        const std::string data = config.EventDataText(a.key, a.slot);
        if (!data.empty()) {
            event += QStringLiteral(" (%1)").arg(latin1::ToQString(data));
        }
        const QString status = index >= 0            ? QStringLiteral("differs")
                               : a.message.isEmpty() ? QLatin1String(StaleStatusName(a.status))
                                                     : a.message;
        const QString now = LibraryActionData(a.kind, a.currentText);
        const QString after = index >= 0 ? LibraryActionData(a.kind, a.updatedText) : QString();
        auto* item = new QTreeWidgetItem(
            {QStringLiteral("Key%1").arg(a.key + 1), event, QString::number(a.row + 1),
             a.kind == LibraryKind::Ir ? QStringLiteral("IR") : QStringLiteral("RS232"),
             latin1::ToQString(a.library), latin1::ToQString(a.function), status, now, after});
        item->setData(kKey, kIndexRole, index);
        item->setToolTip(kOldData, now);
        item->setToolTip(kNewData, after);
        if (!a.message.isEmpty()) {
            item->setToolTip(kStatus, a.message);
        }
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

void StaleActionsDialog::ShowData(const QTreeWidgetItem* item) {
    m_oldData->setPlainText(item ? item->text(kOldData) : QString());
    m_newData->setPlainText(item ? item->text(kNewData) : QString());
}

void StaleActionsDialog::UpdateButtons() {
    m_update->setEnabled(!chosenUpdates().empty());
}

} // namespace qz
