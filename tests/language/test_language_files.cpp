#include "LanguageFileCheck.h"

#include <QTemporaryDir>
#include <QtTest>

class TestLanguageFiles : public QObject {
    Q_OBJECT

private slots:
    void everyLanguageFileIsComplete_data();
    void everyLanguageFileIsComplete();
    void indexFileIsComplete();
    void checkCatchesBrokenFiles_data();
    void checkCatchesBrokenFiles();
};

void TestLanguageFiles::everyLanguageFileIsComplete_data() {
    QTest::addColumn<QString>("code");
    const char* const codes[] = {"ARA", "BUL", "CHS", "CHT", "CES", "DAN", "ENU", "FAR",
                                 "FIN", "FRA", "DEU", "IND", "ITA", "JPN", "KOR", "LTU",
                                 "NOR", "PLK", "PTB", "ROM", "RUS", "ESN", "SWE", "HEB"};
    for (const char* code : codes)
        QTest::newRow(code) << QString::fromLatin1(code);
}

void TestLanguageFiles::everyLanguageFileIsComplete() {
    QFETCH(QString, code);
    const QStringList problems =
        languageFileProblems(QStringLiteral(":/Language/l_") + code, languageFileLayout());
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
}

void TestLanguageFiles::indexFileIsComplete() {
    const QStringList problems =
        languageFileProblems(QStringLiteral(":/Language/l_Idx"), indexFileLayout());
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
}

void TestLanguageFiles::checkCatchesBrokenFiles_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("sound");

    const QByteArray bom("\xEF\xBB\xBF");
    QTest::newRow("plain") << bom + "[S]\r\nK1\t=\tOne\r\nK2\t=\tTwo\r\n" << true;
    QTest::newRow("quoted comma") << bom + "[S]\r\nK1\t=\t\"One, two\"\r\nK2\t=\tTwo\r\n" << true;
    QTest::newRow("quoted leading spaces") << bom + "[S]\r\nK1\t=\t\"  One\"\r\nK2\t=\tTwo\r\n"
                                           << true;
    QTest::newRow("header with trailing tabs") << bom + "[S]\t\t\r\nK1\t=\tOne\r\nK2\t=\tTwo\r\n"
                                               << true;
    QTest::newRow("unquoted comma") << bom + "[S]\r\nK1\t=\tOne, two\r\nK2\t=\tTwo\r\n" << false;
    QTest::newRow("unquoted semicolon") << bom + "[S]\r\nK1\t=\tOne; two\r\nK2\t=\tTwo\r\n"
                                        << false;
    QTest::newRow("unquoted leading spaces") << bom + "[S]\r\nK1\t=\t  One\r\nK2\t=\tTwo\r\n"
                                             << false;
    QTest::newRow("quote inside") << bom + "[S]\r\nK1\t=\tOne \"x\"\r\nK2\t=\tTwo\r\n" << false;
    QTest::newRow("empty value") << bom + "[S]\r\nK1\t=\t\r\nK2\t=\tTwo\r\n" << false;
    QTest::newRow("missing key") << bom + "[S]\r\nK1\t=\tOne\r\n" << false;
    QTest::newRow("extra key") << bom + "[S]\r\nK1\t=\tOne\r\nK2\t=\tTwo\r\nK3\t=\tx\r\n" << false;
    QTest::newRow("no byte-order mark")
        << QByteArray("[S]\r\nK1\t=\tOne\r\nK2\t=\tTwo\r\n") << false;
    QTest::newRow("LF line ends") << bom + "[S]\nK1\t=\tOne\nK2\t=\tTwo\n" << false;
    QTest::newRow("spaces for tabs") << bom + "[S]\r\nK1 = One\r\nK2\t=\tTwo\r\n" << false;
    QTest::newRow("wrong section") << bom + "[T]\r\nK1\t=\tOne\r\nK2\t=\tTwo\r\n" << false;
}

void TestLanguageFiles::checkCatchesBrokenFiles() {
    QFETCH(QByteArray, content);
    QFETCH(bool, sound);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile file(dir.filePath(QStringLiteral("l_XXX")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    const QVector<SectionKeys> layout{{QStringLiteral("S"), {"K1", "K2"}}};
    const QStringList problems = languageFileProblems(file.fileName(), layout);
    QVERIFY2(problems.isEmpty() == sound, qPrintable(problems.join('\n')));
}

QTEST_GUILESS_MAIN(TestLanguageFiles)
#include "test_language_files.moc"
