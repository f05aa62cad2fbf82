#pragma once

#include "controls/toolbar/ColorValue.h"

#include <QFont>
#include <QWidget>

#include <memory>

class QLabel;

namespace OrvVelmora {

class DocumentCommands;
class PropertyBag;
class RichTextBox;
class TitleStrip;
class ToolBarControl;
class ToolDispatcher;
class ToolStateSync;

/// The message editor: a title strip with a colour gradient and a caption, a
/// toolbar with formatting, clipboard, file and colour commands and a
/// variables menu that inserts placeholders, and the rich-text box.
///
/// Colours are ColorValue numbers (red in the lowest byte, or a system-colour
/// code); a QColor converts implicitly. Every write of a public property
/// reports the change through PropertyChanged with the property's name, so a
/// container knows to save the properties again (WriteProperties).
///
/// The context menu opens when the right button is released over the text,
/// at the mouse pointer; the selection stays as it was.
///
/// A container that keeps the look calls InitProperties once for a newly
/// placed control, ReadProperties for one with saved properties, and
/// WriteProperties when it saves. A control used without a container starts
/// as a newly placed one.
class OrvRtfCtl32 : public QWidget
{
    Q_OBJECT
public:
    explicit OrvRtfCtl32(QWidget *parent = nullptr);
    ~OrvRtfCtl32() override;

    [[nodiscard]] ColorValue CaptionForeColor() const { return m_captionForeColor; }
    void setCaptionForeColor(ColorValue color);
    [[nodiscard]] ColorValue CaptionBackColor() const { return m_captionBackColor; }
    void setCaptionBackColor(ColorValue color);
    [[nodiscard]] ColorValue CaptionBackColorTo() const { return m_captionBackColorTo; }
    void setCaptionBackColorTo(ColorValue color);
    [[nodiscard]] ColorValue BackColorWorkspace() const { return m_backColorWorkspace; }
    void setBackColorWorkspace(ColorValue color);
    [[nodiscard]] QFont CaptionFont() const;
    void setCaptionFont(const QFont &font);
    [[nodiscard]] QString Titel() const;
    void setTitel(const QString &title);
    /// The toolbar's background.
    [[nodiscard]] ColorValue BackColor() const;
    void setBackColor(ColorValue color);
    /// The document as plain text; writing replaces the whole document.
    [[nodiscard]] QString Text() const;
    void setText(const QString &text);
    /// The document as an RTF document.
    [[nodiscard]] QString TextRTF() const;

    void InitProperties();
    void ReadProperties(const PropertyBag &bag);
    void WriteProperties(PropertyBag &bag) const;

    /// The constituent controls, for the forms and tests that drive them.
    [[nodiscard]] RichTextBox *mainRTF() const { return m_mainRTF; }
    [[nodiscard]] ToolBarControl *mainToolBar() const { return m_mainToolBar; }
    [[nodiscard]] TitleStrip *mainTitle() const { return m_mainTitle; }
    [[nodiscard]] QLabel *lblTitle() const;
    [[nodiscard]] QWidget *sspToolBar() const { return m_sspToolBar; }

Q_SIGNALS:
    void PropertyChanged(const QString &key);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    void buildControls();
    void buildTitle();
    void connectControls();
    void addShortcuts();
    void Initialize();
    void initializeCombos();
    void initializeTextBox();
    void applyWorkspaceColor();
    void applyCaptionForeColor();
    void layoutControls();
    [[nodiscard]] int twipsToPixelsX(int twips) const;
    [[nodiscard]] int twipsToPixelsY(int twips) const;
    [[nodiscard]] QFont ambientFont() const;

    TitleStrip *m_mainTitle = nullptr;
    QWidget *m_sspToolBar = nullptr;
    ToolBarControl *m_mainToolBar = nullptr;
    RichTextBox *m_mainRTF = nullptr;
    std::unique_ptr<DocumentCommands> m_documents;
    std::unique_ptr<ToolDispatcher> m_dispatcher;
    std::unique_ptr<ToolStateSync> m_stateSync;

    ColorValue m_captionForeColor = 0;
    ColorValue m_captionBackColor = 0;
    ColorValue m_captionBackColorTo = 0;
    ColorValue m_backColorWorkspace = ColorValue::kWindowBackground;
};

} // namespace OrvVelmora
