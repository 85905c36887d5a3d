#pragma once
// The action list as a table over the document: the actions of the current event, one row per
// action text, columns "Num" (position from 1), "Type" (the action type's display name) and
// "Data" (its summary). A new event's blank placeholder shows no row. The rows follow the
// document's signals: an edit of the shown event inserts, removes or rewrites just the rows it
// touched, and a change of the current event rewrites the rows in place; only the document's
// reset() resets the model. Sorting leaves the order as it is (every two rows compare equal).
#include <QAbstractTableModel>
#include <QString>

#include <string>
#include <vector>

namespace qz {

class EditorDocument;

class ActionListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { NumColumn, TypeColumn, DataColumn, ColumnCount };
    enum Role {
        ActionTextRole = Qt::UserRole, // the whole action text
    };

    explicit ActionListModel(EditorDocument& document, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // Row r (column 0) of the list, invalid out of range.
    QModelIndex indexOfRow(int row) const;
    // The document's selected action row.
    QModelIndex currentIndex() const;

  private:
    struct Row {
        std::string text;
        QString type;
        QString summary;
    };
    static Row MakeRow(const std::string& text);
    std::vector<std::string> shownTexts() const;
    void sync();
    void resetRows();

    EditorDocument& m_document;
    std::vector<Row> m_rows;
};

} // namespace qz
