#pragma once

#include <QByteArray>
#include <QColor>
#include <QMap>
#include <QPoint>
#include <QString>
#include <QTextEdit>

#include <optional>

class QMimeData;
class QTextCursor;

namespace OrvVelmora {

/// The rich-text box of the message editor: a QTextEdit whose document is read
/// and written as RTF by our own codec, and whose clipboard goes through the
/// platform services (so tests can drive it and the editor's placeholder
/// insertion can put a token there).
///
/// Units and conventions:
/// - Lengths (indents, bullet indent, right margin) are twips, 1/1440 inch;
///   the document itself works in pixels of 1/96 inch, 15 twips each.
/// - Every selection getter answers std::nullopt when the selection mixes
///   several values ("no single value"). With nothing selected it reports
///   the formatting at the caret, i.e. what typing would produce.
/// - Alignment: 0 left, 1 right, 2 centred. Justified paragraphs report 0,
///   because the editor's tools know only the three alignments.
/// - Text() separates paragraphs and line breaks by "\n".
/// - Mouse buttons are reported as 1 left, 2 right, 4 middle; the shift
///   state as the sum of 1 Shift, 2 Ctrl, 4 Alt; the position in pixels of
///   the viewport.
class RichTextBox : public QTextEdit
{
    Q_OBJECT

public:
    explicit RichTextBox(QWidget *parent = nullptr);
    ~RichTextBox() override;

    /// The whole content as plain text.
    [[nodiscard]] QString Text() const;
    /// Replaces the whole content by plain text in the box's default font.
    void setText(const QString &text);

    /// The whole content as an RTF document (ASCII only: \uN? for the rest).
    [[nodiscard]] QString TextRTF() const;
    /// Replaces the whole content; false (content unchanged) when the text
    /// is not a readable RTF document.
    bool setTextRTF(const QString &rtf);

    /// Reads the file as RTF, replacing the content. False, content unchanged,
    /// when the file cannot be read or is not RTF.
    bool LoadFile(const QString &path);
    /// Writes the content as RTF; false when the file cannot be written.
    bool SaveFile(const QString &path) const;

    [[nodiscard]] std::optional<QString> SelFontName() const;
    void setSelFontName(const QString &family);
    [[nodiscard]] std::optional<double> SelFontSize() const;
    void setSelFontSize(double points);
    [[nodiscard]] std::optional<bool> SelBold() const;
    void setSelBold(bool on);
    [[nodiscard]] std::optional<bool> SelItalic() const;
    void setSelItalic(bool on);
    [[nodiscard]] std::optional<bool> SelUnderline() const;
    void setSelUnderline(bool on);
    [[nodiscard]] std::optional<QColor> SelColor() const;
    void setSelColor(const QColor &color);

    [[nodiscard]] std::optional<int> SelAlignment() const;
    void setSelAlignment(int alignment);
    /// Whether the selected paragraphs carry bullets (numbered lists read from
    /// files count as bulleted, since the editor offers bullets only).
    [[nodiscard]] std::optional<bool> SelBullet() const;
    void setSelBullet(bool on);
    /// Left indent of the selected paragraphs, in twips; a bulleted paragraph's
    /// bullet stands there and its text one BulletIndent further right. A
    /// negative indent is set as 0: text left of the margin could not be seen.
    [[nodiscard]] std::optional<int> SelIndent() const;
    void setSelIndent(int twips);

    /// Distance between a bullet and its paragraph's text, in twips.
    [[nodiscard]] int BulletIndent() const;
    void setBulletIndent(int twips);
    /// Line length at which the text wraps, in twips; 0 wraps at the box's width.
    [[nodiscard]] int RightMargin() const;
    void setRightMargin(int twips);

    /// The selection as an RTF document.
    [[nodiscard]] QString SelRTF() const;
    /// Replaces the selection by rich text. A text that does not start with
    /// an RTF header (or cannot be read) goes in as plain characters in the
    /// formatting at the caret; the caret ends behind the insertion.
    void setSelRTF(const QString &rtf);

    [[nodiscard]] QColor BackColor() const;
    void setBackColor(const QColor &color);

    /// Clipboard operations through the platform services. Cut and copy offer
    /// the selection as "text/rtf", "text/plain" and "text/html"; paste takes
    /// "text/rtf" first, then "text/plain".
    void Cut();
    void Copy() const;
    void Paste();
    void Undo();

Q_SIGNALS:
    /// The selection or the caret position changed.
    void SelChange();
    void MouseDown(int button, int shift, QPoint position);
    void MouseUp(int button, int shift, QPoint position);
    /// The menu key or Shift+F10: the keyboard's way to the context menu.
    /// `caret` is where the caret is, in screen coordinates.
    void ContextMenuKey(QPoint caret);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    QMimeData *createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    bool loadRtf(const QByteArray &rtf);
    void insertRich(const QByteArray &rtf, const QString &asText);
    void insertHtml(const QByteArray &html, const QString &plain);
    [[nodiscard]] QMap<QString, QByteArray> selectionFormats() const;
    void contentReplaced();
    void noteSelection();

    int m_lastAnchor = -1;
    int m_lastPosition = -1;
    int m_rightMarginTwips = 0;
    bool m_loading = false;
    mutable QString m_rtfCache;
    mutable QString m_rtfCacheFont;
    mutable const QTextDocument *m_rtfCacheDocument = nullptr;
    mutable QMetaObject::Connection m_rtfCacheConnection;
    mutable bool m_rtfCacheValid = false;
};

} // namespace OrvVelmora
