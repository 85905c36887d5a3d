#include "ui/pages/ActionPage.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

#include "model/ActionRules.h"
#include "model/ActionTexts.h"
#include "ui/dialogs/Messages.h"
#include "ui/pages/Rs232Edit.h"

namespace qz {

std::string PageBytes(const QString& text) {
    return latin1::ToBytes(text).value_or(std::string());
}

QStringList SortedNames(QStringList names) {
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return names;
}

QString ColonRefusalText(const QString& label) {
    QString name = label;
    if (name.endsWith(QLatin1Char(':'))) {
        name.chop(1);
    }
    return QStringLiteral("The \"%1\" text holds \":\", which would shift the fields of the "
                          "action.\rPlease remove the \":\".")
        .arg(name);
}

QString UnstorableText(const QString& label, QChar c) {
    QString name = label;
    if (name.endsWith(QLatin1Char(':'))) {
        name.chop(1);
    }
    return QStringLiteral("The \"%1\" text holds \"%2\", which an action cannot store.\rPlease "
                          "use other characters.")
        .arg(name, QString(c));
}

ActionPage::ActionPage(int pageIndex, QWidget* parent)
    : QWidget(parent), m_pageIndex(pageIndex), m_form(new QGridLayout) {
    setObjectName(QStringLiteral("page-%1").arg(QLatin1String(ActionPageMnemonic(pageIndex))));
    setAccessibleName(QLatin1String(ActionPageLabel(pageIndex)));
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(m_form);
    outer->addStretch(1);
}

void ActionPage::FinishPage() {
    // Made after the page's own controls, so that Tab reaches them last.
    auto* edit = new QPushButton(QStringLiteral("Edit"), this);
    m_add = new QPushButton(QStringLiteral("Add"), this);
    m_add->setObjectName(QStringLiteral("add"));
    edit->setObjectName(QStringLiteral("edit"));
    m_add->setToolTip(QStringLiteral("Add the action to the selected event"));
    edit->setToolTip(QStringLiteral("Replace the selected action"));
    connect(m_add, &QPushButton::clicked, this, &ActionPage::OnAdd);
    connect(edit, &QPushButton::clicked, this, &ActionPage::OnEdit);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(edit);
    buttons->addWidget(m_add);
    static_cast<QVBoxLayout*>(layout())->addLayout(buttons);
}

void ActionPage::setDevice(int model, int portMode) {
    m_model = model;
    m_portMode = portMode;
}

QString ActionPage::Refusal() const {
    if (const char* rule = RefusalForPage(m_pageIndex, RulePort(), m_model, m_portMode)) {
        return QString::fromLatin1(rule);
    }
    return TextRefusal();
}

QString ActionPage::TextRefusal() const {
    // A name with ":" would be read back with its fields shifted: refused where it is typed.
    if (const char* field = ColonField()) {
        return ColonRefusalText(QString::fromLatin1(field));
    }
    // Texts are stored as 8-bit characters; any other would come back as "?".
    for (const QLineEdit* box : findChildren<QLineEdit*>()) {
        for (const QChar c : box->text()) {
            if (c.unicode() > 0xFF) {
                return UnstorableText(box->accessibleName(), c);
            }
        }
    }
    return {};
}

bool ActionPage::Checked() {
    if (!PageChecks()) {
        return false;
    }
    if (m_hasEvents && !m_hasEvents()) {
        ShowMessage(QStringLiteral("Please Add a Action in Action List"));
        return false;
    }
    if (const char* rule = RefusalForPage(m_pageIndex, RulePort(), m_model, m_portMode)) {
        // The rule's own text first; below it where the port mode is changed and what it allows.
        AskQuestion(QString::fromLatin1(ExplainedRefusal(rule, m_model, m_portMode)));
        return false;
    }
    const QString refusal = TextRefusal();
    if (!refusal.isEmpty()) {
        ShowMessage(refusal);
        return false;
    }
    return true;
}

void ActionPage::OnAdd() {
    if (Checked()) {
        Q_EMIT addRequested(BuildActionText());
    }
}

void ActionPage::OnEdit() {
    if (Checked()) {
        Q_EMIT editRequested(BuildActionText());
    }
}

void ActionPage::ShowMessage(const QString& text) const {
    if (m_messages) {
        m_messages->Show(text);
    }
}

void ActionPage::AskQuestion(const QString& text) const {
    if (m_messages) {
        m_messages->Ask(text, QString());
    }
}

QComboBox* ActionPage::MakeList(const char* objectName, const QStringList& entries, int selected) {
    auto* list = new QComboBox(this);
    list->setObjectName(QLatin1String(objectName));
    list->addItems(entries);
    SelectPosition(list, selected);
    return list;
}

QLabel* ActionPage::MakeLabel(const QString& text, QWidget* control) {
    auto* label = new QLabel(text, this);
    label->setBuddy(control);
    if (control->accessibleName().isEmpty()) {
        // Screen readers read a combo box's current entry as its name: say what it is for.
        control->setAccessibleName(text);
    }
    return label;
}

QLineEdit* ActionPage::MakeNameBox(const char* objectName) {
    auto* box = new QLineEdit(this);
    box->setObjectName(QLatin1String(objectName));
    return box;
}

void ActionPage::SelectPosition(QComboBox* list, int position) {
    list->setCurrentIndex(position >= 0 && position < list->count() ? position : -1);
}

bool ActionPage::SelectText(QComboBox* list, const QString& text) {
    for (int i = 0; i < list->count(); ++i) {
        if (list->itemText(i).compare(text, Qt::CaseInsensitive) == 0) {
            list->setCurrentIndex(i);
            return true;
        }
    }
    return false;
}

QStringList ActionPage::Entries(const char* const* entries, int count) {
    QStringList out;
    for (int i = 0; i < count; ++i) {
        out << QString::fromLatin1(entries[i]);
    }
    return out;
}

QStringList ActionPage::Numbered(const char* pattern, int count) {
    QStringList out;
    for (int i = 1; i <= count; ++i) {
        out << QString::fromLatin1(pattern).arg(i);
    }
    return out;
}

void SetGroupChoice(QButtonGroup* group, int id) {
    QAbstractButton* button = group->button(id);
    if (button) {
        button->setChecked(true);
        return;
    }
    // An exclusive group cannot be emptied button by button.
    group->setExclusive(false);
    for (QAbstractButton* b : group->buttons()) {
        b->setChecked(false);
    }
    group->setExclusive(true);
}

// ---- Repeat settings ----

namespace {

QSlider* RepeatSlider(const char* objectName, QWidget* parent) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(QLatin1String(objectName));
    slider->setRange(kRepeatMin, kRepeatMax);
    slider->setPageStep(1);
    slider->setValue(kRepeatMin);
    slider->setTickPosition(QSlider::NoTicks);
    return slider;
}

QLineEdit* Readout(const char* objectName, const QString& name, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(objectName));
    box->setReadOnly(true);
    box->setAccessibleName(name);
    box->setToolTip(name);
    box->setMaximumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 16);
    return box;
}

} // namespace

