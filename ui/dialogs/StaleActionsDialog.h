#pragma once
// "Update actions from libraries": the actions whose copy of a library function differs from the
// function today, each with a check box; the chosen ones come back as updates for the document to
// apply in one undoable step. Copies whose library or function is gone are listed too, without a
// check box, so that the user sees why they were not offered. Each row shows the action's data
// as it is now and as the update makes it (an IR action's code; an RS232 action's line settings,
// format, end characters and data); the boxes below show both in full for the current row.
#include <QDialog>
#include <QString>

#include <string>
#include <vector>

#include "library/StaleActions.h"

class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

#include "ui/document/EditorDocument.h"

namespace qz {

class Configuration;

class StaleActionsDialog : public QDialog {
    Q_OBJECT
  public:
    enum Column {
        kKey = 0,
        kEvent,
        kRow,
        kType,
        kLibrary,
        kFunction,
        kStatus,
        kOldData, // what the action holds now
        kNewData, // what the update writes (empty when there is nothing to update from)
        kColumns
    };
    static constexpr char kCaption[] = "Update actions from libraries";

    // Compares the configuration with the libraries in `folder` (the library folder).
    StaleActionsDialog(const Configuration& config, const QString& folder,
                       QWidget* parent = nullptr);
    // The same from a report made already.
    StaleActionsDialog(const Configuration& config, StaleReport report, QWidget* parent = nullptr);

    const StaleReport& report() const { return m_report; }
    QTreeWidget* list() const { return m_list; }
    // The current row's data in full: now, and after the update.
    QPlainTextEdit* oldData() const { return m_oldData; }
    QPlainTextEdit* newData() const { return m_newData; }
    // The checked stale actions, in key, slot and row order.
    std::vector<ActionUpdate> chosenUpdates() const;
    void setAllChecked(bool checked);

  private:
    void Fill(const Configuration& config);
    void UpdateButtons();
    void ShowData(const QTreeWidgetItem* item);

    StaleReport m_report;
    QTreeWidget* m_list;
    QPushButton* m_update;
    QPlainTextEdit* m_oldData;
    QPlainTextEdit* m_newData;
};

// The data of a library action text that a library update can change, as the dialog shows it:
// "code <hex digits>" for IR; "baud <baud>, data bits <n>, parity <parity>, stop bits <n>,
// ascii|hex, end <none|CR|CR LF>, data \"<data>\"" for RS232. Empty for other texts.
QString LibraryActionData(LibraryKind kind, const std::string& text);

} // namespace qz
