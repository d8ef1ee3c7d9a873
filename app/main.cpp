#include "app/CalibrateCommand.h"
#include "app/CommandLine.h"
#include "app/FindScreenCommand.h"
#include "app/QuitOnSignal.h"
#include "app/Settings.h"
#include "app/ShutdownLimit.h"
#include "app/SingleApplication.h"
#include "app/TransportChoice.h"
#include "app/TvSetupDlg.h"
#include "display/KqUtils.h"
#include "display/UserMessage.h"
#include "log/LogCategories.h"
#include "log/LogFile.h"
#include "log/Pause.h"

#include <QDebug>
#include <QIcon>
#include <QLoggingCategory>
#include <QThread>
#include <cstdio>

namespace {

// Closing normally takes about a second (the receive thread's read time-out, the module's
// tracking restarted); a sanitized build needs several times that.
constexpr int kShutdownLimitMs = 8000;
// --calibrate and --find-screen while another copy runs: neither success nor a failed run.
constexpr int kExitAnotherRunning = 3;

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.1.7"));
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine line = CommandLine::parse(arguments);
    switch (line.action) {
    case CommandLine::Action::Print:
        std::fputs(qPrintable(line.text), stdout);
        return 0;
    case CommandLine::Action::Fail:
        std::fprintf(stderr, "tivora: %s\n", qPrintable(line.text));
        return 2;
    case CommandLine::Action::Run:
        break;
    }

    if (line.quiet)
        QLoggingCategory::setFilterRules(QStringLiteral("tivora.*.debug=false"));
    // Tests and scripts that read the program's log set TIVORA_VERBOSE=1.
    log_file::install(settings::stateFolder() + QStringLiteral("/tivora.log"),
                      line.verbose || qEnvironmentVariableIntValue("TIVORA_VERBOSE") == 1);

    SingleApplication app(argc, argv);
    QString screen;
    if (!line.screen.isEmpty()) {
        QString error;
        screen = CommandLine::screenName(line.screen, KqUtils::screensLeftToRight(), &error);
        if (screen.isEmpty()) {
            std::fprintf(stderr, "tivora: %s\n", qPrintable(error));
            return 2;
        }
    }
    TransportChoice choice =
        TransportChoice::choose(line.device, qEnvironmentVariable("TIVORA_DEVICE"));
    std::unique_ptr<Transport> transport = choice.open();
    if (!transport) {
        std::fprintf(stderr, "tivora: %s\n", qPrintable(choice.error));
        return 2;
    }
    qCDebug(lcApp).noquote() << "device:" << choice.spec;

    TvSetupDlg setupDlg(nullptr, line.autoUpdate, std::move(transport));
    if (!screen.isEmpty())
        setupDlg.useScreenForThisRun(screen);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/TivoraRes/icon")));
    // Desktops match the window to its menu entry and icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.corvan.Tivora"));

    // The lock is nearly always free: this copy takes it and shows its panel at once. A copy
    // that is just ending (a restart) gets two seconds to let go before this one gives way.
    bool primary = app.isPrimaryInstance();
    if (!primary) {
        pause::sleepMs(2000);
        primary = app.isPrimaryInstance();
    }
    if (!primary) {
        // A script must not take the running copy's window for its own.
        if (line.calibrate || line.findScreen) {
            std::printf("another Tivora is running\n");
            return kExitAnotherRunning;
        }
        if (app.askRunningCopyToShow())
            qCInfo(lcApp) << "another Tivora is running: asked it to come to the front";
        else
            user_message::critical(nullptr, setupDlg.language()->textM(1));
        return 1;
    }
    app.listenForLaterStarts();
    QObject::connect(&app, &SingleApplication::sigShowRequested, &setupDlg,
                     &TvSetupDlg::bringToFront);
    quitOnTerminationSignals();
    setupDlg.hide();
    setupDlg.start();
    if (line.successPauseMs >= 0)
        setupDlg.setSuccessPause(line.successPauseMs);
    if (!line.reportPath.isEmpty())
        setupDlg.setReportPath(line.reportPath);
    if (line.calibrate) {
        setupDlg.setOfferCheck(false);
        new CalibrateCommand(&setupDlg, line.calibrationKind, choice.verifier);
    }
    if (line.findScreen)
        new FindScreenCommand(&setupDlg);
    const int exitCode = app.exec();
    limitShutdown(kShutdownLimitMs, exitCode);
    return exitCode;
}