RepeatControls::RepeatControls(const QString& onceEntry, ActionPage* page) : QObject(page) {
    active = new QComboBox(page);
    active->setObjectName(QStringLiteral("active"));
    active->addItems({onceEntry, QStringLiteral("More Time")});
    const QString countText = QStringLiteral("Send No. of Transmission Strings");
    const QString delayText = QStringLiteral("Delay Time between String");
    count = RepeatSlider("count", page);
    delay = RepeatSlider("delay", page);
    countLabel = new QLabel(countText, page);
    delayLabel = new QLabel(delayText, page);
    countLabel->setBuddy(count);
    delayLabel->setBuddy(delay);
    count->setAccessibleName(countText);
    delay->setAccessibleName(delayText);
    countReadout = Readout("countReadout", countText + QStringLiteral(" value"), page);
    delayReadout = Readout("delayReadout", delayText + QStringLiteral(" value"), page);

    connect(active, &QComboBox::currentIndexChanged, this, &RepeatControls::UpdateShown);
    connect(count, &QSlider::valueChanged, countReadout,
            [this](int value) { countReadout->setText(QString::number(value)); });
    connect(delay, &QSlider::valueChanged, delayReadout,
            [this](int value) { delayReadout->setText(QString::number(value)); });
    UpdateShown();
}

RepeatSettings RepeatControls::Read() const {
    RepeatSettings r;
    r.active = active->currentIndex();
    r.count = count->value();
    r.delay = delay->value();
    r.countReadout = PageBytes(countReadout->text());
    r.delayReadout = PageBytes(delayReadout->text());
    return r;
}

void RepeatControls::Write(const RepeatSettings& settings) {
    const QSignalBlocker b1(active);
    const QSignalBlocker b2(count);
    const QSignalBlocker b3(delay);
    ActionPage::SelectPosition(active, settings.active);
    count->setValue(settings.count);
    delay->setValue(settings.delay);
    countReadout->setText(latin1::ToQString(settings.countReadout));
    delayReadout->setText(latin1::ToQString(settings.delayReadout));
    UpdateShown();
}

