#pragma once
// The action-type list and the tab control of the ten action pages, kept in step: choosing a type
// in the list brings its tab to the front, and clicking a tab chooses its type in the list.
#include <QListWidget>
#include <QTabWidget>
#include <QWidget>

#include <functional>

namespace qz {

class ActionPage;
class CPageView3Ir;
class CPageView3Rs232;
class EditorDocument;
class IMessages;

// The list of action types ("RS232" .. "Toggle").
class CKvqListBox : public QListWidget {
    Q_OBJECT
  public:
    using QListWidget::QListWidget;
};

// The tab control holding the pages.
class CKvqTabCtrl : public QTabWidget {
    Q_OBJECT
  public:
    using QTabWidget::QTabWidget;
};

class ActionPagesPanel : public QWidget {
    Q_OBJECT
  public:
    explicit ActionPagesPanel(QWidget* parent = nullptr);

    // Brings the page of the text's type to the front, in the list and the tabs, and fills it.
    // A text of no known type changes nothing and gives false.
    bool showAction(const QString& text);
    // The device model and port mode every page's rules follow.
    void setDevice(int model, int portMode);
    void setMessages(IMessages* messages);
    // Whether the event list has a row (see ActionPage::setEventListProbe).
    void setEventListProbe(const std::function<bool()>& probe);
    // Follows the document's steps: after an edit, undo, redo or "Update actions from libraries"
    // the front page shows the selected action as it is stored now, so that "Edit" never writes
    // back values the document no longer holds. What the user typed on a page stays as long as
    // the selected action is what the page was filled from or built.
    void follow(const EditorDocument* document);

    ActionPage* page(int index) const;
    CPageView3Rs232* rs232Page() const;
    CPageView3Ir* irPage() const;
    int currentIndex() const;
    void setCurrentIndex(int index);
    CKvqListBox* typeList() const { return m_list; }
    CKvqTabCtrl* tabs() const { return m_tabs; }

  public Q_SLOTS:
    // Reads the libraries the RS232 and IR pages show again (after a library editor saved).
    void reloadLibraries();

  Q_SIGNALS:
    void addRequested(const QString& actionText);
    void editRequested(const QString& actionText);
    void editIrLibraryRequested();
    void editRs232LibraryRequested();

  private:
    void showStoredAction();

    CKvqListBox* m_list;
    CKvqTabCtrl* m_tabs;
    ActionPage* m_pages[10] = {};
    const EditorDocument* m_document = nullptr;
    QString m_shown; // the action text the pages were last filled from, or last built
};

} // namespace qz
