#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace OrvVelmora {

/// Turns an RTF document (typically the editor's RTF after the placeholders
/// were merged into it) into the formatted body of a mail: a complete UTF-8
/// HTML document with inline styles only, since mail clients drop style
/// sheets. Text is HTML-escaped, so merged values containing <, & or quotes
/// arrive as written.
///
/// Answers std::nullopt when the source is not a readable RTF document; the
/// caller decides what a message without a formatted body means.
class RtfToHtml
{
public:
    [[nodiscard]] static std::optional<QString> convert(const QByteArray &rtf);
    /// Same for RTF held as text. Characters outside ASCII, which RTF itself
    /// never contains, are taken as literal text.
    [[nodiscard]] static std::optional<QString> convert(const QString &rtf);
};

} // namespace OrvVelmora
