#include "ui/pages/SimplePages.h"

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

#include "ui/pages/Rs232Edit.h"

namespace qz {

namespace {

// The lists of the small pages keep a moderate width; the room to their right stays empty.
void NarrowForm(QGridLayout* g) {
    g->setColumnMinimumWidth(1, 240);
    g->setColumnStretch(2, 1);
}

// Name boxes are trimmed when shown, as when built.
QString ShownName(const std::string& name) {
    return latin1::ToQString(name).trimmed();
}

} // namespace

// ---- I/O ----

CPageView3IO::CPageView3IO(QWidget* parent) : ActionPage(kIoPage, parent) {
    m_port = MakeList("port", Entries(kPortEntries));
    m_io = MakeList("io", Entries(kIoEntries));
    m_output = MakeList("output", Entries(kOutputEntries));
    m_eventName = MakeNameBox();
    m_outputLabel = MakeLabel(QStringLiteral("Output"), m_output);
    m_outputLabel->setObjectName(QStringLiteral("outputLabel"));

    QGridLayout* g = form();
    g->addWidget(MakeLabel(QStringLiteral("Port"), m_port), 0, 0);
    g->addWidget(m_port, 0, 1);
    g->addWidget(MakeLabel(QStringLiteral("IO"), m_io), 1, 0);
    g->addWidget(m_io, 1, 1);
    g->addWidget(m_outputLabel, 2, 0);
    g->addWidget(m_output, 2, 1);
    g->addWidget(MakeLabel(QStringLiteral("Event Name:"), m_eventName), 3, 0);
    g->addWidget(m_eventName, 3, 1);
    NarrowForm(g);
    FinishPage();

    m_outputLabel->hide();
    m_output->hide();
    connect(m_io, &QComboBox::currentIndexChanged, this, [this](int index) {
        // The level keeps its choice while hidden.
        m_outputLabel->setVisible(index == 1);
        m_output->setVisible(index == 1);
    });
}

IoAction CPageView3IO::Read() const {
    IoAction a;
    a.eventName = PageBytes(m_eventName->text());
    a.port = m_port->currentIndex();
    a.io = m_io->currentIndex();
    a.output = m_output->currentIndex();
    return a;
}

void CPageView3IO::Write(const IoAction& a) {
    SelectPosition(m_port, a.port);
    SelectPosition(m_io, a.io);
    SelectPosition(m_output, a.output);
    m_outputLabel->setVisible(a.OutputShown());
    m_output->setVisible(a.OutputShown());
    m_eventName->setText(ShownName(a.eventName));
}

bool CPageView3IO::ShowAction(const QString& text) {
    const std::optional<IoAction> a = IoAction::FromActionText(PageBytes(text), Read());
    if (a) {
        Write(*a);
    }
    return a.has_value();
}

QString CPageView3IO::BuildActionText() {
    return latin1::ToQString(Read().ToActionText());
}

int CPageView3IO::RulePort() const {
    return m_port->currentIndex();
}

const char* CPageView3IO::ColonField() const {
    return Read().ColonField();
}

// ---- Relay ----

CPageView3Relay::CPageView3Relay(QWidget* parent) : ActionPage(kRelayPage, parent) {
    m_port = MakeList("port", Entries(kPortEntries));
    m_action = MakeList("action", Entries(kRelayActionEntries));
    QGridLayout* g = form();
    g->addWidget(MakeLabel(QStringLiteral("Port"), m_port), 0, 0);
    g->addWidget(m_port, 0, 1);
    g->addWidget(MakeLabel(QStringLiteral("Action"), m_action), 1, 0);
    g->addWidget(m_action, 1, 1);
    NarrowForm(g);
    FinishPage();
}

RelayAction CPageView3Relay::Read() const {
    return RelayAction{m_port->currentIndex(), m_action->currentIndex()};
}

bool CPageView3Relay::ShowAction(const QString& text) {
    const std::optional<RelayAction> a = RelayAction::FromActionText(PageBytes(text));
    if (a) {
        SelectPosition(m_port, a->port);
        SelectPosition(m_action, a->action);
    }
    return a.has_value();
}

QString CPageView3Relay::BuildActionText() {
    return latin1::ToQString(Read().ToActionText());
}

int CPageView3Relay::RulePort() const {
    return m_port->currentIndex();
}

// ---- Delay ----

namespace {

QSlider* DelaySlider(const char* objectName, int maximum, QWidget* parent) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(QLatin1String(objectName));
    slider->setRange(0, maximum);
    slider->setPageStep(0);
    slider->setTickPosition(QSlider::NoTicks);
    return slider;
}

QLineEdit* DelayReadout(const char* objectName, const QString& label, QWidget* parent) {
    auto* box = new QLineEdit(QStringLiteral("0"), parent);
    box->setObjectName(QLatin1String(objectName));
    box->setReadOnly(true);
    box->setAccessibleName(label + QStringLiteral(" value"));
    box->setToolTip(label);
    box->setMaximumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 16);
    return box;
}

} // namespace

