#pragma once
#include <QLineEdit>

namespace qz {

// The "Key Name" box: a typed character other than a digit, an ASCII letter, a blank or "." is
// dropped (backspace and the editing keys work as usual). Pasted text is not filtered; the
// dialogs refuse a name with ":" when it is stored.
class CKvqKeyNameEdit : public QLineEdit {
    Q_OBJECT
  public:
    static constexpr int kMaxLength = 4;

    explicit CKvqKeyNameEdit(QWidget* parent = nullptr);
    static bool IsAcceptedCharacter(QChar c);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
};

} // namespace qz
