// A host as outside users write one: it must compile against the installed
// headers only and be able to create the component and reach every property.
#include <OrvVelmora/CMail.h>
#include <OrvVelmora/OrvVelmora.h>

#include <QApplication>
#include <QSqlDatabase>

#include <cstdio>

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
    const int rc = OrvVelmora_SetConfigFileName(c, "/tmp/tiny-host.ini") | OrvVelmora_SetColor(c, 1, 0xFFu)
                   | OrvVelmora_GetColor(c, 1, &red) | (red != 0xFFu);
    OrvVelmora_Destroy(c);
    std::puts("tiny host ok");
    return rc;
}