CPageView3Delay::CPageView3Delay(QWidget* parent) : ActionPage(kDelayPage, parent) {
    m_hour = DelaySlider("hour", kHourMax, this);
    m_minute = DelaySlider("minute", kMinuteMax, this);
    m_second = DelaySlider("second", kSecondMax, this);
    m_hourReadout = DelayReadout("hourReadout", QStringLiteral("Hour"), this);
    m_minuteReadout = DelayReadout("minuteReadout", QStringLiteral("Minute"), this);
    m_secondReadout = DelayReadout("secondReadout", QStringLiteral("Second"), this);
    m_half = MakeList("halfSecond", Entries(kHalfSecondEntries));

    QGridLayout* g = form();
    int row = 0;
    for (auto [label, slider, readout] : {std::tuple{"Hour", m_hour, m_hourReadout},
                                          std::tuple{"Minute", m_minute, m_minuteReadout},
                                          std::tuple{"Second", m_second, m_secondReadout}}) {
        g->addWidget(MakeLabel(QLatin1String(label), slider), row, 0);
        g->addWidget(slider, row, 1);
        g->addWidget(readout, row, 2);
        QLineEdit* box = readout;
        connect(slider, &QSlider::valueChanged, box,
                [box](int value) { box->setText(QString::number(value)); });
        ++row;
    }
    g->addWidget(MakeLabel(QStringLiteral("Half Second"), m_half), row, 0);
    g->addWidget(m_half, row, 1);
    g->setColumnStretch(1, 1);
    FinishPage();
}

DelayAction CPageView3Delay::Read() const {
    DelayAction a;
    a.hour = m_hour->value();
    a.minute = m_minute->value();
    a.second = m_second->value();
    a.halfSecond = m_half->currentIndex();
    a.hourReadout = PageBytes(m_hourReadout->text());
    a.minuteReadout = PageBytes(m_minuteReadout->text());
    a.secondReadout = PageBytes(m_secondReadout->text());
    return a;
}

bool CPageView3Delay::ShowAction(const QString& text) {
    const std::optional<DelayAction> a = DelayAction::FromActionText(PageBytes(text));
    if (!a) {
        return false;
    }
    const QSignalBlocker b1(m_hour);
    const QSignalBlocker b2(m_minute);
    const QSignalBlocker b3(m_second);
    m_hour->setValue(a->hour);
    m_minute->setValue(a->minute);
    m_second->setValue(a->second);
    // The readouts show the stored text.
    m_hourReadout->setText(latin1::ToQString(a->hourReadout));
    m_minuteReadout->setText(latin1::ToQString(a->minuteReadout));
    m_secondReadout->setText(latin1::ToQString(a->secondReadout));
    SelectPosition(m_half, a->halfSecond);
    return true;
}

QString CPageView3Delay::BuildActionText() {
    return latin1::ToQString(Read().ToActionText());
}

// ---- Compare ----

namespace {

const DataFormatControls::Captions kCompareCaptions = {
    "Format", "Ascii", "Hex", "End Char For ASCII Format", "None", "Carriage return", "Enter"};

} // namespace

