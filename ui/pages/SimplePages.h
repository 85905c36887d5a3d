#pragma once
// The I/O, relay and delay pages, and the compare, LED, page, loop and toggle pages.
#include "model/ActionTexts.h"
#include "ui/pages/ActionPage.h"

namespace qz {

// I/O page: a line of a port as input, or as output with a level.
class CPageView3IO : public ActionPage {
    Q_OBJECT
  public:
    explicit CPageView3IO(QWidget* parent = nullptr);
    bool ShowAction(const QString& text) override;
    QString BuildActionText() override;
    IoAction Read() const;

  protected:
    int RulePort() const override;
    const char* ColonField() const override;

  private:
    void Write(const IoAction& action);
    QComboBox* m_port;
    QComboBox* m_io;
    QLabel* m_outputLabel;
    QComboBox* m_output;
    QLineEdit* m_eventName;
};

// Relay page: switch the relay of a port on or off.
class CPageView3Relay : public ActionPage {
    Q_OBJECT
  public:
    explicit CPageView3Relay(QWidget* parent = nullptr);
    bool ShowAction(const QString& text) override;
    QString BuildActionText() override;
    RelayAction Read() const;

  protected:
    int RulePort() const override;

  private:
    QComboBox* m_port;
    QComboBox* m_action;
};

// Delay page: wait hours, minutes, seconds and maybe half a second.
class CPageView3Delay : public ActionPage {
    Q_OBJECT
  public:
    explicit CPageView3Delay(QWidget* parent = nullptr);
    bool ShowAction(const QString& text) override;
    QString BuildActionText() override;
    DelayAction Read() const;

  private:
    QSlider* m_hour;
    QSlider* m_minute;
    QSlider* m_second;
    QLineEdit* m_hourReadout;
    QLineEdit* m_minuteReadout;
    QLineEdit* m_secondReadout;
    QComboBox* m_half;
};

// Compare page: compare the data arriving on a port with a string.
class CPageView3Cmp : public ActionPage {
    Q_OBJECT
  public:
    explicit CPageView3Cmp(QWidget* parent = nullptr);
    bool ShowAction(const QString& text) override;
    QString BuildActionText() override;
    CompareAction Read() const;

  protected:
    int RulePort() const override;
    const char* ColonField() const override;

  private:
    QComboBox* m_port;
    DataFormatControls* m_format;
    QButtonGroup* m_mode;
    QLineEdit* m_eventName;
};

// LED page: drive the LED of one of eight buttons.
class CPageView3Ledp : public ActionPage {
    Q_OBJECT
  public:
    explicit CPageView3Ledp(QWidget* parent = nullptr);
    bool ShowAction(const QString& text) override;
    QString BuildActionText() override;
    LedAction Read() const;

  private:
    QComboBox* m_button;
    QComboBox* m_light;
};

// Page page: switch the keypad's page and active number.
class CPageView3Page : public ActionPage {
    Q_OBJECT
  public:
    explicit CPageView3Page(QWidget* parent = nullptr);
    bool ShowAction(const QString& text) override;
    QString BuildActionText() override;
    PageAction Read() const;

  protected:
    const char* ColonField() const override;

  private:
    QComboBox* m_page;
    QComboBox* m_activeNo;
    QLineEdit* m_eventName;
};

// Loop page: pass a key number to another keypad of the loop, chosen by its ID.
class CPageView3Casd : public ActionPage {
    Q_OBJECT
  public:
    explicit CPageView3Casd(QWidget* parent = nullptr);
    bool ShowAction(const QString& text) override;
    QString BuildActionText() override;
    LoopAction Read() const;

  protected:
    const char* ColonField() const override;

  private:
    QComboBox* m_id;
    QComboBox* m_key;
    QLineEdit* m_eventName;
};

// Toggle page: set the toggle start of one of eight buttons.
class CPageView3Toggle : public ActionPage {
    Q_OBJECT
  public:
    explicit CPageView3Toggle(QWidget* parent = nullptr);
    bool ShowAction(const QString& text) override;
    QString BuildActionText() override;
    ToggleAction Read() const;

  protected:
    const char* ColonField() const override;

  private:
    QComboBox* m_button;
    QComboBox* m_start;
    QLineEdit* m_eventName;
};

} // namespace qz
