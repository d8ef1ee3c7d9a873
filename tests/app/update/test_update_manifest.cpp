#include "app/update/relay/UpdateManifest.h"
#include "app/update/relay/UpdateServer.h"
#include "app/update/relay/UpdateTexts.h"
#include "app/update/relay/UpdateVersion.h"

#include <QUrlQuery>
#include <QtTest>

// The component's pure parts: versions, the manifest, the server address and the texts.
class TestUpdateManifest : public QObject {
    Q_OBJECT

private slots:
    void versions_data();
    void versions();
    void manifest_data();
    void manifest();
    void serverAddress_data();
    void serverAddress();
    void manifestUrlCarriesTheProduct();
    void texts_data();
    void texts();
};

void TestUpdateManifest::versions_data() {
    QTest::addColumn<QString>("candidate");
    QTest::addColumn<QString>("current");
    QTest::addColumn<bool>("newer");

    QTest::newRow("later build") << "1.0.1.8"
                                 << "1.0.0.3" << true;
    QTest::newRow("same") << "1.0.0.3"
                          << "1.0.0.3" << false;
    QTest::newRow("older") << "1.0.0.2"
                           << "1.0.0.3" << false;
    QTest::newRow("numeric, not text") << "1.0.0.10"
                                       << "1.0.0.9" << true;
    QTest::newRow("missing parts are 0") << "1.0"
                                         << "1.0.0.0" << false;
    QTest::newRow("extra part") << "1.0.0.3.1"
                                << "1.0.0.3" << true;
    QTest::newRow("empty part") << "1..0.4"
                                << "1.0.0.3" << false;
    QTest::newRow("letters") << "1.0.0.4b"
                             << "1.0.0.3" << false;
    QTest::newRow("sign") << "+2"
                          << "1.0.0.3" << false;
    QTest::newRow("too long a part") << "1.0.0.99999999999"
                                     << "1.0.0.3" << false;
    QTest::newRow("empty") << ""
                           << "1.0.0.3" << false;
    QTest::newRow("current unreadable") << "2.0"
                                        << "x" << false;
}

void TestUpdateManifest::versions() {
    QFETCH(QString, candidate);
    QFETCH(QString, current);
    QFETCH(bool, newer);
    QCOMPARE(update_version::isNewer(candidate, current), newer);
}

void TestUpdateManifest::manifest_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("expectedUrl"); // empty: refused

    const QByteArray sha(64, 'a');
    auto make = [&sha](const char* version, const char* url) {
        return QByteArray(R"({"version": ")") + version + R"(", "url": ")" + url +
               R"(", "sha256": ")" + sha + "\"}";
    };
    QTest::newRow("relative file") << make("1.0.1.8", "files/TveSetup.exe")
                                   << "https://updates.tivora.example/v/files/TveSetup.exe";
    QTest::newRow("absolute https") << make("1.0.1.8", "https://cdn.example/TveSetup.exe")
                                    << "https://cdn.example/TveSetup.exe";
    QTest::newRow("other protocol") << make("1.0.1.8", "ftp://cdn.example/TveSetup.exe") << "";
    QTest::newRow("local file") << make("1.0.1.8", "file:///etc/passwd") << "";
    QTest::newRow("no url") << make("1.0.1.8", "") << "";
    QTest::newRow("bad version") << make("v2", "TveSetup.exe") << "";
    QTest::newRow("short checksum")
        << QByteArray(R"({"version": "2", "url": "a", "sha256": "abcd"})") << "";
    QTest::newRow("checksum not hex")
        << QByteArray(R"({"version": "2", "url": "a", "sha256": ")") + QByteArray(64, 'g') + "\"}"
        << "";
    QTest::newRow("truncated") << make("1.0.1.8", "a").left(30) << "";
    QTest::newRow("oversized") << make("1.0.1.8", "a") + QByteArray(70000, ' ') << "";
}

void TestUpdateManifest::manifest() {
    QFETCH(QByteArray, json);
    QFETCH(QString, expectedUrl);
    const auto parsed = UpdateManifest::parse(
        json, QUrl(QStringLiteral("https://updates.tivora.example/v/manifest")));
    QCOMPARE(parsed.has_value(), !expectedUrl.isEmpty());
    if (parsed) {
        QCOMPARE(parsed->url.toString(), expectedUrl);
        QCOMPARE(parsed->sha256, QByteArray(32, char(0xaa)));
    }
}

