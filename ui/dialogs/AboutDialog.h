#pragma once
#include <QDialog>
#include <QIcon>

namespace qz {

// The program's icon: a keypad glyph drawn at every size the window and the task bar ask for.
QIcon ProgramIcon();

// "about": the keypad firmware line the keypad's users know, and this program's own version.
class CAboutDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

} // namespace qz
