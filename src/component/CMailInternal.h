#pragma once

#include "component/SenderSettings.h"
#include "outside/SettingsFileStore.h"

#include <OrvVelmora/CMail.h>

#include <QPointer>

#include <memory>

namespace OrvVelmora {

class frmDialogMail;

/// The component-internal face of CMail: the sender settings with their
/// accessors, loading and saving, and the wizard instance. The wizard and the
/// account dialog reach it through their Owner.
class CMail::Internal
{
public:
    explicit Internal(CMail &mail);
    ~Internal();

    CMail &mail() { return m_mail; }

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

    /// Fills the settings from the settings file, then empty sender fields from
    /// tbFirma. Never fails: a step that cannot run leaves its field as it was.
    void LoadSettings();
    /// Writes the eight values to the settings file; failures are silent.
    void SaveSettings();
    /// Extra certificate authority for servers with a private CA: the key
    /// "CAFile" in the section "Velmora" of the settings file, read fresh each
    /// time and never written by the component. Empty: system trust store only.
    QString CAFile();

    /// The one wizard of this component; created on first use.
    frmDialogMail &wizard();
    /// Lets the wizard go (it is re-created by the next ShowDialog).
    void releaseWizard();

    QSqlDatabase connection;
    QVariant connectionSettings;
    std::shared_ptr<ColorScheme> color;
    QString configFileName;

private:
    SettingsFileStore &store();
    void loadFromFile();
    void fillFromCompanyTable();

    CMail &m_mail;
    SenderSettings m_settings;
    std::unique_ptr<SettingsFileStore> m_store;
    std::unique_ptr<frmDialogMail> m_wizard;
};

} // namespace OrvVelmora
