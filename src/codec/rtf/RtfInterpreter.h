#pragma once

#include "codec/rtf/RtfCodePages.h"
#include "codec/rtf/RtfControlWords.h"
#include "codec/rtf/RtfReader.h"
#include "codec/rtf/RtfStyles.h"
#include "codec/rtf/RtfTokenizer.h"

#include <QHash>
#include <QList>
#include <QRgb>

#include <optional>

namespace OrvVelmora {

class RtfSink;

/// The reader's inner workings, apart from the public RtfReader so that each
/// file stays readable; nothing outside the codec uses them.
namespace RtfReading {

using RtfControlWords::Word;
using Numbering = RtfParaStyle::Numbering;

enum class Destination { Body, Skip, FontTable, ColorTable, BulletText, LegacyList, ListTable, ListOverrideTable };

struct CharState
{
    int font = -1;
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;
    RtfCharStyle::Vertical vertical = RtfCharStyle::Vertical::Normal;
    int color = 0;
    int background = 0;

    bool operator==(const CharState &) const = default;
};

struct GroupState
{
    Destination destination = Destination::Body;
    CharState chars;
    RtfParaStyle para;
    /// The paragraph's \ls: which list-table entry numbers it; 0 for none.
    int listOverride = 0;
    int unicodeSkip = 1;
};

struct FontEntry
{
    QString name;
    int charset = 0;
    int codePage = 0;
};

struct PendingColor
{
    int red = 0;
    int green = 0;
    int blue = 0;
    bool given = false;
};

/// One reading of one document: the group stack, the tables and the run
/// being collected for the sink.
class RtfInterpreter
{
public:
    RtfInterpreter(QByteArrayView rtf, RtfSink &sink, const RtfReader::Limits &limits)
        : m_tokens(rtf)
        , m_sink(sink)
        , m_limits(limits)
    {
    }

    void run();

private:
    GroupState &state() { return m_groups.back(); }

    void openGroup();
    bool closeGroup();
    void controlWord(const RtfToken &token);
    void controlSymbol(unsigned char symbol);
    void textBytes(QByteArrayView bytes);
    void binary();

    void destination(Word word);
    void characterWord(Word word, const RtfToken &token);
    void paragraphWord(Word word, const RtfToken &token);
    void specialWord(Word word, const RtfToken &token);
    void documentWord(Word word, const RtfToken &token);
    void legacyListWord(Word word, const RtfToken &token);
    void listTableWord(Word word, const RtfToken &token);
    RtfParaStyle paragraphStyle() const;

    void appendText(const QString &text);
    void appendChar(char16_t c) { appendText(QString(QChar(c))); }
    void flushBytes();
    void flushRun();
    void endParagraph();
    void emitPendingEnd();
    void finish();
    void tableText(const QString &text);
    void commitFont();
    void commitColor();

    int currentCodePage() const;
    RtfCharStyle resolve(const CharState &chars) const;
    std::optional<QRgb> colorAt(int index) const;

    RtfTokenizer m_tokens;
    RtfSink &m_sink;
    RtfReader::Limits m_limits;
    RtfCodePages m_codePages;

    QList<GroupState> m_groups;
    int m_excessDepth = 0;
    bool m_starPending = false;
    int m_skipRemaining = 0;

    int m_ansiCodePage = 1252;
    int m_defaultFont = 0;
    QHash<int, FontEntry> m_fonts;
    int m_fontNumber = 0;
    FontEntry m_fontEntry;
    QList<std::optional<QRgb>> m_colors;
    PendingColor m_color;

    // The list table: the numbering of each level per \listid, and which
    // list each \ls override number stands for.
    QHash<int, QList<Numbering>> m_listLevels;
    QList<Numbering> m_pendingLevels;
    int m_overrideListId = 0;
    QHash<int, QList<Numbering>> m_overrides;

    QByteArray m_bytes;
    int m_bytesCodePage = 1252;
    QString m_run;
    CharState m_runChars;
    bool m_paragraphHasText = false;
    // The last \par of a document is the mark of its final paragraph, not the
    // start of an empty one; so each paragraph end waits for more text.
    std::optional<RtfParaStyle> m_pendingEnd;
};

} // namespace RtfReading

} // namespace OrvVelmora
