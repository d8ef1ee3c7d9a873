#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <QtGlobal>

// The real program (TIVORA_BINARY) as a user starts it, on a device where nothing answers: run
// until its connection watch has started, then ended with SIGTERM as a desktop ends it.
struct ProgramRun {
    QByteArray output; // standard output and error of the whole run
    bool watching = false;
    bool ended = false; // within its normal time after SIGTERM
    int exitCode = -1;
};

inline ProgramRun
runUntilWatching(const QString& configDir, const QStringList& arguments,
                 QProcessEnvironment env = QProcessEnvironment::systemEnvironment()) {
    static int runs = 0;
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("TIVORA_CONFIG_DIR"), configDir);
    env.insert(QStringLiteral("TIVORA_UNATTENDED"), QStringLiteral("1"));
    env.insert(QStringLiteral("TIVORA_INSTANCE_KEY"),
               QStringLiteral("run-%1-%2").arg(QCoreApplication::applicationPid()).arg(++runs));
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral(TIVORA_BINARY),
                  arguments + QStringList{QStringLiteral("--device"),
                                          QStringLiteral("unix:") + configDir + "/none"});
    ProgramRun run;
    if (!process.waitForStarted(10000))
        return run;
    const int factor = qMax(1, qEnvironmentVariableIntValue("TIVORA_TIMEOUT_FACTOR"));
    const QByteArray watching("CheckCamConnectProc: Thread ID =");
    QElapsedTimer clock;
    clock.start();
    while (!run.output.contains(watching) && process.state() == QProcess::Running &&
           clock.elapsed() < 20000 * factor) {
        process.waitForReadyRead(200);
        run.output += process.readAll();
    }
    run.watching = run.output.contains(watching);
    process.terminate();
    run.ended = process.waitForFinished(10000 * factor);
    if (!run.ended)
        process.kill();
    process.waitForFinished(10000);
    run.output += process.readAll();
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return run;
}
