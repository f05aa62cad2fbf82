#pragma once

#include <QByteArray>
#include <QString>

namespace OrvVelmora {

/// An e-mail address checked before it may reach an SMTP command or a header.
///
/// Accepted: a local part made of the characters RFC 5321 allows in an
/// unquoted local part (ASCII letters, digits and !#$%&'*+-/=?^_`{|}~, dots
/// between them), "@", and a domain of dot-separated labels (letters, digits,
/// hyphens; international names are turned into their ASCII form). Quoted
/// local parts and address literals are refused: no customer address needs
/// them and they are where command injection hides. Whatever else the text
/// holds (a blank, a control character, a second "@", a missing domain) makes
/// it invalid.
class SmtpAddress
{
public:
    explicit SmtpAddress(const QString &text);

    bool isValid() const { return m_valid; }
    /// The address in ASCII form (domain as IDNA), for MAIL FROM / RCPT TO and headers.
    QByteArray ascii() const { return m_ascii; }
    /// The text with control characters made visible, safe to quote in a message.
    static QString printable(const QString &text);

private:
    static bool isValidLocalPart(const QString &local);
    static bool isValidDomain(const QByteArray &domain);

    bool m_valid = false;
    QByteArray m_ascii;
};

} // namespace OrvVelmora
