#include <OrvVelmora/CMail.h>
#include <OrvVelmora/OrvVelmora.h>

#include <new>

struct OrvVelmoraMail
{
    OrvVelmora::CMail mail;
};

extern "C" {

OrvVelmoraMail *OrvVelmora_Create(void)
{
    return new (std::nothrow) OrvVelmoraMail;
}

void OrvVelmora_Destroy(OrvVelmoraMail *mail)
{
    delete mail;
}

int OrvVelmora_SetConnectionName(OrvVelmoraMail *mail, const char *connectionName)
{
    if (!mail || !connectionName)
        return 1;
    mail->mail.setADOConnection(QSqlDatabase::database(QString::fromUtf8(connectionName), false));
    return 0;
}

int OrvVelmora_SetConfigFileName(OrvVelmoraMail *mail, const char *fileName)
{
    if (!mail)
        return 1;
    mail->mail.setConfigFileName(fileName ? QString::fromUtf8(fileName) : QString());
    return 0;
}

int OrvVelmora_ShowDialog(OrvVelmoraMail *mail)
{
    if (!mail)
        return 1;
    return mail->mail.ShowDialog() == OrvVelmora::CallStatus::Ok ? 0 : 1;
}

} // extern "C"
