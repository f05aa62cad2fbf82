#include "wizard/frmDialogMail.h"

namespace OrvVelmora {

frmDialogMail::frmDialogMail(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Assistent zur Erstellung von Velmoras..."));
}

frmDialogMail::~frmDialogMail() = default;

void frmDialogMail::setOwner(CMail *owner)
{
    m_owner = owner;
    initialise();
}

void frmDialogMail::initialise()
{
}

void frmDialogMail::showModal()
{
    setModal(true);
    exec();
}

} // namespace OrvVelmora
