#include "codec/rtf/RtfControlWords.h"

#include <QHash>

#include <initializer_list>
#include <utility>

namespace OrvVelmora::RtfControlWords {

namespace {

using Table = QHash<QByteArrayView, Entry>;

void add(Table &table, Kind kind, Word word, std::initializer_list<const char *> names)
{
    for (const char *name : names)
        table.insert(QByteArrayView(name), Entry{kind, word});
}

// Destinations that hold no text of the body. Several of them are written
// without \* by older programs, so skipping only unknown \* groups is not enough.
void addDestinations(Table &t)
{
    add(t, Kind::Destination, Word::FontTable, {"fonttbl"});
    add(t, Kind::Destination, Word::ColorTable, {"colortbl"});
    add(t, Kind::Destination, Word::BulletText, {"pntext", "listtext"});
    add(t, Kind::Destination, Word::LegacyList, {"pn"});
    add(t, Kind::Destination, Word::ListTable, {"listtable"});
    add(t, Kind::Destination, Word::ListOverrideTable, {"listoverridetable"});
    add(t, Kind::Destination, Word::SkippedText, {"stylesheet",    "info",      "pict",       "object",
                                                  "objdata",       "header",    "headerl",    "headerr",
                                                  "headerf",       "footer",    "footerl",    "footerr",
                                                  "footerf",       "footnote",  "xe",         "tc",
                                                  "txe",           "rxe",       "fldinst",    "datafield",
                                                  "revtbl",        "rsidtbl",   "themedata",  "colorschememapping",
                                                  "latentstyles",  "datastore", "pgdsctbl",   "mmathPr",
                                                  "nonshppict",    "shpinst",   "sp",         "pntxta",
                                                  "pntxtb",        "filetbl",   "generator",  "template",
                                                  "bkmkstart",     "bkmkend",   "annotation", "atnid",
                                                  "atnauthor",     "atndate",   "atnref",     "xmlnstbl",
                                                  "wgrffmtfilter", "fchars",    "lchars",     "ftnsep",
                                                  "ftnsepc",       "ftncn",     "aftnsep",    "aftnsepc",
                                                  "aftncn",        "docvar",    "userprops",  "private",
                                                  "picprop",       "blipuid",   "defchp",     "defpap"});
}

void addCharacterWords(Table &t)
{
    add(t, Kind::Character, Word::Plain, {"plain"});
    add(t, Kind::Character, Word::Bold, {"b"});
    add(t, Kind::Character, Word::Italic, {"i"});
    add(t, Kind::Character, Word::Underline,
        {"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash", "ulth", "ulthd", "ulthdash",
         "ulthdashd", "ulthdashdd", "ulthldash", "ululdbwave", "ulw", "ulwave"});
    add(t, Kind::Character, Word::UnderlineNone, {"ulnone"});
    add(t, Kind::Character, Word::Strike, {"strike", "striked"});
    add(t, Kind::Character, Word::Font, {"f"});
    add(t, Kind::Character, Word::FontSize, {"fs"});
    add(t, Kind::Character, Word::Color, {"cf"});
    add(t, Kind::Character, Word::Background, {"cb", "highlight", "chcbpat"});
    add(t, Kind::Character, Word::Superscript, {"super"});
    add(t, Kind::Character, Word::Subscript, {"sub"});
    add(t, Kind::Character, Word::NoSuperSub, {"nosupersub"});
    add(t, Kind::Character, Word::Hidden, {"v"});
}

void addParagraphWords(Table &t)
{
    add(t, Kind::Paragraph, Word::Pard, {"pard"});
    add(t, Kind::Paragraph, Word::AlignLeft, {"ql"});
    add(t, Kind::Paragraph, Word::AlignRight, {"qr"});
    add(t, Kind::Paragraph, Word::AlignCenter, {"qc"});
    add(t, Kind::Paragraph, Word::AlignJustify, {"qj", "qd"});
    add(t, Kind::Paragraph, Word::LeftIndent, {"li", "lin"});
    add(t, Kind::Paragraph, Word::RightIndent, {"ri", "rin"});
    add(t, Kind::Paragraph, Word::FirstIndent, {"fi"});
    add(t, Kind::Paragraph, Word::SpaceBefore, {"sb"});
    add(t, Kind::Paragraph, Word::SpaceAfter, {"sa"});
    add(t, Kind::Paragraph, Word::LineSpacing, {"sl"});
    add(t, Kind::Paragraph, Word::LineMultiple, {"slmult"});
    add(t, Kind::Paragraph, Word::ListOverride, {"ls"});
    add(t, Kind::Paragraph, Word::ListLevel, {"ilvl"});
    add(t, Kind::Paragraph, Word::LegacyBullet, {"pnlvlblt"});
    add(t, Kind::Paragraph, Word::LegacyNumbered, {"pnlvlbody"});
    add(t, Kind::Paragraph, Word::NumberDecimal, {"pndec"});
    add(t, Kind::Paragraph, Word::NumberLowerLetter, {"pnlcltr"});
    add(t, Kind::Paragraph, Word::NumberUpperLetter, {"pnucltr"});
    add(t, Kind::Paragraph, Word::NumberLowerRoman, {"pnlcrm"});
    add(t, Kind::Paragraph, Word::NumberUpperRoman, {"pnucrm"});
    add(t, Kind::Paragraph, Word::ListEntry, {"list"});
    add(t, Kind::Paragraph, Word::ListLevelEntry, {"listlevel"});
    add(t, Kind::Paragraph, Word::LevelNumbering, {"levelnfc", "levelnfcn"});
    add(t, Kind::Paragraph, Word::ListId, {"listid"});
    add(t, Kind::Paragraph, Word::LegacyLevel, {"pnlvl"});
}

void addSpecialWords(Table &t)
{
    add(t, Kind::Special, Word::Par, {"par"});
    add(t, Kind::Special, Word::Line, {"line"});
    add(t, Kind::Special, Word::Tab, {"tab"});
    add(t, Kind::Special, Word::Cell, {"cell", "nestcell"});
    add(t, Kind::Special, Word::Row, {"row", "nestrow"});
    add(t, Kind::Special, Word::Section, {"sect"});
    add(t, Kind::Special, Word::Page, {"page"});
    add(t, Kind::Special, Word::EmDash, {"emdash"});
    add(t, Kind::Special, Word::EnDash, {"endash"});
    add(t, Kind::Special, Word::BulletChar, {"bullet"});
    add(t, Kind::Special, Word::LeftQuote, {"lquote"});
    add(t, Kind::Special, Word::RightQuote, {"rquote"});
    add(t, Kind::Special, Word::LeftDoubleQuote, {"ldblquote"});
    add(t, Kind::Special, Word::RightDoubleQuote, {"rdblquote"});
    add(t, Kind::Special, Word::EmSpace, {"emspace"});
    add(t, Kind::Special, Word::EnSpace, {"enspace"});
    add(t, Kind::Special, Word::QuarterEmSpace, {"qmspace"});
    add(t, Kind::Special, Word::Unicode, {"u"});
}

void addDocumentWords(Table &t)
{
    add(t, Kind::Document, Word::Ansi, {"ansi"});
    add(t, Kind::Document, Word::Mac, {"mac"});
    add(t, Kind::Document, Word::Pc, {"pc"});
    add(t, Kind::Document, Word::Pca, {"pca"});
    add(t, Kind::Document, Word::AnsiCodePage, {"ansicpg"});
    add(t, Kind::Document, Word::DefaultFont, {"deff"});
    add(t, Kind::Document, Word::UnicodeSkip, {"uc"});
    add(t, Kind::Document, Word::Red, {"red"});
    add(t, Kind::Document, Word::Green, {"green"});
    add(t, Kind::Document, Word::Blue, {"blue"});
    add(t, Kind::Document, Word::FontCharset, {"fcharset"});
    add(t, Kind::Document, Word::FontCodePage, {"cpg"});
}

Table buildTable()
{
    Table table;
    addDestinations(table);
    addCharacterWords(table);
    addParagraphWords(table);
    addSpecialWords(table);
    addDocumentWords(table);
    return table;
}

} // namespace

Entry lookup(QByteArrayView letters)
{
    static const Table table = buildTable();
    return table.value(letters);
}

} // namespace OrvVelmora::RtfControlWords