void RepeatControls::Place(QGridLayout* grid, int row, int columns) {
    // Label, slider and readout on one line each.
    auto line = [&](QLabel* label, QSlider* slider, QLineEdit* readout, int at) {
        auto* box = new QHBoxLayout;
        box->addWidget(label);
        box->addWidget(slider, 1);
        box->addWidget(readout);
        grid->addLayout(box, at, 0, 1, columns);
    };
    // The two sliders start at the same place.
    const int labelWidth = std::max(countLabel->sizeHint().width(), delayLabel->sizeHint().width());
    countLabel->setMinimumWidth(labelWidth);
    delayLabel->setMinimumWidth(labelWidth);
    line(countLabel, count, countReadout, row);
    line(delayLabel, delay, delayReadout, row + 1);
}

void RepeatControls::UpdateShown() {
    const bool shown = active->currentIndex() == 1;
    for (QWidget* w : {static_cast<QWidget*>(countLabel), static_cast<QWidget*>(delayLabel),
                       static_cast<QWidget*>(count), static_cast<QWidget*>(delay),
                       static_cast<QWidget*>(countReadout), static_cast<QWidget*>(delayReadout)}) {
        w->setVisible(shown);
    }
}

// ---- Data format ----

DataFormatControls::DataFormatControls(const Captions& captions, QWidget* page) : QObject(page) {
    formatBox = new QGroupBox(QString::fromLatin1(captions.format), page);
    formatBox->setObjectName(QStringLiteral("formatGroup"));
    ascii = new QRadioButton(QString::fromLatin1(captions.ascii), formatBox);
    hex = new QRadioButton(QString::fromLatin1(captions.hex), formatBox);
    ascii->setObjectName(QStringLiteral("ascii"));
    hex->setObjectName(QStringLiteral("hex"));
    formatGroup = new QButtonGroup(this);
    formatGroup->addButton(ascii, 0);
    formatGroup->addButton(hex, 1);
    auto* formatLayout = new QHBoxLayout(formatBox);
    formatLayout->addWidget(ascii);
    formatLayout->addWidget(hex);

    endBox = new QGroupBox(QString::fromLatin1(captions.endGroup), page);
    endBox->setObjectName(QStringLiteral("endGroup"));
    auto* none = new QRadioButton(QString::fromLatin1(captions.none), endBox);
    auto* cr = new QRadioButton(QString::fromLatin1(captions.cr), endBox);
    auto* enter = new QRadioButton(QString::fromLatin1(captions.enter), endBox);
    none->setObjectName(QStringLiteral("endNone"));
    cr->setObjectName(QStringLiteral("endCr"));
    enter->setObjectName(QStringLiteral("endEnter"));
    endGroup = new QButtonGroup(this);
    endGroup->addButton(none, 0);
    endGroup->addButton(cr, 1);
    endGroup->addButton(enter, 2);
    auto* endLayout = new QHBoxLayout(endBox);
    endLayout->addWidget(none);
    endLayout->addWidget(cr);
    endLayout->addWidget(enter);

    data = new CRS232Edit(page);
    data->setObjectName(QStringLiteral("data"));

    connect(ascii, &QRadioButton::clicked, this, &DataFormatControls::OnAscii);
    connect(hex, &QRadioButton::clicked, this, &DataFormatControls::OnHex);
    Set(0, 0);
}

int DataFormatControls::format() const {
    return formatGroup->checkedId();
}

int DataFormatControls::endChar() const {
    return endGroup->checkedId();
}

void DataFormatControls::Set(int format, int endChar) {
    m_format = format == 0 ? 0 : 1;
    SetGroupChoice(formatGroup, m_format);
    SetGroupChoice(endGroup, endChar);
    endBox->setVisible(m_format == 0);
    data->setHexInput(m_format == 1);
}

void DataFormatControls::OnAscii() {
    if (m_format == 1) {
        // Hex pairs are not turned back into text: the box starts again.
        data->clear();
        endBox->setVisible(true);
    }
    data->setHexInput(false);
    m_format = 0;
}

void DataFormatControls::OnHex() {
    if (m_format == 0) {
        data->setText(latin1::ToQString(ConvertDataToHex(PageBytes(data->text()), endChar())));
        endBox->setVisible(false);
    }
    data->setHexInput(true);
    m_format = 1;
}

} // namespace qz
