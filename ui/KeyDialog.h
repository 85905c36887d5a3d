#pragma once
#include <QDialog>

#include "model/Configuration.h"

class QComboBox;
class QLineEdit;
class QSpinBox;
class QLabel;

namespace qz {

// What a key dialog returns.
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

// The dialog of a key, by its kind: normal keys choose press, release, page or toggle and set
// name, LED level, group and repeat interval; system sources choose an input or a timer;
// virtual keys set their name.
class KeyDialog : public QDialog {
    Q_OBJECT
  public:
    KeyDialog(const Configuration& config, int key, QWidget* parent = nullptr);
    KeyDialogResult result() const { return m_result; }

  private:
    void buildNormal(const Key& key, int model);
    void buildSystem(int keyIndex);
    void buildVirtual(const Key& key);
    void showTypeControls();
    void rebuildToggleNumbers();
    void finish(bool addEvent);
    bool nameAcceptable();

    int m_kind;
    int m_keyIndex;
    KeyDialogResult m_result;
    QComboBox* m_type = nullptr;
    QComboBox* m_pageClass = nullptr;
    QComboBox* m_pageNum = nullptr;
    QComboBox* m_toggleClass = nullptr;
    QComboBox* m_toggleNum = nullptr;
    QComboBox* m_repeat = nullptr;
    QComboBox* m_led = nullptr;
    QComboBox* m_group = nullptr;
    QComboBox* m_source = nullptr;
    QSpinBox* m_minutes = nullptr;
    QLineEdit* m_name = nullptr;
    QLabel* m_error = nullptr;
    QList<QWidget*> m_pageRows;
    QList<QWidget*> m_toggleRows;
    QList<QWidget*> m_repeatRows;
};

} // namespace qz
