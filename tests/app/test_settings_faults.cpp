#include "app/Settings.h"
#include "language/LanguageTable.h"
#include "tests/support/LogCapture.h"
#include "tests/support/RunningProgram.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>
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
    void plantedNameIsRefused_data();
    void plantedNameIsRefused();
    void foreignLockFileIsIgnored();
    void plantedNamesDoNotHoldTheProgram_data();
    void plantedNamesDoNotHoldTheProgram();
    void onlyOwnKeysAreReadAndSaved_data();
    void onlyOwnKeysAreReadAndSaved();

private:
    QString path() const { return settings::configFilePath(); }
    void writeRaw(const QByteArray& bytes);
    QByteArray readRaw(const QString& file) const;

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

QByteArray SettingsFaultsTest::readRaw(const QString& file) const {
    QFile raw(file);
    return raw.open(QIODevice::ReadOnly) ? raw.readAll() : QByteArray("(unreadable)");
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
    QTest::newRow("value in the toolkit's variant form")
        << QByteArray("[Configuration]\nLanguageID=@Variant(\0\0\0\x02\0\0\0\x03)\n", 46);
    QTest::newRow("larger than a settings file can be")
        << QByteArray("[Configuration]\nLanguageID=2\npenSelection=1\n") + QByteArray(8192, ';');
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

// Names another user could plant in a shared folder: each is refused without being followed
// or waited on, the defaults apply, and the file it leads to stays as it was.
void SettingsFaultsTest::plantedNameIsRefused_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("symbolic link to another file") << "symlink";
    QTest::newRow("symbolic link to a name not yet there") << "dangling";
    QTest::newRow("second name of another file") << "hardlink";
    QTest::newRow("FIFO") << "fifo";
}

void SettingsFaultsTest::plantedNameIsRefused() {
    QFETCH(QString, kind);
    const QByteArray victimContent("someone else's file\n");
    const QString victim = m_dir->filePath(QStringLiteral("victim"));
    if (kind != QLatin1String("dangling")) {
        QFile file(victim);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(victimContent);
    }
    QVERIFY(QDir().mkpath(QFileInfo(path()).absolutePath()));
    const QByteArray name = QFile::encodeName(path());
    const QByteArray target = QFile::encodeName(victim);
    if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(name.constData(), 0666), 0);
    else if (kind == QLatin1String("hardlink"))
        QCOMPARE(::link(target.constData(), name.constData()), 0);
    else
        QCOMPARE(::symlink(target.constData(), name.constData()), 0);

    LogCapture log;
    const settings::Values values = settings::readConfig();
    settings::writeConfig(3, 1);
    QCOMPARE(values.languageId, -1);
    QCOMPARE(values.penSelection, 0);
    QCOMPARE(log.count(QStringLiteral("readConfig: refused")), 1);
    QCOMPARE(log.count(QStringLiteral("writeConfig: could not save")), 1);
    if (kind == QLatin1String("dangling"))
        QVERIFY(!QFileInfo::exists(victim));
    else
        QCOMPARE(readRaw(victim), victimContent);
}

// Another user's lock file beside the settings must neither stop nor delay a save.
void SettingsFaultsTest::foreignLockFileIsIgnored() {
    writeRaw("[Configuration]\nLanguageID=2\npenSelection=0\n");
    const QString lock = path() + QStringLiteral(".lock");
    QFile file(lock);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    settings::writeConfig(3, 1);
    const settings::Values values = settings::readConfig();
    QCOMPARE(values.languageId, 4);
    QCOMPARE(values.penSelection, 1);
    QVERIFY(QFileInfo(lock).exists());
    QCOMPARE(QFileInfo(lock).size(), 0);
}

void SettingsFaultsTest::plantedNamesDoNotHoldTheProgram_data() {
    QTest::addColumn<bool>("fifo"); // else a foreign lock file beside a good config.ini
    QTest::newRow("FIFO") << true;
    QTest::newRow("foreign lock file") << false;
}

