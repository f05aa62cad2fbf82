#pragma once

#include <QByteArrayView>

namespace OrvVelmora {

/// The control words the reader acts on, grouped by what they touch.
/// Everything not listed here is ignored, as RTF requires of readers.
namespace RtfControlWords {

enum class Kind { Unknown, Destination, Character, Paragraph, Special, Document };

enum class Word {
    Unknown,
    // destinations
    FontTable,
    ColorTable,
    SkippedText,
    BulletText,
    LegacyList,
    ListTable,
    ListOverrideTable,
    // character formatting
    Plain,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Strike,
    Font,
    FontSize,
    Color,
    Background,
    Superscript,
    Subscript,
    NoSuperSub,
    Hidden,
    // paragraph formatting
    Pard,
    AlignLeft,
    AlignRight,
    AlignCenter,
    AlignJustify,
    LeftIndent,
    RightIndent,
    FirstIndent,
    SpaceBefore,
    SpaceAfter,
    LineSpacing,
    LineMultiple,
    ListOverride,
    ListLevel,
    LegacyBullet,
    LegacyNumbered,
    LegacyLevel,
    NumberDecimal,
    NumberLowerLetter,
    NumberUpperLetter,
    NumberLowerRoman,
    NumberUpperRoman,
    // the list table: which numbering each level of each list shows
    ListEntry,
    ListLevelEntry,
    LevelNumbering,
    ListId,
    // characters and breaks
    Par,
    Line,
    Tab,
    Cell,
    Row,
    Section,
    Page,
    EmDash,
    EnDash,
    BulletChar,
    LeftQuote,
    RightQuote,
    LeftDoubleQuote,
    RightDoubleQuote,
    EmSpace,
    EnSpace,
    QuarterEmSpace,
    Unicode,
    // document and tables
    Ansi,
    Mac,
    Pc,
    Pca,
    AnsiCodePage,
    DefaultFont,
    UnicodeSkip,
    Red,
    Green,
    Blue,
    FontCharset,
    FontCodePage,
};

struct Entry
{
    Kind kind = Kind::Unknown;
    Word word = Word::Unknown;
};

/// The entry for the letters of a control word (without backslash and parameter).
Entry lookup(QByteArrayView letters);

} // namespace RtfControlWords

} // namespace OrvVelmora
