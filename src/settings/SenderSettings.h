#pragma once

#include <QString>

namespace OrvVelmora {

/// The sender identity and SMTP account, in the order they are loaded and saved.
struct SenderSettings
{
    QString SenderName;
    QString SenderAddress;
    QString SenderCompany;
    QString ReplyToAddress;
    QString SmtpServer;
    qint32 SmtpPort = 0;
    QString SmtpUser;
    QString SmtpPassword;

    bool operator==(const SenderSettings &) const = default;
};

} // namespace OrvVelmora
