#pragma once

#include <QByteArrayView>

namespace OrvVelmora {

/// One lexical element of an RTF stream. Views point into the tokenizer's input.
struct RtfToken
{
    enum Kind { GroupOpen, GroupClose, ControlWord, ControlSymbol, Text, HexByte, Binary, End };

    Kind kind = End;
    /// Control word letters (at most kMaxWordLength of them), text bytes, or binary data.
    QByteArrayView data;
    bool hasParameter = false;
    /// Control word parameter, saturated to the 32-bit range.
    int parameter = 0;
    /// The character after the backslash of a control symbol, or the byte of \'hh.
    unsigned char symbol = 0;
};

/// Splits RTF bytes into tokens. It never fails: whatever the bytes are, it
/// walks forward and ends with End, so a hostile document cannot stall it.
/// Line ends and NUL bytes outside binary data are dropped, as RTF readers do.
/// \binN is resolved here because its data must not be tokenized; a length
/// beyond the end of the input is cut to what is left, a negative one is 0.
class RtfTokenizer
{
public:
    static constexpr int kMaxWordLength = 32;

    explicit RtfTokenizer(QByteArrayView input);

    RtfToken next();

private:
    RtfToken backslash();
    RtfToken controlWord();
    RtfToken hexByte();
    RtfToken text();
    int parameter(bool &present);

    QByteArrayView m_input;
    qsizetype m_pos = 0;
};

} // namespace OrvVelmora
