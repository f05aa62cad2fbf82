#pragma once

#include <QString>

namespace OrvVelmora {

/// What a send run makes of one Send() result and the server's reply.
enum class ReplyKind {
    Delivered, ///< accepted
    Refused,   ///< a permanent refusal (5xx): this recipient will not get it
    Temporary, ///< "try later" (4xx, or no reply before the message's end): retried at the end of the run
    Limit,     ///< the provider's rate or quota limit: the run pauses, the rest wait for later
    Uncertain, ///< the connection ended after the message's end, before the reply
    OurFault,  ///< no server said anything: a file of ours is gone, an address we cannot use; final
};

/// Sorts replies into the kinds above. Rate and quota limits are recognised
/// by the enhanced status codes the big providers use for them (421 4.7.0,
/// 450 4.7.1, 452 4.5.3, 432 4.3.2, 550 5.4.5, 554 5.2.0 with a quota text)
/// and by the words providers put in such replies ("quota", "rate limit",
/// "too many messages"...). A limit found in a 5xx reply still pauses rather
/// than refuses: the recipient is not at fault and gets the message later.
class ReplyClassifier
{
public:
    /// sendResult as Send() returns it; code and text of the server's reply.
    [[nodiscard]] static ReplyKind classify(qint32 sendResult, int code, const QString &text);
    [[nodiscard]] static bool isLimit(int code, const QString &text);
};

} // namespace OrvVelmora
