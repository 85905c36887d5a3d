#pragma once
#include "ui/controls/FilteredLineEdit.h"

namespace qz {

// The RS232 data box. While hex input is on, a typed character other than a hex digit, a blank or
// "." is dropped (Backspace and the editing keys work as usual); while it is off, everything is
// typed. Pasted text is not filtered.
class CRS232Edit : public FilteredLineEdit {
    Q_OBJECT
  public:
    explicit CRS232Edit(QWidget* parent = nullptr);

    void setHexInput(bool on) { m_hexInput = on; }
    bool hexInput() const { return m_hexInput; }
    static bool IsHexInputCharacter(QChar c);

  protected:
    bool Accepts(QChar c) const override { return !m_hexInput || IsHexInputCharacter(c); }
    bool IsFilteredPress(const QKeyEvent* event) const override;

  private:
    bool m_hexInput = false;
};

} // namespace qz
