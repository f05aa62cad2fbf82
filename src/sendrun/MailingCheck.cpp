#include "sendrun/MailingCheck.h"

#include "base/platform/CountedText.h"
#include "merge/MergeField.h"
#include "net/smtp/SmtpAddress.h"
#include "sendrun/SendRecipients.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace OrvVelmora {

namespace {

const QString kEMail = QStringLiteral("EMail");

QString cellText(const MailingDraft &draft, qint32 row, const QString &key)
{
    return draft.recipients->cell(row, key).value_or(QString()).trimmed();
}

// What a person most likely meant: the same name without blanks, in any case.
const MergeField *meantField(const QString &typed)
{
    QString name = typed;
    name.remove(QRegularExpression(QStringLiteral("\\s")));
    for (const MergeField &field : MergeFields())
        if (field.token.compare(name, Qt::CaseInsensitive) == 0)
            return &field;
    return nullptr;
}

// "<#…#>" that the merge leaves alone goes out to every recipient as typed:
// a name misspelt, in the wrong case, or with blanks inside.
void findUnknownPlaceholders(const MailingDraft &draft, QList<PreflightFinding> &findings)
{
    static const QRegularExpression lookalike(QStringLiteral("<#[^#<>\\r\\n]{0,60}#>"));
    QSet<QString> reported;
    for (const auto &[place, text] :
         {std::pair{QStringLiteral("im Betreff"), draft.subject}, std::pair{QStringLiteral("im Text"), draft.text}}) {
        for (const QRegularExpressionMatch &match : lookalike.globalMatch(text)) {
            const QString token = match.captured();
            const bool known = std::any_of(MergeFields().begin(), MergeFields().end(),
                                           [&](const MergeField &field) { return field.token == token; });
            if (known || reported.contains(place + token))
                continue;
            reported.insert(place + token);
            const MergeField *meant = meantField(token);
            const QString hint = meant ? QStringLiteral(" (gemeint ist wohl „%1“)").arg(meant->token) : QString();
            findings.append({FindingKind::UnknownPlaceholder,
                             QStringLiteral("„%1“ %2 ist kein Platzhalter%3 und wird so gesendet, wie er dasteht.")
                                 .arg(token, place, hint),
                             {}});
        }
    }
}

void findEmptyTexts(const MailingDraft &draft, QList<PreflightFinding> &findings)
{
    if (draft.subject.trimmed().isEmpty())
        findings.append({FindingKind::EmptySubject, QStringLiteral("Der Betreff ist leer."), {}});
    if (draft.text.trimmed().isEmpty())
        findings.append({FindingKind::EmptyLetter,
                         QStringLiteral("Der Text der e-Mail ist leer: er besteht nur aus Leerzeichen und "
                                        "Zeilenumbrüchen."),
                         {}});
}

// An attachment that cannot be read would fail every recipient's message;
// the mailing waits until it is back or removed from the list.
void findMissingAttachments(const MailingDraft &draft, QList<PreflightFinding> &findings)
{
    for (const SendAttachment &attachment : draft.attachments) {
        const QFileInfo info(attachment.fileName);
        QFile file(attachment.fileName);
        QString problem;
        if (!info.exists())
            problem = QStringLiteral("Die Anlage „%1“ wurde nicht gefunden: %2");
        else if (!info.isFile() || !file.open(QIODevice::ReadOnly))
            problem = QStringLiteral("Die Anlage „%1“ kann nicht gelesen werden: %2");
        if (!problem.isEmpty())
            findings.append({FindingKind::MissingAttachment,
                             problem.arg(info.fileName(), QDir::toNativeSeparators(attachment.fileName)),
                             {},
                             true});
    }
}

void findAddressProblems(const MailingDraft &draft, QList<PreflightFinding> &findings)
{
    QList<qint32> invalid;
    QHash<QString, QList<qint32>> byAddress;
    for (const qint32 row : draft.rows) {
        const QString address = cellText(draft, row, kEMail);
        if (!SmtpAddress(address).isValid())
            invalid.append(row);
        else
            byAddress[address.toLower()].append(row);
    }
    if (!invalid.isEmpty())
        findings.append({FindingKind::InvalidAddress,
                         countedText(invalid.size(),
                                     QStringLiteral("Keine gültige e-Mail-Adresse bei %n Empfänger; er erhält die "
                                                    "e-Mail nicht."),
                                     QStringLiteral("Keine gültige e-Mail-Adresse bei %n Empfängern; sie erhalten die "
                                                    "e-Mail nicht.")),
                         invalid});
    QList<qint32> shared;
    qsizetype addresses = 0;
    for (const QList<qint32> &rows : std::as_const(byAddress)) {
        if (rows.size() > 1) {
            shared.append(rows);
            ++addresses;
        }
    }
    std::sort(shared.begin(), shared.end());
    if (!shared.isEmpty())
        findings.append(
            {FindingKind::SharedAddress,
             countedText(addresses, QStringLiteral("%n e-Mail-Adresse steht"),
                         QStringLiteral("%n e-Mail-Adressen stehen")) +
                 countedText(shared.size(), QStringLiteral(" bei %n Empfänger"), QStringLiteral(" bei %n Empfängern")) +
                 QStringLiteral("; jede Adresse erhält die e-Mail nur einmal, für den ersten dieser "
                                "Empfänger."),
             shared});
}

// A placeholder whose field is empty vanishes from the text: "Hallo ," reads
// like a mistake to the recipient.
void findEmptyFields(const MailingDraft &draft, QList<PreflightFinding> &findings)
{
    for (const MergeField &field : MergeFields()) {
        if (field.columnKey.isEmpty() || field.columnKey == kEMail ||
            (!draft.subject.contains(field.token) && !draft.text.contains(field.token)))
            continue;
        QList<qint32> empty;
        for (const qint32 row : draft.rows)
            if (cellText(draft, row, field.columnKey).isEmpty())
                empty.append(row);
        if (!empty.isEmpty())
            findings.append({FindingKind::EmptyField,
                             countedText(empty.size(), QStringLiteral("%1 leer bei %n Empfänger."),
                                         QStringLiteral("%1 leer bei %n Empfängern."))
                                 .arg(field.toolCaption),
                             empty});
    }
}

// Each recipient's own file (an invoice) is looked for as the run will look
// for it; a recipient without one is passed over, never sent to without it.
void findMissingPersonalAttachments(const MailingDraft &draft, QList<PreflightFinding> &findings)
{
    if (!draft.personal.isSet())
        return;
    QList<qint32> missing;
    for (const qint32 row : draft.rows)
        if (!draft.personal.matchFor(*draft.recipients, row).found())
            missing.append(row);
    if (!missing.isEmpty())
        findings.append({FindingKind::MissingPersonalAttachment,
                         countedText(missing.size(),
                                     QStringLiteral("Die persönliche Anlage „%1“ fehlt bei %n Empfänger; er erhält "
                                                    "die e-Mail nicht."),
                                     QStringLiteral("Die persönliche Anlage „%1“ fehlt bei %n Empfängern; sie "
                                                    "erhalten die e-Mail nicht."))
                             .arg(draft.personal.pattern),
                         missing});
}

QString megabytes(qint64 bytes)
{
    return QLocale(QLocale::German).toString(double(bytes) / 1e6, 'f', 1) + QStringLiteral(" MB");
}

// The largest of the recipients' own files: the message that carries it is
// the first a size limit refuses.
qint64 largestPersonalFile(const MailingDraft &draft)
{
    qint64 largest = 0;
    if (!draft.personal.isSet())
        return largest;
    for (const qint32 row : draft.rows)
        if (const PersonalAttachment::Match match = draft.personal.matchFor(*draft.recipients, row); match.found())
            largest = std::max(largest, QFileInfo(match.path).size());
    return largest;
}

// Attachments travel in base64 (4 bytes for 3, a line break every 76); the
// texts go once as plain text and once as HTML, about the size of the RTF.
// A file packed as ZIP is counted unpacked: the estimate errs on the large side.
qint64 estimatedSize(const MailingDraft &draft)
{
    qint64 attached = largestPersonalFile(draft);
    for (const SendAttachment &attachment : draft.attachments)
        attached += QFileInfo(attachment.fileName).size();
    constexpr qint64 kHeaders = 4096;
    return attached * 4 / 3 * 78 / 76 + draft.text.toUtf8().size() + draft.rtf.size() + kHeaders;
}

void findLargeMessage(const MailingDraft &draft, QList<PreflightFinding> &findings)
{
    const qint64 size = estimatedSize(draft);
    if (draft.serverSizeLimit > 0 && size > draft.serverSizeLimit)
        findings.append({FindingKind::LargeMessage,
                         QStringLiteral("Die e-Mail ist mit den Anlagen etwa %1 groß; der Server nimmt höchstens %2 "
                                        "an und wird sie voraussichtlich ablehnen.")
                             .arg(megabytes(size), megabytes(draft.serverSizeLimit)),
                         {}});
    else if (size > MailingCheck::kLargeMessage)
        findings.append({FindingKind::LargeMessage,
                         QStringLiteral("Die e-Mail ist mit den Anlagen etwa %1 groß; viele Postfächer nehmen keine "
                                        "e-Mails über 10 MB an.")
                             .arg(megabytes(size)),
                         {}});
}

} // namespace

MailingCheck MailingCheck::standard()
{
    MailingCheck check;
    for (Rule rule :
         {Rule(findMissingAttachments), Rule(findEmptyTexts), Rule(findUnknownPlaceholders), Rule(findEmptyFields),
          Rule(findMissingPersonalAttachments), Rule(findAddressProblems), Rule(findLargeMessage)})
        check.add(std::move(rule));
    return check;
}

QList<PreflightFinding> MailingCheck::run(const MailingDraft &draft) const
{
    QList<PreflightFinding> findings;
    for (const Rule &rule : m_rules)
        rule(draft, findings);
    return findings;
}

} // namespace OrvVelmora
