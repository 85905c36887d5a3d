#pragma once
#include <QString>

class QDialog;
class QWidget;

namespace qz {

// Every message, question, file dialog and dialog of the editor passes through here, so that
// tests can answer and read them. `Exec` is the one place where a dialog runs modally: the real
// messages build their boxes and run them through it too, so a test that overrides only `Exec`
// answers everything.
class IMessages {
  public:
    virtual ~IMessages() = default;
    virtual void Show(const QString& text, const QString& title = {}) = 0;
    // Yes / No question; No is the default answer.
    virtual bool Ask(const QString& text, const QString& title) = 0;
    // Yes / No / Cancel; returns 1 yes, 0 no, -1 cancel.
    virtual int AskYesNoCancel(const QString& text, const QString& title) = 0;
    // The same with the two answers' buttons named ("Keep", "Discard"); returns 1 for the first,
    // 0 for the second, -1 cancel. Answered as AskYesNoCancel unless a seam names the buttons.
    virtual int AskChoice(const QString& text, const QString& title, const QString& first,
                          const QString& second);
    virtual QString OpenFileName(const QString& caption, const QString& folder,
                                 const QString& filter) = 0;
    virtual QString SaveFileName(const QString& caption, const QString& folder,
                                 const QString& filter) = 0;
    // Runs the dialog modally and returns its result (QDialog::Accepted, Rejected or a done()
    // code). Tests override it to fill the dialog in and press its buttons.
    virtual int Exec(QDialog& dialog);
};

// The real boxes: questions are the question box with "OK" and "Cancel" (CDlgAsk), messages a
// box with one OK button.
class WidgetMessages : public IMessages {
  public:
    explicit WidgetMessages(QWidget* parent) : m_parent(parent) {}
    void Show(const QString& text, const QString& title) override;
    bool Ask(const QString& text, const QString& title) override;
    int AskYesNoCancel(const QString& text, const QString& title) override;
    int AskChoice(const QString& text, const QString& title, const QString& first,
                  const QString& second) override;
    QString OpenFileName(const QString& caption, const QString& folder,
                         const QString& filter) override;
    QString SaveFileName(const QString& caption, const QString& folder,
                         const QString& filter) override;

  protected:
    QWidget* parent() const { return m_parent; }

  private:
    QWidget* m_parent;
};

// Message texts use "\r" and "\r\n" as line breaks; on screen they are plain line breaks.
QString DisplayText(const QString& text);

} // namespace qz
