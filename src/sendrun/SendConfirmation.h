#pragma once

#include "journal/DeliveryBook.h"
#include "sendrun/PreflightFinding.h"

#include <algorithm>
#include <functional>
#include <optional>

namespace OrvVelmora {

/// The question before a mailing when its check found something: how many
/// get it (shared addresses once, or every row of them), over which server,
/// and the findings to show with it.
struct SendConfirmation
{
    qint32 count = 0;
    qint32 countEach = 0;
    QString server;
    QList<PreflightFinding> findings;

    [[nodiscard]] bool refused() const
    {
        return std::any_of(findings.cbegin(), findings.cend(), [](const PreflightFinding &f) { return f.refuses; });
    }
};

/// Shows the confirmation; how rows of a shared address are to be sent when
/// the person sends anyway, nothing when not.
using SendReviewer = std::function<std::optional<DuplicateAddresses>(const SendConfirmation &)>;

} // namespace OrvVelmora
