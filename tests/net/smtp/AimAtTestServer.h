#pragma once

#include "SmtpTestServer.h"
#include "net/smtp/SmtpTransport.h"

namespace OrvVelmora::Testing {

/// Points the transport at a test server, with short time limits, and readies
/// a plain message from the company to one customer.
inline void aimAt(SmtpTransport &transport, const SmtpTestServer &server, int timeoutSeconds = 2)
{
    transport.setServer(server.host());
    transport.setPort(server.port());
    transport.setConnectTimeout(timeoutSeconds);
    transport.setTimeout(timeoutSeconds);
    transport.setFromAddress(QStringLiteral("versand@example.de"));
    transport.setRecipient(QStringLiteral("kunde@example.com"));
    transport.setSubject(QStringLiteral("Betreff"));
    transport.setBody(QStringLiteral("Text"));
}

} // namespace OrvVelmora::Testing
