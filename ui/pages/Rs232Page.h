#pragma once
#include "library/Rs232Library.h"
#include "model/ActionTexts.h"
#include "ui/pages/ActionPage.h"

namespace qz {

// The RS232 page: sends a string on one of the keypad's ports, typed in or taken from a function
// of an RS232 library.
class CPageView3Rs232 : public ActionPage {
    Q_OBJECT
  public:
    explicit CPageView3Rs232(QWidget* parent = nullptr);

    bool ShowAction(const QString& text) override;
    QString BuildActionText() override;
    // The controls as an action, without any message.
    Rs232Action Read() const;
    // The library and function the library editor starts with, as the page shows them.
    QString libraryName() const;
    QString functionName() const;

  public Q_SLOTS:
    // Reads the shown library again (after the library editor saved it): its functions fill the
    // list, the chosen one stays chosen while it exists. Nothing else changes.
    void reloadLibraries();
    // "Change Lib": pick a library file, list its functions, load the first.
    void OnChangeLib();
    // A function chosen: its line settings, format and data fill the page.
    void LoadSelectedFunction();

  Q_SIGNALS:
    // "Edit Lib": the window opens the RS232 library editor with libraryName() and
    // functionName().
    void editLibraryRequested();

  protected:
    bool PageChecks() override;
    int RulePort() const override;
    const char* ColonField() const override;

  private:
    void Write(const Rs232Action& action);
    // Fills the function list from the page's library, sorted as the list shows them.
    void FillFunctions();
    void OnDataBit(int index);
    void RebuildParity(bool sevenBits);

    QLineEdit* m_libName;
    QComboBox* m_function;
    QComboBox* m_port;
    RepeatControls* m_repeat;
    QComboBox* m_baud;
    QComboBox* m_dataBit;
    QComboBox* m_stopBit;
    QComboBox* m_parity;
    DataFormatControls* m_format;
    QLineEdit* m_eventName;
    CRS232LibSet m_lib;
    CRS232LibFun m_fun;
};

} // namespace qz
