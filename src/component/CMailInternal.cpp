#include "component/CMailInternal.h"

#include "wizard/frmDialogMail.h"

namespace OrvVelmora {

CMail::Internal::Internal(CMail &mail)
    : m_mail(mail)
{
}

CMail::Internal::~Internal()
{
    // The wizard holds a reference to its owner; it must go first.
    m_wizard.reset();
}

frmDialogMail &CMail::Internal::wizard()
{
    if (!m_wizard)
        m_wizard = std::make_unique<frmDialogMail>();
    return *m_wizard;
}

void CMail::Internal::releaseWizard()
{
    m_wizard.reset();
}

} // namespace OrvVelmora
