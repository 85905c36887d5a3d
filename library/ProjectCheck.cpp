#include "ProjectCheck.h"

#include "model/ActionRules.h"
#include "model/KvqEventStr.h"
#include "model/Text.h"

namespace qz {

namespace {

QString KindName(int kind) {
    switch (kind) {
    case kKindNormal:
        return QStringLiteral("normal key");
    case kKindVirtual:
        return QStringLiteral("virtual key");
    case kKindSystem:
        return QStringLiteral("system source");
    default:
        return QStringLiteral("key of kind %1").arg(kind);
    }
}

QString OneLine(const char* message) {
    return QString::fromLatin1(message).replace(QLatin1Char('\r'), QLatin1Char(' '));
}

// Names and action texts are 8-bit Latin-1 text, as the project file keeps them.
QString Text8(const std::string& text) {
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

} // namespace

std::vector<Finding> CheckProject(const Configuration& config) {
    std::vector<Finding> findings;
    for (int k = 0; k < kKeyCount; ++k) {
        const Key& key = config.keys[k];
        for (int s = 0; s < kSlotCount; ++s) {
            if (!key.HasEvent(s)) {
                continue;
            }
            auto add = [&](const QString& text) { findings.push_back({k, s, text}); };
            const int family = FamilyOfSlot(s);
            if (!FamilyFitsKind(family, key.keyKind)) {
                add(QStringLiteral("a %1 event cannot belong to a %2")
                        .arg(EventNameOfSlot(s), KindName(key.keyKind)));
            }
            if ((family == kFamilyIoLow || family == kFamilyIoHigh) &&
                !HasIoInputs(config.deviceModel)) {
                add(QString::fromLatin1(kRefusalIo));
            }
            const ActionList& actions = key.slots[s];
            const EventFit fit = MeasureEvent(actions);
            if (!fit.fits) {
                add(QStringLiteral("the event does not fit one frame: %1 of its %2 actions fit")
                        .arg(fit.fitted)
                        .arg(actions.size()));
            }
            for (std::size_t a = 0; a < actions.size(); ++a) {
                if (IsBlank(actions[a])) {
                    continue;
                }
                const QString which = QStringLiteral("action %1").arg(a + 1);
                const CKvqEventStr action(actions[a]);
                if (!action.IsValid()) {
                    add(QStringLiteral("%1 does not parse: \"%2\"").arg(which, Text8(actions[a])));
                    continue;
                }
                // The same rules the action pages apply when an action is added.
                if (const char* refusal =
                        RefusalForAction(action, config.deviceModel, config.portMode)) {
                    add(QStringLiteral("%1 (%2): %3")
                            .arg(which, Text8(action.GetTypeName()), OneLine(refusal)));
                }
            }
        }
    }
    return findings;
}

QString FindingLine(const Configuration& config, const Finding& f) {
    QString line = QStringLiteral("key %1").arg(f.key + 1);
    if (f.key >= 0 && f.key < kKeyCount) {
        line += QStringLiteral(" \"%1\"").arg(Text8(config.keys[f.key].keyName));
    }
    if (f.slot >= 0 && f.slot < kSlotCount) {
        line += QStringLiteral(", %1").arg(EventNameOfSlot(f.slot));
        const std::string data = config.EventDataText(f.key, f.slot);
        if (!data.empty()) {
            line += QStringLiteral(" (%1)").arg(Text8(data));
        }
    }
    return line + QStringLiteral(": ") + f.text;
}

} // namespace qz
