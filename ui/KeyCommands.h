#pragma once
#include <QObject>

class QWidget;

namespace qz {

class EditorDocument;
class IMessages;

// A click on a key of the panel: the key's dialog, and what it set (the key's settings, a new
// event) as one edit of the document.
class KeyCommands : public QObject {
    Q_OBJECT
  public:
    // `parent` parents the dialogs.
    KeyCommands(EditorDocument& document, IMessages* messages, QWidget& parent);

    void setMessages(IMessages* messages) { m_messages = messages; }
    void onKeyClicked(int key);

  private:
    EditorDocument& m_document;
    IMessages* m_messages;
    QWidget& m_parent;
};

} // namespace qz
