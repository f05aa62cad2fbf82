#include "codec/rtf/RtfInterpreter.h"

#include "codec/rtf/RtfSink.h"

#include <algorithm>

namespace OrvVelmora::RtfReading {

using RtfControlWords::Kind;

namespace {

// Ranges outside which a parameter is nonsense; clamping keeps later
// arithmetic (twips to pixels, half points to points) far from overflow.
constexpr int kMaxTwips = 31680;
constexpr int kMaxHalfPoints = 3276;
constexpr int kMaxListLevel = 8;

// Control characters other than the tab have no place in a paragraph, and
// QTextDocument would turn U+2029 into a paragraph of its own and U+FFFC into
// an object; the paragraph separator is taken as the line break it stands for.
QString withoutControls(const QString &text)
{
    const auto special = [](QChar c) {
        return (c.unicode() < 0x20 && c != u'\t') || c == QChar(0x2029) || c == QChar(0xFFFC);
    };
    if (std::none_of(text.cbegin(), text.cend(), special))
        return text;
    QString clean;
    for (const QChar c : text) {
        if (c == QChar(0x2029))
            clean += QChar(0x2028);
        else if (!special(c))
            clean += c;
    }
    return clean;
}

// The \levelnfc numbers of the list table; formats beyond these (ordinals,
// Asian counting) are still numbers, so they read as decimal.
Numbering levelNumbering(int nfc)
{
    switch (nfc) {
    case 1: return Numbering::UpperRoman;
    case 2: return Numbering::LowerRoman;
    case 3: return Numbering::UpperLetter;
    case 4: return Numbering::LowerLetter;
    case 23:
    case 255: return Numbering::Bullet;
    default: return Numbering::Decimal;
    }
}

} // namespace

void RtfInterpreter::run()
{
    m_groups.append(GroupState());
    for (RtfToken token = m_tokens.next(); token.kind != RtfToken::End; token = m_tokens.next()) {
        if (token.kind != RtfToken::Text && token.kind != RtfToken::HexByte) {
            flushBytes();
            m_skipRemaining = 0;
        }
        switch (token.kind) {
        case RtfToken::GroupOpen: openGroup(); break;
        case RtfToken::GroupClose:
            if (!closeGroup())
                token.kind = RtfToken::End;
            break;
        case RtfToken::ControlWord: controlWord(token); break;
        case RtfToken::ControlSymbol: controlSymbol(token.symbol); break;
        case RtfToken::Text: textBytes(token.data); break;
        case RtfToken::HexByte: {
            const char byte = static_cast<char>(token.symbol);
            textBytes(QByteArrayView(&byte, 1));
            break;
        }
        case RtfToken::Binary:
        case RtfToken::End: break;
        }
        if (token.kind == RtfToken::End)
            break;
        if (token.kind != RtfToken::ControlSymbol || token.symbol != '*')
            m_starPending = false;
    }
    finish();
}

void RtfInterpreter::finish()
{
    flushBytes();
    flushRun();
    if (!m_paragraphHasText && m_pendingEnd) {
        m_sink.documentEnd(*m_pendingEnd);
        return;
    }
    emitPendingEnd();
    m_sink.documentEnd(paragraphStyle());
}

void RtfInterpreter::openGroup()
{
    if (m_groups.size() >= m_limits.maxDepth) {
        ++m_excessDepth;
        return;
    }
    m_groups.append(m_groups.back());
}

// False once the document's own group is closed: what follows is not read.
bool RtfInterpreter::closeGroup()
{
    if (m_excessDepth > 0) {
        --m_excessDepth;
        return true;
    }
    if (m_groups.size() == 1)
        return false;
    const GroupState closing = m_groups.takeLast();
    if (closing.destination == Destination::FontTable && state().destination == Destination::FontTable)
        commitFont();
    return true;
}

void RtfInterpreter::controlWord(const RtfToken &token)
{
    const RtfControlWords::Entry entry = RtfControlWords::lookup(token.data);
    if (m_starPending && entry.kind != Kind::Destination) {
        state().destination = Destination::Skip;
        return;
    }
    switch (entry.kind) {
    case Kind::Destination: destination(entry.word); break;
    case Kind::Character: characterWord(entry.word, token); break;
    case Kind::Paragraph: paragraphWord(entry.word, token); break;
    case Kind::Special: specialWord(entry.word, token); break;
    case Kind::Document: documentWord(entry.word, token); break;
    case Kind::Unknown: break;
    }
}

void RtfInterpreter::destination(Word word)
{
    Destination &destination = state().destination;
    if (destination == Destination::Skip)
        return;
    switch (word) {
    case Word::FontTable: destination = Destination::FontTable; break;
    case Word::ColorTable:
        destination = Destination::ColorTable;
        m_color = PendingColor();
        break;
    case Word::BulletText: destination = Destination::BulletText; break;
    case Word::LegacyList: destination = Destination::LegacyList; break;
    case Word::ListTable: destination = Destination::ListTable; break;
    case Word::ListOverrideTable: destination = Destination::ListOverrideTable; break;
    default: destination = Destination::Skip; break;
    }
}

void RtfInterpreter::controlSymbol(unsigned char symbol)
{
    switch (symbol) {
    case '*': m_starPending = true; break;
    case '\\':
    case '{':
    case '}': {
        const char byte = static_cast<char>(symbol);
        textBytes(QByteArrayView(&byte, 1));
        break;
    }
    case '~': appendChar(0x00A0); break;
    case '_': appendChar(0x2011); break;
    case '\r':
    case '\n': endParagraph(); break;
    default: break;
    }
}

void RtfInterpreter::characterWord(Word word, const RtfToken &token)
{
    if (word == Word::Font && state().destination == Destination::FontTable) {
        m_fontNumber = token.parameter;
        return;
    }
    CharState &chars = state().chars;
    const bool on = !token.hasParameter || token.parameter != 0;
    switch (word) {
    case Word::Plain: chars = CharState(); break;
    case Word::Bold: chars.bold = on; break;
    case Word::Italic: chars.italic = on; break;
    case Word::Underline: chars.underline = on; break;
    case Word::UnderlineNone: chars.underline = false; break;
    case Word::Strike: chars.strike = on; break;
    case Word::Font: chars.font = token.parameter; break;
    case Word::FontSize:
        chars.halfPoints = token.hasParameter ? std::clamp(token.parameter, 2, kMaxHalfPoints) : 24;
        break;
    case Word::Color: chars.color = token.parameter; break;
    case Word::Background: chars.background = token.parameter; break;
    case Word::Superscript: chars.vertical = RtfCharStyle::Vertical::Superscript; break;
    case Word::Subscript: chars.vertical = RtfCharStyle::Vertical::Subscript; break;
    case Word::NoSuperSub: chars.vertical = RtfCharStyle::Vertical::Normal; break;
    case Word::Hidden: chars.hidden = on; break;
    default: break;
    }
}

void RtfInterpreter::paragraphWord(Word word, const RtfToken &token)
{
    RtfParaStyle &para = state().para;
    const int twips = std::clamp(token.parameter, -kMaxTwips, kMaxTwips);
    switch (word) {
    case Word::Pard:
        para = RtfParaStyle();
        state().listOverride = 0;
        break;
    case Word::AlignLeft: para.alignment = RtfParaStyle::Alignment::Left; break;
    case Word::AlignRight: para.alignment = RtfParaStyle::Alignment::Right; break;
    case Word::AlignCenter: para.alignment = RtfParaStyle::Alignment::Center; break;
    case Word::AlignJustify: para.alignment = RtfParaStyle::Alignment::Justify; break;
    case Word::LeftIndent: para.leftIndent = twips; break;
    case Word::RightIndent: para.rightIndent = twips; break;
    case Word::FirstIndent: para.firstLineIndent = twips; break;
    case Word::SpaceBefore: para.spaceBefore = std::max(0, twips); break;
    case Word::SpaceAfter: para.spaceAfter = std::max(0, twips); break;
    // \sl1000 is Word's way of saying "single" again.
    case Word::LineSpacing: para.lineSpacing = token.parameter == 1000 ? 0 : twips; break;
    case Word::LineMultiple: para.lineMultiple = token.parameter != 0; break;
    case Word::ListOverride:
        if (state().destination == Destination::ListOverrideTable) {
            listTableWord(word, token);
            break;
        }
        para.listItem = token.parameter > 0;
        state().listOverride = std::max(0, token.parameter);
        break;
    case Word::ListLevel: para.level = std::clamp(token.parameter, 0, kMaxListLevel); break;
    case Word::LegacyBullet:
    case Word::LegacyNumbered:
    case Word::LegacyLevel:
    case Word::NumberDecimal:
    case Word::NumberLowerLetter:
    case Word::NumberUpperLetter:
    case Word::NumberLowerRoman:
    case Word::NumberUpperRoman: legacyListWord(word, token); break;
    case Word::ListEntry:
    case Word::ListLevelEntry:
    case Word::LevelNumbering:
    case Word::ListId: listTableWord(word, token); break;
    default: break;
    }
}

// Inside {\*\pn ...}: the numbering belongs to the paragraph around it.
void RtfInterpreter::legacyListWord(Word word, const RtfToken &token)
{
    if (state().destination != Destination::LegacyList || m_groups.size() < 2)
        return;
    RtfParaStyle &outer = m_groups[m_groups.size() - 2].para;
    outer.listItem = true;
    switch (word) {
    case Word::LegacyBullet: outer.numbering = Numbering::Bullet; break;
    case Word::LegacyNumbered:
        if (outer.numbering == Numbering::Bullet)
            outer.numbering = Numbering::Decimal;
        break;
    case Word::LegacyLevel: outer.level = std::clamp(token.parameter - 1, 0, kMaxListLevel); break;
    case Word::NumberDecimal: outer.numbering = Numbering::Decimal; break;
    case Word::NumberLowerLetter: outer.numbering = Numbering::LowerLetter; break;
    case Word::NumberUpperLetter: outer.numbering = Numbering::UpperLetter; break;
    case Word::NumberLowerRoman: outer.numbering = Numbering::LowerRoman; break;
    case Word::NumberUpperRoman: outer.numbering = Numbering::UpperRoman; break;
    default: break;
    }
}

// {\list{\listlevel\levelnfcN ...}...\listid N} entries, and the overrides
// {\listoverride\listid N\ls M} that paragraphs refer to by \ls M.
void RtfInterpreter::listTableWord(Word word, const RtfToken &token)
{
    const Destination destination = state().destination;
    if (destination == Destination::ListTable) {
        switch (word) {
        case Word::ListEntry: m_pendingLevels.clear(); break;
        case Word::ListLevelEntry:
            if (m_pendingLevels.size() <= kMaxListLevel)
                m_pendingLevels.append(Numbering::Decimal);
            break;
        case Word::LevelNumbering:
            if (!m_pendingLevels.isEmpty())
                m_pendingLevels.last() = levelNumbering(token.parameter);
            break;
        case Word::ListId:
            if (m_listLevels.size() < m_limits.maxTableEntries)
                m_listLevels.insert(token.parameter, m_pendingLevels);
            break;
        default: break;
        }
    } else if (destination == Destination::ListOverrideTable) {
        if (word == Word::ListId)
            m_overrideListId = token.parameter;
        else if (word == Word::ListOverride && m_overrides.size() < m_limits.maxTableEntries)
            m_overrides.insert(token.parameter, m_listLevels.value(m_overrideListId));
    }
}

// A paragraph's \ls names its numbering precisely; the {\*\pn} that older
// readers need stays the fallback when the list table lacks the entry.
RtfParaStyle RtfInterpreter::paragraphStyle() const
{
    RtfParaStyle para = m_groups.back().para;
    if (!para.listItem || m_groups.back().listOverride == 0)
        return para;
    const QList<Numbering> levels = m_overrides.value(m_groups.back().listOverride);
    if (para.level < levels.size())
        para.numbering = levels.at(para.level);
    return para;
}

void RtfInterpreter::specialWord(Word word, const RtfToken &token)
{
    switch (word) {
    case Word::Par:
    case Word::Cell:
    case Word::Section: endParagraph(); break;
    case Word::Row:
    case Word::Page:
        if (m_paragraphHasText)
            endParagraph();
        break;
    case Word::Line: appendChar(0x2028); break;
    case Word::Tab: appendChar(u'\t'); break;
    case Word::EmDash: appendChar(0x2014); break;
    case Word::EnDash: appendChar(0x2013); break;
    case Word::BulletChar: appendChar(0x2022); break;
    case Word::LeftQuote: appendChar(0x2018); break;
    case Word::RightQuote: appendChar(0x2019); break;
    case Word::LeftDoubleQuote: appendChar(0x201C); break;
    case Word::RightDoubleQuote: appendChar(0x201D); break;
    case Word::EmSpace: appendChar(0x2003); break;
    case Word::EnSpace: appendChar(0x2002); break;
    case Word::QuarterEmSpace: appendChar(0x2005); break;
    case Word::Unicode: {
        const int value = token.parameter < 0 ? token.parameter + 65536 : token.parameter;
        if (token.hasParameter && value >= 0 && value <= 0xFFFF)
            appendText(QString(QChar(char16_t(value))));
        m_skipRemaining = state().unicodeSkip;
        break;
    }
    default: break;
    }
}

void RtfInterpreter::documentWord(Word word, const RtfToken &token)
{
    const int value = token.parameter;
    switch (word) {
    case Word::Ansi: m_ansiCodePage = 1252; break;
    case Word::Mac: m_ansiCodePage = 10000; break;
    case Word::Pc: m_ansiCodePage = 437; break;
    case Word::Pca: m_ansiCodePage = 850; break;
    case Word::AnsiCodePage: m_ansiCodePage = value; break;
    case Word::DefaultFont: m_defaultFont = value; break;
    case Word::UnicodeSkip: state().unicodeSkip = std::clamp(value, 0, 8); break;
    case Word::Red:
        m_color.red = std::clamp(value, 0, 255);
        m_color.given = true;
        break;
    case Word::Green:
        m_color.green = std::clamp(value, 0, 255);
        m_color.given = true;
        break;
    case Word::Blue:
        m_color.blue = std::clamp(value, 0, 255);
        m_color.given = true;
        break;
    case Word::FontCharset: m_fontEntry.charset = value; break;
    case Word::FontCodePage: m_fontEntry.codePage = value; break;
    default: break;
    }
}

void RtfInterpreter::textBytes(QByteArrayView bytes)
{
    if (m_skipRemaining > 0) {
        const qsizetype skipped = std::min<qsizetype>(m_skipRemaining, bytes.size());
        m_skipRemaining -= int(skipped);
        bytes = bytes.sliced(skipped);
    }
    if (bytes.isEmpty())
        return;
    const int codePage = currentCodePage();
    if (codePage != m_bytesCodePage)
        flushBytes();
    m_bytesCodePage = codePage;
    m_bytes.append(bytes);
}

void RtfInterpreter::flushBytes()
{
    if (m_bytes.isEmpty())
        return;
    const bool ascii = std::all_of(m_bytes.cbegin(), m_bytes.cend(), [](char c) { return c >= 0; });
    const QString text = ascii ? QString::fromLatin1(m_bytes) : m_codePages.decode(m_bytesCodePage, m_bytes);
    m_bytes.clear();
    appendText(text);
}

void RtfInterpreter::appendText(const QString &input)
{
    const QString text = withoutControls(input);
    switch (state().destination) {
    case Destination::FontTable: tableText(text); return;
    case Destination::ColorTable:
        for (qsizetype n = text.count(u';'); n > 0; --n)
            commitColor();
        return;
    case Destination::Body: break;
    default: return;
    }
    if (state().chars.hidden)
        return;
    if (!(state().chars == m_runChars))
        flushRun();
    m_runChars = state().chars;
    m_run.append(text);
    m_paragraphHasText = true;
}

void RtfInterpreter::tableText(const QString &text)
{
    qsizetype start = 0;
    for (qsizetype semicolon = text.indexOf(u';'); semicolon >= 0; semicolon = text.indexOf(u';', start)) {
        m_fontEntry.name.append(QStringView(text).sliced(start, semicolon - start));
        commitFont();
        start = semicolon + 1;
    }
    m_fontEntry.name.append(QStringView(text).sliced(start));
}

void RtfInterpreter::commitFont()
{
    FontEntry entry = std::exchange(m_fontEntry, FontEntry());
    entry.name = entry.name.trimmed();
    if (entry.name.isEmpty() && entry.charset == 0)
        return;
    if (m_fonts.size() < m_limits.maxTableEntries || m_fonts.contains(m_fontNumber))
        m_fonts.insert(m_fontNumber, entry);
}

void RtfInterpreter::commitColor()
{
    const PendingColor color = std::exchange(m_color, PendingColor());
    if (m_colors.size() >= m_limits.maxTableEntries)
        return;
    m_colors.append(color.given ? std::optional<QRgb>(qRgb(color.red, color.green, color.blue)) : std::nullopt);
}

void RtfInterpreter::flushRun()
{
    if (m_run.isEmpty())
        return;
    emitPendingEnd();
    m_sink.characters(m_run, resolve(m_runChars));
    m_run.clear();
}

void RtfInterpreter::endParagraph()
{
    if (state().destination != Destination::Body)
        return;
    flushRun();
    emitPendingEnd();
    m_pendingEnd = paragraphStyle();
    m_paragraphHasText = false;
}

void RtfInterpreter::emitPendingEnd()
{
    if (m_pendingEnd)
        m_sink.paragraphEnd(*std::exchange(m_pendingEnd, std::nullopt));
}

int RtfInterpreter::currentCodePage() const
{
    const GroupState &group = m_groups.back();
    if (group.destination == Destination::FontTable)
        return RtfCodePages::forCharset(m_fontEntry.charset, m_ansiCodePage, m_fontEntry.name);
    const auto font = m_fonts.constFind(group.chars.font < 0 ? m_defaultFont : group.chars.font);
    if (font == m_fonts.constEnd())
        return m_ansiCodePage;
    if (font->codePage > 0)
        return font->codePage;
    return RtfCodePages::forCharset(font->charset, m_ansiCodePage, font->name);
}

RtfCharStyle RtfInterpreter::resolve(const CharState &chars) const
{
    RtfCharStyle style;
    style.fontFamily = m_fonts.value(chars.font < 0 ? m_defaultFont : chars.font).name;
    style.halfPoints = chars.halfPoints;
    style.bold = chars.bold;
    style.italic = chars.italic;
    style.underline = chars.underline;
    style.strike = chars.strike;
    style.vertical = chars.vertical;
    style.color = colorAt(chars.color);
    style.background = colorAt(chars.background);
    return style;
}

std::optional<QRgb> RtfInterpreter::colorAt(int index) const
{
    if (index <= 0 || index >= m_colors.size())
        return std::nullopt;
    return m_colors.at(index);
}

} // namespace OrvVelmora::RtfReading
