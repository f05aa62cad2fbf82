#include "sendrun/GermanCount.h"

namespace OrvVelmora {

QString GermanCount::recipientsHave(qint64 count)
{
    return count == 1 ? QStringLiteral("1 Empfänger hat") : QStringLiteral("%1 Empfänger haben").arg(count);
}

QString GermanCount::recipientsDative(qint64 count)
{
    return count == 1 ? QStringLiteral("1 Empfänger") : QStringLiteral("%1 Empfängern").arg(count);
}

QString GermanCount::mails(qint64 count)
{
    return count == 1 ? QStringLiteral("1 e-Mail") : QStringLiteral("%1 e-Mails").arg(count);
}

} // namespace OrvVelmora
