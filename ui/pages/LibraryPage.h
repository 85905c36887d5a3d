#pragma once
// The part the IR and RS232 pages share: a library file and one of its functions. "Lib Name:"
// shows the library (read-only), the function list its functions sorted; "Change Lib" picks
// another library file, "Edit Lib" asks for the library editor.
#include <string>

#include "ui/pages/ActionPage.h"

class QHBoxLayout;

namespace qz {

class LibraryPage : public ActionPage {
    Q_OBJECT
  public:
    struct Kind {
        const char* name;           // in the buttons' tool tips: "IR", "RS232"
        const char* extension;      // of the library files: ".irr", ".rss"
        const char* functionObject; // the function list's object name
        // The page fills its controls from a chosen function: the list's own changes made here
        // (a library read again, "Change Lib") stay quiet.
        bool quietFunctionList;
    };

    QString libraryName() const;
    QString functionName() const;

  public Q_SLOTS:
    // Reads the shown library again (after the library editor saved it): its functions fill the
    // list, the chosen one stays chosen while it exists. Nothing else changes.
    void reloadLibraries();
    // After the library editor closed on library `name`: a page that shows no library and that
    // the user has not touched since it last showed an action takes that one (a library just
    // made there is ready to use); any other page keeps what it shows.
    void offerLibrary(const QString& name);
    // "Change Lib": pick a library file, list its functions, choose the first.
    void OnChangeLib();

  Q_SIGNALS:
    // "Edit Lib": the window opens the library editor with libraryName() and functionName().
    void editLibraryRequested();

  public:
    // Whether the user changed a control since the page last showed an action.
    bool touched() const { return m_touched; }

  protected:
    void showEvent(QShowEvent* event) override;

    // Makes "Lib Name:" and the function list.
    LibraryPage(int pageIndex, const Kind& kind, QWidget* parent);

    // "Change Lib" and "Edit Lib" side by side, made when the page's controls before them are.
    QHBoxLayout* MakeLibraryButtons();
    // Both halves of the form alike wide, so that function names are not cut off.
    void WidenColumns();
    // Fills the function list from the page's library, sorted as the list shows them.
    void FillFunctions();
    // The library named in an action, when its file is at hand (else none), and its functions.
    void ShowLibraryOf(const std::string& libName);
    // Looks the shown function up in the shown library's file, with the messages of a failed
    // look-up; TakeFunction() keeps what the page needs of it.
    bool LookUpFunction();
    // After "Change Lib" chose the first function.
    virtual void FirstFunctionChosen() {}

    // The page's copy of the library.
    virtual void ClearLibrary() = 0;
    // Reads the file into the cleared library; false when it cannot be read.
    virtual bool LoadLibrary(const QString& path) = 0;
    // Reads the file into a library of its own that replaces the page's only when it was read.
    virtual bool ReplaceLibrary(const QString& path) = 0;
    virtual QString LoadedLibraryName() const = 0;
    // Why the loaded library's stored name names no file (it would leave the library folder);
    // empty when it can. An action never takes such a name.
    virtual QString LoadedNameFault() const = 0;
    virtual QStringList FunctionNames() const = 0;
    // Keeps the library's function `name`; false when there is none.
    virtual bool TakeFunction(const std::string& name) = 0;

    QLineEdit* m_libName;
    QComboBox* m_function;

  private:
    // The file of library `libName` in the library folder (its own bytes, else its UTF-8
    // spelling: latin1::FindLibraryFile) when it is there; empty when it is not, or when the
    // name would leave the folder.
    QString ExistingFile(const std::string& libName) const;
    void ChooseFunction(int index);

    Kind m_kind;
    bool m_touched = false;
    bool m_watching = false;
};

} // namespace qz
