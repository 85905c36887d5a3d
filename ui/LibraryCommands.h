#pragma once
#include <QObject>

class QMainWindow;

namespace qz {

class ActionPagesPanel;
class EditorDocument;
class IMessages;
class KeypadSession;

// The library commands of the window: the IR and RS232 library editors, opened on the library
// and function the page shows, and "Update actions from libraries".
class LibraryCommands : public QObject {
    Q_OBJECT
  public:
    // `window` parents the editors and shows the status lines.
    LibraryCommands(EditorDocument& document, KeypadSession& session, ActionPagesPanel& pages,
                    IMessages* messages, QMainWindow& window);

    void setMessages(IMessages* messages) { m_messages = messages; }

    void openIrEditor();
    void openRs232Editor();
    void updateFromLibraries();

  private:
    EditorDocument& m_document;
    KeypadSession& m_session;
    ActionPagesPanel& m_pages;
    IMessages* m_messages;
    QMainWindow& m_window;
};

} // namespace qz
