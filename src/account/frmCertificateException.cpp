#include "account/frmCertificateException.h"

#include "base/platform/PlatformServices.h"
#include "net/smtp/SmtpTransport.h"
#include "settings/TrustedCertificate.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace OrvVelmora {

namespace {

QString nameOf(const QStringList &commonNames, const QStringList &organisations)
{
    QStringList parts;
    if (!commonNames.isEmpty())
        parts << commonNames.join(QStringLiteral(", "));
    if (!organisations.isEmpty())
        parts << organisations.join(QStringLiteral(", "));
    return parts.isEmpty() ? QStringLiteral("(ohne Namen)") : parts.join(QStringLiteral(" – "));
}

QString dateText(const QDateTime &moment)
{
    return QLocale(QLocale::German, QLocale::Germany)
        .toString(moment.toLocalTime().date(), QStringLiteral("dd.MM.yyyy"));
}

// Everything in this dialog comes from the server (or the man in the middle
// that this dialog is there to catch): it is shown as the text it is, never
// as markup that could dress it up as a verdict of ours.
QLabel *plainLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setWordWrap(true);
    return label;
}

QLabel *valueLabel(const QString &text, QWidget *parent)
{
    QLabel *label = plainLabel(text, parent);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

frmCertificateException::frmCertificateException(const QString &server, const QSslCertificate &certificate,
                                                 const QStringList &reasons, QWidget *parent)
    : QDialog(parent)
    , m_fingerprint(certificate.digest(QCryptographicHash::Sha256))
    , m_details(plainLabel(reasons.join(QLatin1Char('\n')), this))
    , m_cmdVertrauen(new QPushButton(QStringLiteral("Diesem Zertifikat &vertrauen"), this))
    , m_cmdAbbrechen(new QPushButton(QStringLiteral("A&bbrechen"), this))
{
    setObjectName(QStringLiteral("frmCertificateException"));
    setWindowTitle(QStringLiteral("Zertifikat prüfen"));
    m_cmdVertrauen->setObjectName(QStringLiteral("cmdVertrauen"));
    m_cmdAbbrechen->setObjectName(QStringLiteral("cmdAbbrechen"));
    m_cmdAbbrechen->setDefault(true);

    QLabel *intro =
        plainLabel(QStringLiteral("Der Server „%1“ hat ein Zertifikat vorgelegt, das auf diesem Rechner nicht als "
                                  "vertrauenswürdig gilt. Vertrauen Sie ihm nur, wenn Ihr Administrator Ihnen den "
                                  "Fingerabdruck unten bestätigt hat. Danach wird genau dieses Zertifikat für diesen "
                                  "Server angenommen; ein anderes Zertifikat wird abgelehnt.")
                       .arg(server.trimmed()),
                   this);

    auto *form = new QFormLayout;
    form->addRow(plainLabel(QStringLiteral("Server:"), this), valueLabel(server.trimmed(), this));
    form->addRow(plainLabel(QStringLiteral("Ausgestellt für:"), this),
                 valueLabel(nameOf(certificate.subjectInfo(QSslCertificate::CommonName),
                                   certificate.subjectInfo(QSslCertificate::Organization)),
                            this));
    form->addRow(plainLabel(QStringLiteral("Ausgestellt von:"), this),
                 valueLabel(nameOf(certificate.issuerInfo(QSslCertificate::CommonName),
                                   certificate.issuerInfo(QSslCertificate::Organization)),
                            this));
    form->addRow(plainLabel(QStringLiteral("Gültig:"), this),
                 valueLabel(QStringLiteral("vom %1 bis %2")
                                .arg(dateText(certificate.effectiveDate()), dateText(certificate.expiryDate())),
                            this));
    QLabel *fingerprint = valueLabel(TrustedCertificate::displayed(m_fingerprint), this);
    fingerprint->setObjectName(QStringLiteral("lblFingerabdruck"));
    fingerprint->setFont(QFont(QStringLiteral("monospace")));
    form->addRow(plainLabel(QStringLiteral("SHA-256:"), this), fingerprint);
    m_details->setObjectName(QStringLiteral("lblHinweis"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cmdVertrauen);
    buttons->addWidget(m_cmdAbbrechen);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(form);
    layout->addWidget(m_details);
    layout->addLayout(buttons);
    connect(m_cmdVertrauen, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cmdAbbrechen, &QPushButton::clicked, this, &QDialog::reject);
    setMinimumWidth(560);
}

TrustedCertificate frmCertificateException::askToTrust(const QString &server, qint32 port, SmtpTransport &transport,
                                                       QWidget *parent)
{
    const QSslCertificate certificate = transport.PeerCertificate();
    if (certificate.isNull())
        return {};
    const QList<QSslError> errors = transport.PeerCertificateErrors();
    QStringList reasons;
    if (transport.LastFailure() == SmtpTransport::Failure::CertificateChanged)
        reasons << QStringLiteral("Der Server legt nicht mehr das Zertifikat vor, dem Sie vertraut haben.");
    reasons << TrustedCertificate::reasons(errors);
    TrustedCertificate pin = TrustedCertificate::granted(server, port, certificate, errors);
    frmCertificateException question(server, certificate, reasons, parent);
    // An expired or revoked certificate is no server's own certificate: it is
    // shown with the reason, and only declining is possible.
    question.cmdVertrauen()->setEnabled(pin.isValid());
    if (PlatformServices::instance().execDialog(question) != QDialog::Accepted || !pin.isValid())
        return {};
    transport.setTrustedCertificate(pin.sha256(), pin.acceptedErrors());
    return pin;
}

} // namespace OrvVelmora
