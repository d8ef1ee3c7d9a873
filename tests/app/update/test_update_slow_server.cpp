#include "tests/app/update/LoopbackHttpServer.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

// The whole program with an update server that takes the request and then stalls: ending the
// program must not wait for the server, and must not crash in the check still under way.
class UpdateSlowServerTest : public QObject {
    Q_OBJECT

private slots:
    void endingWhileTheCheckWaits();
};

void UpdateSlowServerTest::endingWhileTheCheckWaits() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    LoopbackHttpServer server;
    server.setStalledResponse(QStringLiteral("/manifest"), QByteArray(R"({"version":"9.9"})"));
    QSignalSpy requests(&server, &LoopbackHttpServer::sigRequest);

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TIVORA_UPDATE_SERVER"), server.address().toString());
    env.insert(QStringLiteral("TIVORA_INSTANCE_KEY"),
               QStringLiteral("slow-server-%1").arg(QCoreApplication::applicationPid()));
    env.insert(QStringLiteral("TIVORA_CONFIG_DIR"), dir.path());
    env.insert(QStringLiteral("TIVORA_UNATTENDED"), QStringLiteral("1"));
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(QStringLiteral(TIVORA_BINARY),
                  {QStringLiteral("--device"), "unix:" + dir.filePath(QStringLiteral("none"))});
    QVERIFY(program.waitForStarted(10000));
    QVERIFY(requests.wait(30000));
    QByteArray output;
    QTRY_VERIFY_WITH_TIMEOUT((output += program.readAll()).contains("CheckCamConnectProc"), 30000);

    program.terminate();
    // The check may hold the network for 10 s and its thread is waited for up to 20 s; ending
    // must not take either.
    QVERIFY(program.waitForFinished(8000));
    output += program.readAll();
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QVERIFY2(!output.contains("did not stop"), output.constData());
}

QTEST_GUILESS_MAIN(UpdateSlowServerTest)
#include "test_update_slow_server.moc"