CPageView3Cmp::CPageView3Cmp(QWidget* parent) : ActionPage(kComparePage, parent) {
    m_port = MakeList("port", Entries(kPortEntries));
    m_format = new DataFormatControls(kCompareCaptions, this);
    auto* modeBox = new QGroupBox(QStringLiteral("Compaer Mode:"), this);
    modeBox->setObjectName(QStringLiteral("modeGroup"));
    auto* equal = new QRadioButton(QStringLiteral("Equal"), modeBox);
    auto* include = new QRadioButton(QStringLiteral("Include"), modeBox);
    equal->setObjectName(QStringLiteral("equal"));
    include->setObjectName(QStringLiteral("include"));
    m_mode = new QButtonGroup(this);
    m_mode->addButton(equal, 0);
    m_mode->addButton(include, 1);
    include->setChecked(true);
    auto* modeLayout = new QVBoxLayout(modeBox);
    modeLayout->addWidget(equal);
    modeLayout->addWidget(include);
    // The data box has no label of its own.
    m_format->data->setAccessibleName(QStringLiteral("Compare data"));
    m_format->data->setToolTip(QStringLiteral("The data to compare"));
    auto* clear = new QPushButton(QStringLiteral("Clear Data"), this);
    clear->setObjectName(QStringLiteral("clear"));
    m_eventName = MakeNameBox();

    QGridLayout* g = form();
    g->addWidget(MakeLabel(QStringLiteral("Port"), m_port), 0, 0);
    g->addWidget(m_port, 0, 1);
    g->addWidget(m_format->formatBox, 1, 0, 1, 2);
    g->addWidget(modeBox, 1, 2);
    g->addWidget(m_format->endBox, 2, 0, 1, 3);
    g->addWidget(m_format->data, 3, 0, 1, 2);
    g->addWidget(clear, 3, 2);
    g->addWidget(MakeLabel(QStringLiteral("Event Name:"), m_eventName), 4, 0);
    g->addWidget(m_eventName, 4, 1, 1, 2);
    g->setColumnStretch(1, 1);
    FinishPage();

    connect(clear, &QPushButton::clicked, m_format->data, &QLineEdit::clear);
}

CompareAction CPageView3Cmp::Read() const {
    CompareAction a;
    a.eventName = PageBytes(m_eventName->text());
    a.port = m_port->currentIndex();
    a.format = m_format->format();
    a.endChar = m_format->endChar();
    a.compareMode = m_mode->checkedId();
    a.data = PageBytes(m_format->data->text());
    return a;
}

bool CPageView3Cmp::ShowAction(const QString& text) {
    const std::optional<CompareAction> a = CompareAction::FromActionText(PageBytes(text));
    if (!a) {
        return false;
    }
    SelectPosition(m_port, a->port);
    m_format->Set(a->format, a->endChar);
    m_format->data->setText(latin1::ToQString(a->data));
    m_eventName->setText(ShownName(a->eventName));
    SetGroupChoice(m_mode, a->compareMode == 0 ? 0 : 1);
    return true;
}

QString CPageView3Cmp::BuildActionText() {
    return latin1::ToQString(Read().ToActionText());
}

int CPageView3Cmp::RulePort() const {
    return m_port->currentIndex();
}

const char* CPageView3Cmp::ColonField() const {
    return Read().ColonField();
}

// ---- LED ----

CPageView3Ledp::CPageView3Ledp(QWidget* parent) : ActionPage(kLedPage, parent) {
    m_button = MakeList("button", Numbered("Button %1", kButtonCount));
    m_light = MakeList("lightAction", Entries(kLightActionEntries));
    QGridLayout* g = form();
    g->addWidget(MakeLabel(QStringLiteral("Button"), m_button), 0, 0);
    g->addWidget(m_button, 0, 1);
    g->addWidget(MakeLabel(QStringLiteral("Light Action"), m_light), 1, 0);
    g->addWidget(m_light, 1, 1);
    NarrowForm(g);
    FinishPage();
}

LedAction CPageView3Ledp::Read() const {
    return LedAction{m_button->currentIndex(), m_light->currentIndex()};
}

bool CPageView3Ledp::ShowAction(const QString& text) {
    const std::optional<LedAction> a = LedAction::FromActionText(PageBytes(text));
    if (a) {
        SelectPosition(m_button, a->button);
        SelectPosition(m_light, a->lightAction);
    }
    return a.has_value();
}

QString CPageView3Ledp::BuildActionText() {
    return latin1::ToQString(Read().ToActionText());
}

// ---- Page ----

CPageView3Page::CPageView3Page(QWidget* parent) : ActionPage(kPagePage, parent) {
    m_page = MakeList("page", Entries(kPageEntries));
    m_activeNo = MakeList("activeNo", Entries(kActiveNoEntries));
    m_eventName = MakeNameBox();
    QGridLayout* g = form();
    g->addWidget(MakeLabel(QStringLiteral("Page"), m_page), 0, 0);
    g->addWidget(m_page, 0, 1);
    g->addWidget(MakeLabel(QStringLiteral("Active No."), m_activeNo), 1, 0);
    g->addWidget(m_activeNo, 1, 1);
    g->addWidget(MakeLabel(QStringLiteral("Event Name:"), m_eventName), 2, 0);
    g->addWidget(m_eventName, 2, 1);
    NarrowForm(g);
    FinishPage();
}

