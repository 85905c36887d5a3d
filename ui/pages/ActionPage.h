#pragma once
// The base of the ten action pages: the "Add" and "Edit" buttons, the checks every page runs
// before it hands an action text on, and the controls two or more pages share.
//
// A page composes an action text from its controls and emits it; it stores nothing itself. The
// text layouts live in model/ActionTexts.h, the port and model rules in model/ActionRules.h.
#include <QObject>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <string>

#include "io/Latin1.h"

class QButtonGroup;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;

namespace qz {

class CRS232Edit;
class IMessages;
struct RepeatSettings;

// The bytes of a control's text (or of an action text shown on a page). A page refuses a
// character above U+00FF with a message before it builds an action (Refusal()), so every
// character has its byte here; a text that still holds one gives an empty text, which no page
// takes for an action, never a "?" the user did not type.
std::string PageBytes(const QString& text);

// Names in the order of a sorted list: alphabetical, letter case ignored.
QStringList SortedNames(QStringList names);

// The message refusing a box whose ":" would shift the fields of the action text.
QString ColonRefusalText(const QString& label);

// The message refusing a box holding a character that has no 8-bit form.
QString UnstorableText(const QString& label, QChar c);

class ActionPage : public QWidget {
    Q_OBJECT
  public:
    ActionPage(int pageIndex, QWidget* parent = nullptr);

    int pageIndex() const { return m_pageIndex; }
    // Where messages and questions go; without one the page shows nothing and refuses quietly.
    void setMessages(IMessages* messages) { m_messages = messages; }
    IMessages* messages() const { return m_messages; }
    // The device model (0, 1, 2) and port mode (0..3) the port and model rules follow.
    void setDevice(int model, int portMode);
    int deviceModel() const { return m_model; }
    int portMode() const { return m_portMode; }
    // Whether the event list has a row. Without a probe the page leaves that check to whoever
    // takes its texts.
    void setEventListProbe(std::function<bool()> probe) { m_hasEvents = std::move(probe); }

    // Fills the controls from a stored action text of this page's type. Any other text changes
    // nothing and gives false.
    virtual bool ShowAction(const QString& text) = 0;
    // The action text the controls stand for now.
    virtual QString BuildActionText() = 0;
    // Why the controls' action may not be added as they stand: the port and model rule (A) to
    // (H), a box holding ":", or a character that cannot be stored; empty when it may.
    QString Refusal() const;

    // Selects `position`, or nothing when it is outside the list.
    static void SelectPosition(QComboBox* list, int position);
    // Selects the entry whose whole text equals `text` ignoring case; false (list unchanged) when
    // there is none.
    static bool SelectText(QComboBox* list, const QString& text);

    QPushButton* addButton() const { return m_add; }

  public Q_SLOTS:
    // "Add" and "Edit": the checks, then the text is emitted. A refused action emits nothing.
    void OnAdd();
    void OnEdit();

  Q_SIGNALS:
    void addRequested(const QString& actionText);
    void editRequested(const QString& actionText);

  protected:
    // The page's own checks that come before all others (they show their own messages).
    virtual bool PageChecks() { return true; }
    // The "Port" list position the port rules look at.
    virtual int RulePort() const { return 0; }
    // The label of the box whose ":" would shift the fields; null when none.
    virtual const char* ColonField() const { return nullptr; }

    void ShowMessage(const QString& text) const;
    // The port and model messages go to the question box; its answer changes nothing.
    void AskQuestion(const QString& text) const;

    // Building blocks of the pages' forms.
    QComboBox* MakeList(const char* objectName, const QStringList& entries, int selected = 0);
    // A label for `control`, its buddy; the control takes the label's text as accessible name.
    QLabel* MakeLabel(const QString& text, QWidget* control);
    QLineEdit* MakeNameBox(const char* objectName = "eventName");
    // The form's grid above the "Edit" and "Add" buttons.
    QGridLayout* form() const { return m_form; }
    // Adds "Edit" and "Add" below the form; the last step of a page's constructor.
    void FinishPage();

    static QStringList Entries(const char* const* entries, int count);
    template <size_t N> static QStringList Entries(const char* const (&entries)[N]) {
        return Entries(entries, int(N));
    }
    static QStringList Numbered(const char* pattern, int count);

  private:
    bool Checked();
    QString TextRefusal() const;

    int m_pageIndex;
    IMessages* m_messages = nullptr;
    int m_model = 0;
    int m_portMode = 0;
    std::function<bool()> m_hasEvents;
    QGridLayout* m_form;
    QPushButton* m_add = nullptr;
};

// Checks the radio button of `group` with `id`, or none for an id no button has.
void SetGroupChoice(QButtonGroup* group, int id);

// The repeat settings of the RS232 and IR pages: "Active:" with its send-once entry and "More
// Time", and the two sliders with their read-only readouts, shown only for "More Time".
class RepeatControls : public QObject {
    Q_OBJECT
  public:
    RepeatControls(const QString& onceEntry, ActionPage* page);

    RepeatSettings Read() const;
    void Write(const RepeatSettings& settings);
    // Puts the six slider controls into `grid` at `row` and `row` + 1, over `columns` columns.
    void Place(QGridLayout* grid, int row, int columns);

    QComboBox* active;
    QLabel* countLabel;
    QLabel* delayLabel;
    QSlider* count;
    QSlider* delay;
    QLineEdit* countReadout;
    QLineEdit* delayReadout;

  private:
    void UpdateShown();
};

// The data box of the RS232 and compare pages with its format and end-character groups. Going
// from ascii to hex converts the box; going back empties it; the hex input filter follows.
class DataFormatControls : public QObject {
    Q_OBJECT
  public:
    struct Captions {
        const char* format;
        const char* ascii;
        const char* hex;
        const char* endGroup;
        const char* none;
        const char* cr;
        const char* enter;
    };
    DataFormatControls(const Captions& captions, QWidget* page);

    int format() const;  // 0 ascii, 1 hex; -1 neither
    int endChar() const; // 0 none, 1 carriage return, 2 enter; -1 none chosen
    // Sets both choices, the end-character group's visibility and the hex input filter.
    void Set(int format, int endChar);

    QGroupBox* formatBox;
    QGroupBox* endBox;
    QRadioButton* ascii;
    QRadioButton* hex;
    QButtonGroup* formatGroup;
    QButtonGroup* endGroup;
    CRS232Edit* data;

  private:
    void OnAscii();
    void OnHex();
    int m_format = 0; // the format until the last click
};

} // namespace qz
