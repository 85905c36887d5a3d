#include "KeyDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace qz {

namespace {

QComboBox* Combo(const QStringList& items, const char* name) {
    auto* box = new QComboBox;
    box->addItems(items);
    box->setObjectName(QLatin1String(name));
    return box;
}

} // namespace

KeyDialog::KeyDialog(const Configuration& config, int key, QWidget* parent)
    : QDialog(parent), m_kind(config.keys[static_cast<size_t>(key)].keyKind), m_keyIndex(key) {
    const Key& k = config.keys[static_cast<size_t>(key)];
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    setWindowTitle(QStringLiteral("Key %1").arg(key + 1));

    if (m_kind == kKindNormal) {
        m_type = Combo({"Press", "Release", "Page", "Toggle"}, "keyActionType");
        m_pageClass = Combo({"1"}, "pageClass");
        m_pageNum = Combo({"1", "2", "3", "4"}, "pageNum");
        m_toggleClass = Combo({"2", "3", "4"}, "toggleClass");
        m_toggleNum = Combo({}, "toggleNum");
        QStringList repeats{"Never"};
        for (int i = 1; i <= 9; ++i) {
            repeats << QStringLiteral("%1S").arg(i);
        }
        m_repeat = Combo(repeats, "repeatInterval");
        QStringList levels{"--"};
        for (int i = 1; i <= 9; ++i) {
            levels << QStringLiteral("Level %1").arg(i);
        }
        m_led = Combo(levels, "ledBrightness");
        QStringList groups{"--"};
        const int groupCount = config.deviceModel == 0                  ? 8
                               : IsKnownDeviceModel(config.deviceModel) ? 19
                                                                        : 0;
        for (int i = 1; i <= groupCount; ++i) {
            groups << QStringLiteral("Group %1").arg(i);
        }
        m_group = Combo(groups, "keyGroup");
        m_name = new QLineEdit(QString::fromLatin1(k.keyName.c_str()));
        m_name->setObjectName(QStringLiteral("keyName"));
        m_name->setMaxLength(4);

        form->addRow(QStringLiteral("Key Action Type"), m_type);
        form->addRow(QStringLiteral("Page Class"), m_pageClass);
        form->addRow(QStringLiteral("Page Num"), m_pageNum);
        form->addRow(QStringLiteral("Toggle Class"), m_toggleClass);
        form->addRow(QStringLiteral("Toggle Num"), m_toggleNum);
        form->addRow(QStringLiteral("Repeat Interval:"), m_repeat);
        form->addRow(QStringLiteral("LED Brightness"), m_led);
        form->addRow(QStringLiteral("Key Group"), m_group);
        form->addRow(QStringLiteral("Key Name"), m_name);
        m_pageRows = {m_pageClass, form->labelForField(m_pageClass), m_pageNum,
                      form->labelForField(m_pageNum)};
        m_toggleRows = {m_toggleClass, form->labelForField(m_toggleClass), m_toggleNum,
                        form->labelForField(m_toggleNum)};
        m_repeatRows = {m_repeat, form->labelForField(m_repeat)};

        // Preset from the key: a level of 0 opens as the first level.
        m_led->setCurrentIndex(k.ledBrightness == 0 ? 1 : qBound(0, int(k.ledBrightness), 9));
        m_group->setCurrentIndex(qBound(0, int(k.keyGroup), m_group->count() - 1));
        rebuildToggleNumbers();
        if (k.lastFamily == kFamilyPage) {
            m_type->setCurrentIndex(2);
            m_pageClass->setCurrentIndex(
                qBound(0, int(k.lastEventIndex), m_pageClass->count() - 1));
            m_pageNum->setCurrentIndex(qBound(0, int(k.lastEventSub), 3));
        } else if (k.lastFamily == kFamilyToggle) {
            m_type->setCurrentIndex(3);
            m_toggleClass->setCurrentIndex(qBound(0, int(k.lastEventIndex) - 1, 2));
            rebuildToggleNumbers();
            m_toggleNum->setCurrentIndex(qBound(0, int(k.lastEventSub), m_toggleNum->count() - 1));
        } else {
            m_type->setCurrentIndex(k.lastEventIndex == 1 ? 1 : 0);
        }
        connect(m_type, &QComboBox::currentIndexChanged, this, &KeyDialog::showTypeControls);
        connect(m_toggleClass, &QComboBox::currentIndexChanged, this,
                &KeyDialog::rebuildToggleNumbers);
        showTypeControls();
    } else if (m_kind == kKindSystem) {
        if (key == 34) {
            m_source = Combo({"Time 1", "Time 2", "Time 3"}, "source");
            m_minutes = new QSpinBox;
            m_minutes->setObjectName(QStringLiteral("minutes"));
            m_minutes->setRange(0, 999);
            m_minutes->setSuffix(QStringLiteral(" min"));
            form->addRow(QStringLiteral("No."), m_source);
            form->addRow(QStringLiteral("Time"), m_minutes);
        } else if (key == 32 || key == 33) {
            const QString prefix = key == 32 ? QStringLiteral("IOL ") : QStringLiteral("IOH ");
            m_source = Combo({prefix + "1", prefix + "2", prefix + "3"}, "source");
            form->addRow(QStringLiteral("No."), m_source);
        } else {
            layout->insertWidget(0, new QLabel(QStringLiteral("Start-up event of the keypad.")));
        }
    } else {
        auto* text =
            new QLabel(QStringLiteral("Virtual key is custom, \ngenerally controlled by another "
                                      "looped QZ.\nPress \"Add\" to add this key to action list."));
        layout->insertWidget(0, text);
        m_name = new QLineEdit(QString::fromLatin1(k.keyName.c_str()));
        m_name->setObjectName(QStringLiteral("keyName"));
        m_name->setMaxLength(4);
        form->addRow(QStringLiteral("Key Name"), m_name);
    }

    m_error = new QLabel;
    m_error->setObjectName(QStringLiteral("error"));
    m_error->setStyleSheet(QStringLiteral("color: #b00020"));
    m_error->hide();
    layout->addWidget(m_error);

    auto* buttons = new QDialogButtonBox;
    QPushButton* add = buttons->addButton(QStringLiteral("Add"), QDialogButtonBox::AcceptRole);
    add->setObjectName(QStringLiteral("add"));
    add->setDefault(true);
    if (m_name) {
        QPushButton* set = buttons->addButton(QStringLiteral("Set"), QDialogButtonBox::ApplyRole);
        set->setObjectName(QStringLiteral("set"));
        connect(set, &QPushButton::clicked, this, [this] { finish(false); });
    }
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(add, &QPushButton::clicked, this, [this] { finish(true); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void KeyDialog::showTypeControls() {
    const int type = m_type->currentIndex();
    for (QWidget* w : m_pageRows) {
        w->setVisible(type == 2);
    }
    for (QWidget* w : m_toggleRows) {
        w->setVisible(type == 3);
    }
    for (QWidget* w : m_repeatRows) {
        w->setVisible(type == 0);
    }
    adjustSize();
}

void KeyDialog::rebuildToggleNumbers() {
    const int states = m_toggleClass->currentIndex() + 2;
    m_toggleNum->clear();
    for (int i = 1; i <= states; ++i) {
        m_toggleNum->addItem(QString::number(i));
    }
    m_toggleNum->setCurrentIndex(0);
}

bool KeyDialog::nameAcceptable() {
    // A ":" would shift the fields of the texts the name ends up in.
    if (m_name && m_name->text().contains(QLatin1Char(':'))) {
        m_error->setText(QStringLiteral("A key name cannot contain \":\"."));
        m_error->show();
        return false;
    }
    return true;
}

void KeyDialog::finish(bool addEvent) {
    if (!nameAcceptable()) {
        return;
    }
    KeyDialogResult r;
    r.addEvent = addEvent;
    if (m_name) {
        const QByteArray name = m_name->text().toLatin1();
        // "Set" stores the name trimmed; "Add" as typed.
        r.name = addEvent ? name.toStdString() : name.trimmed().toStdString();
    }
    if (m_kind == kKindNormal) {
        r.ledBrightness = m_led->currentIndex();
        r.keyGroup = m_group->currentIndex();
        r.repeatDigit = '0' + m_repeat->currentIndex();
        switch (m_type->currentIndex()) {
        case 0:
        case 1:
            r.family = kFamilyKey;
            r.index = m_type->currentIndex();
            break;
        case 2:
            r.family = kFamilyPage;
            r.index = m_pageClass->currentIndex();
            r.sub = m_pageNum->currentIndex();
            break;
        default:
            r.family = kFamilyToggle;
            r.index = m_toggleClass->currentIndex() + 1;
            r.sub = m_toggleNum->currentIndex();
            break;
        }
    } else if (m_kind == kKindSystem) {
        switch (m_keyIndex) {
        case 32:
            r.family = kFamilyIoLow;
            break;
        case 33:
            r.family = kFamilyIoHigh;
            break;
        case 34:
            r.family = kFamilyTime;
            r.sub = m_minutes->value();
            break;
        default:
            r.family = kFamilyStart;
            break;
        }
        r.index = m_source ? m_source->currentIndex() : 0;
    } else {
        r.family = kFamilyVirtual;
    }
    m_result = r;
    accept();
}

} // namespace qz
