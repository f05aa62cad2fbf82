#pragma once

#include "ScriptedPlatformServices.h"

#include "settings/MailSettings.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace OrvVelmora::Testing {

/// Sender settings whose settings file lives in a fresh folder, with known sender
/// settings, and the scripted desk installed.
class AccountFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mail.configFileName = folder.filePath(QStringLiteral("velmora.ini"));
        MailSettings &s = mail;
        s.setSenderName(QStringLiteral("Anna Alt"));
        s.setSenderAddress(QStringLiteral("anna@alt.example"));
        s.setSenderCompany(QStringLiteral("Alt GmbH"));
        s.setReplyToAddress(QStringLiteral("antwort@alt.example"));
        s.setSmtpServer(QStringLiteral("smtp.alt.example"));
        s.setSmtpPort(587);
        s.setSmtpUser(QStringLiteral("anna"));
        s.setSmtpPassword(QStringLiteral(" alt geheim "));
    }

    QTemporaryDir folder;
    ScriptedPlatformServices platform;
    ScriptedPlatformServices::Scope scope{platform};
    MailSettings mail;
};

} // namespace OrvVelmora::Testing
