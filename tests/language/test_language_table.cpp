#include "language/LanguageTable.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// The English texts, section letter by section letter, as the windows must show them.
struct EnglishText {
    const char* key;
    const char* text;
};

const EnglishText kEnglish[] = {
    {"T1", "Configuration"},
    {"T2", "Alignment View"},
    {"T3", "Auto Calibration"},
    {"T4", "Manual Calibration"},
    {"T5", "Pen Mode"},
    {"T6", "Finger Touch Mode"},
    {"T7", "Run Vestro"},
    {"T8", "Virtual Keyboard"},
    {"T9", "About Tivora"},
    {"T10", "Exit"},
    {"T11", "Close"},
    {"C1", "Tivora Configuration"},
    {"C2", "Tivora Alignment"},
    {"C3", "Tivora Calibration"},
    {"C4", "Option"},
    {"C5", "program auto run"},
    {"C6", "Use Multipen"},
    {"C7", "Update"},
    {"C8", "Select Update Server"},
    {"C9", "updates.tivora.example"},
    {"C10", "Select a server from the list."},
    {"C11", "Back"},
    {"C12", "Next"},
    {"C13", "Cancel"},
    {"C14", "Finish"},
    {"C15", "Manual"},
    {"C16", "Auto"},
    {"C17", "Normal Throw"},
    {"C18", "Ultra Short Throw"},
    {"C19", "Ceiling Mount Mode"},
    {"C20", "Rear Screen Mode"},
    {"C21", "Short Throw"},
    {"C22", "Select Language"},
    {"C23", "Current Language"},
    {"C24", "Select"},
    {"C25", "Model Selection"},
    {"C26", "Alignment"},
    {"C27", "Calibration"},
    {"C28", "Exchange Camera"},
    {"C29", "Resolution"},
    {"C30", "Tuning"},
    {"C31", "Pen Selection"},
    {"C32", "Normal Pen"},
    {"C33", "Plus Pen"},
    {"C34", "Masking - Paint the area to be excluded"},
    {"C35", "Paint"},
    {"C36", "Eraser"},
    {"C37", "Eraser All"},
    {"CW1", "Calibration"},
    {"CW2", "Click the center of calibration mark with Tivora pen until when next calibration mark "
            "appears."},
    {"CW3", "Press 'esc' key to close the calibration window."},
    {"CW4", "Press 'Delete' or 'BackSpace' key to go back to previous mark."},
    {"CW5", "Press 'Left' button to go back to previous mark."},
    {"M1", "Error! Can not connect to Tivora."},
    {"M2", "Tivora is already run."},
    {"M3", "Unable to use the Tivora Pen. Use the mouse."},
    {"M4", "Resolution has been changed. Run the calibaration."},
    {"M5", "The setting was changed. Will you proceed ?"},
    {"M6", "New ver. was detected. Will you upgrade now?"},
    {"M7", "New ver. was detected. Will you upgrade now?"},
    {"M8", "Will you upgrade now?"},
    {"M9", "※ Click 'Alignment view' then Alignment view will be displayed."},
    {"M10", "※ Adjust Tivora to set the screen area inside alignment view."},
    {"M11", "Tivora provides two kinds of calibration methods."},
    {"M12", "※ Manual Calibration [User clicks the points appearing on the screen directly.]"},
    {"M13", "※ Auto Calibration [Calibration is proceeded automatically.]"},
    {"M14", "Calibration failed. Please try again."},
    {"M15", "Tivora Status"},
    {"M16", "Connection"},
    {"M17", "Disconnection"},
    {"M18", "Tivora is connected to PC."},
    {"M19", "Tivora is disconnected to PC."},
    {"M20", "Proceed to manual calibration the pen."},
    {"M21", "  ✓ Auto Calibration Tuning [to improve the accuracy of Auto Calibration]"},
    {"M22", "Auto Calibration for the first time."},
    {"M23", "The setting has changed since the previous calibration."},
    {"M24", "Performing Auto Calibration Tuning for improved accuracy."},
    {"M25", "Auto Calibration Tuning failed. Proceeded as normal Auto Calibration."},
    {"M26", "Auto Calibration Tuning is recommended for improved accuracy. Will you proceed?"},
    {"M27", "Please press again to exit."},
};

