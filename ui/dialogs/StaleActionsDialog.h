#pragma once
// "Update actions from libraries": the actions whose copy of a library function differs from the
// function today, each with a check box; the chosen ones come back as updates for the document to
// apply in one undoable step. Copies whose library or function is gone are listed too, without a
// check box, so that the user sees why they were not offered.
#include <QDialog>
#include <QString>

#include <string>
#include <vector>

#include "library/StaleActions.h"

class QPushButton;
class QTreeWidget;

#include "ui/document/EditorDocument.h"

namespace qz {

class Configuration;

class StaleActionsDialog : public QDialog {
    Q_OBJECT
  public:
    enum Column { kKey = 0, kEvent, kRow, kType, kLibrary, kFunction, kStatus, kColumns };
    static constexpr char kCaption[] = "Update actions from libraries";

    // Compares the configuration with the libraries in `folder` (the library folder).
    StaleActionsDialog(const Configuration& config, const QString& folder,
                       QWidget* parent = nullptr);
    // The same from a report made already.
    StaleActionsDialog(const Configuration& config, StaleReport report, QWidget* parent = nullptr);

    const StaleReport& report() const { return m_report; }
    QTreeWidget* list() const { return m_list; }
    // The checked stale actions, in key, slot and row order.
    std::vector<ActionUpdate> chosenUpdates() const;
    void setAllChecked(bool checked);

  private:
    void Fill(const Configuration& config);
    void UpdateButtons();

    StaleReport m_report;
    QTreeWidget* m_list;
    QPushButton* m_update;
};

} // namespace qz
