#pragma once
// The IR library editor ("IR Edit"): create or open an IR library, add, rename and delete its
// functions, learn their codes through the keypad, save. It works on its own copy of the library
// until a save; closing loses unsaved changes, as the keypad tool did.
#include <QDialog>
#include <QPointer>
#include <QString>
#include <QTableWidget>

#include "library/IrLibrary.h"
#include "library/StaleActions.h"

class QLineEdit;
class QPushButton;
class QTimer;

namespace qz {

class Configuration;
class DeviceLink;
class IMessages;

// The function list: one row per function with "No.", "Name", "Data" and how many actions of the
// open project use the function ("Uses"). Rows are never re-sorted; the row's index is its item
// data.
class CKvqIrListCtrl : public QTableWidget {
    Q_OBJECT
  public:
    enum Column { kNo = 0, kName = 1, kData = 2, kUses = 3 };

    explicit CKvqIrListCtrl(QWidget* parent = nullptr);

    // Appends a row and selects it.
    void AddRow(const QString& name, const QString& data);
    // "No." = position + 1 and item data = position, for every row.
    void Renumber();
    // Clears the selection, then selects and focuses the row; nothing when it is out of range.
    void SelectRow(int index);
    // The first selected row in list order, or -1.
    int FirstSelectedRow() const;
    QString RowName(int index) const;
    QString RowData(int index) const;
    void SetRowName(int index, const QString& name);
    void SetRowData(int index, const QString& data);
    void SetRowUses(int index, int uses);
    // name + " : " + data; empty for a row out of range.
    QString RowText(int index) const;
    QStringList Names() const;
};

class CDlgIREditLib : public QDialog {
    Q_OBJECT
  public:
    // "Learn" stays unavailable this long after each press.
    static constexpr int kLearnLockMs = 8000;
    static constexpr char kCaption[] = "IR Edit";

    // Opens `libName` (stripped of blanks) from the library folder and selects `functionName`,
    // silently starting empty when there is no such library. `link`: the keypad for learning
    // (none: "Learn" says "Please Open Com"); `config`: the open project, for the usage counts.
    CDlgIREditLib(const QString& libName, const QString& functionName, IMessages& messages,
                  DeviceLink* link = nullptr, const Configuration* config = nullptr,
                  QWidget* parent = nullptr);
    ~CDlgIREditLib() override;

    void setLearnLockMs(int ms);
    CKvqIrListCtrl* list() const { return m_list; }
    QString libraryName() const;
    // What was last loaded or saved.
    const CIrLibSet& workingLibrary() const { return m_library; }

    // The buttons.
    void OnOpenLib();
    void OnNewLib();
    void OnNewFunction();
    void OnRenameFunction();
    void OnDeleteFunction();
    void OnLearn();
    bool OnSaveEdit();
    bool OnSaveNameAs();
    // A code the keypad learned: into the selected row, or dropped when none is selected.
    void OnCodeLearned(const QByteArray& code);

  protected:
    void done(int result) override;

  private:
    void OpenByName(const QString& libName, const QString& functionName);
    // The rows of the library's entries.
    void FillList();
    void Collect();
    bool CanSave();
    bool SaveTo(const QString& path);
    void RefreshUses();
    // Runs the name dialog; empty when it was not confirmed with an accepted name.
    QString AskName(int mode);
    void EndLearning();

    IMessages& m_messages;
    QPointer<DeviceLink> m_link;
    LibraryUsage m_usage;
    QLineEdit* m_libName;
    CKvqIrListCtrl* m_list;
    QPushButton* m_learn;
    QTimer* m_learnLock;
    CIrLibSet m_library;
};

} // namespace qz