PageAction CPageView3Page::Read() const {
    return PageAction{PageBytes(m_eventName->text()), m_page->currentIndex(),
                      m_activeNo->currentIndex()};
}

bool CPageView3Page::ShowAction(const QString& text) {
    const std::optional<PageAction> a = PageAction::FromActionText(PageBytes(text));
    if (a) {
        SelectPosition(m_page, a->page);
        SelectPosition(m_activeNo, a->activeNo);
        m_eventName->setText(ShownName(a->eventName));
    }
    return a.has_value();
}

QString CPageView3Page::BuildActionText() {
    return latin1::ToQString(Read().ToActionText());
}

const char* CPageView3Page::ColonField() const {
    return Read().ColonField();
}

// ---- Loop ----

CPageView3Casd::CPageView3Casd(QWidget* parent) : ActionPage(kLoopPage, parent) {
    m_id = MakeList("id", Numbered("%1", kLoopIdCount));
    m_key = MakeList("keyNo", Numbered("%1", kLoopKeyCount));
    m_eventName = MakeNameBox();
    QGridLayout* g = form();
    g->addWidget(MakeLabel(QStringLiteral("ID"), m_id), 0, 0);
    g->addWidget(m_id, 0, 1);
    g->addWidget(MakeLabel(QStringLiteral("Key No."), m_key), 1, 0);
    g->addWidget(m_key, 1, 1);
    g->addWidget(MakeLabel(QStringLiteral("Event Name:"), m_eventName), 2, 0);
    g->addWidget(m_eventName, 2, 1);
    NarrowForm(g);
    FinishPage();
}

LoopAction CPageView3Casd::Read() const {
    // The entries are "1".."n" in order: the entry's number is its position + 1 (0: none).
    return LoopAction{PageBytes(m_eventName->text()), m_id->currentIndex() + 1,
                      m_key->currentIndex() + 1};
}

bool CPageView3Casd::ShowAction(const QString& text) {
    const std::optional<LoopAction> a = LoopAction::FromActionText(PageBytes(text));
    if (a) {
        SelectPosition(m_id, a->id - 1);
        SelectPosition(m_key, a->keyNo - 1);
        m_eventName->setText(ShownName(a->eventName));
    }
    return a.has_value();
}

QString CPageView3Casd::BuildActionText() {
    return latin1::ToQString(Read().ToActionText());
}

const char* CPageView3Casd::ColonField() const {
    return Read().ColonField();
}

// ---- Toggle ----

CPageView3Toggle::CPageView3Toggle(QWidget* parent) : ActionPage(kTogglePage, parent) {
    m_button = MakeList("button", Numbered("Button %1", kButtonCount));
    m_start = MakeList("toggleStart", Entries(kToggleStartEntries));
    m_eventName = MakeNameBox();
    QGridLayout* g = form();
    g->addWidget(MakeLabel(QStringLiteral("Button"), m_button), 0, 0);
    g->addWidget(m_button, 0, 1);
    g->addWidget(MakeLabel(QStringLiteral("Toggle Start"), m_start), 1, 0);
    g->addWidget(m_start, 1, 1);
    g->addWidget(MakeLabel(QStringLiteral("Event Name:"), m_eventName), 2, 0);
    g->addWidget(m_eventName, 2, 1);
    NarrowForm(g);
    FinishPage();
}

ToggleAction CPageView3Toggle::Read() const {
    return ToggleAction{PageBytes(m_eventName->text()), m_button->currentIndex(),
                        m_start->currentIndex()};
}

bool CPageView3Toggle::ShowAction(const QString& text) {
    const std::optional<ToggleAction> a = ToggleAction::FromActionText(PageBytes(text));
    if (a) {
        SelectPosition(m_button, a->button);
        SelectPosition(m_start, a->toggleStart);
        m_eventName->setText(ShownName(a->eventName));
    }
    return a.has_value();
}

QString CPageView3Toggle::BuildActionText() {
    return latin1::ToQString(Read().ToActionText());
}

const char* CPageView3Toggle::ColonField() const {
    return Read().ColonField();
}

} // namespace qz