const char* const kOwnNames[LanguageTable::kLanguageCount] = {
    "العربية", "Български", "简体中文",  "繁體中文",  "Čeština",  "Dansk",   "English", "فارسی",
    "Suomi",   "Français",  "Deutsch",   "Indonesia", "Italiano", "日本語",  "한국어",  "Lietuvos",
    "Norsk",   "Polski",    "Português", "Română",    "Pусский",  "Español", "Svenska", "עִבְרִית",
};

// Looks a text up by its file key, e.g. "CW2" -> textCW(1).
QString lookUp(const LanguageTable& table, const QString& key) {
    int letters = 0;
    while (letters < key.size() && key.at(letters).isLetter())
        ++letters;
    const QString section = key.left(letters);
    const int entry = key.mid(letters).toInt() - 1;
    if (section == QLatin1String("T"))
        return table.textT(entry);
    if (section == QLatin1String("C"))
        return table.textC(entry);
    if (section == QLatin1String("CW"))
        return table.textCW(entry);
    return table.textM(entry);
}

} // namespace

class TestLanguageTable : public QObject {
    Q_OBJECT

private slots:
    void englishTextsAreExact_data();
    void englishTextsAreExact();
    void ownNamesComeFromTheIndexFile();
    void choosesLanguage_data();
    void choosesLanguage();
    void missingFileFallsBackToEnglish();
    void lookupsOutOfRangeAreEmpty();
    void rightToLeft_data();
    void rightToLeft();
    void desktopEntryNamesEveryLanguage_data();
    void desktopEntryNamesEveryLanguage();
};

void TestLanguageTable::englishTextsAreExact_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    for (const EnglishText& e : kEnglish)
        QTest::newRow(e.key) << QString::fromLatin1(e.key) << QString::fromUtf8(e.text);
}

void TestLanguageTable::englishTextsAreExact() {
    QFETCH(QString, key);
    QFETCH(QString, expected);
    LanguageTable table;
    table.loadLanguage(LanguageTable::kEnglishIndex + 1, QLocale(QLocale::Korean));
    QCOMPARE(lookUp(table, key), expected);
}

void TestLanguageTable::ownNamesComeFromTheIndexFile() {
    LanguageTable table;
    table.loadLanguage(1, QLocale(QLocale::English));
    for (int i = 0; i < LanguageTable::kLanguageCount; ++i)
        QCOMPARE(table.textL(i), QString::fromUtf8(kOwnNames[i]));
    QCOMPARE(table.textL(20).at(0), QChar('P'));
}

void TestLanguageTable::choosesLanguage_data() {
    QTest::addColumn<int>("languageId");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("code");

    QTest::newRow("id 15 beats locale") << 15 << "zh_TW" << 14 << "KOR";
    QTest::newRow("id 1") << 1 << "en_US" << 0 << "ARA";
    QTest::newRow("id 24") << 24 << "en_US" << 23 << "HEB";
    QTest::newRow("id 0 asks locale") << 0 << "de_DE" << 10 << "DEU";
    QTest::newRow("negative id asks locale") << -3 << "fr_FR" << 9 << "FRA";
    QTest::newRow("id 25 asks locale") << 25 << "ko_KR" << 14 << "KOR";
    QTest::newRow("Chinese Taiwan") << 0 << "zh_TW" << 3 << "CHT";
    QTest::newRow("Chinese Hong Kong") << 0 << "zh_HK" << 3 << "CHT";
    QTest::newRow("Chinese China") << 0 << "zh_CN" << 2 << "CHS";
    QTest::newRow("Chinese Singapore") << 0 << "zh_SG" << 2 << "CHS";
    QTest::newRow("Dutch is not listed") << 0 << "nl_NL" << 6 << "ENU";
    QTest::newRow("Norwegian Bokmal") << 0 << "nb_NO" << 16 << "NOR";
    QTest::newRow("Brazilian Portuguese") << 0 << "pt_BR" << 18 << "PTB";
    QTest::newRow("Persian") << 0 << "fa_IR" << 7 << "FAR";
    QTest::newRow("Mexican Spanish") << 0 << "es_MX" << 21 << "ESN";
}

