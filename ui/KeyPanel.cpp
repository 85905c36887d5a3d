#include "KeyPanel.h"

#include <QPainter>
#include <QStyleOptionButton>

namespace qz {

namespace {

// The panel's client area in pixels; the layouts below are laid out for it.
constexpr int kPanelWidth = 576;
constexpr int kPanelHeight = 266;

QColor KindColour(int kind, bool hasEvents) {
    switch (kind) {
    case kKindVirtual:
        return hasEvents ? QColor(0x9f, 0xc5, 0xe8) : QColor(0xd6, 0xe6, 0xf5);
    case kKindSystem:
        return hasEvents ? QColor(0xf2, 0xc0, 0x7a) : QColor(0xfa, 0xe3, 0xc0);
    default:
        return hasEvents ? QColor(0x9c, 0xd6, 0x9c) : QColor(0xee, 0xee, 0xee);
    }
}

} // namespace

CBaseButton::CBaseButton(int index, QWidget* parent) : QPushButton(parent), m_index(index) {
    setObjectName(QStringLiteral("key%1").arg(index));
    setFixedSize(KeyPanel::kKeyWidth, KeyPanel::kKeyHeight);
    setFocusPolicy(Qt::StrongFocus);
}

void CBaseButton::setKey(const Key& key, bool hasEvents) {
    m_name = QString::fromLatin1(key.keyName.data(), int(key.keyName.size()));
    m_label = QString::fromLatin1(key.keyLabel.data(), int(key.keyLabel.size()));
    m_kind = key.keyKind;
    m_hasEvents = hasEvents;
    setToolTip(QStringLiteral("Key %1: %2").arg(m_index + 1).arg(m_name));
    update();
}

void CBaseButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect().adjusted(0, 0, -1, -1);
    QColor fill = KindColour(m_kind, m_hasEvents);
    if (isDown()) {
        fill = fill.darker(120);
    } else if (underMouse()) {
        fill = fill.lighter(110);
    }
    p.setPen(hasFocus() ? QPen(palette().highlight().color(), 2) : QPen(Qt::darkGray));
    p.setBrush(fill);
    p.drawRoundedRect(r, 3, 3);
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.65);
    p.setFont(small);
    p.setPen(Qt::darkGray);
    p.drawText(r.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop, m_label);
    QFont name = font();
    name.setPointSizeF(name.pointSizeF() * 0.85);
    p.setFont(name);
    p.setPen(Qt::black);
    p.drawText(r.adjusted(0, 4, 0, 0), Qt::AlignCenter, m_name);
}

KeyPanel::KeyPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("keyPanel"));
    setFixedSize(kPanelWidth, kPanelHeight);
    for (int k = 0; k < kKeyCount; ++k) {
        auto* key = new CBaseButton(k, this);
        m_keys[static_cast<size_t>(k)] = key;
        connect(key, &QPushButton::clicked, this, [this, k] { Q_EMIT keyClicked(k); });
    }
}

QPoint KeyPanel::KeyPosition(int model, int k, int W, int H) {
    const int step = 43;
    if (k >= 32 && k < kKeyCount) {
        const int i = k - 32;
        switch (model) {
        case 0:
            return {(W - 164) / 12 + step * i, 200};
        case 1:
            return {(W - 164) / 2 + step * i, 110};
        case 2:
            return {(W - 336) / 2 + 20 + step + step * i, 155};
        default:
            return {-1, -1};
        }
    }
    switch (model) {
    case 0: {
        const int c = (W - 164) / 12;
        if (k < 8) {
            return {c + step + step * (k % 2), 20 + 45 * (k / 2)};
        }
        const int v = k - 8;
        return {278 + step * (v % 6), 30 + 50 * (v / 6)};
    }
    case 1: {
        const int c = (W - 164) / 2;
        if (k < 8) {
            return {c + step * (k % 4), 20 + 45 * (k / 4)};
        }
        if (k < 20) {
            return {20 + step * (k - 8), H / 2 + 20};
        }
        return {20 + step * (k - 20), H / 2 + 65};
    }
    case 2: {
        const int c = (W - 336) / 2 + 20;
        if (k < 8) {
            return {c + step * (k % 4), 20 + 45 * (k / 4)};
        }
        if (k < 15) {
            return {c + step * (k - 8), 110};
        }
        switch (k) {
        case 15:
            return {c + 215, 80};
        case 16:
            return {c + 172, 50};
        case 17:
            return {c + 215, 20};
        case 18:
            return {c + 258, 50};
        default:
            return {10 + step * (k - 19), 225};
        }
    }
    default:
        return {-1, -1};
    }
}

void KeyPanel::showConfiguration(const Configuration& config) {
    for (int k = 0; k < kKeyCount; ++k) {
        CBaseButton* key = m_keys[static_cast<size_t>(k)];
        const QPoint at = KeyPosition(config.deviceModel, k, width(), height());
        key->setVisible(at.x() >= 0);
        key->move(at);
        bool hasEvents = false;
        for (int s = 0; s < kSlotCount && !hasEvents; ++s) {
            hasEvents = config.keys[static_cast<size_t>(k)].HasEvent(s);
        }
        key->setKey(config.keys[static_cast<size_t>(k)], hasEvents);
    }
}

} // namespace qz
