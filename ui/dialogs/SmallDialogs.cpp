#include "ui/dialogs/SmallDialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "io/Latin1.h"
#include "model/UploadPlan.h"
#include "ui/dialogs/Messages.h"

namespace qz {

namespace {

const QString kCaption = QStringLiteral("Dialog");

// "OK" and "Cancel", wired to accept and reject unless the caller takes over OK.
QDialogButtonBox* OkCancel(QDialog* dialog, bool wireOk = true) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancel"));
    if (wireOk) {
        QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    }
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

QProgressBar* Bar(QWidget* parent, const QString& name) {
    auto* bar = new QProgressBar(parent);
    bar->setObjectName(QStringLiteral("progress"));
    bar->setAccessibleName(name);
    bar->setTextVisible(true);
    bar->setMinimumWidth(420);
    return bar;
}

} // namespace

// ---------------------------------------------------------------------------------------------

CDlgAsk::CDlgAsk(const QString& text, QWidget* parent) : QDialog(parent), m_text(text) {
    setObjectName(QStringLiteral("ask"));
    setWindowTitle(kCaption);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(DisplayText(text), this);
    label->setObjectName(QStringLiteral("text"));
    label->setWordWrap(true);
    label->setMinimumWidth(360);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(label);
    layout->addStretch();
    QDialogButtonBox* buttons = OkCancel(this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    // A screen reader reads the question with the box.
    setAccessibleDescription(label->text());
    layout->addWidget(buttons);
}

// ---------------------------------------------------------------------------------------------

CDlgClearAll::CDlgClearAll(std::function<int()> replyCount, QWidget* parent, int tickMs)
    : QDialog(parent), m_replyCount(std::move(replyCount)),
      m_bar(Bar(this, QStringLiteral("Clear"))), m_timer(new QTimer(this)) {
    setObjectName(QStringLiteral("clearAll"));
    setWindowTitle(kCaption);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_bar);
    m_bar->setRange(0, kRange);
    m_bar->setValue(0);
    m_timer->setInterval(tickMs);
    connect(m_timer, &QTimer::timeout, this, &CDlgClearAll::tick);
}

int CDlgClearAll::position() const {
    return m_bar->value();
}

void CDlgClearAll::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_timer->isActive() && !m_finished) {
        m_ticks = 0;
        m_timer->start();
    }
}

void CDlgClearAll::tick() {
    ++m_ticks;
    if (!m_finished) {
        if (m_replyCount && m_replyCount() > 1) {
            // Both replies are in: show nearly full, and close at the next tick.
            m_bar->setValue(kRange - 1);
            m_finished = true;
            return;
        }
        if (m_ticks < kLastTick) {
            m_bar->setValue(m_ticks);
            return;
        }
    }
    finish();
}

void CDlgClearAll::finish() {
    m_timer->stop();
    m_finished = true;
    m_bar->setValue(kRange);
    accept();
}

// ---------------------------------------------------------------------------------------------

CDlgNewName::CDlgNewName(int mode, DuplicateTest isDuplicate, IMessages& messages, QWidget* parent)
    : QDialog(parent), m_mode(mode), m_isDuplicate(std::move(isDuplicate)), m_messages(messages),
      m_edit(new QLineEdit(this)) {
    setObjectName(QStringLiteral("newName"));
    setWindowTitle(kCaption);
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("Name:"), this);
    label->setBuddy(m_edit);
    m_edit->setObjectName(QStringLiteral("name"));
    m_edit->setAccessibleName(QStringLiteral("Name:"));
    m_edit->setMinimumWidth(260);
    row->addWidget(label);
    row->addWidget(m_edit, 1);
    layout->addLayout(row);
    QDialogButtonBox* buttons = OkCancel(this, false);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDlgNewName::onOk);
    layout->addWidget(buttons);
}

