#include "ui/LibraryCommands.h"

#include <QMainWindow>
#include <QStatusBar>

#include "link/KeypadSession.h"
#include "store/Paths.h"
#include "ui/EditReport.h"
#include "ui/dialogs/StaleActionsDialog.h"
#include "ui/document/EditorDocument.h"
#include "ui/libraries/IrLibraryEditor.h"
#include "ui/libraries/Rs232LibraryEditor.h"
#include "ui/pages/ActionPagesPanel.h"
#include "ui/pages/IrPage.h"
#include "ui/pages/Rs232Page.h"

namespace qz {

LibraryCommands::LibraryCommands(EditorDocument& document, KeypadSession& session,
                                 ActionPagesPanel& pages, IMessages* messages, QMainWindow& window)
    : QObject(&window), m_document(document), m_session(session), m_pages(pages),
      m_messages(messages), m_window(window) {}

void LibraryCommands::openIrEditor() {
    QString lib;
    QString function;
    if (CPageView3Ir* page = m_pages.irPage()) {
        lib = page->libraryName();
        function = page->functionName();
    }
    CDlgIREditLib editor(lib, function, *m_messages, &m_session, &m_document.configuration(),
                         &m_window);
    m_messages->Exec(editor);
    m_pages.reloadLibraries();
    if (CPageView3Ir* page = m_pages.irPage()) {
        page->offerLibrary(editor.libraryName());
    }
}

void LibraryCommands::openRs232Editor() {
    QString lib;
    QString function;
    if (CPageView3Rs232* page = m_pages.rs232Page()) {
        lib = page->libraryName();
        function = page->functionName();
    }
    CDlgRs232EditLib editor(lib, function, *m_messages, &m_document.configuration(), &m_window);
    m_messages->Exec(editor);
    m_pages.reloadLibraries();
    if (CPageView3Rs232* page = m_pages.rs232Page()) {
        page->offerLibrary(editor.libraryName());
    }
}

void LibraryCommands::updateFromLibraries() {
    StaleActionsDialog dialog(m_document.configuration(), LibraryFolder(), &m_window);
    if (dialog.report().changed.empty()) {
        m_messages->Show(QStringLiteral("Every IR and RS232 action matches its library."));
        return;
    }
    if (m_messages->Exec(dialog) != QDialog::Accepted) {
        return;
    }
    const EditResult result = m_document.replaceActions(
        dialog.chosenUpdates(), QStringLiteral("Update actions from libraries"));
    if (ReportEdit(*m_messages, result)) {
        m_window.statusBar()->showMessage(
            QStringLiteral("%1 action(s) updated from their libraries.").arg(result.position),
            8000);
    }
}

} // namespace qz
