#pragma once
#include <QPushButton>
#include <array>

#include "model/Configuration.h"

namespace qz {

// One key of the panel: its name in the middle, its number small in the top-left corner,
// coloured by its kind.
class CBaseButton : public QPushButton {
    Q_OBJECT
  public:
    CBaseButton(int index, QWidget* parent);
    void setKey(const Key& key, bool hasEvents);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int m_index;
    QString m_name;
    QString m_label;
    int m_kind = kKindNormal;
    bool m_hasEvents = false;
};

// The keypad as 36 clickable keys placed by the device model's layout.
class KeyPanel : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kKeyWidth = 35;
    static constexpr int kKeyHeight = 25;

    explicit KeyPanel(QWidget* parent = nullptr);
    // Places the keys for the model and shows the configuration's names and kinds.
    void showConfiguration(const Configuration& config);
    CBaseButton* key(int index) const { return m_keys[static_cast<size_t>(index)]; }
    // Top-left corner of key k for a model in a panel of the given size (no position: (-1,-1)).
    static QPoint KeyPosition(int model, int key, int width, int height);

  Q_SIGNALS:
    void keyClicked(int key);

  private:
    std::array<CBaseButton*, kKeyCount> m_keys{};
};

} // namespace qz
