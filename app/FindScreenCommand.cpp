#include "app/FindScreenCommand.h"

#include "app/ModuleReady.h"
#include "app/TvSetupDlg.h"
#include "calib/TvMainCtrl.h"
#include "display/UserMessage.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

namespace {

// The connection watch needs a few seconds; the search itself at most about 3 s a monitor.
constexpr int kOverallTimeoutMs = 2 * 60 * 1000;

QString lineOf(const ScreenFinder::Result& r) {
    switch (r.outcome) {
    case ScreenFinder::Outcome::Found:
        return QStringLiteral("screen: found %1 (%2 of %3 from the left)%4")
            .arg(r.name.isEmpty() ? QStringLiteral("an unnamed monitor") : r.name)
            .arg(r.number)
            .arg(r.count)
            .arg(r.mirrored ? QStringLiteral(", several monitors show the same picture")
                            : QString());
    case ScreenFinder::Outcome::NoneSeen:
        return QStringLiteral("screen: the camera sees none of the %1 monitors").arg(r.count);
    case ScreenFinder::Outcome::OffMonitor:
        return QStringLiteral("screen: the desktop kept the search screen off monitor %1 (%2)")
            .arg(r.number)
            .arg(r.name);
    case ScreenFinder::Outcome::NoPicture:
        break;
    }
    return QStringLiteral("screen: the module sent no live picture");
}

} // namespace

FindScreenCommand::FindScreenCommand(TvSetupDlg* setupDlg) : QObject(setupDlg) {
    auto* ready = new ModuleReady(setupDlg->controller(), false, this);
    connect(ready, &ModuleReady::ready, setupDlg, &TvSetupDlg::findScreen, Qt::QueuedConnection);
    connect(setupDlg->screenFinder(), &ScreenFinder::sigFinished, this,
            [this](const ScreenFinder::Result& r) {
                finish(r.outcome == ScreenFinder::Outcome::Found, lineOf(r));
            });
    user_message::setHandler([](user_message::Kind, const QString&) { return QMessageBox::Ok; });
    QTimer::singleShot(kOverallTimeoutMs, this, [this] {
        finish(false, QStringLiteral("screen: no module within 2 minutes"));
    });
}

FindScreenCommand::~FindScreenCommand() {
    user_message::setHandler(nullptr);
}

void FindScreenCommand::finish(bool found, const QString& line) {
    if (m_bFinished)
        return;
    m_bFinished = true;
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
    QTimer::singleShot(0, [found] { QCoreApplication::exit(found ? 0 : 1); });
}
