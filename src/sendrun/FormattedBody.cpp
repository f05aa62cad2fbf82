#include "sendrun/FormattedBody.h"

#include "codec/rtf/RtfHtmlBuilder.h"
#include "codec/rtf/RtfReader.h"
#include "codec/rtf/RtfSink.h"

#include <utility>

namespace OrvVelmora {

/// Keeps what the reader delivers, paragraph by paragraph, run by run, so a
/// paragraph without placeholders comes out exactly as the plain conversion
/// writes it.
class FormattedBody::Recorder final : public RtfSink
{
public:
    explicit Recorder(QList<Paragraph> &paragraphs)
        : m_paragraphs(paragraphs)
    {
    }

    void characters(const QString &text, const RtfCharStyle &style) override
    {
        if (!text.isEmpty())
            m_runs.append({text, style});
    }
    void paragraphEnd(const RtfParaStyle &style) override { close(style, false); }
    void documentEnd(const RtfParaStyle &style) override { close(style, true); }

private:
    void close(const RtfParaStyle &style, bool last)
    {
        const bool placeholders = StyledMerge::holdsPlaceholder(m_runs);
        m_paragraphs.append({std::exchange(m_runs, {}), style, last, placeholders});
    }

    QList<Paragraph> &m_paragraphs;
    StyledRuns m_runs;
};

FormattedBody::FormattedBody(const QString &rtf)
{
    Recorder recorder(m_paragraphs);
    m_readable = RtfReader::read(RtfReader::fromText(rtf), recorder);
    if (!m_readable)
        m_paragraphs.clear();
}

std::optional<QString> FormattedBody::html(const MergeRowSource &source, int row, const QDate &today) const
{
    if (!m_readable)
        return std::nullopt;
    StyledMerge merge(source, row, today);
    RtfHtmlBuilder builder;
    for (const Paragraph &paragraph : m_paragraphs) {
        for (const StyledRun &run : paragraph.placeholders ? merge.merged(paragraph.runs) : paragraph.runs)
            builder.characters(run.text, run.style);
        if (paragraph.last)
            builder.documentEnd(paragraph.style);
        else
            builder.paragraphEnd(paragraph.style);
    }
    return builder.html();
}

std::optional<QString> FormattedBody::html(const MergeRowSource &source, int row, const QString &rtf,
                                           const QDate &today)
{
    return FormattedBody(rtf).html(source, row, today);
}

} // namespace OrvVelmora
