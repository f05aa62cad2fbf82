#include "journal/ReplyClassifier.h"

#include <QRegularExpression>

namespace OrvVelmora {

namespace {

// The transport's "connection lost after the message's end" result.
constexpr qint32 kSendUncertain = -2;

struct LimitCode
{
    int code;
    const char *enhanced;
    bool needsQuotaWord;
};

const LimitCode kLimitCodes[] = {
    {421, "4.7.0", false}, {450, "4.7.1", false}, {452, "4.5.3", false},
    {432, "4.3.2", false}, {550, "5.4.5", false}, {554, "5.2.0", true},
};

const char *const kLimitWords[] = {"quota",          "rate limit",        "ratelimit",
                                   "rate-limit",     "too many messages", "sending limit",
                                   "limit exceeded", "throttl",           "submissionquotaexceeded"};

QString enhancedCode(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("\\b([245]\\.\\d{1,3}\\.\\d{1,3})\\b"));
    const QRegularExpressionMatch match = pattern.match(text);
    return match.hasMatch() ? match.captured(1) : QString();
}

} // namespace

bool ReplyClassifier::isLimit(int code, const QString &text)
{
    const QString lowered = text.toLower();
    bool quotaWord = false;
    for (const char *word : kLimitWords)
        quotaWord = quotaWord || lowered.contains(QLatin1String(word));
    const QString enhanced = enhancedCode(text);
    for (const LimitCode &limit : kLimitCodes)
        if (code == limit.code && enhanced == QLatin1String(limit.enhanced) && (quotaWord || !limit.needsQuotaWord))
            return true;
    return code >= 400 && quotaWord;
}

ReplyKind ReplyClassifier::classify(qint32 sendResult, int code, const QString &text)
{
    if (sendResult >= 0)
        return ReplyKind::Delivered;
    if (sendResult == kSendUncertain)
        return ReplyKind::Uncertain;
    if (code <= 0)
        code = -sendResult > 1 ? -sendResult : 0;
    if (isLimit(code, text))
        return ReplyKind::Limit;
    if (code >= 500)
        return ReplyKind::Refused;
    return ReplyKind::Temporary;
}

} // namespace OrvVelmora
