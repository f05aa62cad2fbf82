#pragma once

namespace OrvVelmora {

/// Qt's own texts in German: the standard buttons of message boxes ("Ja",
/// "Nein", "Abbrechen"), the file and colour dialogs, the context menus of
/// text fields. The component's windows are German throughout, so it loads
/// qtbase_de from Qt's translations folder once, when the first wizard is
/// made, unless the host has already installed a translation of Qt's texts
/// (then the host's choice stands).
class GermanQtTexts
{
public:
    /// True when a translator was installed now or by an earlier call.
    static bool install();
};

} // namespace OrvVelmora
