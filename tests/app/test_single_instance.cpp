#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// Starts the real program, as a user would, against a device path where nothing answers.
class SingleInstanceTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void secondStartBringsTheFirstForward_data();
    void secondStartBringsTheFirstForward();
    void staleLockOfKilledInstanceIsIgnored();
    void instanceStartsAgainAfterNormalEnd();

private:
    QProcess* start(const QString& key, const QStringList& extra = {});
    // The program's output up to the point where it runs; empty when it never got there.
    QByteArray waitForRunning(QProcess* process);

    QTemporaryDir m_dir;
};

void SingleInstanceTest::initTestCase() {
    QVERIFY(m_dir.isValid());
}

QProcess* SingleInstanceTest::start(const QString& key, const QStringList& extra) {
    auto* process = new QProcess(this);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TIVORA_INSTANCE_KEY"),
               QStringLiteral("%1-%2").arg(key).arg(QCoreApplication::applicationPid()));
    env.insert(QStringLiteral("TIVORA_CONFIG_DIR"), m_dir.path());
    env.insert(QStringLiteral("TIVORA_UNATTENDED"), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("en_US.UTF-8"));
    process->setProcessEnvironment(env);
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->start(
        QStringLiteral(TIVORA_BINARY),
        QStringList{QStringLiteral("--device"), "unix:" + m_dir.filePath(QStringLiteral("none"))} +
            extra);
    return process;
}

QByteArray SingleInstanceTest::waitForRunning(QProcess* process) {
    if (!process->waitForStarted(10000))
        return {};
    QByteArray output;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 20000 && process->state() == QProcess::Running) {
        process->waitForReadyRead(200);
        output += process->readAll();
        if (output.contains("CheckCamConnectProc: Thread ID ="))
            return output;
    }
    qWarning().noquote() << output;
    return {};
}

void SingleInstanceTest::secondStartBringsTheFirstForward_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("said"); // by the second start
    QTest::addColumn<bool>("forward");    // the first came to the front
    QTest::newRow("from the menu")
        << QStringList() << 1 << QByteArray("asked it to come to the front") << true;
    // A script learns why, and does not take the other copy's window for its own.
    QTest::newRow("--calibrate") << QStringList{"--calibrate", "auto"} << 3
                                 << QByteArray("another Tivora is running\n") << false;
    QTest::newRow("--find-screen")
        << QStringList{"--find-screen"} << 3 << QByteArray("another Tivora is running\n") << false;
}

void SingleInstanceTest::secondStartBringsTheFirstForward() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, said);
    QFETCH(bool, forward);
    QProcess* first = start(QStringLiteral("second"));
    QVERIFY(!waitForRunning(first).isEmpty());

    QProcess* second = start(QStringLiteral("second"), arguments);
    QVERIFY(second->waitForFinished(20000));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), exitCode);
    QVERIFY(second->readAll().contains(said));

    QCOMPARE(first->state(), QProcess::Running);
    first->terminate();
    QVERIFY(first->waitForFinished(20000));
    QCOMPARE(first->exitCode(), 0);
    QCOMPARE(first->readAll().contains("another start: bringing the window to the front"), forward);
}

void SingleInstanceTest::staleLockOfKilledInstanceIsIgnored() {
    QProcess* first = start(QStringLiteral("stale"));
    QVERIFY(!waitForRunning(first).isEmpty());
    first->kill();
    QVERIFY(first->waitForFinished(20000));

    QProcess* next = start(QStringLiteral("stale"));
    QVERIFY(waitForRunning(next).contains("removed the lock of an instance that ended abnormally"));
    next->terminate();
    QVERIFY(next->waitForFinished(20000));
    QCOMPARE(next->exitCode(), 0);
}

void SingleInstanceTest::instanceStartsAgainAfterNormalEnd() {
    QProcess* first = start(QStringLiteral("again"));
    QVERIFY(!waitForRunning(first).isEmpty());
    first->terminate();
    QVERIFY(first->waitForFinished(20000));

    QProcess* next = start(QStringLiteral("again"));
    QVERIFY(!waitForRunning(next).isEmpty());
    next->terminate();
    QVERIFY(next->waitForFinished(20000));
}

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "test_single_instance.moc"
