#pragma once

#include "settings/TrustedCertificate.h"

#include <QDialog>
#include <QSslCertificate>

class QLabel;
class QPushButton;

namespace OrvVelmora {

class SmtpTransport;

/// Asks whether to trust a certificate the system does not trust (a server
/// with its own or a company CA): the server, whom it was issued to and by,
/// how long it is valid and its SHA-256 fingerprint, so the user can compare
/// it with what the administrator says. Accepting trusts exactly this
/// certificate, with the faults it has now, for exactly this server and port.
class frmCertificateException : public QDialog
{
    Q_OBJECT
public:
    /// reasons: why the certificate is not trusted, in German, one a line.
    frmCertificateException(const QString &server, const QSslCertificate &certificate, const QStringList &reasons,
                            QWidget *parent = nullptr);

    /// Shows the certificate the transport's last handshake met with why it
    /// was refused and, when the user trusts it, has the transport accept it
    /// from now on. The pin for the transport's server and port, or an invalid
    /// one when there was no certificate, the user declined, or the
    /// certificate has a fault no pin may cover (then only declining is offered).
    static TrustedCertificate askToTrust(const QString &server, qint32 port, SmtpTransport &transport, QWidget *parent);

    [[nodiscard]] QByteArray fingerprint() const { return m_fingerprint; }
    [[nodiscard]] QLabel *lblHinweis() const { return m_details; }
    [[nodiscard]] QPushButton *cmdVertrauen() const { return m_cmdVertrauen; }
    [[nodiscard]] QPushButton *cmdAbbrechen() const { return m_cmdAbbrechen; }

private:
    QByteArray m_fingerprint;
    QLabel *m_details;
    QPushButton *m_cmdVertrauen;
    QPushButton *m_cmdAbbrechen;
};

} // namespace OrvVelmora
