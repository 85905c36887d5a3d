#include "ui/dialogs/SmallDialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "io/Latin1.h"
#include "io/WholeFile.h"
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

CDlgClearAll::CDlgClearAll(QWidget* parent)
    : QDialog(parent), m_bar(Bar(this, QStringLiteral("Clear"))) {
    setObjectName(QStringLiteral("clearAll"));
    setWindowTitle(kCaption);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_bar);
    m_bar->setRange(0, kRange);
    m_bar->setValue(0);
}

int CDlgClearAll::position() const {
    return m_bar->value();
}

void CDlgClearAll::setProgress(int tick, int ticks, int answers) {
    if (answers > 1) {
        m_bar->setValue(kRange - 1);
        return;
    }
    // The last tick is the time-out itself, which finish() shows.
    const int steps = qMax(1, ticks - 1);
    m_bar->setValue(qBound(0, tick * kRange / steps, kRange));
}

void CDlgClearAll::finish() {
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
        // Either spelling of the library's file counts; Qt's own listing cannot name a file whose
        // name is not UTF-8, so each spelling is asked for by its bytes.
        const std::optional<std::string> bytes = latin1::ToBytes(name);
        if (!bytes) {
            return false;
        }
        const QByteArray ext = extension.toLatin1();
        const latin1::LibraryFileSpellings paths =
            latin1::LibraryFilePaths(folder, *bytes, ext.constData());
        return (!paths.own.isEmpty() && io::Exists(paths.own)) ||
               (!paths.utf8.isEmpty() && io::Exists(paths.utf8));
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
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("stopping"));
    m_note->setWordWrap(true);
    m_note->hide();
    layout->addWidget(m_note);
    auto* buttons = new QDialogButtonBox(this);
    m_cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

int CDlgProgress::position() const {
    return m_bar->value();
}

void CDlgProgress::setPosition(int position) {
    m_bar->setValue(qBound(0, position, m_bar->maximum()));
}

void CDlgProgress::setStopping(const QString& doing) {
    m_note->setText(doing);
    m_note->setVisible(!doing.isEmpty());
    setAccessibleDescription(doing);
}

QString CDlgProgress::stoppingText() const {
    return m_note->text();
}

void CDlgProgress::reject() {
    // "Cancel" and Escape alike, once. The box stays until the upload has ended, so that nobody
    // takes an upload that still runs for one that stopped.
    if (m_cancelled) {
        return;
    }
    m_cancelled = true;
    m_cancel->setEnabled(false);
    setStopping(QStringLiteral("Cancelling..."));
    Q_EMIT cancelRequested();
}

} // namespace qz
