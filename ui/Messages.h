#pragma once
#include <QString>

class QWidget;

namespace qz {

// Every message, question and file dialog of the editor passes through here, so that tests can
// answer and read them.
class IMessages {
  public:
    virtual ~IMessages() = default;
    virtual void Show(const QString& text, const QString& title = {}) = 0;
    // Yes / No question; No is the default answer.
    virtual bool Ask(const QString& text, const QString& title) = 0;
    // Yes / No / Cancel; returns 1 yes, 0 no, -1 cancel.
    virtual int AskYesNoCancel(const QString& text, const QString& title) = 0;
    virtual QString OpenFileName(const QString& caption, const QString& folder,
                                 const QString& filter) = 0;
    virtual QString SaveFileName(const QString& caption, const QString& folder,
                                 const QString& filter) = 0;
};

// The real dialogs.
class WidgetMessages final : public IMessages {
  public:
    explicit WidgetMessages(QWidget* parent) : m_parent(parent) {}
    void Show(const QString& text, const QString& title) override;
    bool Ask(const QString& text, const QString& title) override;
    int AskYesNoCancel(const QString& text, const QString& title) override;
    QString OpenFileName(const QString& caption, const QString& folder,
                         const QString& filter) override;
    QString SaveFileName(const QString& caption, const QString& folder,
                         const QString& filter) override;

  private:
    QWidget* m_parent;
};

} // namespace qz
