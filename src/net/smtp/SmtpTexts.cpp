#include "net/smtp/SmtpTexts.h"

#include "base/platform/CountedText.h"

#include <QLocale>

namespace OrvVelmora {

namespace {

/// The failures that stand without the server's name.
QString failureOfTheMessage(SmtpFailure step)
{
    switch (step) {
    case SmtpFailure::Login:
        return QStringLiteral("Die Anmeldung am Server ist fehlgeschlagen. Bitte Benutzername und Kennwort prüfen.");
    case SmtpFailure::Sender: return QStringLiteral("Der Server hat die Absenderadresse abgelehnt.");
    case SmtpFailure::Recipient: return QStringLiteral("Der Server hat die Empfängeradresse abgelehnt.");
    case SmtpFailure::Message: return QStringLiteral("Der Server hat die Nachricht abgelehnt.");
    case SmtpFailure::TooBig: return QStringLiteral("Die Nachricht ist zu groß für den Server.");
    case SmtpFailure::ServerClosed: return QStringLiteral("Der Server hat die Verbindung beendet.");
    case SmtpFailure::Uncertain:
        return QStringLiteral("Die Verbindung brach nach dem Senden der Nachricht ab, bevor der Server den Empfang "
                              "bestätigt hat. Die Nachricht ist möglicherweise angekommen; sie wird nicht erneut "
                              "gesendet.");
    default: return QString();
    }
}

} // namespace

QString SmtpTexts::failure(SmtpFailure step, const QString &server, int port)
{
    switch (step) {
    case SmtpFailure::Connection:
        return QStringLiteral("Die Verbindung zum Server „%1“ an Port %2 ist fehlgeschlagen.").arg(server).arg(port);
    case SmtpFailure::Greeting: return QStringLiteral("Der Server „%1“ hat die Begrüßung abgelehnt.").arg(server);
    case SmtpFailure::EncryptionMissing:
        return QStringLiteral("Der Server „%1“ bietet keine verschlüsselte Verbindung (STARTTLS) an; "
                              "ohne Verschlüsselung werden keine Zugangsdaten gesendet.")
            .arg(server);
    case SmtpFailure::CertificateUntrusted:
        return QStringLiteral("Das Zertifikat des Servers „%1“ ist nicht vertrauenswürdig.").arg(server);
    case SmtpFailure::CertificateChanged:
        return QStringLiteral("Das Zertifikat des Servers „%1“ hat sich geändert; es ist nicht mehr das "
                              "Zertifikat, dem Sie vertraut haben.")
            .arg(server);
    case SmtpFailure::Encryption:
        return QStringLiteral("Die verschlüsselte Verbindung zum Server „%1“ konnte nicht aufgebaut werden.")
            .arg(server);
    default: return failureOfTheMessage(step);
    }
}

QString SmtpTexts::serverReply(const QString &reply)
{
    return QStringLiteral("Antwort des Servers: ") + reply;
}

QString SmtpTexts::timedOut(const QString &server)
{
    return QStringLiteral("Der Server „%1“ hat nicht rechtzeitig geantwortet (Zeitüberschreitung).").arg(server);
}

QString SmtpTexts::hungUp(const QString &server)
{
    return QStringLiteral("Der Server „%1“ hat die Verbindung beendet.").arg(server);
}

QString SmtpTexts::garbled(const QString &server)
{
    return QStringLiteral("Die Antwort des Servers „%1“ war unlesbar.").arg(server);
}

QString SmtpTexts::hostNotFound()
{
    return QStringLiteral("Der Server wurde nicht gefunden.");
}

QString SmtpTexts::connectionRefused()
{
    return QStringLiteral("Der Server ist nicht erreichbar (Verbindung abgelehnt).");
}

QString SmtpTexts::interrupted(const QString &server)
{
    return QStringLiteral("Die Verbindung zum Server „%1“ wurde unterbrochen.").arg(server);
}

QString SmtpTexts::noLoginMechanism(const QString &offered)
{
    return QStringLiteral("Der Server bietet kein unterstütztes Anmeldeverfahren an (%1).").arg(offered);
}

QString SmtpTexts::sizeLimit(qint64 limit, qint64 size)
{
    return countedText(limit, QStringLiteral("Der Server nimmt höchstens %n Byte an, die Nachricht hat %1."),
                       QStringLiteral("Der Server nimmt höchstens %n Bytes an, die Nachricht hat %1."))
        .arg(QLocale(QLocale::German).toString(size));
}

QString SmtpTexts::noSmtpUtf8(const QString &server, const QString &recipient)
{
    return QStringLiteral("Der Server „%1“ nimmt keine internationalen e-Mail-Adressen (SMTPUTF8) an; "
                          "die Nachricht an „%2“ wurde nicht gesendet.")
        .arg(server, recipient);
}

QString SmtpTexts::busy()
{
    return QStringLiteral("Es wird gerade eine Verbindung aufgebaut oder eine Nachricht gesendet.");
}

QString SmtpTexts::notConnected()
{
    return QStringLiteral("Es besteht keine Verbindung zum Server.");
}

QString SmtpTexts::noServer()
{
    return QStringLiteral("Es ist kein Postausgangsserver angegeben.");
}

QString SmtpTexts::invalidServer(const QString &server)
{
    return QStringLiteral("Der Servername „%1“ ist ungültig.").arg(server);
}

QString SmtpTexts::invalidPort(qint32 port)
{
    return QStringLiteral("Der Port %1 ist ungültig.").arg(port);
}

QString SmtpTexts::plainOnlyOnThisMachine()
{
    return QStringLiteral("Ohne Verschlüsselung darf nur ein Server auf diesem Rechner verwendet werden.");
}

QString SmtpTexts::unreadableCaFile(const QString &path)
{
    return QStringLiteral("Die Zertifikatsdatei „%1“ kann nicht gelesen werden.").arg(path);
}

QString SmtpTexts::invalidRecipient(const QString &address)
{
    return QStringLiteral("Die Empfängeradresse „%1“ ist ungültig.").arg(address);
}

QString SmtpTexts::invalidSender(const QString &address)
{
    return QStringLiteral("Die Absenderadresse „%1“ ist ungültig.").arg(address);
}

QString SmtpTexts::invalidReplyTo(const QString &address)
{
    return QStringLiteral("Die Antwortadresse „%1“ ist ungültig.").arg(address);
}

QString SmtpTexts::attachmentMissing(const QString &path)
{
    return QStringLiteral("Die Anlage „%1“ wurde nicht gefunden.").arg(path);
}

QString SmtpTexts::attachmentUnreadable(const QString &path)
{
    return QStringLiteral("Die Anlage „%1“ kann nicht gelesen werden.").arg(path);
}

QString SmtpTexts::attachmentsChanged()
{
    return QStringLiteral("Die Anlagen wurden geändert, während die Nachricht vorbereitet wurde.");
}

QString SmtpTexts::attachmentUnpackable(const QString &path)
{
    return QStringLiteral("Die Anlage „%1“ konnte nicht gepackt werden.").arg(path);
}

} // namespace OrvVelmora
