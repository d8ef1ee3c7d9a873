#include "app/Settings.h"
#include "app/TouchMappingHint.h"
#include "app/TvSetupDlg.h"
#include "calib/CalibDlg.h"
#include "calib/ScreenFinder.h"
#include "calib/TvMainCtrl.h"
#include "display/KqUtils.h"
#include "display/UserMessage.h"
#include "language/LanguageTable.h"
#include "sim/desktop/SimDesktop.h"
#include "tests/support/LogCapture.h"
#include "tests/support/MessageRecorder.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(QVector<ScreenDesc>)

// The projector's screen found with the camera: the program on the virtual module, whose
// camera photographs one of several injected monitors (the profile's [Screen] Monitor).
namespace {

ScreenDesc monitor(const QString& name, int left) {
    return {QRect(left, 0, 1920, 1080), 96.0, QRect(), name};
}

const QVector<ScreenDesc> kTwo{monitor("DP-1", 0), monitor("HDMI-1", 1920)};
const QVector<ScreenDesc> kThree{monitor("HDMI-2", 3840), monitor("DP-1", 0),
                                 monitor("HDMI-1", 1920)};

} // namespace

class ScreenChoiceTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void search_data();
    void search();
    void touchMappingHint_data();
    void touchMappingHint();
    // Last: a successful calibration ends the program's event loop for good.
    void autoOnTwoMonitorsCalibratesTheProjector();

private:
    std::unique_ptr<TvSetupDlg> connectedSetup(int projectorMonitor, SimDesktop* desktop);

    QTemporaryDir m_dir;
    QStringList m_messages;
};

void ScreenChoiceTest::init() {
    QVERIFY(m_dir.isValid());
    qputenv("TIVORA_CONFIG_DIR", m_dir.path().toLocal8Bit());
    QFile::remove(settings::configFilePath());
    m_messages.clear();
    recordMessages(&m_messages);
}

void ScreenChoiceTest::cleanup() {
    user_message::setHandler(nullptr);
    KqUtils::setScreenSource({});
    KqUtils::setCalibrationScreen({});
}

