#include "app/Settings.h"
#include "app/language/LanguageTable.h"
#include "tests/support/LogCapture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

// The shared settings file as other users, other programs and full disks leave it: the
// program starts with the fallbacks, never crashes, and a failed save destroys nothing.
class SettingsFaultsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void damagedFileFallsBack_data();
    void damagedFileFallsBack();
    void unwritablePlaceKeepsWhatIsThere_data();
    void unwritablePlaceKeepsWhatIsThere();
    void readOnlyFileIsLeftAlone();
    void damagedFileIsReplacedBySave();

private:
    QString path() const { return settings::configFilePath(); }
    void writeRaw(const QByteArray& bytes);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void SettingsFaultsTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    qputenv("TIVORA_CONFIG_DIR", m_dir->path().toLocal8Bit());
}

void SettingsFaultsTest::writeRaw(const QByteArray& bytes) {
    QVERIFY(QDir().mkpath(QFileInfo(path()).absolutePath()));
    QFile file(path());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void SettingsFaultsTest::damagedFileFallsBack_data() {
    QTest::addColumn<QByteArray>("content"); // empty: config.ini is a folder
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.append(char((i * 7919) & 0xFF));
    QTest::newRow("binary garbage") << garbage;
    QTest::newRow("language id past the table")
        << QByteArray("[Configuration]\nLanguageID=999\npenSelection=0\n");
    QTest::newRow("negative language id") << QByteArray("[Configuration]\nLanguageID=-4\n");
    QTest::newRow("number too long")
        << QByteArray("[Configuration]\nLanguageID=99999999999999999999999\n");
    QTest::newRow("section without keys") << QByteArray("[Configuration]\n");
    QTest::newRow("cut off in a key") << QByteArray("[Configuration]\nLangu");
    QTest::newRow("not readable as a file") << QByteArray();
}

void SettingsFaultsTest::damagedFileFallsBack() {
    QFETCH(QByteArray, content);
    if (content.isEmpty())
        QVERIFY(QDir().mkpath(path()));
    else
        writeRaw(content);

    const settings::Values values = settings::readConfig();
    QCOMPARE(values.penSelection, 0);
    LanguageTable language;
    language.loadLanguage(values.languageId, QLocale(QLocale::English));
    QCOMPARE(language.languageIndex(), int(LanguageTable::kEnglishIndex));
}

void SettingsFaultsTest::unwritablePlaceKeepsWhatIsThere_data() {
    QTest::addColumn<bool>("baseIsAFile");
    QTest::newRow("config.ini is a folder") << false;
    QTest::newRow("the settings folder cannot be made") << true;
}

void SettingsFaultsTest::unwritablePlaceKeepsWhatIsThere() {
    QFETCH(bool, baseIsAFile);
    QString keep;
    if (baseIsAFile) {
        keep = m_dir->filePath(QStringLiteral("base"));
        QFile file(keep);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a folder");
        file.close();
        qputenv("TIVORA_CONFIG_DIR", keep.toLocal8Bit());
    } else {
        QVERIFY(QDir().mkpath(path()));
        keep = path() + QStringLiteral("/inside");
        QFile file(keep);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a folder");
    }

    LogCapture log;
    settings::writeConfig(3, 1);
    QVERIFY(log.contains(QStringLiteral("writeConfig: could not save")));

    QFile kept(keep);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("not a folder"));
    QCOMPARE(settings::readConfig().languageId, -1);
}

void SettingsFaultsTest::readOnlyFileIsLeftAlone() {
    if (geteuid() == 0)
        QSKIP("file permissions do not bind the superuser");
    const QByteArray before("[Configuration]\nLanguageID=2\npenSelection=1\n");
    writeRaw(before);
    QVERIFY(QFile::setPermissions(path(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    QVERIFY(QFile::setPermissions(QFileInfo(path()).absolutePath(),
                                  QFile::ReadOwner | QFile::ExeOwner));

    LogCapture log;
    settings::writeConfig(5, 0);
    QVERIFY(log.contains(QStringLiteral("writeConfig: could not save")));

    QVERIFY(QFile::setPermissions(QFileInfo(path()).absolutePath(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QFile file(path());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
    QCOMPARE(settings::readConfig().languageId, 2);
}

void SettingsFaultsTest::damagedFileIsReplacedBySave() {
    writeRaw(QByteArray("\xff\xfe\x00[Configuration\nLanguageID=\x01\x02", 31));
    settings::writeConfig(3, 1);
    const settings::Values values = settings::readConfig();
    QCOMPARE(values.languageId, 4);
    QCOMPARE(values.penSelection, 1);
}

QTEST_GUILESS_MAIN(SettingsFaultsTest)
#include "test_settings_faults.moc"
