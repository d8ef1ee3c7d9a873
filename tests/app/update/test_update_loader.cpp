#include "LogLines.h"
#include "app/update/UpdateLoader.h"
#include "display/UserMessage.h"
#include "language/LanguageTable.h"

#include <QTemporaryDir>
#include <QThread>
#include <QWidget>
#include <QtTest>
#include <memory>

// The loader without a working component: loading failures, and the callback's way to the
// user-interface thread.
class TestUpdateLoader : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void missingLibraryOnlyLogs();
    void missingEntryPointMeansNotLoaded();
    void callbackWithoutLoaderIsDropped();
    void callbackFromAnotherThreadRunsOnUiThread();
    void callbackQueuedBeforeLoaderGoesIsDropped();

private:
    void callFromThread(bool bEnableUpdate, bool bNetworkNoError);

    LanguageTable m_language;
    std::unique_ptr<LogLines> m_log;
    std::unique_ptr<QWidget> m_window;
    int m_nQuestions = 0;
};

void TestUpdateLoader::init() {
    m_language.loadLanguage(LanguageTable::kEnglishIndex + 1);
    m_log = std::make_unique<LogLines>();
    m_window = std::make_unique<QWidget>();
    m_nQuestions = 0;
    user_message::setHandler([this](user_message::Kind, const QString&) {
        ++m_nQuestions;
        return QMessageBox::Yes;
    });
}

void TestUpdateLoader::cleanup() {
    user_message::setHandler(nullptr);
    m_window.reset();
    m_log.reset();
}

void TestUpdateLoader::callFromThread(bool bEnableUpdate, bool bNetworkNoError) {
    std::unique_ptr<QThread> thread(QThread::create(
        [bEnableUpdate, bNetworkNoError] { SetEnableUpdate(bEnableUpdate, bNetworkNoError); }));
    thread->start();
    // The callback only posts and returns, so waiting here cannot hold it up.
    QVERIFY(thread->wait(5000));
}

void TestUpdateLoader::missingLibraryOnlyLogs() {
    QTemporaryDir emptyDir;
    auto* loader = new UpdateLoader(m_window.get(), &m_language);
    QVERIFY(!loader->loadUpdateComponent(emptyDir.path()));
    QVERIFY(!loader->isLoaded());
    QVERIFY(m_log->contains(QStringLiteral("update bridge lib fail")));
    QVERIFY(!m_log->contains(QStringLiteral("load update bridge library")));
}

void TestUpdateLoader::missingEntryPointMeansNotLoaded() {
    auto* loader = new UpdateLoader(m_window.get(), &m_language);
    QVERIFY(!loader->loadUpdateComponent(QStringLiteral(PARTIAL_RELAY_DIR)));
    QVERIFY(m_log->contains(QStringLiteral("load update bridge library")));
    QVERIFY(!loader->isLoaded());
    // With one entry point missing none of the others is called.
    QVERIFY(!m_log->contains(QStringLiteral("partial relay called")));

    // A stray callback then reaches the window but asks nothing: there is nothing to run.
    callFromThread(true, true);
    QTRY_VERIFY(m_log->contains(QStringLiteral("[checkEnableUpdate()]")));
    QCOMPARE(m_nQuestions, 0);
}

void TestUpdateLoader::callbackWithoutLoaderIsDropped() {
    callFromThread(true, true);
    QVERIFY(m_log->contains(QStringLiteral("SetEnableUpdate()")));
    QVERIFY(m_log->contains(QStringLiteral("g_dlg is invalid")));
    QCoreApplication::processEvents();
    QVERIFY(!m_log->contains(QStringLiteral("[checkEnableUpdate()]")));
    QCOMPARE(m_nQuestions, 0);
}

void TestUpdateLoader::callbackFromAnotherThreadRunsOnUiThread() {
    new UpdateLoader(m_window.get(), &m_language);
    callFromThread(true, false);
    const LogLines::Line callback = m_log->find(QStringLiteral("SetEnableUpdate()"));
    QVERIFY(callback.thread && callback.thread != QThread::currentThread());
    QVERIFY(!m_log->contains(QStringLiteral("g_dlg is invalid")));

    const QString check =
        QStringLiteral("[checkEnableUpdate()] bEnableUpdate=1, bNetworkNoError=0");
    QTRY_VERIFY(m_log->contains(check));
    QCOMPARE(m_log->find(check).thread, QThread::currentThread());
    QCOMPARE(m_nQuestions, 0);
}

void TestUpdateLoader::callbackQueuedBeforeLoaderGoesIsDropped() {
    auto* loader = new UpdateLoader(m_window.get(), &m_language);
    SetEnableUpdate(true, true);
    // Even from the user-interface thread the call waits for the event loop.
    QVERIFY(!m_log->contains(QStringLiteral("[checkEnableUpdate()]")));
    delete loader;
    QCoreApplication::processEvents();
    QVERIFY(!m_log->contains(QStringLiteral("[checkEnableUpdate()]")));

    callFromThread(true, true);
    QVERIFY(m_log->contains(QStringLiteral("g_dlg is invalid")));
}

QTEST_MAIN(TestUpdateLoader)
#include "test_update_loader.moc"
