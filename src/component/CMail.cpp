#include <OrvVelmora/CMail.h>

#include "base/platform/PlatformServices.h"
#include "component/CMailInternal.h"
#include "component/ComponentLog.h"
#include "wizard/frmDialogMail.h"

#include <exception>

namespace OrvVelmora {

CMail::CMail()
    : m_internal(std::make_unique<Internal>(*this))
{
}

CMail::~CMail() = default;

void CMail::setADOConnection(const QSqlDatabase &connection)
{
    m_internal->connection = connection;
}
QSqlDatabase CMail::ADOConnection() const
{
    return m_internal->connection;
}

void CMail::setADOConnectionSettings(const QVariant &settings)
{
    m_internal->connectionSettings = settings;
}
QVariant CMail::ADOConnectionSettings() const
{
    return m_internal->connectionSettings;
}

void CMail::setColor(std::shared_ptr<ColorScheme> scheme)
{
    m_internal->color = std::move(scheme);
}
std::shared_ptr<ColorScheme> CMail::Color() const
{
    return m_internal->color;
}

void CMail::setConfigFileName(const QString &fileName)
{
    m_internal->configFileName = fileName;
}
QString CMail::ConfigFileName() const
{
    return m_internal->configFileName;
}

CMail::Internal &CMail::internal()
{
    return *m_internal;
}
const CMail::Internal &CMail::internal() const
{
    return *m_internal;
}

CallStatus CMail::ShowDialog()
{
    // The launch has no error handling of its own: the first failing step ends
    // the call, and the host only learns that it failed.
    try {
        PlatformServices &platform = PlatformServices::instance();
        platform.setMousePointer(HourglassPointer);
        m_internal->LoadSettings();
        frmDialogMail &wizard = m_internal->wizard();
        wizard.setOwner(m_internal.get());
        platform.setMousePointer(DefaultPointer);
        wizard.offerToContinue();
        wizard.showModal();
        m_internal->releaseWizard();
        return CallStatus::Ok;
    } catch (const std::exception &error) {
        qCWarning(lcComponent) << "ShowDialog failed:" << error.what();
        return CallStatus::Failed;
    } catch (...) {
        qCWarning(lcComponent) << "ShowDialog failed";
        return CallStatus::Failed;
    }
}

} // namespace OrvVelmora
