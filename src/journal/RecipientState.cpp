#include "journal/RecipientState.h"

#include <array>
#include <utility>

namespace OrvVelmora {

namespace {

const std::array<std::pair<RecipientState, const char *>, 6> kNames{{
    {RecipientState::Open, "offen"},
    {RecipientState::Sending, "wird gesendet"},
    {RecipientState::Sent, "gesendet"},
    {RecipientState::Refused, "abgelehnt"},
    {RecipientState::TemporaryRefused, "vorübergehend abgelehnt"},
    {RecipientState::Uncertain, "unsicher"},
}};

} // namespace

QString stateName(RecipientState state)
{
    for (const auto &[value, name] : kNames)
        if (value == state)
            return QString::fromUtf8(name);
    return {};
}

std::optional<RecipientState> stateFromName(const QString &name)
{
    for (const auto &[value, text] : kNames)
        if (name == QString::fromUtf8(text))
            return value;
    return std::nullopt;
}

bool sentOnContinue(RecipientState state)
{
    return state == RecipientState::Open || state == RecipientState::TemporaryRefused;
}

} // namespace OrvVelmora
