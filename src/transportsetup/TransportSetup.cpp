#include "transportsetup/TransportSetup.h"

#include "net/smtp/SmtpTransport.h"

namespace OrvVelmora {

void TransportSetup::writeTo(SmtpTransport &transport) const
{
    transport.setServer(settings.SmtpServer);
    transport.setPort(settings.SmtpPort);
    transport.setUserName(settings.SmtpUser);
    transport.setPassword(settings.SmtpPassword);
    transport.setUseAuthentication(true);
    transport.setFromName(settings.SenderName);
    transport.setFromAddress(settings.SenderAddress);
    transport.setOrganization(settings.SenderCompany);
    transport.setReplyTo(settings.ReplyToAddress);
    transport.setHeloName(heloName);
    transport.setTlsMode(SmtpTlsMode::Required);
    transport.setConnectTimeout(10);
    transport.ClearAttachments();
}

} // namespace OrvVelmora
