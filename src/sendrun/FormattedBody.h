#pragma once

#include "codec/rtf/RtfStyles.h"
#include "merge/MergeText.h"
#include "sendrun/StyledMerge.h"

#include <QDate>
#include <QList>
#include <QString>

#include <optional>

namespace OrvVelmora {

/// The formatted (HTML) body of the recipients' messages. The editor's RTF is
/// read once, into its paragraphs; each recipient's body is then made from
/// those, merged with StyledMerge (so placeholders split by formatting
/// changes are merged too) and written as HTML. A mailing to thousands of
/// customers reads its message once instead of once per customer.
class FormattedBody
{
public:
    explicit FormattedBody(const QString &rtf);

    /// False when the RTF cannot be read; then there is no body for anyone.
    [[nodiscard]] bool readable() const { return m_readable; }
    /// One recipient's body; nothing when the RTF cannot be read.
    [[nodiscard]] std::optional<QString> html(const MergeRowSource &source, int row,
                                              const QDate &today = QDate::currentDate()) const;
    /// One recipient's body from RTF read for just this call.
    [[nodiscard]] static std::optional<QString> html(const MergeRowSource &source, int row, const QString &rtf,
                                                     const QDate &today = QDate::currentDate());

private:
    struct Paragraph
    {
        StyledRuns runs;
        RtfParaStyle style;
        /// The document's last, unterminated paragraph.
        bool last = false;
        /// Its text holds a placeholder; the others are the same for everyone.
        bool placeholders = false;
    };
    class Recorder;

    QList<Paragraph> m_paragraphs;
    bool m_readable = false;
};

} // namespace OrvVelmora
