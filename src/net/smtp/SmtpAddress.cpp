#include "net/smtp/SmtpAddress.h"

#include <QUrl>

namespace OrvVelmora {

namespace {

constexpr int kMaxLocalPart = 64;
constexpr int kMaxDomain = 253;
constexpr int kMaxLabel = 63;

bool isAtext(QChar c)
{
    static const QString specials = QStringLiteral("!#$%&'*+-/=?^_`{|}~");
    if (c.unicode() >= 0x80)
        return c.isPrint() && !c.isSpace() && !c.isSurrogate();
    return c.isLetterOrNumber() || specials.contains(c);
}

bool isLabelChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
}

} // namespace

SmtpAddress::SmtpAddress(const QString &text)
{
    const qsizetype at = text.indexOf(QLatin1Char('@'));
    if (at <= 0 || text.indexOf(QLatin1Char('@'), at + 1) >= 0)
        return;
    const QString local = text.left(at);
    const QString domain = text.mid(at + 1);
    for (QChar c : domain) {
        if (c.unicode() < 0x21 || c.unicode() == 0x7f || c.isSpace())
            return;
    }
    const QByteArray asciiDomain = QUrl::toAce(domain, QUrl::AceProcessingOption::IgnoreIDNWhitelist);
    if (!isValidLocalPart(local) || !isValidDomain(asciiDomain))
        return;
    m_encoded = local.toUtf8() + '@' + asciiDomain;
    m_valid = true;
}

bool SmtpAddress::isValidLocalPart(const QString &local)
{
    // The limit counts octets, and an international local part takes more of them.
    if (local.toUtf8().size() > kMaxLocalPart || local.startsWith(QLatin1Char('.')) ||
        local.endsWith(QLatin1Char('.')) || local.contains(QStringLiteral("..")))
        return false;
    for (QChar c : local) {
        if (c != QLatin1Char('.') && !isAtext(c))
            return false;
    }
    return true;
}

bool SmtpAddress::isValidDomain(const QByteArray &domain)
{
    if (domain.isEmpty() || domain.size() > kMaxDomain)
        return false;
    for (const QByteArray &label : domain.split('.')) {
        if (label.isEmpty() || label.size() > kMaxLabel || label.startsWith('-') || label.endsWith('-'))
            return false;
        for (char c : label) {
            if (!isLabelChar(c))
                return false;
        }
    }
    return true;
}

QString SmtpAddress::printable(const QString &text)
{
    QString shown;
    for (QChar c : text)
        shown += (c.unicode() < 0x20 || c.unicode() == 0x7f) ? QChar(0xfffd) : c;
    return shown;
}

} // namespace OrvVelmora
