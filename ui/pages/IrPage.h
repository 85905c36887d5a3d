#pragma once
#include <string>

#include "library/IrLibrary.h"
#include "model/ActionTexts.h"
#include "ui/pages/LibraryPage.h"

namespace qz {

// The IR page: sends the code of an IR library's function. The code is read from the library
// file at every "Add" and "Edit", so an action always takes the code the library holds then.
class CPageView3Ir : public LibraryPage {
    Q_OBJECT
  public:
    explicit CPageView3Ir(QWidget* parent = nullptr);

    bool ShowAction(const QString& text) override;
    QString BuildActionText() override;
    // The controls with the entry of the last successful look-up, as an action.
    IrAction Read() const;

  protected:
    // Looks the function up in its library file (the messages of a failed look-up).
    bool PageChecks() override;
    int RulePort() const override;
    const char* ColonField() const override;

    void ClearLibrary() override;
    bool LoadLibrary(const QString& path) override;
    bool ReplaceLibrary(const QString& path) override;
    QString LoadedLibraryName() const override;
    QString LoadedNameFault() const override;
    QStringList FunctionNames() const override;
    bool TakeFunction(const std::string& name) override;

  private:
    QComboBox* m_port;
    QComboBox* m_carrier;
    RepeatControls* m_repeat;
    CIrLibSet m_lib;
    std::string m_entry; // the entry found by the last look-up
};

} // namespace qz
