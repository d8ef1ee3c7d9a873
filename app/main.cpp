#include "app/QuitOnSignal.h"
#include "app/SingleApplication.h"
#include "app/TransportChoice.h"
#include "app/TvSetupDlg.h"
#include "app/UserMessage.h"

#include <QDebug>
#include <QIcon>
#include <QThread>
#include <cstdio>

int main(int argc, char* argv[]) {
    SingleApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.1.7"));

    // Only the first argument, exactly, turns the update check off.
    const bool autoUpdate = !(argc > 1 && QString::fromLocal8Bit(argv[1]) == "/noAutoUpdate");

    TransportChoice choice = TransportChoice::fromArguments(QCoreApplication::arguments(),
                                                            qEnvironmentVariable("TIVORA_DEVICE"));
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
    return app.exec();
}
