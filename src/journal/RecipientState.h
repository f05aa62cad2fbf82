#pragma once

#include <QString>

#include <optional>

namespace OrvVelmora {

/// Where one recipient of a mailing stands. The journal stores the German
/// names, so that a person who opens the file reads what the wizard says.
enum class RecipientState {
    Open,             ///< "offen": not sent yet
    Sending,          ///< "wird gesendet": the message is on its way, no reply yet
    Sent,             ///< "gesendet": the server accepted it
    Refused,          ///< "abgelehnt": a 5xx reply
    TemporaryRefused, ///< "vorübergehend abgelehnt": a 4xx reply; sent again later
    Uncertain,        ///< "unsicher": the connection ended after the message, before the reply
};

[[nodiscard]] QString stateName(RecipientState state);
[[nodiscard]] std::optional<RecipientState> stateFromName(const QString &name);

/// True for the states a continued mailing sends without asking.
[[nodiscard]] bool sentOnContinue(RecipientState state);

} // namespace OrvVelmora
