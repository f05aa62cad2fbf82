#pragma once

#include "settings/MailSettings.h"

#include <OrvVelmora/CMail.h>

#include <memory>

namespace OrvVelmora {

class frmDialogMail;

/// The component-internal face of CMail: its settings (handed to the wizard
/// as its Owner) and the wizard instance.
class CMail::Internal : public MailSettings
{
public:
    explicit Internal(CMail &mail);
    ~Internal() override;

    CMail &mail() { return m_mail; }

    /// The one wizard of this component; created on first use.
    frmDialogMail &wizard();
    /// Lets the wizard go (it is re-created by the next ShowDialog).
    void releaseWizard();

private:
    CMail &m_mail;
    std::unique_ptr<frmDialogMail> m_wizard;
};

} // namespace OrvVelmora