// The whole program starts, runs and ends on SIGTERM in its normal time; a lock file never
// stops its save.
void SettingsFaultsTest::plantedNamesDoNotHoldTheProgram() {
    QFETCH(bool, fifo);
    QVERIFY(QDir().mkpath(QFileInfo(path()).absolutePath()));
    if (fifo) {
        QCOMPARE(::mkfifo(QFile::encodeName(path()).constData(), 0666), 0);
    } else {
        writeRaw("[Configuration]\nLanguageID=11\npenSelection=7\n");
        QFile lock(path() + QStringLiteral(".lock"));
        QVERIFY(lock.open(QIODevice::WriteOnly));
    }

    const ProgramRun run = runUntilWatching(m_dir->path(), {});
    QVERIFY2(run.watching, run.output.constData());
    QVERIFY2(run.ended, run.output.constData());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.output.contains("readConfig: refused"), fifo);
    // The pen number read was clamped, so the content shows that the program saved.
    if (!fifo)
        QCOMPARE(readRaw(path()), QByteArray("[Configuration]\nLanguageID=11\npenSelection=1\n"));
}

void SettingsFaultsTest::onlyOwnKeysAreReadAndSaved_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("languageId");
    QTest::addColumn<int>("penSelection");
    QTest::addColumn<QByteArray>("screenKeys"); // as written back
    QTest::newRow("keys in other letter case")
        << QByteArray("[configuration]\r\nLANGUAGEID = 3\r\nPENSELECTION = 1\r\n") << 3 << 1
        << QByteArray();
    QTest::newRow("largest pen number")
        << QByteArray("[Configuration]\npenSelection=2147483647\n") << -1 << 1 << QByteArray();
    QTest::newRow("negative pen number")
        << QByteArray("[Configuration]\npenSelection=-1\n") << -1 << 0 << QByteArray();
    QTest::newRow("last language")
        << QByteArray("[Configuration]\nLanguageID=24\n") << 24 << 0 << QByteArray();
    QTest::newRow("one past the last language")
        << QByteArray("[Configuration]\nLanguageID=25\n") << -1 << 0 << QByteArray();
    QTest::newRow("the keys in another section")
        << QByteArray("[Configuration]\nLanguageID=5\n[Other]\nLanguageID=9\npenSelection=1\n") << 5
        << 0 << QByteArray();
    QTest::newRow("foreign keys beside ours")
        << QByteArray("[General]\nbomb=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x6QImage)\n"
                      "[Configuration]\nLanguageID=7\nextra=@Variant(\\0)\npenSelection=1\n")
        << 7 << 1 << QByteArray();
    QTest::newRow("calibration screen")
        << QByteArray("[Configuration]\nLanguageID=1\nCalibrationScreen = HDMI-1\n") << 1 << 0
        << QByteArray("CalibrationScreen=HDMI-1\n");
    QTest::newRow("screen name with a control byte")
        << QByteArray("[Configuration]\nCalibrationScreen=HDMI\x1b[2J-1\n") << -1 << 0
        << QByteArray();
    QTest::newRow("screen name not ASCII")
        << QByteArray("[Configuration]\nCalibrationScreen=\xc3\xa9"
                      "cran\n")
        << -1 << 0 << QByteArray();
    QTest::newRow("screen name too long")
        << QByteArray("[Configuration]\nCalibrationScreen=") + QByteArray(65, 'A') + '\n'
        << -1 << 0 << QByteArray();
}

// What is read is clamped, and a save writes back the program's own keys and nothing else.
void SettingsFaultsTest::onlyOwnKeysAreReadAndSaved() {
    QFETCH(QByteArray, content);
    QFETCH(int, languageId);
    QFETCH(int, penSelection);
    QFETCH(QByteArray, screenKeys);
    writeRaw(content);

    const settings::Values values = settings::readConfig();
    QCOMPARE(values.languageId, languageId);
    QCOMPARE(values.penSelection, penSelection);

    settings::writeConfig(1, values.penSelection, values.calibrationScreen);
    QCOMPARE(readRaw(path()), QByteArray("[Configuration]\nLanguageID=2\npenSelection=") +
                                  QByteArray::number(penSelection) + '\n' + screenKeys);
}

QTEST_GUILESS_MAIN(SettingsFaultsTest)
#include "test_settings_faults.moc"
