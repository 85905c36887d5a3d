#include "ui/controls/KeyPanel.h"

#include <QEnterEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>
#include <cmath>

namespace qz {

namespace {

struct Scheme {
    QColor top;
    QColor bottom;
};

// Indexed by the key's style; styles outside 0..4 never occur and paint as style 0.
const Scheme kSchemes[] = {
    {{255, 255, 255}, {255, 255, 255}}, {{255, 255, 0}, {0, 0, 0}},
    {{255, 255, 255}, {255, 0, 0}},     {{199, 224, 248}, {64, 148, 232}},
    {{245, 248, 199}, {218, 227, 28}},
};
const Scheme kHover = {{0, 255, 0}, {255, 255, 255}};

const Scheme& SchemeOf(int style, bool hover) {
    if (hover) {
        return kHover;
    }
    return style >= 0 && style < 5 ? kSchemes[style] : kSchemes[0];
}

QString KindText(int kind) {
    switch (kind) {
    case kKindVirtual:
        return QStringLiteral("virtual key");
    case kKindSystem:
        return QStringLiteral("system source");
    default:
        return QStringLiteral("key");
    }
}

// Largest pixel size, at most `pixels`, at which `text` fits `width`.
QFont FittingFont(QFont font, int pixels, const QString& text, int width) {
    constexpr int kSmallest = 7;
    for (; pixels > kSmallest; --pixels) {
        font.setPixelSize(pixels);
        // The same measure that decides on eliding below.
        if (QFontMetrics(font).elidedText(text, Qt::ElideRight, width) == text) {
            return font;
        }
    }
    font.setPixelSize(kSmallest);
    return font;
}

} // namespace

CBaseButton::CBaseButton(int index, KeyPanel* panel)
    : QPushButton(panel), m_panel(panel), m_index(index) {
    setObjectName(QStringLiteral("key%1").arg(index));
    // Only the panel's focus key is a Tab stop (see KeyPanel::setFocusKey): Tab does not stop at
    // each of 36 keys.
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_Hover);
    setFixedSize(KeyPanel::kKeyWidth, KeyPanel::kKeyHeight);
    updateAccessibleText();
}

QColor CBaseButton::TopColour(int style, bool hover) {
    return SchemeOf(style, hover).top;
}

QColor CBaseButton::BottomColour(int style, bool hover) {
    return SchemeOf(style, hover).bottom;
}

void CBaseButton::setKey(const Key& key, bool hasEvents) {
    m_name = QString::fromLatin1(key.keyName.data(), int(key.keyName.size()));
    m_label = QString::fromLatin1(key.keyLabel.data(), int(key.keyLabel.size()));
    m_style = key.keyStyle;
    m_kind = key.keyKind;
    m_hasEvents = hasEvents;
    updateAccessibleText();
    update();
}

void CBaseButton::updateAccessibleText() {
    // "Key 5 Fan"; a key still named by its number is just "Key 5".
    const QString number = QStringLiteral("Key %1").arg(m_index + 1);
    const QString name = m_name.trimmed();
    const QString full =
        name.isEmpty() || name == QString::number(m_index + 1) ? number : number + ' ' + name;
    setAccessibleName(full);
    setAccessibleDescription(KindText(m_kind) +
                             (m_hasEvents ? QStringLiteral(", has events") : QString()));
    setToolTip(full + QStringLiteral(" (") + KindText(m_kind) + QLatin1Char(')'));
}

void CBaseButton::setScale(qreal scale) {
    m_scale = scale;
    setFixedSize(qRound(KeyPanel::kKeyWidth * scale), qRound(KeyPanel::kKeyHeight * scale));
    update();
}

void CBaseButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int w = width();
    const int h = height();
    const Scheme& scheme = SchemeOf(m_style, m_hover);

    // The gradient runs inside the one-pixel border: top colour on the first row, bottom colour
    // on the last.
    QLinearGradient gradient(0, 1.5, 0, h - 1.5);
    gradient.setColorAt(0, scheme.top);
    gradient.setColorAt(1, scheme.bottom);
    p.fillRect(rect(), gradient);
    p.setPen(QColor(96, 96, 96));
    p.drawRect(0, 0, w - 1, h - 1);

    if (hasFocus()) {
        const int t = qMax(2, qRound(2 * m_scale));
        const QColor focus = palette().color(QPalette::Highlight);
        p.fillRect(2, 2, w - 4, t, focus);
        p.fillRect(2, h - 2 - t, w - 4, t, focus);
        p.fillRect(2, 2, t, h - 4, focus);
        p.fillRect(w - 2 - t, 2, t, h - 4, focus);
    }

    // Everything stays inside the key's border.
    const int inset = qMax(3, qRound(3 * m_scale));
    p.setClipRect(rect().adjusted(1, 1, -1, -1));

    // The number: small and red in the top-left corner.
    QFont label = font();
    label.setWeight(QFont::Normal);
    label.setPixelSize(qMax(7, qRound(h * 0.34)));
    p.setFont(label);
    p.setPen(QColor(255, 0, 0));
    const QRect labelRect(inset - 1, 1, w / 2, QFontMetrics(label).height());
    p.drawText(labelRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, m_label);

    // The name: centred below the number, one line, shrunk or elided rather than run over.
    const QRect nameRect(inset, labelRect.bottom() - qRound(2 * m_scale), w - 2 * inset,
                         h - inset - labelRect.bottom() + qRound(2 * m_scale));
    QFont name = FittingFont(font(), qRound(h * 0.46), m_name, nameRect.width());
    p.setFont(name);
    p.setPen(Qt::black);
    const QString shown = QFontMetrics(name).elidedText(m_name, Qt::ElideRight, nameRect.width());
    p.drawText(nameRect, Qt::AlignCenter | Qt::TextSingleLine, shown);
}

