// A host as outside users write one: it must compile against the installed
// headers only and be able to create the component and reach every property.
#include <OrvVelmora/CMail.h>
#include <OrvVelmora/OrvVelmora.h>
#include <OrvVelmora/Version.h>

#include <QApplication>
#include <QSqlDatabase>

#include <cstdio>

static_assert(ORVVELMORA_VERSION >= ORVVELMORA_VERSION_CHECK(0, 1, 0), "version macros out of order");

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    OrvVelmora::CMail mail;
    mail.setADOConnection(QSqlDatabase());
    mail.setADOConnectionSettings(QVariant(42));
    mail.setConfigFileName(QStringLiteral("/tmp/tiny-host.ini"));
    if (!mail.Color() || mail.ADOConnectionSettings().toInt() != 42)
        return 1;
    OrvVelmoraMail *c = OrvVelmora_Create();
    unsigned int red = 0;
    const int rc = OrvVelmora_SetConfigFileName(c, "/tmp/tiny-host.ini") | OrvVelmora_SetColor(c, 1, 0xFFu) |
        OrvVelmora_GetColor(c, 1, &red) | (red != 0xFFu);
    OrvVelmora_Destroy(c);
    std::printf("tiny host ok %s\n", ORVVELMORA_VERSION_STRING);
    return rc;
}
