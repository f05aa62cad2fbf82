#pragma once

#include "outside/rtf/RtfSink.h"
#include "wizard/merge/MergeText.h"

#include <QDate>
#include <QList>

namespace OrvVelmora {

/// Sits between the RTF reader and another sink and replaces the
/// placeholders that the merge of the RTF source could not see: those whose
/// characters carry different formatting, so that control words stand
/// between them in the source ("<#KD_{\b FIRMA#>}"). The runs of a paragraph
/// are gathered; a token found across runs becomes its value in the
/// formatting of its first character. A cell that cannot be read leaves the
/// token as it is, as the plain merge does.
class SplitTokenSink final : public RtfSink
{
public:
    SplitTokenSink(RtfSink &next, const MergeRowSource &source, int row, const QDate &today);

    void characters(const QString &text, const RtfCharStyle &style) override;
    void paragraphEnd(const RtfParaStyle &style) override;
    void documentEnd(const RtfParaStyle &style) override;

private:
    struct Run
    {
        QString text;
        RtfCharStyle style;
    };

    void flush();
    [[nodiscard]] std::optional<QString> valueOf(const QString &token) const;

    RtfSink &m_next;
    const MergeRowSource &m_source;
    int m_row;
    QDate m_today;
    QList<Run> m_runs;
};

} // namespace OrvVelmora