// The setup window on a virtual module whose projector is the given monitor, once the module
// has reported its version and options.
std::unique_ptr<TvSetupDlg> ScreenChoiceTest::connectedSetup(int projectorMonitor,
                                                             SimDesktop* desktop) {
    const QString path = m_dir.filePath(QStringLiteral("profile.ini"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return nullptr;
    file.write(QStringLiteral("[Screen]\nMonitor=%1\n[Pen]\nOffsets=tweak0\n")
                   .arg(projectorMonitor)
                   .toUtf8());
    file.close();
    QString error;
    *desktop = makeSimDesktop(path, &error);
    if (!desktop->transport)
        return nullptr;
    auto dlg = std::make_unique<TvSetupDlg>(nullptr, false, std::move(desktop->transport));
    QSignalSpy options(dlg->controller(), &TvMainCtrl::sigSetFWOption);
    dlg->start();
    if (!options.wait(30000))
        return nullptr;
    return dlg;
}

void ScreenChoiceTest::search_data() {
    QTest::addColumn<QVector<ScreenDesc>>("screens");
    QTest::addColumn<int>("projector"); // the profile's monitor, 1 = leftmost
    QTest::addColumn<QString>("found"); // empty: none
    QTest::addColumn<bool>("mirrored");

    QTest::newRow("one monitor") << QVector<ScreenDesc>{monitor("eDP-1", 0)} << 1 << "eDP-1"
                                 << false;
    QTest::newRow("two, on the left") << kTwo << 1 << "DP-1" << false;
    QTest::newRow("two, on the right") << kTwo << 2 << "HDMI-1" << false;
    QTest::newRow("three, on the left") << kThree << 1 << "DP-1" << false;
    QTest::newRow("three, in the middle") << kThree << 2 << "HDMI-1" << false;
    QTest::newRow("three, on the right") << kThree << 3 << "HDMI-2" << false;
    QTest::newRow("two, on none") << kTwo << 3 << QString() << false;
    // Two outputs cloned onto one picture, and a third monitor beside them.
    QTest::newRow("mirrored pair")
        << QVector<ScreenDesc>{monitor("DP-1", 0), monitor("HDMI-1", 0), monitor("DP-2", 1920)} << 1
        << "DP-1|HDMI-1" << true;
}

void ScreenChoiceTest::search() {
    QFETCH(QVector<ScreenDesc>, screens);
    QFETCH(int, projector);
    QFETCH(QString, found);
    QFETCH(bool, mirrored);
    KqUtils::setScreenSource([screens] { return screens; });

    {
        SimDesktop desktop;
        std::unique_ptr<TvSetupDlg> dlg = connectedSetup(projector, &desktop);
        QVERIFY(dlg);
        QSignalSpy finished(dlg->screenFinder(), &ScreenFinder::sigFinished);
        dlg->findScreen();
        QVERIFY(finished.wait(30000));
        const auto result = finished.first().first().value<ScreenFinder::Result>();
        if (found.isEmpty()) {
            QCOMPARE(result.outcome, ScreenFinder::Outcome::NoneSeen);
            QCOMPARE(m_messages, QStringList{dlg->language()->textSC(2)});
            QCOMPARE(KqUtils::calibrationScreenName(), QString());
        } else {
            QCOMPARE(result.outcome, ScreenFinder::Outcome::Found);
            QVERIFY2(found.split('|').contains(result.name), qPrintable(result.name));
            QCOMPARE(result.mirrored, mirrored);
            QCOMPARE(KqUtils::calibrationScreenName(), result.name);
        }
        QVERIFY(!dlg->screenFinder()->isRunning());
    }
    // Found is stored, none leaves the settings without a screen.
    QCOMPARE(settings::readConfig().calibrationScreen.name,
             found.isEmpty() ? QString() : KqUtils::calibrationScreenName());
}

void ScreenChoiceTest::touchMappingHint_data() {
    QTest::addColumn<QStringList>("environment"); // NAME=value
    QTest::addColumn<QString>("inputDevice");     // empty: unknown
    QTest::addColumn<QString>("hint");
    const QString general = "Several screens: map the module's touch device to the output HDMI-1 "
                            "(X11: xinput map-to-output, Wayland: display settings).";
    const QString command =
        "Several screens: map the module's touch device to the output HDMI-1 with this command: ";
    const QStringList x11{"XDG_SESSION_TYPE=x11", "DISPLAY=:0"};
    QTest::newRow("X11, unknown device") << x11 << QString() << general;
    QTest::newRow("X11, named device")
        << x11 << "Emulated Camera Module"
        << command + "xinput map-to-output 'Emulated Camera Module' HDMI-1";
    // The module chooses its name: a placeholder in it is not filled, and nothing in it runs.
    QTest::newRow("X11, name with a placeholder")
        << x11 << "Cam %1" << command + "xinput map-to-output 'Cam %1' HDMI-1";
    QTest::newRow("X11, name with shell syntax")
        << x11 << "Evil\" HDMI-1; touch /tmp/pwned; echo \"$(id)"
        << command + "xinput map-to-output 'Evil\" HDMI-1; touch /tmp/pwned; echo \"$(id)' HDMI-1";
    QTest::newRow("X11, name with a single quote")
        << x11 << "Bob's pen" << command + "xinput map-to-output 'Bob'\\''s pen' HDMI-1";
    // xinput cannot see the module's device from Xwayland: the compositor's way counts.
    QTest::newRow("sway through Xwayland")
        << QStringList{"XDG_SESSION_TYPE=wayland", "DISPLAY=:0", "SWAYSOCK=/run/sway.sock"}
        << "Emulated Camera Module"
        << command + "swaymsg input 5840:3980:Emulated_Camera_Module map_to_output HDMI-1";
    QTest::newRow("sway, unknown device")
        << QStringList{"WAYLAND_DISPLAY=wayland-1", "XDG_CURRENT_DESKTOP=sway"} << QString()
        << command + "swaymsg input type:touch map_to_output HDMI-1";
    QTest::newRow("GNOME")
        << QStringList{"XDG_SESSION_TYPE=wayland", "XDG_CURRENT_DESKTOP=ubuntu:GNOME"}
        << "Emulated Camera Module"
        << "Several screens: GNOME puts the module's touches on the monitor chosen for its "
           "touch device; choose the projector (HDMI-1) as the Desktops section of the README "
           "shows.";
    QTest::newRow("KDE Plasma")
        << QStringList{"WAYLAND_DISPLAY=wayland-0", "XDG_CURRENT_DESKTOP=KDE"} << QString()
        << "Several screens: in System Settings, Touchscreen, choose the output HDMI-1 for the "
           "module's touch device.";
    QTest::newRow("another Wayland desktop")
        << QStringList{"WAYLAND_DISPLAY=wayland-0", "XDG_CURRENT_DESKTOP=Hyprland"}
        << "Emulated Camera Module" << general;
}

void ScreenChoiceTest::touchMappingHint() {
    QFETCH(QStringList, environment);
    QFETCH(QString, inputDevice);
    QFETCH(QString, hint);
    QProcessEnvironment env;
    for (const QString& entry : environment)
        env.insert(entry.section('=', 0, 0), entry.section('=', 1));
    LanguageTable text;
    text.loadLanguage(LanguageTable::kEnglishIndex + 1);
    QCOMPARE(::touchMappingHint(text, desktopSessionOf(env), QStringLiteral("HDMI-1"), inputDevice),
             hint);
}

void ScreenChoiceTest::autoOnTwoMonitorsCalibratesTheProjector() {
    KqUtils::setScreenSource([] { return kTwo; });
    // The hint names xinput on an X11 desktop, whatever desktop runs the tests.
    qputenv("XDG_SESSION_TYPE", "x11");
    qunsetenv("WAYLAND_DISPLAY");
    LogCapture log;
    SimDesktop desktop;
    std::unique_ptr<TvSetupDlg> dlg = connectedSetup(2, &desktop);
    QVERIFY(dlg);
    dlg->setSuccessPause(0);
    QSignalSpy closed(dlg->controller(), &TvMainCtrl::sigClose);

    dlg->slotStartACalibration();
    QVERIFY(closed.wait(120000));
    QCOMPARE(closed.first().first().toInt(), 0);
    QCOMPARE(KqUtils::calibrationScreenName(), QStringLiteral("HDMI-1"));
    QCOMPARE(dlg->controller()->calibDlg()->geometry(), kTwo[1].geometry);
    QVERIFY(log.contains(QStringLiteral("touch mapping:")));
    // The virtual module's name, as the connection watch reported it.
    QVERIFY(log.contains(QStringLiteral("xinput map-to-output 'Virtual camera module' HDMI-1")));
    // Within two window pixels of the truth on the 1920 x 1080 projector.
    const QRegularExpressionMatch rms =
        QRegularExpression(QStringLiteral("RMS ([0-9.]+) px")).match(desktop.verifier());
    QVERIFY2(rms.hasMatch() && rms.captured(1).toDouble() < 2.0, qPrintable(desktop.verifier()));
}

QTEST_MAIN(ScreenChoiceTest)
#include "test_screen_choice.moc"
