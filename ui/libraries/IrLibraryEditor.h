#pragma once
// The IR library editor ("IR Edit"): create or open an IR library, add, rename and delete its
// functions, learn their codes through the keypad, save. It works on its own copy of the library
// until a save; closing with unsaved changes asks whether to save them.
#include <QByteArray>
#include <QDialog>
#include <QPointer>
#include <QString>
#include <QTableView>

#include <vector>

#include "library/IrLibrary.h"
#include "library/StaleActions.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace qz {

class Configuration;
class IMessages;
class IrFunctionModel;
class KeypadSession;

// The function list: one row per function with "No.", "Name", "Data" and how many actions of the
// open project use the function ("Uses"). Rows are never re-sorted. A table view over a model of
// its own, so that a library of many thousand functions fills at once.
class CKvqIrListCtrl : public QTableView {
    Q_OBJECT
  public:
    enum Column { kNo = 0, kName = 1, kData = 2, kUses = 3 };
    struct Row {
        QString name;
        QString data;
        int uses = 0;
    };

    explicit CKvqIrListCtrl(QWidget* parent = nullptr);

    int rowCount() const;
    // Replaces every row in one step; nothing is selected.
    void SetRows(std::vector<Row> rows);
    // Appends a row and selects it.
    void AddRow(const QString& name, const QString& data);
    void RemoveRow(int index);
    // Clears the selection, then selects and focuses the row; nothing when it is out of range.
    void SelectRow(int index);
    // The first selected row in list order, or -1.
    int FirstSelectedRow() const;
    // The text a column shows; empty out of range.
    QString Cell(int index, int column) const;
    QString RowName(int index) const;
    QString RowData(int index) const;
    void SetRowName(int index, const QString& name);
    void SetRowData(int index, const QString& data);
    // The "Uses" column of every row at once.
    void SetUses(const std::vector<int>& uses);
    // name + " : " + data; empty for a row out of range.
    QString RowText(int index) const;
    QStringList Names() const;

  private:
    IrFunctionModel* m_model;
};

class CDlgIREditLib : public QDialog {
    Q_OBJECT
  public:
    // "Learn" stays unavailable this long after each press.
    static constexpr int kLearnLockMs = 8000;
    static constexpr char kCaption[] = "IR Edit";

    // Opens `libName` (stripped of blanks) from the library folder and selects `functionName`,
    // silently starting empty when there is no such library. `session`: the keypad for learning
    // (none: "Learn" says "Please Open Com"); `config`: the open project, for the usage counts.
    CDlgIREditLib(const QString& libName, const QString& functionName, IMessages& messages,
                  KeypadSession* session = nullptr, const Configuration* config = nullptr,
                  QWidget* parent = nullptr);
    ~CDlgIREditLib() override;

    void setLearnLockMs(int ms);
    CKvqIrListCtrl* list() const { return m_list; }
    QString libraryName() const;
    // What was last loaded or saved.
    const CIrLibSet& workingLibrary() const { return m_library; }
    // Edits made since the library was opened or saved.
    bool modified() const { return m_modified; }
    // A library whose stored name cannot name a file: shown, never saved.
    bool readOnly() const { return m_readOnly; }
    // A learned code that came while no function was selected; it goes into the next one picked.
    QByteArray pendingCode() const { return m_pendingCode; }

    // The buttons.
    void OnOpenLib();
    void OnNewLib();
    void OnNewFunction();
    void OnRenameFunction();
    void OnDeleteFunction();
    void OnLearn();
    void OnStopLearning();
    bool OnSaveEdit();
    bool OnSaveNameAs();
    // A code the keypad learned: into the selected row, or kept until a row is selected.
    void OnCodeLearned(const QByteArray& code);

  protected:
    // OK, Cancel, Escape and the close button: unsaved changes are saved, discarded or kept open
    // as the user answers.
    void done(int result) override;

  private:
    void OpenByName(const QString& libName, const QString& functionName);
    // Shows the loaded library; an unsafe stored name makes it read-only, with a warning.
    void ShowLoaded();
    // The rows of the library's entries.
    void FillList();
    void Collect();
    bool CanSave();
    bool SaveTo(const QString& path);
    void RefreshUses();
    // Runs the name dialog; empty when it was not confirmed with an accepted name.
    QString AskName(int mode);
    void EndLearning();
    void LearningStopped();
    void ShowLearnState();
    void SelectionChanged();
    void SetModified(bool modified);
    void SetReadOnly(bool readOnly);

    IMessages& m_messages;
    QPointer<KeypadSession> m_session;
    LibraryUsage m_usage;
    QLineEdit* m_libName;
    CKvqIrListCtrl* m_list;
    QPushButton* m_learn;
    QPushButton* m_stopLearning;
    QLabel* m_learnHint;
    QLabel* m_saveStatus;
    QTimer* m_learnLock;
    QTimer* m_countdown;
    QList<QPushButton*> m_editButtons;
    CIrLibSet m_library;
    QByteArray m_pendingCode;
    bool m_learning = false;
    bool m_modified = false;
    bool m_readOnly = false;
    bool m_quietSelection = false;
};

} // namespace qz