void TestUpdateManifest::serverAddress_data() {
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("environment");
    QTest::addColumn<QString>("expected"); // empty: unusable

    QTest::newRow("default") << "https://updates.tivora.example/"
                             << ""
                             << "https://updates.tivora.example/";
    QTest::newRow("folder without slash") << "https://h.example/up"
                                          << ""
                                          << "https://h.example/up/";
    QTest::newRow("environment wins") << "https://updates.tivora.example/"
                                      << "http://127.0.0.1:8080"
                                      << "http://127.0.0.1:8080/";
    QTest::newRow("host name only") << "updates.tivora.example"
                                    << ""
                                    << "";
    QTest::newRow("local file") << "file:///srv/updates/"
                                << ""
                                << "";
    QTest::newRow("bad environment") << "https://updates.tivora.example/"
                                     << "::"
                                     << "";
}

void TestUpdateManifest::serverAddress() {
    QFETCH(QString, given);
    QFETCH(QString, environment);
    QFETCH(QString, expected);
    if (environment.isEmpty())
        qunsetenv("TIVORA_UPDATE_SERVER");
    else
        qputenv("TIVORA_UPDATE_SERVER", environment.toUtf8());
    const QUrl url = update_server::serverAddress(given);
    qunsetenv("TIVORA_UPDATE_SERVER");
    QCOMPARE(url.isValid() ? url.toString() : QString(), expected);
}

void TestUpdateManifest::manifestUrlCarriesTheProduct() {
    UpdateParameters parameters;
    parameters.productCode = QStringLiteral("Tve");
    parameters.platform = QStringLiteral("Windows");
    parameters.version = QStringLiteral("1.0.0.3");
    parameters.languageCode = QStringLiteral("KOR");
    parameters.server = QUrl(QStringLiteral("https://h.example/up/"));
    const QUrl url = update_server::manifestUrl(parameters);
    QCOMPARE(url.adjusted(QUrl::RemoveQuery).toString(),
             QStringLiteral("https://h.example/up/manifest"));
    const QUrlQuery query(url);
    QCOMPARE(query.queryItemValue(QStringLiteral("product")), QStringLiteral("Tve"));
    QCOMPARE(query.queryItemValue(QStringLiteral("platform")), QStringLiteral("Windows"));
    QCOMPARE(query.queryItemValue(QStringLiteral("version")), QStringLiteral("1.0.0.3"));
    QCOMPARE(query.queryItemValue(QStringLiteral("language")), QStringLiteral("KOR"));

    parameters.server = QUrl();
    QVERIFY(!update_server::manifestUrl(parameters).isValid());
}

void TestUpdateManifest::texts_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("failed");
    QTest::addColumn<QString>("cancel");
    QTest::addColumn<bool>("rightToLeft");

    QTest::newRow("English") << "ENU"
                             << "The update failed. Please try again later."
                             << "Cancel" << false;
    QTest::newRow("German") << "DEU"
                            << "Die Aktualisierung ist fehlgeschlagen. Bitte versuchen Sie es "
                               "später erneut."
                            << "Abbrechen" << false;
    QTest::newRow("Arabic") << "ARA" << QStringLiteral("فشل التحديث. يُرجى المحاولة لاحقًا.")
                            << QStringLiteral("إلغاء") << true;
    QTest::newRow("unknown code reads English") << "XYZ"
                                                << "The update failed. Please try again later."
                                                << "Cancel" << false;
    QTest::newRow("path in the code reads English") << "../Idx"
                                                    << "The update failed. Please try again later."
                                                    << "Cancel" << false;
}

void TestUpdateManifest::texts() {
    QFETCH(QString, code);
    QFETCH(QString, failed);
    QFETCH(QString, cancel);
    QFETCH(bool, rightToLeft);
    const UpdateTexts texts = UpdateTexts::forLanguage(code);
    QCOMPARE(texts.failed, failed);
    QCOMPARE(texts.cancel, cancel);
    QCOMPARE(texts.bRightToLeft, rightToLeft);
    QVERIFY(!texts.checking.isEmpty() && !texts.downloading.isEmpty() &&
            !texts.progressTitle.isEmpty() && !texts.verifying.isEmpty() &&
            !texts.complete.isEmpty());
}

QTEST_MAIN(TestUpdateManifest)
#include "test_update_manifest.moc"
