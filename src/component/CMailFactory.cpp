#include <OrvVelmora/CMail.h>
#include <OrvVelmora/OrvVelmora.h>

#include <cstring>
#include <new>

struct OrvVelmoraMail
{
    OrvVelmora::CMail mail;
};

namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kColorCount = 5;

int copyText(const QString &text, char *buffer, size_t *size)
{
    if (!size)
        return kFailed;
    const QByteArray utf8 = text.toUtf8();
    const size_t needed = size_t(utf8.size()) + 1;
    const bool fits = buffer && *size >= needed;
    *size = needed;
    if (!fits)
        return kFailed;
    std::memcpy(buffer, utf8.constData(), needed);
    return kOk;
}

unsigned int toBgr(const QColor &color)
{
    return unsigned(color.red()) | unsigned(color.green()) << 8 | unsigned(color.blue()) << 16;
}

QColor fromBgr(unsigned int bgr)
{
    return QColor(int(bgr & 0xFF), int(bgr >> 8 & 0xFF), int(bgr >> 16 & 0xFF));
}

QColor schemeColor(const OrvVelmora::ColorScheme &scheme, int index)
{
    const QColor colors[kColorCount] = {scheme.SchemeColor1(), scheme.SchemeColor2(), scheme.SchemeColor3(),
                                        scheme.SchemeColor4(), scheme.SchemeColor5()};
    return colors[index - 1];
}

} // namespace

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

int OrvVelmora_GetConnectionName(OrvVelmoraMail *mail, char *buffer, size_t *size)
{
    if (!mail)
        return kFailed;
    return copyText(mail->mail.ADOConnection().connectionName(), buffer, size);
}

int OrvVelmora_GetConfigFileName(OrvVelmoraMail *mail, char *buffer, size_t *size)
{
    if (!mail)
        return kFailed;
    return copyText(mail->mail.ConfigFileName(), buffer, size);
}

int OrvVelmora_SetADOConnectionSettings(OrvVelmoraMail *mail, void *settings)
{
    if (!mail)
        return kFailed;
    mail->mail.setADOConnectionSettings(settings ? QVariant::fromValue(settings) : QVariant());
    return kOk;
}

int OrvVelmora_GetADOConnectionSettings(OrvVelmoraMail *mail, void **settings)
{
    if (!mail || !settings)
        return kFailed;
    const QVariant value = mail->mail.ADOConnectionSettings();
    *settings = value.metaType() == QMetaType::fromType<void *>() ? value.value<void *>() : nullptr;
    return kOk;
}

int OrvVelmora_SetColor(OrvVelmoraMail *mail, int index, unsigned int bgr)
{
    if (!mail || index < 1 || index > kColorCount || !mail->mail.Color())
        return kFailed;
    mail->mail.Color()->setSchemeColor(index, fromBgr(bgr));
    return kOk;
}

int OrvVelmora_GetColor(OrvVelmoraMail *mail, int index, unsigned int *bgr)
{
    if (!mail || !bgr || index < 1 || index > kColorCount || !mail->mail.Color())
        return kFailed;
    *bgr = toBgr(schemeColor(*mail->mail.Color(), index));
    return kOk;
}

} // extern "C"
