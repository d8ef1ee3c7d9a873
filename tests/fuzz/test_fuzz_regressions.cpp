#include "tests/fuzz/LinkFuzzHarness.h"

#include <QDir>
#include <QFile>
#include <QtTest>

// Every input a fuzz target once failed on, replayed through the same target.
class FuzzRegressionTest : public QObject {
    Q_OBJECT

private slots:
    void replay_data();
    void replay();
};

void FuzzRegressionTest::replay_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("path");
    const QDir root(QStringLiteral(TIVORA_FUZZ_REGRESSIONS));
    for (const QString& target : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QDir folder(root.filePath(target));
        for (const QString& name : folder.entryList(QDir::Files))
            QTest::newRow(qPrintable(target + '/' + name)) << target << folder.filePath(name);
    }
}

void FuzzRegressionTest::replay() {
    QFETCH(QString, target);
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray input = file.readAll();
    const auto* data = reinterpret_cast<const uint8_t*>(input.constData());
    const size_t size = size_t(input.size());
    if (target == QLatin1String("receive_dispatch"))
        link_fuzz::receiveDispatch(data, size);
    else if (target == QLatin1String("image_assembly"))
        link_fuzz::imageAssembly(data, size);
    else if (target == QLatin1String("record_and_mask"))
        link_fuzz::recordAndMask(data, size);
    else
        QFAIL(qPrintable("no fuzz target " + target));
}

QTEST_GUILESS_MAIN(FuzzRegressionTest)
#include "test_fuzz_regressions.moc"