void CBaseButton::enterEvent(QEnterEvent* event) {
    m_hover = true;
    update();
    QPushButton::enterEvent(event);
}

void CBaseButton::leaveEvent(QEvent* event) {
    m_hover = false;
    update();
    QPushButton::leaveEvent(event);
}

void CBaseButton::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
        m_panel->moveFocus(-1, 0);
        return;
    case Qt::Key_Right:
        m_panel->moveFocus(1, 0);
        return;
    case Qt::Key_Up:
        m_panel->moveFocus(0, -1);
        return;
    case Qt::Key_Down:
        m_panel->moveFocus(0, 1);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!event->isAutoRepeat()) {
            click();
        }
        return;
    default:
        QPushButton::keyPressEvent(event); // Space clicks
    }
}

void CBaseButton::focusInEvent(QFocusEvent* event) {
    if (m_panel->m_focusKey != m_index) {
        m_panel->setFocusKey(m_index);
    }
    QPushButton::focusInEvent(event);
}

// ---------------------------------------------------------------------------------------------

KeyPanel::KeyPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("keyPanel"));
    setAccessibleName(QStringLiteral("Key panel"));
    setAccessibleDescription(
        QStringLiteral("The keys of the keypad. Arrow keys move, Enter opens a key."));
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    for (int k = 0; k < kKeyCount; ++k) {
        auto* key = new CBaseButton(k, this);
        m_keys[static_cast<size_t>(k)] = key;
        connect(key, &QPushButton::clicked, this, [this, k] { Q_EMIT keyClicked(k); });
    }
    setFocusKey(0);
    placeKeys();
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
    m_model = config.deviceModel;
    for (int k = 0; k < kKeyCount; ++k) {
        bool hasEvents = false;
        for (int s = 0; s < kSlotCount && !hasEvents; ++s) {
            hasEvents = config.keys[static_cast<size_t>(k)].HasEvent(s);
        }
        m_keys[static_cast<size_t>(k)]->setKey(config.keys[static_cast<size_t>(k)], hasEvents);
    }
    placeKeys();
    if (KeyPosition(m_model, m_focusKey, kPanelWidth, kPanelHeight).x() < 0) {
        setFocusKey(0);
    }
}

void KeyPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeKeys();
}

void KeyPanel::placeKeys() {
    // The model's layout scaled evenly into the panel and centred in it.
    m_scale = std::min(qreal(width()) / kPanelWidth, qreal(height()) / kPanelHeight);
    const qreal left = (width() - kPanelWidth * m_scale) / 2;
    const qreal top = (height() - kPanelHeight * m_scale) / 2;
    for (int k = 0; k < kKeyCount; ++k) {
        CBaseButton* key = m_keys[static_cast<size_t>(k)];
        const QPoint at = KeyPosition(m_model, k, kPanelWidth, kPanelHeight);
        key->setVisible(at.x() >= 0);
        key->setScale(m_scale);
        key->move(qRound(left + at.x() * m_scale), qRound(top + at.y() * m_scale));
    }
}

void KeyPanel::setFocusKey(int key) {
    if (key < 0 || key >= kKeyCount) {
        return;
    }
    const bool hadFocus = hasFocus();
    m_keys[static_cast<size_t>(m_focusKey)]->setFocusPolicy(Qt::ClickFocus);
    m_focusKey = key;
    CBaseButton* target = m_keys[static_cast<size_t>(key)];
    target->setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(target);
    if (hadFocus && !target->hasFocus()) {
        target->setFocus(Qt::OtherFocusReason);
    }
}

void KeyPanel::moveFocus(int dx, int dy) {
    const QPoint from = KeyPosition(m_model, m_focusKey, kPanelWidth, kPanelHeight);
    int best = -1;
    int bestScore = 0;
    for (int k = 0; k < kKeyCount; ++k) {
        const QPoint at = KeyPosition(m_model, k, kPanelWidth, kPanelHeight);
        if (k == m_focusKey || at.x() < 0) {
            continue;
        }
        const QPoint d = at - from;
        const int along = d.x() * dx + d.y() * dy;
        if (along <= 0) {
            continue;
        }
        // Nearest in the arrow's direction, keys out of line count as farther.
        const int across = std::abs(d.x() * dy) + std::abs(d.y() * dx);
        const int score = along + 2 * across;
        if (best < 0 || score < bestScore) {
            best = k;
            bestScore = score;
        }
    }
    if (best >= 0) {
        setFocusKey(best);
    }
}

} // namespace qz
