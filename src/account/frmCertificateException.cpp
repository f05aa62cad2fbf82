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

QLabel *valueLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setWordWrap(true);
    return label;
}

} // namespace

frmCertificateException::frmCertificateException(const QString &server, const QSslCertificate &certificate,
                                                 QWidget *parent)
    : QDialog(parent)
    , m_fingerprint(certificate.digest(QCryptographicHash::Sha256))
    , m_details(new QLabel(this))
    , m_cmdVertrauen(new QPushButton(QStringLiteral("Diesem Zertifikat &vertrauen"), this))
    , m_cmdAbbrechen(new QPushButton(QStringLiteral("A&bbrechen"), this))
{
    setObjectName(QStringLiteral("frmCertificateException"));
    setWindowTitle(QStringLiteral("Zertifikat prüfen"));
    m_cmdVertrauen->setObjectName(QStringLiteral("cmdVertrauen"));
    m_cmdAbbrechen->setObjectName(QStringLiteral("cmdAbbrechen"));
    m_cmdAbbrechen->setDefault(true);

    auto *intro =
        new QLabel(QStringLiteral("Der Server „%1“ hat ein Zertifikat vorgelegt, das auf diesem Rechner nicht als "
                                  "vertrauenswürdig gilt. Vertrauen Sie ihm nur, wenn Ihr Administrator Ihnen den "
                                  "Fingerabdruck unten bestätigt hat. Danach wird genau dieses Zertifikat für diesen "
                                  "Server angenommen; ein anderes Zertifikat wird abgelehnt.")
                       .arg(server.trimmed()),
                   this);
    intro->setWordWrap(true);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Server:"), valueLabel(server.trimmed(), this));
    form->addRow(QStringLiteral("Ausgestellt für:"),
                 valueLabel(nameOf(certificate.subjectInfo(QSslCertificate::CommonName),
                                   certificate.subjectInfo(QSslCertificate::Organization)),
                            this));
    form->addRow(QStringLiteral("Ausgestellt von:"),
                 valueLabel(nameOf(certificate.issuerInfo(QSslCertificate::CommonName),
                                   certificate.issuerInfo(QSslCertificate::Organization)),
                            this));
    form->addRow(QStringLiteral("Gültig:"),
                 valueLabel(QStringLiteral("vom %1 bis %2")
                                .arg(dateText(certificate.effectiveDate()), dateText(certificate.expiryDate())),
                            this));
    QLabel *fingerprint = valueLabel(TrustedCertificate::displayed(m_fingerprint), this);
    fingerprint->setObjectName(QStringLiteral("lblFingerabdruck"));
    fingerprint->setFont(QFont(QStringLiteral("monospace")));
    form->addRow(QStringLiteral("SHA-256:"), fingerprint);
    m_details->setObjectName(QStringLiteral("lblHinweis"));
    m_details->setWordWrap(true);
    if (QDateTime::currentDateTimeUtc() > certificate.expiryDate())
        m_details->setText(QStringLiteral("Achtung: Dieses Zertifikat ist abgelaufen."));

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

QByteArray frmCertificateException::askToTrust(const QString &server, SmtpTransport &transport, QWidget *parent)
{
    const QSslCertificate certificate = transport.PeerCertificate();
    if (certificate.isNull())
        return {};
    frmCertificateException question(server, certificate, parent);
    if (PlatformServices::instance().execDialog(question) != QDialog::Accepted)
        return {};
    transport.setTrustedCertificate(question.fingerprint());
    return question.fingerprint();
}

} // namespace OrvVelmora
