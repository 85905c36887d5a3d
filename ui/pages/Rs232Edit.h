#pragma once
#include <QLineEdit>

namespace qz {

// The RS232 data box. While hex input is on, a typed character other than a hex digit, a blank or
// "." is dropped (Backspace and the editing keys work as usual); while it is off, everything is
// typed. Pasted text is not filtered.
class CRS232Edit : public QLineEdit {
    Q_OBJECT
  public:
    explicit CRS232Edit(QWidget* parent = nullptr);

    void setHexInput(bool on) { m_hexInput = on; }
    bool hexInput() const { return m_hexInput; }
    static bool IsHexInputCharacter(QChar c);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

  private:
    bool m_hexInput = false;
};

} // namespace qz
