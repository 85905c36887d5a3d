#pragma once
// The dialogs a click on a key opens, one per kind of key: normal keys choose press, release,
// page or toggle and set name, LED level, group and repeat interval; system sources choose an
// input line or a timer; virtual keys set their name.
#include <QDialog>
#include <memory>
#include <string>

#include "model/Configuration.h"

class QBoxLayout;
class QComboBox;
class QFormLayout;
class QLineEdit;
class QPushButton;
class QSlider;

namespace qz {

class CKvqKeyNameEdit;
class IMessages;

// What a key dialog returns when it closes with "Add" or "Set".
struct KeyDialogResult {
    bool addEvent = false; // "Add" (false: "Set" stored the key settings only)
    int family = kFamilyNone;
    int index = 0;
    int sub = 0;
    std::string name;
    int ledBrightness = 0;
    int keyGroup = 0;
    int repeatDigit = '0';
};

// What the three dialogs share: the result, "Add", and the name check.
class CDlgKey : public QDialog {
    Q_OBJECT
  public:
    // What "Add" or "Set" returned (QDialog::result() tells which button closed it).
    const KeyDialogResult& keyResult() const { return m_result; }
    QPushButton* addButton() const { return m_add; }

  protected:
    CDlgKey(int key, IMessages& messages, QWidget* parent);
    // "Add", "Set" (when `setCaption` is given) and "Cancel" below the dialog's controls.
    void addButtons(QBoxLayout* layout, const QString& setCaption = {});
    // The result for "Add" or "Set"; false keeps the dialog open.
    virtual bool fill(KeyDialogResult& result, bool addEvent) = 0;
    // The name as typed ("Add") or without surrounding blanks ("Set"); false after telling the
    // user why a name cannot be taken.
    bool takeName(const CKvqKeyNameEdit* edit, bool addEvent, std::string& name);

  private:
    void finish(bool addEvent);

    IMessages& m_messages;
    KeyDialogResult m_result;
    QPushButton* m_add = nullptr;
};

class CDlgKeyNormal : public CDlgKey {
    Q_OBJECT
  public:
    CDlgKeyNormal(const Configuration& config, int key, IMessages& messages,
                  QWidget* parent = nullptr);

  protected:
    bool fill(KeyDialogResult& result, bool addEvent) override;

  private:
    void showTypeControls();
    void rebuildToggleNumbers();

    QFormLayout* m_form = nullptr;
    QComboBox* m_type = nullptr;
    QComboBox* m_pageClass = nullptr;
    QComboBox* m_pageNum = nullptr;
    QComboBox* m_toggleClass = nullptr;
    QComboBox* m_toggleNum = nullptr;
    QComboBox* m_repeat = nullptr;
    QComboBox* m_led = nullptr;
    QComboBox* m_group = nullptr;
    CKvqKeyNameEdit* m_name = nullptr;
};

class CDlgKeySys : public CDlgKey {
    Q_OBJECT
  public:
    CDlgKeySys(const Configuration& config, int key, IMessages& messages,
               QWidget* parent = nullptr);

  protected:
    bool fill(KeyDialogResult& result, bool addEvent) override;

  private:
    int m_family = kFamilyNone;
    QComboBox* m_source = nullptr;
    QSlider* m_time = nullptr;
    QLineEdit* m_timeText = nullptr;
};

class CDlgKeyVirt : public CDlgKey {
    Q_OBJECT
  public:
    CDlgKeyVirt(const Configuration& config, int key, IMessages& messages,
                QWidget* parent = nullptr);

  protected:
    bool fill(KeyDialogResult& result, bool addEvent) override;

  private:
    CKvqKeyNameEdit* m_name = nullptr;
};

// The dialog for the key's kind; null for a key of no known kind.
std::unique_ptr<CDlgKey> MakeKeyDialog(const Configuration& config, int key, IMessages& messages,
                                       QWidget* parent = nullptr);

} // namespace qz
