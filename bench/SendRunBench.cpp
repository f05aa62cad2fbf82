// The send run's engine on the offscreen platform, with the send pane reduced
// to plain labels and progress bars: 2,000 recipients, a 2.5 kB formatted
// message with six placeholders and one attachment, delivered to Postfix's
// smtp-sink on loopback. SendRunWizardBench runs the same through the real form.
#include "SendRunBenchSupport.h"

#include <QApplication>
#include <QTemporaryDir>

using namespace OrvVelmora;
using namespace OrvVelmora::Bench;

namespace {

constexpr int kRecipients = 2000;

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    SmtpSink sink;
    if (!sink.start())
        return 1;

    GapMeter meter;
    const EngineRun run = runEngine(meter, sink.port(), writeAttachment(dir.path()), kRecipients);
    printFigures("sendrun_engine", run.sent, run.refused, run.seconds, meter);
    return run.sent == kRecipients ? 0 : 1;
}
