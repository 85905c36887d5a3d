#include "ui/dialogs/KeyDialogs.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <optional>

#include "io/Latin1.h"
#include "model/ActionRules.h"
#include "ui/controls/KeyNameEdit.h"
#include "ui/dialogs/Messages.h"

namespace qz {

namespace {

constexpr int kTypePress = 0;
constexpr int kTypeRelease = 1;
constexpr int kTypePage = 2;
constexpr int kTypeToggle = 3;
constexpr int kMaxMinutes = 999;

QComboBox* Combo(const QStringList& items, const char* name, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->addItems(items);
    box->setObjectName(QLatin1String(name));
    box->setCurrentIndex(items.isEmpty() ? -1 : 0);
    return box;
}

QStringList Numbered(const QString& first, const char* pattern, int count) {
    QStringList items;
    if (!first.isEmpty()) {
        items << first;
    }
    for (int i = 1; i <= count; ++i) {
        items << QString::asprintf(pattern, i);
    }
    return items;
}

// The groups a normal key can join: 8 on model 0, 19 on models 1 and 2, none otherwise.
int GroupCount(int model) {
    return model == 0 ? 8 : (model == 1 || model == 2) ? 19 : 0;
}

CKvqKeyNameEdit* NameEdit(const Key& key, QWidget* parent) {
    auto* edit = new CKvqKeyNameEdit(parent);
    edit->setObjectName(QStringLiteral("keyName"));
    edit->setText(latin1::ToQString(key.keyName));
    return edit;
}

// A labelled row; the label is also the field's accessible name (a combo box would otherwise be
// read by its current entry).
void AddRow(QFormLayout* form, const QString& label, QWidget* field) {
    form->addRow(label, field);
    field->setAccessibleName(label);
}

QString Title(int key) {
    return QStringLiteral("Key %1").arg(key + 1);
}

} // namespace

// ---------------------------------------------------------------------------------------------

CDlgKey::CDlgKey(int key, IMessages& messages, QWidget* parent)
    : QDialog(parent), m_messages(messages) {
    setWindowTitle(Title(key));
}

void CDlgKey::addButtons(QBoxLayout* layout, const QString& setCaption) {
    // "Add", "Set", "Cancel" in this order on every platform (a button box would reorder them).
    auto* row = new QHBoxLayout;
    row->addStretch();
    m_add = new QPushButton(QStringLiteral("Add"), this);
    m_add->setObjectName(QStringLiteral("add"));
    m_add->setDefault(true);
    connect(m_add, &QPushButton::clicked, this, [this] { finish(true); });
    row->addWidget(m_add);
    if (!setCaption.isEmpty()) {
        auto* set = new QPushButton(setCaption, this);
        set->setObjectName(QStringLiteral("set"));
        set->setAccessibleName(setCaption.trimmed());
        set->setAutoDefault(false);
        connect(set, &QPushButton::clicked, this, [this] { finish(false); });
        row->addWidget(set);
    }
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    row->addWidget(cancel);
    layout->addLayout(row);
}

bool CDlgKey::takeName(const CKvqKeyNameEdit* edit, bool addEvent, std::string& name) {
    const QString text = addEvent ? edit->text() : edit->text().trimmed();
    // A ":" would shift the fields of the texts the name ends up in; typing cannot enter one, a
    // paste can.
    if (text.contains(QLatin1Char(kFieldSeparator))) {
        m_messages.Show(QStringLiteral("A key name cannot contain \":\"."));
        return false;
    }
    // Key names are 8-bit text: a character without a byte is refused, never made a "?".
    const std::optional<std::string> bytes = latin1::ToBytes(text);
    if (!bytes) {
        m_messages.Show(latin1::OutsideMessage(text, QStringLiteral("Key name")));
        return false;
    }
    name = *bytes;
    return true;
}

void CDlgKey::finish(bool addEvent) {
    KeyDialogResult result;
    result.addEvent = addEvent;
    if (!fill(result, addEvent)) {
        return;
    }
    m_result = result;
    accept();
}

// ---------------------------------------------------------------------------------------------

CDlgKeyNormal::CDlgKeyNormal(const Configuration& config, int key, IMessages& messages,
                             QWidget* parent)
    : CDlgKey(key, messages, parent) {
    setObjectName(QStringLiteral("keyNormal"));
    const Key& k = config.keys[size_t(key)];
    auto* layout = new QVBoxLayout(this);
    m_form = new QFormLayout;
    m_form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    layout->addLayout(m_form);

    m_type = Combo({"Press", "Release", "Page", "Toggle"}, "keyActionType", this);
    m_pageClass = Combo({"1"}, "pageClass", this);
    m_pageNum = Combo({"1", "2", "3", "4"}, "pageNum", this);
    m_toggleClass = Combo({"2", "3", "4"}, "toggleClass", this);
    m_toggleNum = Combo({}, "toggleNum", this);
    m_repeat = Combo(Numbered(QStringLiteral("Never"), "%dS", 9), "repeatInterval", this);
    m_led = Combo(Numbered(QStringLiteral("--"), "Level %d", 9), "ledBrightness", this);
    m_group = Combo(Numbered(QStringLiteral("--"), "Group %d", GroupCount(config.deviceModel)),
                    "keyGroup", this);
    m_name = NameEdit(k, this);
    m_name->setToolTip(QStringLiteral("Up to 4 letters, digits, blanks or dots"));

    AddRow(m_form, QStringLiteral("Key Action Type"), m_type);
    AddRow(m_form, QStringLiteral("Page Class"), m_pageClass);
    AddRow(m_form, QStringLiteral("Page Num"), m_pageNum);
    AddRow(m_form, QStringLiteral("Toggle Class"), m_toggleClass);
    AddRow(m_form, QStringLiteral("Toggle Num"), m_toggleNum);
    AddRow(m_form, QStringLiteral("Repeat Interval:"), m_repeat);
    AddRow(m_form, QStringLiteral("LED Brightness"), m_led);
    AddRow(m_form, QStringLiteral("Key Group"), m_group);
    AddRow(m_form, QStringLiteral("Key Name"), m_name);

    auto* status = new QGroupBox(QStringLiteral("Curren Status"), this);
    status->setObjectName(QStringLiteral("currentStatusBox"));
    auto* statusLayout = new QVBoxLayout(status);
    auto* statusText = new QLabel(status);
    statusText->setObjectName(QStringLiteral("currentStatus"));
    statusLayout->addWidget(statusText);
    layout->addWidget(status);
    addButtons(layout, QStringLiteral("Set"));

    // Opening: LED level (0 opens as the first level), group and name of the key.
    m_led->setCurrentIndex(k.ledBrightness == 0 ? 1 : qBound(0, int(k.ledBrightness), 9));
    // A group the model does not offer (left from another model) shows as "--".
    m_group->setCurrentIndex(k.keyGroup >= 0 && k.keyGroup < m_group->count() ? int(k.keyGroup)
                                                                              : 0);
    rebuildToggleNumbers();
    // Then the controls of the key's last event.
    switch (k.lastFamily) {
    case kFamilyPage:
        m_type->setCurrentIndex(kTypePage);
        m_pageClass->setCurrentIndex(qBound(0, int(k.lastEventIndex), m_pageClass->count() - 1));
        m_pageNum->setCurrentIndex(qBound(0, int(k.lastEventSub), m_pageNum->count() - 1));
        break;
    case kFamilyToggle:
        m_type->setCurrentIndex(kTypeToggle);
        m_toggleClass->setCurrentIndex(
            qBound(0, int(k.lastEventIndex) - 1, m_toggleClass->count() - 1));
        rebuildToggleNumbers();
        m_toggleNum->setCurrentIndex(qBound(0, int(k.lastEventSub), m_toggleNum->count() - 1));
        break;
    case kFamilyNone:
    case kFamilyKey:
        // A long press (index 2) has no entry of its own: no type is selected.
        m_type->setCurrentIndex(k.lastEventIndex == 0   ? kTypePress
                                : k.lastEventIndex == 1 ? kTypeRelease
                                                        : -1);
        break;
    default:
        break;
    }
    connect(m_type, &QComboBox::currentIndexChanged, this, &CDlgKeyNormal::showTypeControls);
    connect(m_toggleClass, &QComboBox::currentIndexChanged, this,
            &CDlgKeyNormal::rebuildToggleNumbers);
    showTypeControls();
}

void CDlgKeyNormal::showTypeControls() {
    const int type = m_type->currentIndex();
    m_form->setRowVisible(m_pageClass, type == kTypePage);
    m_form->setRowVisible(m_pageNum, type == kTypePage);
    m_form->setRowVisible(m_toggleClass, type == kTypeToggle);
    m_form->setRowVisible(m_toggleNum, type == kTypeToggle);
    // Press and the long press without a type of its own repeat.
    m_form->setRowVisible(m_repeat, type == kTypePress || type < 0);
    adjustSize();
}

void CDlgKeyNormal::rebuildToggleNumbers() {
    const int states = m_toggleClass->currentIndex() + 2;
    const QSignalBlocker block(m_toggleNum);
    m_toggleNum->clear();
    for (int i = 1; i <= states; ++i) {
        m_toggleNum->addItem(QString::number(i));
    }
    m_toggleNum->setCurrentIndex(0);
}

bool CDlgKeyNormal::fill(KeyDialogResult& r, bool addEvent) {
    if (!takeName(m_name, addEvent, r.name)) {
        return false;
    }
    r.ledBrightness = m_led->currentIndex();
    r.keyGroup = qMax(0, m_group->currentIndex());
    r.repeatDigit = '0' + qMax(0, m_repeat->currentIndex());
    switch (m_type->currentIndex()) {
    case kTypePress:
    case kTypeRelease:
        r.family = kFamilyKey;
        r.index = m_type->currentIndex();
        break;
    case kTypePage:
        r.family = kFamilyPage;
        r.index = m_pageClass->currentIndex();
        r.sub = m_pageNum->currentIndex();
        break;
    case kTypeToggle:
        r.family = kFamilyToggle;
        r.index = m_toggleClass->currentIndex() + 1;
        r.sub = m_toggleNum->currentIndex();
        break;
    default:
        // Opened on a long press and left without a type: the long press again.
        r.family = kFamilyKey;
        r.index = 2;
        break;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------

CDlgKeySys::CDlgKeySys(const Configuration& config, int key, IMessages& messages, QWidget* parent)
    : CDlgKey(key, messages, parent) {
    setObjectName(QStringLiteral("keySys"));
    const char* source = SystemSourceName(key);
    if (source) {
        setWindowTitle(Title(key) + QLatin1Char(' ') + QLatin1String(source));
    }
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("No."), this);
    label->setObjectName(QStringLiteral("numberLabel"));
    m_source = Combo({}, "sourceNumber", this);
    label->setBuddy(m_source);
    m_source->setAccessibleName(label->text());
    m_time = new QSlider(Qt::Horizontal, this);
    m_time->setObjectName(QStringLiteral("time"));
    m_time->setRange(0, kMaxMinutes);
    m_time->setPageStep(10);
    m_time->setMinimumWidth(240);
    m_time->setAccessibleName(QStringLiteral("Time"));
    m_time->setToolTip(QStringLiteral("Time in minutes, 0 to 999"));
    m_timeText = new QLineEdit(QStringLiteral("0"), this);
    m_timeText->setObjectName(QStringLiteral("timeValue"));
    m_timeText->setReadOnly(true);
    m_timeText->setMaximumWidth(60);
    m_timeText->setAccessibleName(QStringLiteral("Minutes"));
    m_timeText->setToolTip(QStringLiteral("Minutes"));
    connect(m_time, &QSlider::valueChanged, this,
            [this](int minutes) { m_timeText->setText(QString::asprintf("%d", minutes)); });

    auto* sourceRow = new QHBoxLayout;
    sourceRow->addWidget(label);
    sourceRow->addWidget(m_source, 1);
    auto* timeRow = new QHBoxLayout;
    timeRow->addWidget(m_time, 1);
    timeRow->addWidget(m_timeText);
    layout->addLayout(sourceRow);
    layout->addLayout(timeRow);
    addButtons(layout);

    bool showSource = false;
    bool showTime = false;
    if (config.deviceModel >= 0 && config.deviceModel <= 2) {
        switch (key) {
        case 32:
        case 33: {
            const char* prefix = key == 32 ? "IOL %d" : "IOH %d";
            m_source->addItems(Numbered({}, prefix, 3));
            m_family = key == 32 ? kFamilyIoLow : kFamilyIoHigh;
            showSource = true;
            break;
        }
        case 34:
            m_source->addItems(Numbered({}, "Time %d", 3));
            m_family = kFamilyTime;
            showSource = showTime = true;
            break;
        case 35:
            m_family = kFamilyStart;
            break;
        default:
            m_family = key < 32 ? kFamilyVirtual : kFamilyNone;
            break;
        }
    }
    m_source->setCurrentIndex(m_source->count() > 0 ? 0 : -1);
    label->setVisible(showSource);
    m_source->setVisible(showSource);
    m_time->setVisible(showTime);
    m_timeText->setVisible(showTime);
}

bool CDlgKeySys::fill(KeyDialogResult& r, bool) {
    r.family = m_family;
    r.index = qMax(0, m_source->currentIndex());
    r.sub = m_family == kFamilyTime ? m_time->value() : 0;
    return true;
}

// ---------------------------------------------------------------------------------------------

CDlgKeyVirt::CDlgKeyVirt(const Configuration& config, int key, IMessages& messages, QWidget* parent)
    : CDlgKey(key, messages, parent) {
    setObjectName(QStringLiteral("keyVirt"));
    auto* layout = new QVBoxLayout(this);
    auto* box = new QGroupBox(QStringLiteral("Virtual Key"), this);
    box->setObjectName(QStringLiteral("virtualKeyBox"));
    auto* boxLayout = new QVBoxLayout(box);
    auto* text =
        new QLabel(DisplayText(QStringLiteral("Virtual key is custom, \rgenerally controlled "
                                              "by another looped QZ.\rPress \"Add\" to "
                                              "add this key to action list.")),
                   box);
    text->setObjectName(QStringLiteral("virtualKeyText"));
    boxLayout->addWidget(text);
    layout->addWidget(box);

    auto* form = new QFormLayout;
    m_name = NameEdit(config.keys[size_t(key)], this);
    m_name->setToolTip(QStringLiteral("Up to 4 letters, digits, blanks or dots"));
    AddRow(form, QStringLiteral("Key Name"), m_name);
    layout->addLayout(form);
    addButtons(layout, QStringLiteral(" Set"));
}

bool CDlgKeyVirt::fill(KeyDialogResult& r, bool addEvent) {
    if (!takeName(m_name, addEvent, r.name)) {
        return false;
    }
    r.family = kFamilyVirtual;
    return true;
}

// ---------------------------------------------------------------------------------------------

std::unique_ptr<CDlgKey> MakeKeyDialog(const Configuration& config, int key, IMessages& messages,
                                       QWidget* parent) {
    if (key < 0 || key >= kKeyCount) {
        return nullptr;
    }
    switch (config.keys[size_t(key)].keyKind) {
    case kKindNormal:
        return std::make_unique<CDlgKeyNormal>(config, key, messages, parent);
    case kKindSystem:
        return std::make_unique<CDlgKeySys>(config, key, messages, parent);
    case kKindVirtual:
        return std::make_unique<CDlgKeyVirt>(config, key, messages, parent);
    default:
        return nullptr;
    }
}

} // namespace qz
