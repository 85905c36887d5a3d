#pragma once
#include <QHash>
#include <QList>
#include <QPair>
#include <QWidget>

#include "ui/document/Clipboard.h"

class QAbstractItemView;
class QMainWindow;
class QTableView;
class QToolButton;

namespace qz {

class ActionListModel;
class EditorDocument;
class EventListModel;
class IMessages;
struct EditResult;

// The two lists of the window: the events of every key ("Action List") and the actions of the
// selected event ("Event List"), each with its buttons, its context menu and its copy, paste and
// delete keys. The lists' selection follows the document's current event and action, and the
// user's choice in a list becomes the document's current one.
class ListsPane : public QWidget {
    Q_OBJECT
  public:
    // `window` shows the lists' status lines.
    ListsPane(EditorDocument& document, IMessages* messages, QMainWindow& window,
              QWidget* parent = nullptr);

    void setMessages(IMessages* messages) { m_messages = messages; }

    QTableView* eventList() const { return m_eventView; }
    QTableView* actionList() const { return m_actionView; }
    int eventCount() const;

    // Copy and delete act on the list that had focus last.
    void copyLast() { copySelection(m_lastList); }
    void deleteLast() { deleteIn(m_lastList); }
    // "Paste": an event goes onto `key` (-1: the current key), actions into the current event.
    bool pasteOntoKey(int key);
    // Whether the clipboard holds something to paste.
    bool canPaste() const;

  Q_SIGNALS:
    // The user chose an action: its text, for its page.
    void actionChosen(const QString& text);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* buildEventBox();
    QWidget* buildActionBox();
    void wireLists();
    void wireDocument();
    bool report(const EditResult& result);

    // The document's current action row when it is selected in the list, else -1.
    int selectedActionRow() const;
    // The buttons that act on a selected row are enabled only while there is one.
    void updateButtons();
    void selectCurrentEvent();
    void selectCurrentAction();
    void onEventRowChanged();
    void onActionRowChanged();
    void copySelection(QAbstractItemView* from);
    void deleteIn(QAbstractItemView* in);
    void showListMenu(QAbstractItemView* list, const QPoint& at);

    EditorDocument& m_document;
    IMessages* m_messages;
    QMainWindow& m_window;
    ActionClipboard m_clipboard;

    EventListModel* m_eventModel = nullptr;
    ActionListModel* m_actionModel = nullptr;
    QTableView* m_eventView = nullptr;
    QTableView* m_actionView = nullptr;
    QAbstractItemView* m_lastList = nullptr;
    // Each list's button commands by their menu text: the buttons, the Delete key (the first) and
    // the context menu run the same.
    QHash<QAbstractItemView*, QList<QPair<QString, QToolButton*>>> m_listCommands;
    QHash<QAbstractItemView*, QList<QToolButton*>> m_needSelection;
    bool m_syncing = false; // a selection made from the document, not by the user
};

} // namespace qz
