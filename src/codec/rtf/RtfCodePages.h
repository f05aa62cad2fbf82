#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringDecoder>

#include <memory>

namespace OrvVelmora {

/// Turns the bytes of \'hh escapes into text, in the code page of the font
/// that is in force. Besides the Windows and DOS code pages (through ICU,
/// which QStringDecoder uses), RTF fonts of the symbol character set need
/// tables of their own: their bytes are glyph numbers, not characters.
/// Decoders are built on first use and kept, so one instance serves one
/// document; it is not shared between threads.
class RtfCodePages
{
public:
    /// Pseudo code pages for the two symbol fonts the editor meets in practice.
    static constexpr int kSymbol = 42;
    static constexpr int kWingdings = 43;

    RtfCodePages();
    ~RtfCodePages();

    /// The code page of a font's \fcharset, or fallback for the ANSI set 0 and
    /// for sets without one of their own. fontName picks the symbol table.
    [[nodiscard]] static int forCharset(int charset, int fallback, QStringView fontName);

    /// Bytes in the given code page; an unknown code page reads as 1252.
    [[nodiscard]] QString decode(int codePage, QByteArrayView bytes);

private:
    QStringDecoder *decoderFor(int codePage);

    QHash<int, std::shared_ptr<QStringDecoder>> m_decoders;
};

} // namespace OrvVelmora
