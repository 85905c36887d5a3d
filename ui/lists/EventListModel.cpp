#include "ui/lists/EventListModel.h"

#include <algorithm>

#include "ui/document/EditorDocument.h"

namespace qz {

EventListModel::EventListModel(EditorDocument& document, QObject* parent)
    : QAbstractTableModel(parent), m_document(document) {
    refill();
    connect(&document, &EditorDocument::keyChanged, this, &EventListModel::syncKey);
    connect(&document, &EditorDocument::slotChanged, this, &EventListModel::syncSlot);
    connect(&document, &EditorDocument::reset, this, [this] {
        beginResetModel();
        refill();
        endResetModel();
    });
}

int EventListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int EventListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant EventListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    const auto [key, slot] = m_rows[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case KeyColumn:
            return QStringLiteral("Key%1").arg(key + 1);
        case TypeColumn:
            return QString::fromLatin1(EventNameOfSlot(slot));
        default: {
            const std::string text = m_document.configuration().EventDataText(key, slot);
            return QString::fromLatin1(text.data(), qsizetype(text.size()));
        }
        }
    case ItemDataRole:
        return key + 256 * slot;
    case KeyRole:
        return key;
    case SlotRole:
        return slot;
    default:
        return {};
    }
}

QVariant EventListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= ColumnCount) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    static const char* const kNames[] = {"Key", "Type", "Data"};
    return QString::fromLatin1(kNames[section]);
}

Qt::ItemFlags EventListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

bool EventListModel::before(const std::pair<int, int>& a, const std::pair<int, int>& b) const {
    if (a.first != b.first) {
        return m_order == Qt::AscendingOrder ? a.first < b.first : a.first > b.first;
    }
    return a.second < b.second;
}

void EventListModel::refill() {
    m_rows = m_document.configuration().EventRows();
    if (m_order == Qt::DescendingOrder) {
        std::stable_sort(m_rows.begin(), m_rows.end(),
                         [](const auto& a, const auto& b) { return a.first > b.first; });
    }
}

void EventListModel::sort(int column, Qt::SortOrder order) {
    // By any other column all rows compare equal: a stable sort leaves them where they are.
    if (column != KeyColumn || order == m_order) {
        return;
    }
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const std::vector<std::pair<int, int>> old = m_rows;
    m_order = order;
    std::stable_sort(m_rows.begin(), m_rows.end(),
                     [this](const auto& a, const auto& b) { return before(a, b); });
    QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& index : from) {
        const auto [key, slot] = old[size_t(index.row())];
        to << this->index(rowOf(key, slot), index.column());
    }
    changePersistentIndexList(from, to);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int EventListModel::rowOf(int key, int slot) const {
    const auto it = std::find(m_rows.begin(), m_rows.end(), std::make_pair(key, slot));
    return it == m_rows.end() ? -1 : int(it - m_rows.begin());
}

int EventListModel::insertionRow(int key, int slot) const {
    const auto it = std::lower_bound(m_rows.begin(), m_rows.end(), std::make_pair(key, slot),
                                     [this](const auto& a, const auto& b) { return before(a, b); });
    return int(it - m_rows.begin());
}

void EventListModel::syncSlot(int key, int slot) {
    const bool listed = m_document.configuration().keys[size_t(key)].HasEvent(slot);
    const int row = rowOf(key, slot);
    if (listed && row < 0) {
        const int at = insertionRow(key, slot);
        beginInsertRows({}, at, at);
        m_rows.insert(m_rows.begin() + at, {key, slot});
        endInsertRows();
    } else if (!listed && row >= 0) {
        beginRemoveRows({}, row, row);
        m_rows.erase(m_rows.begin() + row);
        endRemoveRows();
    }
}

void EventListModel::syncKey(int key) {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        syncSlot(key, slot);
    }
    // The data texts hang on the key's settings (toggle class, timer minutes): rewrite its rows,
    // which stay together in either order.
    int first = -1;
    int last = -1;
    for (int row = 0; row < int(m_rows.size()); ++row) {
        if (m_rows[size_t(row)].first == key) {
            first = first < 0 ? row : first;
            last = row;
        }
    }
    if (first >= 0) {
        Q_EMIT dataChanged(index(first, 0), index(last, ColumnCount - 1));
    }
}

QModelIndex EventListModel::indexOf(int key, int slot) const {
    const int row = rowOf(key, slot);
    return row < 0 ? QModelIndex() : index(row, 0);
}

QModelIndex EventListModel::currentIndex() const {
    return indexOf(m_document.currentKey(), m_document.currentSlot());
}

std::pair<int, int> EventListModel::eventAt(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this || index.row() >= int(m_rows.size())) {
        return {-1, -1};
    }
    return m_rows[size_t(index.row())];
}

} // namespace qz
