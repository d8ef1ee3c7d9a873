#include "app/CalibrateCommand.h"
#include "app/QuitOnSignal.h"
#include "app/ShutdownLimit.h"
#include "app/SingleApplication.h"
#include "app/TransportChoice.h"
#include "app/TvSetupDlg.h"
#include "calib/UserMessage.h"

#include <QDebug>
#include <QIcon>
#include <QThread>
#include <cstdio>

namespace {

// Closing normally takes about a second (the receive thread's read time-out, the module's
// tracking restarted); a sanitized build needs several times that.
constexpr int kShutdownLimitMs = 8000;

} // namespace

int main(int argc, char* argv[]) {
    SingleApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.1.7"));

    // Only the first argument, exactly, turns the update check off.
    const bool autoUpdate = !(argc > 1 && QString::fromLocal8Bit(argv[1]) == "/noAutoUpdate");

    const QStringList arguments = QCoreApplication::arguments();
    bool calibrate = false;
    CalibrateCommand::Kind calibrationKind = CalibrateCommand::Kind::Auto;
    QString error;
    if (!CalibrateCommand::parse(arguments, &calibrate, &calibrationKind, &error)) {
        std::fprintf(stderr, "tivora: %s\n", qPrintable(error));
        return 2;
    }
    TransportChoice choice =
        TransportChoice::fromArguments(arguments, qEnvironmentVariable("TIVORA_DEVICE"));
    std::unique_ptr<Transport> transport = choice.open();
    if (!transport) {
        std::fprintf(stderr, "tivora: %s\n", qPrintable(choice.error));
        return 2;
    }
    qDebug().noquote() << "device:" << choice.spec;

    TvSetupDlg setupDlg(nullptr, autoUpdate, std::move(transport));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/TivoraRes/icon")));

    QThread::msleep(2000);
    if (!app.isPrimaryInstance()) {
        user_message::critical(nullptr, setupDlg.language()->textM(1));
        return 1;
    }
    quitOnTerminationSignals();
    setupDlg.hide();
    setupDlg.start();
    if (calibrate)
        new CalibrateCommand(&setupDlg, calibrationKind, choice.verifier);
    const int exitCode = app.exec();
    limitShutdown(kShutdownLimitMs, exitCode);
    return exitCode;
}
