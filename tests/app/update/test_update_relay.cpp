#include "LogLines.h"
#include "LoopbackHttpServer.h"
#include "app/update/UpdateLoader.h"
#include "display/UserMessage.h"
#include "language/LanguageTable.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>
#include <memory>

namespace {

const QByteArray kInstaller = QByteArray("installer bytes ").repeated(4096);
const QString kInstallerPath = QStringLiteral("/TveSetup-1.0.1.8.exe");
const QString kCheckLine = QStringLiteral("[checkEnableUpdate()]");

QByteArray manifest(const QString& version, const QString& url, const QByteArray& file) {
    return QStringLiteral(R"({"version": "%1", "url": "%2", "sha256": "%3"})")
        .arg(
            version, url,
            QString::fromLatin1(QCryptographicHash::hash(file, QCryptographicHash::Sha256).toHex()))
        .toUtf8();
}

QProgressDialog* updateWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String("PatchRelayProgress") && widget->isVisible())
            return qobject_cast<QProgressDialog*>(widget);
    }
    return nullptr;
}

} // namespace

// The real component, loaded by the loader from the build folder, against a loopback server.
class TestUpdateRelay : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void updateOfferedAsksOnUiThreadAndNoChangesNothing();
    void noQuestion_data();
    void noQuestion();
    void yesDownloadsVerifiesAndHandsOn();
    void wrongSha256IsRefused();
    void cancelDuringDownloadLeavesNothing();

private:
    void loadComponent(int languageId);

    QTemporaryDir m_tempDir;
    LanguageTable m_language;
    std::unique_ptr<LogLines> m_log;
    std::unique_ptr<LoopbackHttpServer> m_server;
    std::unique_ptr<QWidget> m_window;
    UpdateLoader* m_pLoader = nullptr;
    QMessageBox::StandardButton m_answer = QMessageBox::No;
    QStringList m_questions;
    QVector<QThread*> m_questionThreads;
};

void TestUpdateRelay::initTestCase() {
    QVERIFY(m_tempDir.isValid());
    // Downloads land in the temporary folder; keep them in the test's own.
    qputenv("TMPDIR", m_tempDir.path().toLocal8Bit());
    QCOMPARE(qEnvironmentVariableIntValue("TIVORA_UPDATE_NO_OPEN"), 1);
}

void TestUpdateRelay::init() {
    m_log = std::make_unique<LogLines>();
    m_server = std::make_unique<LoopbackHttpServer>();
    m_server->setResponse(kInstallerPath, 200, kInstaller);
    qputenv("TIVORA_UPDATE_SERVER", m_server->address().toString().toLatin1());
    m_questions.clear();
    m_questionThreads.clear();
    QDir(m_tempDir.filePath(QStringLiteral("Tve-update"))).removeRecursively();
    user_message::setHandler([this](user_message::Kind, const QString& text) {
        m_questions.append(text);
        m_questionThreads.append(QThread::currentThread());
        return m_answer;
    });
}

void TestUpdateRelay::cleanup() {
    if (QProgressDialog* window = updateWindow())
        window->close();
    QTRY_VERIFY(!updateWindow());
    user_message::setHandler(nullptr);
    m_window.reset();
    m_server.reset();
    m_log.reset();
}

void TestUpdateRelay::loadComponent(int languageId) {
    m_language.loadLanguage(languageId);
    m_window = std::make_unique<QWidget>();
    m_pLoader = new UpdateLoader(m_window.get(), &m_language);
    QVERIFY(m_pLoader->loadUpdateComponent(QStringLiteral(PATCH_RELAY_DIR)));
    QVERIFY(m_pLoader->isLoaded());
}

void TestUpdateRelay::updateOfferedAsksOnUiThreadAndNoChangesNothing() {
    m_server->setResponse(QStringLiteral("/manifest"), 200,
                          manifest(QStringLiteral("1.0.1.8"), kInstallerPath.mid(1), kInstaller));
    m_answer = QMessageBox::No;
    loadComponent(LanguageTable::kEnglishIndex + 1);

    QTRY_COMPARE(m_questions.size(), 1);
    QCOMPARE(m_questions.first(), QStringLiteral("New ver. was detected. Will you upgrade now?"));
    QCOMPARE(m_questionThreads.first(), QThread::currentThread());
    const LogLines::Line callback = m_log->find(QStringLiteral("SetEnableUpdate()"));
    QVERIFY(callback.thread && callback.thread != QThread::currentThread());
    QCOMPARE(m_log->find(kCheckLine).text,
             QStringLiteral("[checkEnableUpdate()] bEnableUpdate=1, bNetworkNoError=1"));
    QCOMPARE(m_log->find(kCheckLine).thread, QThread::currentThread());

    // The request names the product, platform, version and language.
    QCOMPARE(m_server->requests().size(), 1);
    const QUrlQuery query(QUrl(m_server->requests().first()));
    QCOMPARE(QUrl(m_server->requests().first()).path(), QStringLiteral("/manifest"));
    QCOMPARE(query.queryItemValue(QStringLiteral("product")), QStringLiteral("Tve"));
    QCOMPARE(query.queryItemValue(QStringLiteral("platform")), QStringLiteral("Windows"));
    QCOMPARE(query.queryItemValue(QStringLiteral("version")), QStringLiteral("1.0.0.3"));
    QCOMPARE(query.queryItemValue(QStringLiteral("language")), QStringLiteral("ENU"));

    // "No": no update window, nothing more asked of the server, the component stays loaded.
    QCoreApplication::processEvents();
    QVERIFY(!updateWindow());
    QCOMPARE(m_server->requests().size(), 1);
    QVERIFY(m_pLoader->isLoaded());
    QVERIFY(!m_log->contains(QStringLiteral("PatchRelay: downloading")));
}

