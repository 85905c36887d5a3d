#pragma once
// The event list as a table over the document: one row per event of every key, columns "Key"
// ("Key%d"), "Type" (the event name) and "Data" (the event's data text). The rows follow the
// document's signals one by one (a row inserted for a new event, removed for a deleted one, the
// key's rows rewritten when its settings change); only the document's reset() resets the model.
//
// Sorting (a header click, or sort()): by "Key" the key numbers are compared, ascending or
// descending; by any other column two rows compare equal, so the order stays as it is. Within a
// key the events stay in slot order. New rows are placed where the current order puts them.
#include <QAbstractTableModel>

#include <utility>
#include <vector>

namespace qz {

class EditorDocument;

class EventListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { KeyColumn, TypeColumn, DataColumn, ColumnCount };
    enum Role {
        // key + 256 × slot, the list's item data
        ItemDataRole = Qt::UserRole,
        KeyRole,
        SlotRole,
    };

    explicit EventListModel(EditorDocument& document, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // The row of an event (column 0), invalid when it is not listed.
    QModelIndex indexOf(int key, int slot) const;
    // The row of the document's current event.
    QModelIndex currentIndex() const;
    // The event of a row: (key, slot), or (-1, -1).
    std::pair<int, int> eventAt(const QModelIndex& index) const;

  private:
    void refill();
    void syncKey(int key);
    void syncSlot(int key, int slot);
    int rowOf(int key, int slot) const;
    int insertionRow(int key, int slot) const;
    bool before(const std::pair<int, int>& a, const std::pair<int, int>& b) const;

    EditorDocument& m_document;
    std::vector<std::pair<int, int>> m_rows; // (key, slot) per row
    Qt::SortOrder m_order = Qt::AscendingOrder;
};

} // namespace qz
