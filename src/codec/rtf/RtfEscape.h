#pragma once

#include <QByteArray>
#include <QStringView>

namespace OrvVelmora {

/// How a \uN escape is written. Grouped wraps each in braces: some readers
/// (unrtf among them) skip the whole word after \uN and would otherwise eat
/// the letters that follow.
enum class RtfUnicodeStyle { Bare, Grouped };

/// The text as RTF source that shows it literally: backslash and braces
/// escaped, tabs as \tab, every kind of line break (CR LF, CR, LF, U+2028,
/// U+2029) as \line, printable ASCII as it is and everything else as \uN?
/// (N signed 16-bit, '?' the fallback for readers without Unicode, \uc1).
/// The result is plain ASCII.
[[nodiscard]] QByteArray rtfEscape(QStringView text, RtfUnicodeStyle style = RtfUnicodeStyle::Bare);

} // namespace OrvVelmora
