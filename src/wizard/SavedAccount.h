#pragma once

#include "sendrun/SendRunAccount.h"

class QWidget;

namespace OrvVelmora {

class MailSettings;

/// The saved account as the wizard's send run meets it: the sign-in token
/// (renewed silently when it has run out), the trusted certificate and the
/// relay choice from the settings, and the certificate question for a server
/// whose certificate nobody trusts yet. A certificate the person trusts is
/// stored at once, so the next run and the account dialog know it.
class SavedAccount final : public SendRunAccount
{
public:
    SavedAccount(MailSettings &settings, QWidget *dialogParent);

    std::optional<QString> prepare(SmtpTransport &transport) override;
    bool trustCertificate(SmtpTransport &transport) override;

private:
    MailSettings &m_settings;
    QWidget *m_dialogParent;
};

} // namespace OrvVelmora
