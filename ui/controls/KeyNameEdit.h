#pragma once
#include "ui/controls/FilteredLineEdit.h"

namespace qz {

// The "Key Name" box: a typed character other than a digit, an ASCII letter, a blank or "." is
// dropped (backspace and the editing keys work as usual). Pasted text is not filtered; the
// dialogs refuse a name with ":" when it is stored.
class CKvqKeyNameEdit : public FilteredLineEdit {
    Q_OBJECT
  public:
    static constexpr int kMaxLength = 4;

    explicit CKvqKeyNameEdit(QWidget* parent = nullptr);
    static bool IsAcceptedCharacter(QChar c);

  protected:
    bool Accepts(QChar c) const override { return IsAcceptedCharacter(c); }
    bool IsFilteredPress(const QKeyEvent* event) const override;
};

} // namespace qz
