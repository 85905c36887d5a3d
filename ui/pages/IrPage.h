#pragma once
#include <string>

#include "library/IrLibrary.h"
#include "model/ActionTexts.h"
#include "ui/pages/ActionPage.h"

namespace qz {

// The IR page: sends the code of an IR library's function. The code is read from the library
// file at every "Add" and "Edit", so an action always takes the code the library holds then.
class CPageView3Ir : public ActionPage {
    Q_OBJECT
  public:
    explicit CPageView3Ir(QWidget* parent = nullptr);

    bool ShowAction(const QString& text) override;
    QString BuildActionText() override;
    // The controls with the entry of the last successful look-up, as an action.
    IrAction Read() const;
    QString libraryName() const;
    QString functionName() const;

  public Q_SLOTS:
    // Reads the shown library again (after the library editor saved it): its functions fill the
    // list, the chosen one stays chosen while it exists.
    void reloadLibraries();
    // "Change Lib": pick a library file and list its functions.
    void OnChangeLib();

  Q_SIGNALS:
    // "Edit Lib": the window opens the IR library editor with libraryName() and functionName().
    void editLibraryRequested();

  protected:
    // Looks the function up in its library file (the messages of a failed look-up).
    bool PageChecks() override;
    int RulePort() const override;
    const char* ColonField() const override;

  private:
    void FillFunctions();

    QLineEdit* m_libName;
    QComboBox* m_function;
    QComboBox* m_port;
    QComboBox* m_carrier;
    RepeatControls* m_repeat;
    CIrLibSet m_lib;
    std::string m_entry; // the entry found by the last look-up
};

} // namespace qz