void CDlgNewName::onOk() {
    const bool library = m_mode == Rs232Library || m_mode == IrLibrary;
    const QString name = m_edit->text().trimmed();
    m_accepted = false;
    if (name.isEmpty()) {
        m_messages.Show(library ? QStringLiteral("Please create a new lib name")
                                : QStringLiteral("Please create a new function name"));
        return;
    }
    // A ":" would shift the fields of the action texts the name ends up in.
    if (name.contains(QLatin1Char(':'))) {
        m_messages.Show(QStringLiteral("A name cannot contain \":\"."));
        return;
    }
    // Names are kept one byte a character.
    const std::optional<std::string> bytes = latin1::ToBytes(name);
    if (!bytes) {
        m_messages.Show(latin1::OutsideMessage(name, QStringLiteral("Name")));
        return;
    }
    // A library name is also a file name, which must stay inside the library folder.
    if (library && !latin1::IsSafeLibraryName(*bytes)) {
        m_messages.Show(latin1::LibraryNameFaultText(*bytes));
        return;
    }
    if (m_isDuplicate && m_isDuplicate(name)) {
        if (library) {
            m_messages.Show(QStringLiteral("the name is aready exsit in the Library"));
            m_edit->clear();
        } else {
            m_messages.Show(QStringLiteral("The Function name is already exist"));
        }
        return;
    }
    m_name = name;
    m_accepted = true;
    accept();
}

CDlgNewName::DuplicateTest CDlgNewName::LibraryFileTest(const QString& folder,
                                                        const QString& extension) {
    return [folder, extension](const QString& name) {
        // Listing the folder compares exactly, whatever the file system does with letter case.
        return QDir(folder).entryList(QDir::Files | QDir::Hidden).contains(name + extension);
    };
}

CDlgNewName::DuplicateTest CDlgNewName::FunctionListTest(const QStringList& names,
                                                         bool trimEntries) {
    return [names, trimEntries](const QString& name) {
        for (const QString& entry : names) {
            if ((trimEntries ? entry.trimmed() : entry) == name) {
                return true;
            }
        }
        return false;
    };
}

// ---------------------------------------------------------------------------------------------

CDlgPanel::CDlgPanel(int portMode, QWidget* parent)
    : QDialog(parent), m_list(new QComboBox(this)),
      m_selected(portMode >= 0 && portMode < kPortModeCount ? portMode : 0) {
    setObjectName(QStringLiteral("panel"));
    setWindowTitle(QStringLiteral("Output Port Selection"));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("Enable RS232/IR"), this);
    label->setBuddy(m_list);
    m_list->setObjectName(QStringLiteral("portMode"));
    m_list->setAccessibleName(label->text());
    for (int i = 0; i < kPortModeCount; ++i) {
        m_list->addItem(QLatin1String(PortModeText(i)));
    }
    m_list->setCurrentIndex(m_selected);
    row->addWidget(label);
    row->addWidget(m_list, 1);
    layout->addLayout(row);
    layout->addStretch();
    QDialogButtonBox* buttons = OkCancel(this, false);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        m_selected = m_list->currentIndex();
        accept();
    });
    layout->addWidget(buttons);
}

// ---------------------------------------------------------------------------------------------

UploadSteps ComputeUploadSteps(const Configuration& config) {
    UploadSteps steps;
    steps.count = ProgressRange(config);
    steps.groupMask = GroupMask(config);
    return steps;
}

CDlgProgress::CDlgProgress(const Configuration& config, QWidget* parent)
    : QDialog(parent), m_steps(ComputeUploadSteps(config)),
      m_bar(Bar(this, QStringLiteral("Upload"))) {
    setObjectName(QStringLiteral("uploadProgress"));
    setWindowTitle(kCaption);
    auto* layout = new QVBoxLayout(this);
    m_bar->setRange(0, m_steps.count);
    m_bar->setValue(0);
    layout->addWidget(m_bar);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* cancel =
        buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancel"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

int CDlgProgress::position() const {
    return m_bar->value();
}

void CDlgProgress::setPosition(int position) {
    m_bar->setValue(qBound(0, position, m_bar->maximum()));
}

void CDlgProgress::reject() {
    // "Cancel" and Escape alike: the upload sees the flag before its next step.
    m_cancelled = true;
    Q_EMIT cancelRequested();
    QDialog::reject();
}

} // namespace qz
