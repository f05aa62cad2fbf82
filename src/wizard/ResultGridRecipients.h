#pragma once

#include "sendrun/SendRecipients.h"

namespace OrvVelmora {

class GridComponent;

/// The recipient grid sevResult as a send run reads it: its rows from 1 and
/// the text of a cell by column key, looked up afresh at every call, and the
/// salutation's phrases from the settings file.
class ResultGridRecipients final : public SendRecipients
{
public:
    explicit ResultGridRecipients(GridComponent &grid, SalutationPhrases phrases = {})
        : m_grid(grid)
        , m_phrases(std::move(phrases))
    {
    }

    [[nodiscard]] qint32 rowCount() const override;
    [[nodiscard]] std::optional<QString> cell(int row, const QString &columnKey) const override;
    [[nodiscard]] QMap<QString, QString> record(qint32 row) const override;
    [[nodiscard]] SalutationPhrases salutationPhrases() const override { return m_phrases; }

private:
    GridComponent &m_grid;
    SalutationPhrases m_phrases;
};

} // namespace OrvVelmora
