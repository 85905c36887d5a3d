#include "ui/lists/ActionListModel.h"

#include <algorithm>

#include "ui/document/EditorDocument.h"
#include "model/KvqEventStr.h"
#include "model/Text.h"

namespace qz {

namespace {

QString Latin1(const std::string& text) {
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

} // namespace

ActionListModel::ActionListModel(EditorDocument& document, QObject* parent)
    : QAbstractTableModel(parent), m_document(document) {
    for (const std::string& text : shownTexts()) {
        m_rows.push_back(MakeRow(text));
    }
    connect(&document, &EditorDocument::currentEventChanged, this, &ActionListModel::sync);
    connect(&document, &EditorDocument::slotChanged, this, [this](int key, int slot) {
        if (key == m_document.currentKey() && slot == m_document.currentSlot()) {
            sync();
        }
    });
    connect(&document, &EditorDocument::keyChanged, this, [this](int key) {
        if (key == m_document.currentKey()) {
            sync();
        }
    });
    connect(&document, &EditorDocument::reset, this, &ActionListModel::resetRows);
}

ActionListModel::Row ActionListModel::MakeRow(const std::string& text) {
    const CKvqEventStr action(text);
    return {text, Latin1(action.GetTypeName()), Latin1(action.GetSummary())};
}

std::vector<std::string> ActionListModel::shownTexts() const {
    const ActionList& list = m_document.actions(m_document.currentKey(), m_document.currentSlot());
    if (list.size() == 1 && IsBlank(list.front())) {
        return {}; // a new event's placeholder is not an action
    }
    return list;
}

void ActionListModel::resetRows() {
    beginResetModel();
    m_rows.clear();
    for (const std::string& text : shownTexts()) {
        m_rows.push_back(MakeRow(text));
    }
    endResetModel();
}

// Brings the rows to the shown event's texts with as few row changes as the edit made: the
// rows before and after the changed stretch stay, the stretch is rewritten, and only the
// difference in length is inserted or removed.
void ActionListModel::sync() {
    const std::vector<std::string> texts = shownTexts();
    const size_t oldCount = m_rows.size();
    const size_t newCount = texts.size();
    size_t prefix = 0;
    while (prefix < oldCount && prefix < newCount && m_rows[prefix].text == texts[prefix]) {
        ++prefix;
    }
    size_t suffix = 0;
    while (suffix < oldCount - prefix && suffix < newCount - prefix &&
           m_rows[oldCount - 1 - suffix].text == texts[newCount - 1 - suffix]) {
        ++suffix;
    }
    const size_t oldMiddle = oldCount - prefix - suffix;
    const size_t newMiddle = newCount - prefix - suffix;
    const size_t common = std::min(oldMiddle, newMiddle);
    for (size_t i = prefix; i < prefix + common; ++i) {
        m_rows[i] = MakeRow(texts[i]);
    }
    if (common > 0) {
        Q_EMIT dataChanged(index(int(prefix), 0), index(int(prefix + common) - 1, ColumnCount - 1));
    }
    const int at = int(prefix + common);
    if (newMiddle > oldMiddle) {
        const int added = int(newMiddle - oldMiddle);
        beginInsertRows({}, at, at + added - 1);
        std::vector<Row> rows;
        for (int i = 0; i < added; ++i) {
            rows.push_back(MakeRow(texts[size_t(at + i)]));
        }
        m_rows.insert(m_rows.begin() + at, rows.begin(), rows.end());
        endInsertRows();
    } else if (oldMiddle > newMiddle) {
        const int removed = int(oldMiddle - newMiddle);
        beginRemoveRows({}, at, at + removed - 1);
        m_rows.erase(m_rows.begin() + at, m_rows.begin() + at + removed);
        endRemoveRows();
    }
    // The rows after an insertion or removal keep their texts but not their numbers.
    const int renumbered = int(m_rows.size()) - 1;
    const int firstMoved = at + int(newMiddle - common);
    if (oldMiddle != newMiddle && firstMoved <= renumbered) {
        Q_EMIT dataChanged(index(firstMoved, NumColumn), index(renumbered, NumColumn));
    }
}

int ActionListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ActionListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ActionListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    const Row& row = m_rows[size_t(index.row())];
    if (role == ActionTextRole) {
        return Latin1(row.text);
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    switch (index.column()) {
    case NumColumn:
        return QString::number(index.row() + 1);
    case TypeColumn:
        return row.type;
    default:
        return row.summary;
    }
}

QVariant ActionListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= ColumnCount) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    static const char* const kNames[] = {"Num", "Type", "Data"};
    return QString::fromLatin1(kNames[section]);
}

Qt::ItemFlags ActionListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void ActionListModel::sort(int, Qt::SortOrder) {
    // Every two actions compare equal: the order is the order of execution and stays.
}

QModelIndex ActionListModel::indexOfRow(int row) const {
    return row >= 0 && row < int(m_rows.size()) ? index(row, 0) : QModelIndex();
}

QModelIndex ActionListModel::currentIndex() const {
    return indexOfRow(m_document.currentActionRow());
}

} // namespace qz
