#include "RtfHostileCorpus.h"

namespace OrvVelmora::Testing {

namespace {

QByteArray rtf(const QByteArray &body)
{
    return "{\\rtf1\\ansi " + body + "}";
}

QByteArray deepNesting(int depth)
{
    return rtf(QByteArray("{\\b ").repeated(depth) + "x" + QByteArray("}").repeated(depth));
}

QByteArray hugeFontTable(int entries)
{
    QByteArray table = "{\\fonttbl";
    for (int i = 0; i < entries; ++i)
        table += "{\\f" + QByteArray::number(i) + "\\fcharset" + QByteArray::number(i % 256) + " Font" +
            QByteArray::number(i) + ";}";
    return rtf(table + "}\\f99999 x");
}

QByteArray hugeColorTable(int entries)
{
    QByteArray table = "{\\colortbl;";
    for (int i = 0; i < entries; ++i)
        table += "\\red" + QByteArray::number(i % 256) + "\\green1\\blue2;";
    return rtf(table + "}\\cf99999 x");
}

// A fixed linear congruential sequence: the same "random" bytes on every run.
QByteArray noise(int size)
{
    QByteArray bytes = "{\\rtf1 ";
    quint32 state = 12345;
    static const char alphabet[] = "{}\\'abcu0123456789-*; \x80\xff\0binfs";
    for (int i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        bytes += alphabet[(state >> 16) % (sizeof alphabet - 1)];
    }
    return bytes;
}

} // namespace

QList<HostileCase> hostileCorpus()
{
    return {
        {QStringLiteral("unclosed groups"),
         [] { return QByteArray("{\\rtf1 ") + QByteArray("{").repeated(5000) + "x"; }, QStringLiteral("x")},
        {QStringLiteral("surplus closing braces"), [] { return rtf("x") + QByteArray("}").repeated(5000) + "y"; },
         QStringLiteral("x")},
        {QStringLiteral("truncated in control word"), [] { return QByteArray("{\\rtf1 x\\b"); }, QStringLiteral("x")},
        {QStringLiteral("truncated in hex escape"), [] { return QByteArray("{\\rtf1 x\\'4"); }, QStringLiteral("x")},
        {QStringLiteral("truncated after backslash"), [] { return QByteArray("{\\rtf1 x\\"); }, QStringLiteral("x")},
        {QStringLiteral("truncated in parameter"), [] { return QByteArray("{\\rtf1 x\\u-"); }, QStringLiteral("x")},
        {QStringLiteral("nesting 100000 deep"), [] { return deepNesting(100000); }, QStringLiteral("x")},
        {QStringLiteral("bin longer than the file"), [] { return rtf("a\\bin999999999999 xyz"); }, QStringLiteral("a")},
        {QStringLiteral("bin negative"), [] { return rtf("a\\bin-5 xyz"); }, QStringLiteral("axyz")},
        {QStringLiteral("bin holding braces"), [] { return rtf("a\\bin4 }}{\\b"); }, QStringLiteral("ab")},
        {QStringLiteral("absurd parameters"),
         [] {
             return rtf("\\fs-99999999999999999999\\li99999999999999\\fi-99999999999\\uc999999999\\f-2147483648"
                        "\\cf2147483647\\ls99999999999\\ilvl-5\\ansicpg99999999 x\\u99999999999 \\u-99999999999 ");
         },
         QString()},
        {QStringLiteral("NUL bytes"), [] { return QByteArray("{\\rtf1 a\0b\0\0c}", 14); }, QStringLiteral("abc")},
        {QStringLiteral("broken hex escapes"), [] { return rtf(QByteArray("\\'zz").repeated(100000) + "x"); },
         QStringLiteral("zz").repeated(100000) + u'x'},
        {QStringLiteral("100000 fonts"), [] { return hugeFontTable(100000); }, QStringLiteral("x")},
        {QStringLiteral("100000 colours"), [] { return hugeColorTable(100000); }, QStringLiteral("x")},
        {QStringLiteral("100000 unicode skips"), [] { return rtf(QByteArray("\\uc9\\u97 ").repeated(100000)); },
         QString()},
        {QStringLiteral("100000 paragraphs"),
         [] { return rtf(QByteArray("\\pard\\qc\\li9999\\pnlvlblt\\ls1 a\\par ").repeated(100000)); }, QString()},
        {QStringLiteral("100000 numbered paragraphs"),
         [] { return rtf(QByteArray("{\\*\\pn\\pnlvlbody\\pndec}a\\par ").repeated(100000)); }, QString()},
        {QStringLiteral("100000 lists and overrides"),
         [] {
             return rtf("{\\*\\listtable" +
                        QByteArray("{\\list{\\listlevel\\levelnfc4\\listlevel\\levelnfc2}\\listid1}").repeated(100000) +
                        "}{\\*\\listoverridetable" + QByteArray("{\\listoverride\\listid1\\ls1}").repeated(100000) +
                        "}\\ls1\\ilvl1 x");
         },
         QStringLiteral("x")},
        {QStringLiteral("100000 star destinations"), [] { return rtf(QByteArray("{\\*").repeated(100000) + "x"); },
         QString()},
        {QStringLiteral("50 MB paragraph"), [] { return rtf(QByteArray(50 * 1024 * 1024, 'a')); }, QString()},
        {QStringLiteral("noise"), [] { return noise(1 << 20); }, QString()},
    };
}

} // namespace OrvVelmora::Testing
