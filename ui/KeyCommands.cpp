#include "ui/KeyCommands.h"

#include <QWidget>

#include "model/ActionRules.h"
#include "store/DeviceModels.h"
#include "ui/EditReport.h"
#include "ui/dialogs/KeyDialogs.h"
#include "ui/document/EditorDocument.h"

namespace qz {

KeyCommands::KeyCommands(EditorDocument& document, IMessages* messages, QWidget& parent)
    : QObject(&parent), m_document(document), m_messages(messages), m_parent(parent) {}

void KeyCommands::onKeyClicked(int key) {
    const Configuration& config = m_document.configuration();
    const Key& k = config.keys[size_t(key)];
    if (k.keyKind == kKindSystem && (key == 32 || key == 33) && !HasIoInputs(config.deviceModel)) {
        m_messages->Ask(QString::fromLatin1(
                            ExplainedRefusal(kIoUnavailable, config.deviceModel, config.portMode)),
                        QStringLiteral("Dialog"));
        return;
    }
    std::unique_ptr<CDlgKey> dialog = MakeKeyDialog(config, key, *m_messages, &m_parent);
    if (!dialog || m_messages->Exec(*dialog) != QDialog::Accepted) {
        return;
    }
    const KeyDialogResult& r = dialog->keyResult();
    KeySettings settings;
    if (k.keyKind == kKindNormal) {
        settings.setName = true;
        settings.name = QString::fromLatin1(r.name.data(), int(r.name.size()));
        settings.setLedBrightness = true;
        settings.ledBrightness = r.ledBrightness;
        settings.setKeyGroup = true;
        settings.keyGroup = r.keyGroup;
        settings.setRepeat = r.addEvent;
        settings.repeatDigit = r.repeatDigit;
    } else if (k.keyKind == kKindVirtual) {
        settings.setName = true;
        settings.name = QString::fromLatin1(r.name.data(), int(r.name.size()));
    }
    if (r.addEvent) {
        ReportEdit(*m_messages, m_document.addEvent(key, r.family, r.index, r.sub, settings));
    } else {
        ReportEdit(*m_messages, m_document.setKeySettings(key, settings));
    }
}

} // namespace qz
