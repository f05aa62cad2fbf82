#include "editor/DocumentCommands.h"

#include "base/platform/PlatformServices.h"
#include "controls/richtext/RichTextBox.h"
#include "editor/EditorLog.h"

#include <QFileInfo>

namespace OrvVelmora {

namespace {

constexpr quint32 kOpenFlags = 0x385804;
constexpr quint32 kSaveFlags = 0x384806;

/// Sets the normal pointer on every way out, also when the busy pointer was never shown.
class NormalPointerOnExit
{
public:
    NormalPointerOnExit() = default;
    ~NormalPointerOnExit() { PlatformServices::instance().setMousePointer(DefaultPointer); }
    NormalPointerOnExit(const NormalPointerOnExit &) = delete;
    NormalPointerOnExit &operator=(const NormalPointerOnExit &) = delete;
};

void tell(const QString &text)
{
    PlatformServices::instance().messageBox(text, QStringLiteral("Systemmeldung..."), MessageIcon::Exclamation,
                                            MessageButtons::Ok);
}

// A name typed without an extension gets ".rtf"; otherwise the file would be
// hidden by the dialog's own "*.rtf" filter the next time.
QString withRtfExtension(const QString &path)
{
    return QFileInfo(path).suffix().isEmpty() ? path + QStringLiteral(".rtf") : path;
}

void showBusyPointer()
{
    PlatformServices::instance().setMousePointer(HourglassPointer);
}

} // namespace

DocumentCommands::DocumentCommands(RichTextBox &box)
    : m_box(box)
{
}

void DocumentCommands::prepareFileDialog(const QString &title, quint32 flags)
{
    m_dialog.DialogTitle = title;
    m_dialog.Flags = flags;
    m_dialog.Filter = QStringLiteral("RTF Format (*.rtf)|*.rtf");
    m_dialog.FilterIndex = 1;
}

void DocumentCommands::OpenDocument()
{
    const NormalPointerOnExit pointer;
    if (!m_box.Text().isEmpty() &&
        PlatformServices::instance().messageBox(QStringLiteral("Möchten Sie den aktuellen Text wirklich verwerfen?"),
                                                QStringLiteral("Systemmeldung..."), MessageIcon::Question,
                                                MessageButtons::YesNo) != MessageAnswer::Yes)
        return;
    prepareFileDialog(QStringLiteral("Öffnen"), kOpenFlags);
    if (!m_dialog.ShowOpen())
        return;
    showBusyPointer();
    if (!m_box.LoadFile(m_dialog.FileName)) {
        qCWarning(lcEditor) << "cannot open" << m_dialog.FileName << "as RTF; the text is left as it was";
        tell(QStringLiteral("Die Datei „%1“ ist kein lesbares RTF-Dokument und wurde nicht geöffnet.")
                 .arg(QFileInfo(m_dialog.FileName).fileName()));
    }
}

void DocumentCommands::SaveDocument()
{
    const NormalPointerOnExit pointer;
    if (m_box.Text().isEmpty()) {
        PlatformServices::instance().messageBox(
            QStringLiteral("Dieses Dokument ist leer und kann daher nicht als Vorlage gespeichert werden."),
            QStringLiteral("Systemmeldung... "), MessageIcon::Information, MessageButtons::Ok);
        return;
    }
    prepareFileDialog(QStringLiteral("Speichern"), kSaveFlags);
    m_dialog.FileName = QStringLiteral("unbenannt");
    if (!m_dialog.ShowSave())
        return;
    showBusyPointer();
    m_dialog.FileName = withRtfExtension(m_dialog.FileName);
    if (!m_box.SaveFile(m_dialog.FileName)) {
        qCWarning(lcEditor) << "cannot save the text to" << m_dialog.FileName;
        tell(QStringLiteral("Die Datei „%1“ konnte nicht gespeichert werden.")
                 .arg(QFileInfo(m_dialog.FileName).fileName()));
    }
}

void DocumentCommands::ChooseTextColor()
{
    m_dialog.DialogTitle = QStringLiteral("Textfarbe wählen");
    if (const std::optional<QColor> color = m_dialog.ShowColor())
        m_box.setSelColor(*color);
}

} // namespace OrvVelmora