void TestLanguageTable::choosesLanguage() {
    QFETCH(int, languageId);
    QFETCH(QString, locale);
    QFETCH(int, index);
    QFETCH(QString, code);

    LanguageTable table;
    table.loadLanguage(languageId, QLocale(locale));
    QCOMPARE(table.languageIndex(), index);
    QCOMPARE(table.languageCode(), code);
    QVERIFY(!table.textC(0).isEmpty());
    QVERIFY(!table.textM(26).isEmpty());
}

void TestLanguageTable::missingFileFallsBackToEnglish() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString prefix = dir.filePath(QStringLiteral("l_"));
    QVERIFY(QFile::copy(QStringLiteral(":/Language/l_ENU"), prefix + QStringLiteral("ENU")));
    QVERIFY(QFile::copy(QStringLiteral(":/Language/l_Idx"), prefix + QStringLiteral("Idx")));

    LanguageTable table(prefix);
    table.loadLanguage(15, QLocale(QLocale::Korean));
    QCOMPARE(table.languageIndex(), LanguageTable::kEnglishIndex);
    QCOMPARE(table.languageCode(), QStringLiteral("ENU"));
    QCOMPARE(table.textT(0), QStringLiteral("Configuration"));
    QCOMPARE(table.textL(14), QStringLiteral("한국어"));

    table.loadLanguage(0, QLocale(QLocale::German));
    QCOMPARE(table.languageCode(), QStringLiteral("ENU"));
    QCOMPARE(table.textM(13), QStringLiteral("Calibration failed. Please try again."));
}

void TestLanguageTable::lookupsOutOfRangeAreEmpty() {
    LanguageTable table;
    QVERIFY(table.textC(0).isEmpty());

    table.loadLanguage(LanguageTable::kEnglishIndex + 1, QLocale(QLocale::English));
    QCOMPARE(table.textC(36), QStringLiteral("Eraser All"));
    QVERIFY(table.textC(37).isEmpty());
    QVERIFY(table.textM(-1).isEmpty());
    QVERIFY(table.textT(11).isEmpty());
    QVERIFY(table.textCW(5).isEmpty());
    QVERIFY(table.textL(24).isEmpty());
}

void TestLanguageTable::rightToLeft_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("rightToLeft");
    for (int i = 0; i < LanguageTable::kLanguageCount; ++i)
        QTest::addRow("index %d", i) << i << (i == 0 || i == 7 || i == 23);
}

void TestLanguageTable::rightToLeft() {
    QFETCH(int, index);
    QFETCH(bool, rightToLeft);
    LanguageTable table;
    table.loadLanguage(index + 1, QLocale(QLocale::English));
    QCOMPARE(table.languageIndex(), index);
    QCOMPARE(table.isRightToLeft(), rightToLeft);
}

void TestLanguageTable::desktopEntryNamesEveryLanguage_data() {
    QTest::addColumn<QString>("locale");
    for (int i = 0; i < LanguageTable::kLanguageCount; ++i) {
        if (i != LanguageTable::kEnglishIndex)
            QTest::newRow(qPrintable(LanguageTable::localeName(i))) << LanguageTable::localeName(i);
    }
}

void TestLanguageTable::desktopEntryNamesEveryLanguage() {
    QFETCH(QString, locale);
    QFile file(QStringLiteral(TIVORA_DESKTOP_ENTRY));
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QMap<QString, QString> entry;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n')))
        entry.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1));

    QCOMPARE(entry.value(QStringLiteral("Name[%1]").arg(locale)), QStringLiteral("Tivora"));
    for (const char* key : {"GenericName", "Comment"}) {
        const QString translated = entry.value(QStringLiteral("%1[%2]").arg(key, locale));
        QVERIFY2(!translated.isEmpty() && translated != entry.value(key), key);
    }
}

QTEST_GUILESS_MAIN(TestLanguageTable)
#include "test_language_table.moc"
