#pragma once
#include "library/Rs232Library.h"
#include "model/ActionTexts.h"
#include "ui/pages/LibraryPage.h"

namespace qz {

class SendNowPanel;

// The RS232 page: sends a string on one of the keypad's ports, typed in or taken from a function
// of an RS232 library.
class CPageView3Rs232 : public LibraryPage {
    Q_OBJECT
  public:
    explicit CPageView3Rs232(QWidget* parent = nullptr);

    bool ShowAction(const QString& text) override;
    QString BuildActionText() override;
    // The controls as an action, without any message.
    Rs232Action Read() const;
    SendNowPanel* sendNowPanel() const { return m_sendNow; }

  public Q_SLOTS:
    // A function chosen: its line settings, format and data fill the page.
    void LoadSelectedFunction();

  protected:
    bool PageChecks() override;
    int RulePort() const override;
    const char* ColonField() const override;

    // "Change Lib" loads the first function of the library.
    void FirstFunctionChosen() override { LoadSelectedFunction(); }
    void ClearLibrary() override;
    bool LoadLibrary(const QString& path) override;
    bool ReplaceLibrary(const QString& path) override;
    QString LoadedLibraryName() const override;
    QString LoadedNameFault() const override;
    QStringList FunctionNames() const override;
    bool TakeFunction(const std::string& name) override;

  private:
    void Write(const Rs232Action& action);
    void OnDataBit(int index);
    void RebuildParity(bool sevenBits);

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
    SendNowPanel* m_sendNow;
};

} // namespace qz
