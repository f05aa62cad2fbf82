#pragma once

#include "settings/AccountOptions.h"
#include "settings/SenderSettings.h"
#include "settings/SettingsFileStore.h"

#include <OrvVelmora/ColorScheme.h>

#include <QSqlDatabase>
#include <QVariant>

#include <memory>

namespace OrvVelmora {

/// What the wizard and the account dialog see of the CMail that opened them:
/// the sender settings with their accessors, loading and saving, the host's
/// connection and the colour scheme. It lives below the wizard and the dialog,
/// so they reach their owner without depending on the class that creates them.
class MailSettings
{
public:
    MailSettings();
    virtual ~MailSettings();
    MailSettings(const MailSettings &) = delete;
    MailSettings &operator=(const MailSettings &) = delete;

    QString SenderName() const { return m_settings.SenderName; }
    void setSenderName(const QString &v) { m_settings.SenderName = v; }
    QString SenderAddress() const { return m_settings.SenderAddress; }
    void setSenderAddress(const QString &v) { m_settings.SenderAddress = v; }
    QString SenderCompany() const { return m_settings.SenderCompany; }
    void setSenderCompany(const QString &v) { m_settings.SenderCompany = v; }
    QString ReplyToAddress() const { return m_settings.ReplyToAddress; }
    void setReplyToAddress(const QString &v) { m_settings.ReplyToAddress = v; }
    QString SmtpServer() const { return m_settings.SmtpServer; }
    void setSmtpServer(const QString &v) { m_settings.SmtpServer = v; }
    qint32 SmtpPort() const { return m_settings.SmtpPort; }
    void setSmtpPort(qint32 v) { m_settings.SmtpPort = v; }
    QString SmtpUser() const { return m_settings.SmtpUser; }
    void setSmtpUser(const QString &v) { m_settings.SmtpUser = v; }
    QString SmtpPassword() const { return m_settings.SmtpPassword; }
    void setSmtpPassword(const QString &v) { m_settings.SmtpPassword = v; }

    const SenderSettings &settings() const { return m_settings; }

    const AccountOptions &accountOptions() const { return m_options; }
    void setAccountOptions(const AccountOptions &options) { m_options = options; }
    /// Keeps a certificate exception the user granted during a send run: the
    /// option and that one key in the file, leaving every other value as it is.
    void trustCertificate(const QString &zertifikat);

    /// Fills the settings from the settings file, then empty sender fields from
    /// tbFirma. Never fails: a step that cannot run leaves its field as it was.
    void LoadSettings();
    /// Writes the eight values and the account options to the settings file
    /// with one write; failures are silent. An option is written only when it
    /// has a value or the file already holds the key, so files of accounts
    /// that never used one stay as they were.
    ///
    /// The password goes into the system keyring where one answers, and "PWD"
    /// leaves the file; a password still in the file is used by the load and
    /// moved at the next save. Without a keyring, or with "KennwortInDatei=1",
    /// it stays in the file (owner-only). See passwordPlace().
    void SaveSettings();

    /// Where the last save put the password: NotSaved when a keyring is there
    /// but refused it or was not unlocked (the file keeps what it had then).
    enum class PasswordPlace { Keyring, SettingsFile, NotSaved };
    [[nodiscard]] PasswordPlace passwordPlace() const { return m_passwordPlace; }
    /// True when the last save put the password into the file and the file
    /// held none before: the moment to tell the person, once.
    [[nodiscard]] bool passwordNewlyInFile() const { return m_passwordNewlyInFile; }
    /// Extra certificate authority for servers with a private CA: the key
    /// "CAFile" in the section "Velmora" of the settings file, read fresh each
    /// time and never written by the component. Empty: system trust store only.
    QString CAFile();
    /// Another key that is read fresh each time and never written (the
    /// sign-in endpoints), trimmed.
    QString readOnlyKey(const char *key);

    QSqlDatabase connection;
    QVariant connectionSettings;
    std::shared_ptr<ColorScheme> color;
    QString configFileName;

private:
    SettingsFileStore &store();
    void loadFromFile();
    void fillFromCompanyTable();
    void loadOptionsFromFile();
    IniText::Values optionValues();
    bool passwordStaysInFile();
    QString passwordKey() const;
    void loadPasswordFromKeyring();
    PasswordPlace savePassword();

    SenderSettings m_settings;
    AccountOptions m_options;
    PasswordPlace m_passwordPlace = PasswordPlace::SettingsFile;
    bool m_passwordNewlyInFile = false;
    std::unique_ptr<SettingsFileStore> m_store;
};

} // namespace OrvVelmora
