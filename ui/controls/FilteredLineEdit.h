#pragma once
#include <QLineEdit>

class QKeyEvent;

namespace qz {

// A line edit that drops typed characters it does not accept, from key presses and from composed
// (input method) text alike. Pasted text and setText() are not filtered.
class FilteredLineEdit : public QLineEdit {
    Q_OBJECT
  public:
    explicit FilteredLineEdit(QWidget* parent = nullptr);

  protected:
    // Whether `c` may be typed now.
    virtual bool Accepts(QChar c) const = 0;
    // Whether the key press is typing that the filter looks at; presses that type no printable
    // character (Backspace, Delete, the cursor keys) always pass.
    virtual bool IsFilteredPress(const QKeyEvent* event) const = 0;

    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
};

} // namespace qz
