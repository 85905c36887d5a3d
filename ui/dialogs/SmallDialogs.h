#pragma once
// The small modal dialogs: the question box, the timed progress of a Clear, the entry of a new
// library or function name, the choice of the output port arrangement and the upload progress.
#include <QDialog>
#include <functional>

#include "model/Configuration.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace qz {

class IMessages;

// Question box: the message and "OK" / "Cancel". Also used for notices whose answer is ignored.
class CDlgAsk : public QDialog {
    Q_OBJECT
  public:
    explicit CDlgAsk(const QString& text, QWidget* parent = nullptr);
    // The message as the caller gave it ("\r" line breaks included).
    const QString& text() const { return m_text; }

  private:
    QString m_text;
};

// Progress of a Clear: a bar that follows the ticks of the clear (the keypad session times it,
// one tick a second up to its time-out) and that its caller closes when the clear ends.
class CDlgClearAll : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kRange = 20;

    explicit CDlgClearAll(QWidget* parent = nullptr);
    int position() const;
    // Second `tick` of `ticks`, with `answers` "CLRE" answers so far: one step a tick, nearly
    // full once both answers are in.
    void setProgress(int tick, int ticks, int answers);
    // The clear is over: full, and closed.
    void finish();

  protected:
    // The box closes itself; Escape and the close button do not cut the wait short.
    void reject() override {}

  private:
    QProgressBar* m_bar;
};

// Entry of a new name for a library (modes 0 RS232, 2 IR) or a function (modes 1 RS232, 3 IR).
class CDlgNewName : public QDialog {
    Q_OBJECT
  public:
    enum Mode { Rs232Library = 0, Rs232Function = 1, IrLibrary = 2, IrFunction = 3 };
    // True when the name (without surrounding blanks) is already taken.
    using DuplicateTest = std::function<bool(const QString& name)>;

    CDlgNewName(int mode, DuplicateTest isDuplicate, IMessages& messages,
                QWidget* parent = nullptr);
    int mode() const { return m_mode; }
    QString name() const { return m_name; }
    bool accepted() const { return m_accepted; }
    QLineEdit* nameEdit() const { return m_edit; }

    // Modes 0 and 2: a file of exactly the name plus the extension (".rss", ".irr") in the folder.
    static DuplicateTest LibraryFileTest(const QString& folder, const QString& extension);
    // Modes 1 and 3: an entry of the function list equal to the name; `trimEntries` compares the
    // entries without their surrounding blanks (the IR function list).
    static DuplicateTest FunctionListTest(const QStringList& names, bool trimEntries);

  private:
    void onOk();

    int m_mode;
    DuplicateTest m_isDuplicate;
    IMessages& m_messages;
    QLineEdit* m_edit;
    QString m_name;
    bool m_accepted = false;
};

// Choice of the output port arrangement ("Enable RS232/IR").
class CDlgPanel : public QDialog {
    Q_OBJECT
  public:
    explicit CDlgPanel(int portMode, QWidget* parent = nullptr);
    // The arrangement chosen when the dialog closed with OK (0 to 3).
    int selectedIndex() const { return m_selected; }
    QComboBox* list() const { return m_list; }

  private:
    QComboBox* m_list;
    int m_selected;
};

// Steps of an upload as the progress box counts them, and the key groups it sends.
struct UploadSteps {
    int count = 0;          // N: event rows + fixed frames of the model + groups in use
    unsigned groupMask = 0; // bit g - 1 for every group g (1..32) of the model's normal keys
};
UploadSteps ComputeUploadSteps(const Configuration& config);

// Upload progress with "Cancel". The upload moves the bar. "Cancel" (or Escape) asks the upload
// to stop; the box stays open, saying what the upload still does, until finish().
class CDlgProgress : public QDialog {
    Q_OBJECT
  public:
    explicit CDlgProgress(const Configuration& config, QWidget* parent = nullptr);
    const UploadSteps& steps() const { return m_steps; }
    int position() const;
    void setPosition(int position);
    bool cancelled() const { return m_cancelled; }
    // What the upload still does after "Cancel".
    void setStopping(const QString& doing);
    QString stoppingText() const;
    // The upload is over: close with OK.
    void finish() { accept(); }

  Q_SIGNALS:
    void cancelRequested();

  protected:
    void reject() override;

  private:
    UploadSteps m_steps;
    QProgressBar* m_bar;
    QLabel* m_note;
    QPushButton* m_cancel;
    bool m_cancelled = false;
};

} // namespace qz
