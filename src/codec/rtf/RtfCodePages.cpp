#include "codec/rtf/RtfCodePages.h"

#include <array>

namespace OrvVelmora {

namespace {

struct CharsetCodePage
{
    int charset;
    int codePage;
};

// \fcharset values as Windows defines them (LOGFONT lfCharSet).
constexpr std::array<CharsetCodePage, 20> kCharsets{{
    {1, 0},      {77, 10000}, {78, 10001}, {128, 932},  {129, 949},  {130, 1361}, {134, 936},
    {136, 950},  {161, 1253}, {162, 1254}, {163, 1258}, {177, 1255}, {178, 1256}, {186, 1257},
    {204, 1251}, {222, 874},  {238, 1250}, {254, 437},  {255, 850},  {0, 0},
}};

QByteArray icuName(int codePage)
{
    switch (codePage) {
    case 437: return "IBM437";
    case 850: return "IBM850";
    case 932: return "Shift_JIS";
    case 936: return "GBK";
    case 949: return "windows-949";
    case 950: return "Big5";
    case 1361: return "ibm-1361";
    case 10000: return "macintosh";
    // ICU has no Mac Japanese; its characters are those of Shift_JIS.
    case 10001: return "Shift_JIS";
    case 65001: return "UTF-8";
    default: return "windows-" + QByteArray::number(codePage);
    }
}

// Adobe Symbol glyphs 0x20..0xFF as characters; 0 where a glyph has no
// ordinary character, which then maps into the private use area like Windows does.
QChar symbolChar(unsigned char byte)
{
    static const char16_t kUpper[] = u"ΑΒΧΔΕΦΓΗΙϑΚΛΜΝΟΠΘΡΣΤΥςΩΞΨΖ";
    static const char16_t kLower[] = u"αβχδεφγηιϕκλμνοπθρστυϖωξψζ";
    if (byte >= 0x41 && byte <= 0x5A)
        return QChar(kUpper[byte - 0x41]);
    if (byte >= 0x61 && byte <= 0x7A)
        return QChar(kLower[byte - 0x61]);
    switch (byte) {
    case 0x22: return QChar(0x2200);
    case 0x24: return QChar(0x2203);
    case 0x27: return QChar(0x220B);
    case 0x2A: return QChar(0x2217);
    case 0x2D: return QChar(0x2212);
    case 0x40: return QChar(0x2245);
    case 0x5C: return QChar(0x2234);
    case 0x5E: return QChar(0x22A5);
    case 0xA2: return QChar(0x2032);
    case 0xA3: return QChar(0x2264);
    case 0xA5: return QChar(0x221E);
    case 0xA7: return QChar(0x2663);
    case 0xA8: return QChar(0x2666);
    case 0xA9: return QChar(0x2665);
    case 0xAA: return QChar(0x2660);
    case 0xAB: return QChar(0x2194);
    case 0xAC: return QChar(0x2190);
    case 0xAD: return QChar(0x2191);
    case 0xAE: return QChar(0x2192);
    case 0xAF: return QChar(0x2193);
    case 0xB0: return QChar(0x00B0);
    case 0xB1: return QChar(0x00B1);
    case 0xB2: return QChar(0x2033);
    case 0xB3: return QChar(0x2265);
    case 0xB4: return QChar(0x00D7);
    case 0xB6: return QChar(0x2202);
    case 0xB7: return QChar(0x2022);
    case 0xB8: return QChar(0x00F7);
    case 0xB9: return QChar(0x2260);
    case 0xBA: return QChar(0x2261);
    case 0xBB: return QChar(0x2248);
    case 0xBC: return QChar(0x2026);
    case 0xC5: return QChar(0x2295);
    case 0xC6: return QChar(0x2205);
    case 0xD2: return QChar(0x00AE);
    case 0xD3: return QChar(0x00A9);
    case 0xD4: return QChar(0x2122);
    case 0xD6: return QChar(0x221A);
    case 0xD7: return QChar(0x22C5);
    case 0xE0: return QChar(0x25CA);
    case 0xE5: return QChar(0x2211);
    case 0xF2: return QChar(0x222B);
    default: break;
    }
    return byte < 0x80 ? QLatin1Char(char(byte)) : QChar(0xF000 + byte);
}

// The Wingdings glyphs that documents use as bullets and check marks.
QChar wingdingsChar(unsigned char byte)
{
    switch (byte) {
    case 0x6C: return QChar(0x25CF);
    case 0x6E: return QChar(0x25A0);
    case 0x71: return QChar(0x2751);
    case 0x76: return QChar(0x2756);
    case 0x9F: return QChar(0x2022);
    case 0xA7: return QChar(0x25AA);
    case 0xA8: return QChar(0x25FB);
    case 0xD8: return QChar(0x27A2);
    case 0xE0: return QChar(0x2192);
    case 0xFB: return QChar(0x2717);
    case 0xFC: return QChar(0x2713);
    default: break;
    }
    return QChar(0xF000 + byte);
}

QString decodeGlyphs(QByteArrayView bytes, QChar (*glyph)(unsigned char))
{
    QString result;
    result.reserve(bytes.size());
    for (char byte : bytes)
        result.append(glyph(static_cast<unsigned char>(byte)));
    return result;
}

} // namespace

RtfCodePages::RtfCodePages() = default;
RtfCodePages::~RtfCodePages() = default;

int RtfCodePages::forCharset(int charset, int fallback, QStringView fontName)
{
    if (charset == 2)
        return fontName.contains(u"Wingdings", Qt::CaseInsensitive) ? kWingdings : kSymbol;
    for (const CharsetCodePage &entry : kCharsets) {
        if (entry.charset == charset)
            return entry.codePage == 0 ? fallback : entry.codePage;
    }
    return fallback;
}

QString RtfCodePages::decode(int codePage, QByteArrayView bytes)
{
    if (codePage == kSymbol)
        return decodeGlyphs(bytes, symbolChar);
    if (codePage == kWingdings)
        return decodeGlyphs(bytes, wingdingsChar);
    return decoderFor(codePage)->decode(bytes);
}

QStringDecoder *RtfCodePages::decoderFor(int codePage)
{
    // Only numbers in the ranges where code pages live reach ICU, so a hostile
    // document cannot fill the cache with thousands of failed look-ups.
    const bool plausible = (codePage >= 437 && codePage <= 1361) || (codePage >= 10000 && codePage <= 10082) ||
        (codePage >= 20000 && codePage <= 29999) || codePage == 65001;
    if (!plausible)
        codePage = 1252;
    auto found = m_decoders.constFind(codePage);
    if (found != m_decoders.constEnd())
        return found->get();
    // Stateless: a lead byte left over at the end of one run must not eat
    // the first byte of an unrelated later run.
    auto decoder = std::make_shared<QStringDecoder>(icuName(codePage).constData(), QStringConverter::Flag::Stateless);
    if (!decoder->isValid())
        decoder = codePage == 1252 ? std::make_shared<QStringDecoder>(QStringConverter::Latin1)
                                   : std::shared_ptr<QStringDecoder>(decoderFor(1252), [](QStringDecoder *) {});
    m_decoders.insert(codePage, decoder);
    return decoder.get();
}

} // namespace OrvVelmora