void TestUpdateRelay::noQuestion_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("serverDown");
    QTest::addColumn<QString>("expectedCheck");

    const QString upToDate = QStringLiteral("bEnableUpdate=0, bNetworkNoError=1");
    const QString failed = QStringLiteral("bEnableUpdate=0, bNetworkNoError=0");
    const QString file = kInstallerPath.mid(1);
    QTest::newRow("same version") << 200 << manifest(QStringLiteral("1.0.0.3"), file, kInstaller)
                                  << false << upToDate;
    QTest::newRow("older version")
        << 200 << manifest(QStringLiteral("1.0.0.2.9"), file, kInstaller) << false << upToDate;
    QTest::newRow("server down") << 200 << QByteArray() << true << failed;
    QTest::newRow("not found") << 404 << QByteArray("missing") << false << failed;
    QTest::newRow("not a manifest")
        << 200 << QByteArray("\xff\x00{\"version\"", 11) << false << failed;
    QTest::newRow("local file address")
        << 200 << manifest(QStringLiteral("9.0"), QStringLiteral("file:///etc/passwd"), kInstaller)
        << false << failed;
}

void TestUpdateRelay::noQuestion() {
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, serverDown);
    QFETCH(QString, expectedCheck);

    m_server->setResponse(QStringLiteral("/manifest"), status, body);
    if (serverDown)
        m_server.reset(); // its port now refuses connections
    m_answer = QMessageBox::Yes;
    loadComponent(LanguageTable::kEnglishIndex + 1);

    QTRY_VERIFY(m_log->contains(kCheckLine));
    QCOMPARE(m_log->find(kCheckLine).text,
             QStringLiteral("[checkEnableUpdate()] ") + expectedCheck);
    QCoreApplication::processEvents();
    QVERIFY(m_questions.isEmpty());
    QVERIFY(!updateWindow());
}

void TestUpdateRelay::yesDownloadsVerifiesAndHandsOn() {
    m_server->setResponse(QStringLiteral("/manifest"), 200,
                          manifest(QStringLiteral("1.0.1.8"), kInstallerPath.mid(1), kInstaller));
    m_answer = QMessageBox::Yes;
    loadComponent(LanguageTable::kEnglishIndex + 1);

    QTRY_COMPARE(m_questions.size(), 1);
    QProgressDialog* window = updateWindow();
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), QStringLiteral("Download progress"));
    QTRY_COMPARE(window->labelText(), QStringLiteral("The update is complete."));
    QCOMPARE(window->value(), window->maximum());

    // Asked again for the manifest, then fetched the file it names.
    QCOMPARE(m_server->requests().size(), 3);
    QCOMPARE(QUrl(m_server->requests().at(2)).path(), kInstallerPath);

    const QString handedOn = QStringLiteral("PatchRelay: update handed on (not opened): ");
    QVERIFY(m_log->contains(handedOn));
    const QString path = m_log->find(handedOn).text.mid(handedOn.size());
    QVERIFY(path.startsWith(m_tempDir.path()));
    QVERIFY(path.endsWith(QStringLiteral("/TveSetup.exe")));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), kInstaller);
    QVERIFY(!QFile::exists(path + QStringLiteral(".part")));
}

void TestUpdateRelay::wrongSha256IsRefused() {
    QByteArray tampered = kInstaller;
    tampered[100] = 'X';
    m_server->setResponse(QStringLiteral("/manifest"), 200,
                          manifest(QStringLiteral("1.0.1.8"), kInstallerPath.mid(1), tampered));
    m_answer = QMessageBox::Yes;
    const int german = 11;
    loadComponent(german);

    QTRY_COMPARE(m_questions.size(), 1);
    QProgressDialog* window = updateWindow();
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), QStringLiteral("Download-Fortschritt"));
    QTRY_COMPARE(window->labelText(),
                 QStringLiteral("Die Aktualisierung ist fehlgeschlagen. Bitte versuchen Sie es "
                                "später erneut."));
    QCOMPARE(m_server->requests().size(), 3);
    QVERIFY(m_log->contains(QStringLiteral("the file is refused")));
    QVERIFY(!m_log->contains(QStringLiteral("update handed on")));
    const QDir folder(m_tempDir.filePath(QStringLiteral("Tve-update")));
    QVERIFY(folder.entryList(QDir::Files).isEmpty());
}

void TestUpdateRelay::cancelDuringDownloadLeavesNothing() {
    m_server->setResponse(QStringLiteral("/manifest"), 200,
                          manifest(QStringLiteral("1.0.1.8"), kInstallerPath.mid(1), kInstaller));
    m_server->setStalledResponse(kInstallerPath, kInstaller);
    m_answer = QMessageBox::Yes;
    loadComponent(LanguageTable::kEnglishIndex + 1);

    const QString part = m_tempDir.filePath(QStringLiteral("Tve-update/TveSetup.exe.part"));
    // Half the file arrives, then the server holds the connection open.
    QTRY_VERIFY(QFileInfo(part).size() > 0);
    QVERIFY(updateWindow());
    QCOMPARE(updateWindow()->labelText(), QStringLiteral("Downloading the update..."));

    updateWindow()->close();
    QTRY_VERIFY(!updateWindow());
    QVERIFY(m_log->contains(QStringLiteral("PatchRelay: update cancelled")));
    QVERIFY(!QFile::exists(part));
    QVERIFY(!m_log->contains(QStringLiteral("update handed on")));
}

QTEST_MAIN(TestUpdateRelay)
#include "test_update_relay.moc"
