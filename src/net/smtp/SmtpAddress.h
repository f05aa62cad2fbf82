#pragma once

#include <QByteArray>
#include <QString>

namespace OrvVelmora {

/// An e-mail address checked before it may reach an SMTP command or a header.
///
/// Accepted: a local part made of the characters RFC 5321 allows in an
/// unquoted local part (ASCII letters, digits and !#$%&'*+-/=?^_`{|}~, dots
/// between them) plus printable non-ASCII characters (an international local
/// part such as "müller", which only a server with SMTPUTF8 takes), "@", and a
/// domain of dot-separated labels (letters, digits, hyphens; international
/// names are turned into their ASCII form). Quoted local parts and address
/// literals are refused: no customer address needs them and they are where
/// command injection hides. Whatever else the text holds (a blank, a control
/// character, a second "@", a missing domain) makes it invalid.
class SmtpAddress
{
public:
    explicit SmtpAddress(const QString &text);

    bool isValid() const { return m_valid; }
    /// The address as it goes into MAIL FROM / RCPT TO and headers: domain as
    /// IDNA, local part in UTF-8 (so ASCII unless the local part is international).
    QByteArray encoded() const { return m_encoded; }
    /// The text with control characters made visible, safe to quote in a message.
    static QString printable(const QString &text);

private:
    static bool isValidLocalPart(const QString &local);
    static bool isValidDomain(const QByteArray &domain);

    bool m_valid = false;
    QByteArray m_encoded;
};

} // namespace OrvVelmora
