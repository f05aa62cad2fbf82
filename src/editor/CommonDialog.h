#pragma once

#include <QColor>
#include <QString>

#include <optional>

namespace OrvVelmora {

/// The editor's one common dialog for files and colours. Like the classic
/// dialog object it keeps its settings between uses: above all the file name
/// chosen last, which the next file dialog starts with unless the caller sets
/// another. The dialogs themselves run through the platform services.
class CommonDialog
{
public:
    QString DialogTitle;
    QString Filter;
    int FilterIndex = 1;
    quint32 Flags = 0;
    QString FileName;

    /// True when the user chose a file (FileName then holds its path).
    bool ShowOpen();
    bool ShowSave();
    /// The chosen colour; nothing when the user cancelled.
    std::optional<QColor> ShowColor();
};

} // namespace OrvVelmora
