#include "outside/RichTextBox.h"

#include <QMimeData>

namespace OrvVelmora {

RichTextBox::RichTextBox(QWidget *parent) : QTextEdit(parent) {}
RichTextBox::~RichTextBox() = default;
QString RichTextBox::Text() const { return toPlainText(); }
void RichTextBox::setText(const QString &text) { setPlainText(text); }
QString RichTextBox::TextRTF() const { return {}; }
bool RichTextBox::setTextRTF(const QString &) { return false; }
bool RichTextBox::LoadFile(const QString &) { return false; }
bool RichTextBox::SaveFile(const QString &) const { return false; }
std::optional<QString> RichTextBox::SelFontName() const { return {}; }
void RichTextBox::setSelFontName(const QString &) {}
std::optional<double> RichTextBox::SelFontSize() const { return {}; }
void RichTextBox::setSelFontSize(double) {}
std::optional<bool> RichTextBox::SelBold() const { return {}; }
void RichTextBox::setSelBold(bool) {}
std::optional<bool> RichTextBox::SelItalic() const { return {}; }
void RichTextBox::setSelItalic(bool) {}
std::optional<bool> RichTextBox::SelUnderline() const { return {}; }
void RichTextBox::setSelUnderline(bool) {}
std::optional<QColor> RichTextBox::SelColor() const { return {}; }
void RichTextBox::setSelColor(const QColor &) {}
std::optional<int> RichTextBox::SelAlignment() const { return {}; }
void RichTextBox::setSelAlignment(int) {}
std::optional<bool> RichTextBox::SelBullet() const { return {}; }
void RichTextBox::setSelBullet(bool) {}
std::optional<int> RichTextBox::SelIndent() const { return {}; }
void RichTextBox::setSelIndent(int) {}
int RichTextBox::BulletIndent() const { return 0; }
void RichTextBox::setBulletIndent(int) {}
int RichTextBox::RightMargin() const { return m_rightMarginTwips; }
void RichTextBox::setRightMargin(int twips) { m_rightMarginTwips = twips; }
QString RichTextBox::SelRTF() const { return {}; }
void RichTextBox::setSelRTF(const QString &rtf) { insertPlainText(rtf); }
QColor RichTextBox::BackColor() const { return palette().color(QPalette::Base); }
void RichTextBox::setBackColor(const QColor &) {}
void RichTextBox::Cut() {}
void RichTextBox::Copy() const {}
void RichTextBox::Paste() {}
void RichTextBox::Undo() { undo(); }
void RichTextBox::keyPressEvent(QKeyEvent *event) { QTextEdit::keyPressEvent(event); }
void RichTextBox::mousePressEvent(QMouseEvent *event) { QTextEdit::mousePressEvent(event); }
void RichTextBox::mouseReleaseEvent(QMouseEvent *event) { QTextEdit::mouseReleaseEvent(event); }
void RichTextBox::contextMenuEvent(QContextMenuEvent *) {}
QMimeData *RichTextBox::createMimeDataFromSelection() const { return QTextEdit::createMimeDataFromSelection(); }
bool RichTextBox::canInsertFromMimeData(const QMimeData *source) const { return QTextEdit::canInsertFromMimeData(source); }
void RichTextBox::insertFromMimeData(const QMimeData *source) { QTextEdit::insertFromMimeData(source); }
void RichTextBox::noteSelection() {}
void RichTextBox::mergeSelectionFormat(const QTextCharFormat &) {}

} // namespace OrvVelmora
