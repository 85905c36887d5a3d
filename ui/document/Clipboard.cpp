#include "ui/document/Clipboard.h"

#include <QClipboard>
#include <QDataStream>
#include <QIODevice>
#include <QMimeData>
#include <QStringList>

#include <optional>

#include "io/Latin1.h"
#include "model/Configuration.h"
#include "model/KvqEventStr.h"
#include "model/Text.h"

namespace qz {

namespace {

constexpr quint32 kFormatVersion = 1;
// More would be no event at all: a frame holds at most kMaxEventActions actions.
constexpr quint32 kMaxActions = kMaxEventActions;

QByteArray Encode(const ClipboardContent& content) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << kFormatVersion << qint32(content.kind) << qint32(content.slot) << qint32(content.family)
        << qint32(content.index) << qint32(content.sub) << quint32(content.actions.size());
    for (const std::string& text : content.actions) {
        out << QByteArray::fromStdString(text);
    }
    return bytes;
}

ClipboardContent Decode(const QByteArray& bytes) {
    QDataStream in(bytes);
    quint32 version = 0;
    qint32 kind = 0;
    ClipboardContent content;
    quint32 count = 0;
    in >> version >> kind >> content.slot >> content.family >> content.index >> content.sub >>
        count;
    if (in.status() != QDataStream::Ok || version != kFormatVersion ||
        (kind != ClipboardContent::Actions && kind != ClipboardContent::Event) ||
        count > kMaxActions) {
        return {};
    }
    for (quint32 i = 0; i < count; ++i) {
        QByteArray text;
        in >> text;
        content.actions.push_back(text.toStdString());
    }
    if (in.status() != QDataStream::Ok) {
        return {};
    }
    content.kind = ClipboardContent::Kind(kind);
    return content;
}

ClipboardContent FromText(const QString& text) {
    ClipboardContent content;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        // A character that has no byte is said, not turned into "?".
        const std::optional<std::string> read = latin1::ToBytes(lines[i]);
        if (!read) {
            ClipboardContent refused;
            refused.refusal =
                latin1::OutsideMessage(lines[i], QStringLiteral("Pasted text, line %1").arg(i + 1));
            return refused;
        }
        const std::string& bytes = *read;
        if (IsBlank(bytes)) {
            continue;
        }
        if (!CKvqEventStr(bytes).IsValid() || content.actions.size() >= kMaxActions) {
            return {};
        }
        content.actions.push_back(Trim(bytes));
    }
    if (!content.actions.empty()) {
        content.kind = ClipboardContent::Actions;
    }
    return content;
}

} // namespace

bool ClipboardContent::operator==(const ClipboardContent& o) const {
    return kind == o.kind && slot == o.slot && family == o.family && index == o.index &&
           sub == o.sub && actions == o.actions && refusal == o.refusal;
}

QMimeData* ToMimeData(const ClipboardContent& content) {
    auto* data = new QMimeData;
    if (content.isEmpty()) {
        return data;
    }
    data->setData(QLatin1String(kClipboardMimeType), Encode(content));
    QString text;
    for (const std::string& action : content.actions) {
        text += latin1::ToQString(action);
        text += QLatin1Char('\n');
    }
    data->setText(text);
    return data;
}

ClipboardContent FromMimeData(const QMimeData* data) {
    if (!data) {
        return {};
    }
    if (data->hasFormat(QLatin1String(kClipboardMimeType))) {
        return Decode(data->data(QLatin1String(kClipboardMimeType)));
    }
    return data->hasText() ? FromText(data->text()) : ClipboardContent{};
}

void ActionClipboard::set(const ClipboardContent& content) {
    m_own = content;
    if (m_system) {
        m_system->setMimeData(ToMimeData(content));
    }
}

ClipboardContent ActionClipboard::get() const {
    return m_system ? FromMimeData(m_system->mimeData()) : m_own;
}

} // namespace qz
