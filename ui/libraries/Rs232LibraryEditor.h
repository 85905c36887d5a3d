#pragma once
// The RS232 library editor: create or open an RS232 library, add and delete its functions, edit
// each function's serial settings and data (ASCII text with an end character, or hexadecimal
// bytes), save. It works on its own copy of the library until a save; the panel's edits of the
// function it shows are kept before another function is shown or made, and closing with unsaved
// changes asks whether to save them.
#include <QDialog>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

#include "library/Rs232Library.h"
#include "library/StaleActions.h"

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace qz {

class CRS232Edit;
class DataBoxValidator;
class Configuration;
class IMessages;

// The data bytes of a data box text. ASCII: the text without surrounding blanks, cut so that
// text and end characters fit 32 bytes, then the end characters (none for an empty text when
// `emptyWithoutEnd`, as "New Function" does). Hex: one byte per blank-separated token (a token
// is read by its first two characters; one that is not hexadecimal gives 0). Nothing (and
// `tokens` set) when hexadecimal text holds more bytes than the data area.
struct Rs232Data {
    int length = 0;
    std::array<unsigned char, kRs232DataSize> bytes{};
};
constexpr int kRs232DataMax = 32; // bytes an action record carries
std::optional<Rs232Data> Rs232DataFromText(const QString& text, int format, int endChar,
                                           bool emptyWithoutEnd, int* tokens = nullptr);
int HexTokenCount(const QString& text);

class CDlgRs232EditLib : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kDataBoxMax = 96;

    // Opens `libName` from the library folder and shows `functionName` (or the first function).
    // `config`: the open project, for the usage counts.
    CDlgRs232EditLib(const QString& libName, const QString& functionName, IMessages& messages,
                     const Configuration* config = nullptr, QWidget* parent = nullptr);

    const CRS232LibSet& workingLibrary() const { return m_library; }
    QString libraryName() const;
    QComboBox* functionBox() const { return m_function; }
    CRS232Edit* dataBox() const { return m_data; }
    int format() const;
    int endChar() const;
    // How many actions of the project use the function shown.
    int shownUses() const { return m_shownUses; }
    // Edits since the library was opened or saved, the panel's included.
    bool modified() const;
    // A library whose stored name cannot name a file: shown, never saved.
    bool readOnly() const { return m_readOnly; }

    // The buttons.
    void OnOpenLib();
    void OnNewLib();
    void OnNewFunction();
    void OnDeleteFunction();
    void OnAscii();
    void OnHex();
    bool OnSaveEdit();
    bool OnSaveNameAs();

  protected:
    // OK, Cancel, Escape and the close button: unsaved changes are saved, discarded or kept open
    // as the user answers.
    void done(int result) override;

  private:
    void OpenByName(const QString& libName, const QString& functionName);
    void ShowFunction(int index);
    void FunctionChosen();
    void DataBitsChanged();
    void AddFunctionName(const QString& name);
    void SelectText(QComboBox* box, const QString& text);
    void SetFormat(int format, int endChar);
    void SetDataText(const QString& text);
    // The function the panel shows, from its controls; nothing when the data do not fit.
    std::optional<CRS232LibFun> FunctionFromPanel(const QString& name, bool newFunction);
    std::optional<CRS232LibFun> PanelFunction(const QString& name, bool newFunction) const;
    // Puts the panel's edits into the function it shows; false (and the user told) when its data
    // do not fit, so that the panel stays on it.
    bool KeepShown();
    // What the panel's controls hold, to tell whether the user changed them.
    QStringList PanelState() const;
    // Asks before the library is replaced (New Lib, Open Lib) while it has unsaved changes.
    bool MayReplace();
    void FillFunctionBox(int count);
    void ShowLoaded();
    void SetModified(bool modified);
    void SetReadOnly(bool readOnly);
    bool PrepareSave();
    bool SaveTo(const QString& path);
    void RefreshUses();
    void DataRefused();
    QString AskName(int mode);

    IMessages& m_messages;
    LibraryUsage m_usage;
    int m_shownUses = 0;
    int m_format = 0; // what the radio buttons said when last read
    QLineEdit* m_libName;
    QComboBox* m_function;
    QLabel* m_uses;
    QRadioButton* m_ascii;
    QRadioButton* m_hex;
    QGroupBox* m_endGroup;
    QButtonGroup* m_endChars;
    CRS232Edit* m_data;
    DataBoxValidator* m_validator;
    QComboBox* m_baud;
    QComboBox* m_dataBits;
    QComboBox* m_stopBits;
    QComboBox* m_parity;
    QLabel* m_saveStatus;
    QList<QWidget*> m_editWidgets;
    CRS232LibSet m_library;
    // The function the panel shows, and the panel as it was when it showed it.
    QString m_shown;
    QStringList m_shownAsPanel;
    bool m_modified = false;
    bool m_readOnly = false;
};

} // namespace qz
