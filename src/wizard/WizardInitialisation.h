#pragma once

#include <QString>

#include <functional>

namespace OrvVelmora {

class ColorScheme;
class frmDialogMail;

/// What setting the wizard's Owner does, in this order: colour the frame and
/// the recipients pane, load the customers, colour the message pane and fill
/// its priority list, set up the editor and the attachment grid, colour the
/// send pane and give it its description, and start the frame on pane 0.
///
/// Step by step tolerant: a step that fails (no owner, no colour scheme, a
/// database that cannot be read) is skipped and the next one runs; nothing is
/// reported. The colours are read from the owner's scheme at each step.
class WizardInitialisation
{
public:
    explicit WizardInitialisation(frmDialogMail &form)
        : m_form(form)
    {
    }

    void run();

    /// The send pane's description, line breaks as CR LF.
    static const QString &finishText();

private:
    void colourFrame();
    void colourRecipientsPane();
    void styleRecipientGrids();
    void colourRecipientButtons();
    void loadCustomers();
    void colourMessagePane();
    void fillPriorityList();
    void styleMessageFields();
    void styleAttachmentGrid();
    void colourReceiptBox();
    void colourAttachmentButtons();
    void setUpEditor();
    void addAttachmentColumn();
    void colourSendPane();
    void colourTabStrips();
    void colourSendLabels();
    void startFrame();

    /// The owner's colour scheme; throws when there is none.
    [[nodiscard]] const ColorScheme &scheme() const;
    /// Runs one step (or one control of a step), swallowing its failure.
    static void tolerant(const std::function<void()> &step) noexcept;

    frmDialogMail &m_form;
};

} // namespace OrvVelmora
