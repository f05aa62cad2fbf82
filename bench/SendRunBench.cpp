// The send run's engine on the offscreen platform, with the send pane reduced
// to plain labels and progress bars: 2,000 recipients, a 2.5 kB formatted
// message with six placeholders and one attachment, delivered to Postfix's
// smtp-sink on loopback. SendRunWizardBench runs the same through the real form.
#include "SendRunBenchSupport.h"

#include "outside/smtp/SmtpTransport.h"
#include "wizard/sendrun/CoalescingSendView.h"
#include "wizard/sendrun/SendRun.h"

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
    PlatformServices::setInstance(&meter);
    WidgetView view(sink.port(), writeAttachment(dir.path()));
    NumberedRecipients recipients(kRecipients);
    SmtpTransport transport;
    CoalescingSendView display(view);
    SendRun run(transport, display, recipients);

    QElapsedTimer clock;
    clock.start();
    meter.start();
    run.run();
    const double seconds = clock.nsecsElapsed() / 1e9;
    PlatformServices::setInstance(nullptr);

    const int sent = view.labelText(SendLabel::lblOK).toInt();
    printFigures("sendrun_engine", sent, view.labelText(SendLabel::lblError).toInt(), seconds, meter);
    return sent == kRecipients ? 0 : 1;
}
