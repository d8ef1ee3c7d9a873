#include "app/CommandLine.h"
#include "app/TransportChoice.h"

#include <QtTest>

class TransportChoiceTest : public QObject {
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void open_data();
    void open();
};

void TransportChoiceTest::parse_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("environment");
    QTest::addColumn<QString>("spec");
    QTest::addColumn<bool>("error");
    QTest::newRow("nothing: the real module") << QStringList{"tivora"} << ""
                                              << "usb" << false;
    QTest::newRow("environment") << QStringList{"tivora"} << "sim:/p.ini"
                                 << "sim:/p.ini" << false;
    QTest::newRow("argument beats environment")
        << QStringList{"tivora", "--device", "unix:/s"} << "sim"
        << "unix:/s" << false;
    QTest::newRow("short form") << QStringList{"tivora", "--simulate"} << ""
                                << "sim" << false;
    QTest::newRow("after the update switch")
        << QStringList{"tivora", "/noAutoUpdate", "--device=sim:x"} << ""
        << "sim:x" << false;
    QTest::newRow("the last switch counts")
        << QStringList{"tivora", "--device=unix:/s", "--simulate", "--device", "sim:y"} << ""
        << "sim:y" << false;
    QTest::newRow("missing value") << QStringList{"tivora", "--device"} << ""
                                   << "usb" << true;
}

void TransportChoiceTest::parse() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, environment);
    QFETCH(QString, spec);
    QFETCH(bool, error);
    const CommandLine line = CommandLine::parse(arguments);
    const TransportChoice choice = TransportChoice::choose(line.device, environment);
    QCOMPARE(choice.spec, spec);
    QCOMPARE(line.action == CommandLine::Action::Fail, error);
}

void TransportChoiceTest::open_data() {
    QTest::addColumn<QString>("spec");
    QTest::addColumn<bool>("opens");
    QTest::newRow("usb") << "usb" << true;
    QTest::newRow("sim") << "sim" << true;
    QTest::newRow("unix") << "unix:/tmp/none.sock" << true;
    QTest::newRow("unix without path") << "unix:" << false;
    QTest::newRow("sim with unreadable profile") << "sim:/nonexistent/profile.ini" << false;
    QTest::newRow("unknown") << "serial" << false;
}

void TransportChoiceTest::open() {
    QFETCH(QString, spec);
    QFETCH(bool, opens);
    TransportChoice choice = TransportChoice::choose(spec, {});
    const bool made = choice.open() != nullptr;
    QCOMPARE(made, opens);
    QCOMPARE(choice.error.isEmpty(), opens);
}

QTEST_GUILESS_MAIN(TransportChoiceTest)
#include "test_transport_choice.moc"
