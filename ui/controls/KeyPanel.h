#pragma once
#include <QPushButton>
#include <array>

#include "model/Configuration.h"

namespace qz {

class KeyPanel;

// One key of the panel: a vertical gradient by the key's style (green while the mouse rests on
// it), its number small and red in the top-left corner, its name in the middle.
class CBaseButton : public QPushButton {
    Q_OBJECT
  public:
    CBaseButton(int index, KeyPanel* panel);
    void setKey(const Key& key, bool hasEvents);
    int index() const { return m_index; }
    const QString& keyName() const { return m_name; }
    int keyStyle() const { return m_style; }
    bool hovered() const { return m_hover; }
    // Size of the key relative to its size in the panel's own layout.
    void setScale(qreal scale);

    // Top and bottom colour of a style; the hover scheme when `hover` is set.
    static QColor TopColour(int style, bool hover);
    static QColor BottomColour(int style, bool hover);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

  private:
    void updateAccessibleText();

    KeyPanel* m_panel;
    int m_index;
    QString m_name;
    QString m_label;
    int m_style = kKindNormal;
    int m_kind = kKindNormal;
    bool m_hasEvents = false;
    bool m_hover = false;
    qreal m_scale = 1.0;
};

// The keypad as 36 clickable keys placed by the device model's layout, scaled to the panel's
// size. From the keyboard: the arrow keys move between the keys, Enter or Space opens one.
class KeyPanel : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kKeyWidth = 35;
    static constexpr int kKeyHeight = 25;
    // The size the layouts are laid out for; larger panels scale it up evenly.
    static constexpr int kPanelWidth = 576;
    static constexpr int kPanelHeight = 266;

    explicit KeyPanel(QWidget* parent = nullptr);
    // Places the keys for the model and shows the configuration's names and styles.
    void showConfiguration(const Configuration& config);
    CBaseButton* key(int index) const { return m_keys[static_cast<size_t>(index)]; }
    // Top-left corner of key k for a model in a panel of the given size (no position: (-1,-1)).
    static QPoint KeyPosition(int model, int key, int width, int height);
    // The key that has, or gets, the keyboard focus within the panel.
    int focusKey() const { return m_focusKey; }
    void setFocusKey(int key);
    qreal scale() const { return m_scale; }
    QSize sizeHint() const override { return {kPanelWidth, kPanelHeight}; }
    QSize minimumSizeHint() const override { return {kPanelWidth, kPanelHeight}; }

  Q_SIGNALS:
    void keyClicked(int key);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    friend class CBaseButton;
    void placeKeys();
    // Moves the focus to the nearest shown key in the arrow's direction.
    void moveFocus(int dx, int dy);

    std::array<CBaseButton*, kKeyCount> m_keys{};
    int m_model = kDefaultDeviceModel;
    int m_focusKey = 0;
    qreal m_scale = 1.0;
};

} // namespace qz
