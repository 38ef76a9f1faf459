#include "core/journal/journal_record.h"

#include <QCryptographicHash>

#include <array>

namespace velmorix {

namespace {

using Kind = TransferEnd::Kind;

constexpr std::array<std::pair<Kind, const char*>, 8> kWords{{
    {Kind::Sent, "sent"},
    {Kind::Received, "received"},
    {Kind::Refused, "refused"},
    {Kind::NotConfirmed, "not-confirmed"},
    {Kind::BrokenOff, "broken-off"},
    {Kind::NotWhole, "not-whole"},
    {Kind::NotSaved, "not-saved"},
    {Kind::Failed, "failed"},
}};

// Lines as a text file has them: CR LF, CR and LF each end one; a last line without an end counts.
qint64 textLines(const QByteArray& bytes) {
    qint64 lines = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n' || bytes[i] == '\r') {
            ++lines;
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
        }
    }
    if (!bytes.isEmpty() && !bytes.endsWith('\n') && !bytes.endsWith('\r'))
        ++lines;
    return lines;
}

} // namespace

void JournalRecord::digestContent() {
    if (!hasContent)
        return;
    bytes = content.size();
    if (textType)
        lines = textLines(content);
    sha256 = QString::fromLatin1(QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex());
    content.clear();
    hasContent = false;
}

QString outcomeWord(TransferEnd::Kind kind) {
    for (const auto& [k, word] : kWords)
        if (k == kind)
            return QString::fromLatin1(word);
    return QStringLiteral("failed");
}

std::optional<TransferEnd::Kind> outcomeOfWord(const QString& word) {
    const QString w = word.trimmed().toLower().replace(QLatin1Char('_'), QLatin1Char('-'));
    for (const auto& [k, text] : kWords)
        if (w == QLatin1String(text))
            return k;
    return std::nullopt;
}

QString outcomeText(const JournalRecord& r) {
    QString text;
    switch (r.outcome) {
    case Kind::Refused:
        text = QStringLiteral("refused: error %1").arg(r.errorNumber);
        if (!r.errorText.isEmpty())
            text += QLatin1Char(' ') + r.errorText;
        break;
    case Kind::NotConfirmed:
        text = QStringLiteral("not confirmed");
        break;
    case Kind::BrokenOff:
        text = r.lastLine > 0
                   ? QStringLiteral("broken off at line %1, resume from %2").arg(r.lastLine).arg(r.resumeLine)
                   : QStringLiteral("broken off before line 1");
        break;
    case Kind::Sent:
    case Kind::Received:
        text = outcomeWord(r.outcome);
        break;
    default:
        text = QStringLiteral("%1: %2").arg(
            outcomeWord(r.outcome).replace(QLatin1Char('-'), QLatin1Char(' ')), r.reason);
        break;
    }
    if (!r.compared.isEmpty())
        text += QStringLiteral("; ") + r.compared;
    return text;
}

} // namespace velmorix
