// Renders the main panel as a user sees it with a module connected, for docs/screenshots/:
//   tivora_panel_screenshots <folder> [language id]
// writes panel-english.png, panel-german.png and panel-arabic.png (a right-to-left language)
// on a large screen, and panel-1366x768.png on a 1366 x 768 screen with a taskbar, where the
// panel scrolls; with a language id (1 to 24, as in the settings file) only panel-<code>.png.
#include "app/ToolkitLanguage.h"
#include "app/panel/MainDlg.h"
#include "display/KqUtils.h"
#include "language/LanguageTable.h"
#include "tests/support/Screenshots.h"

#include <QApplication>
#include <QDir>

namespace {

const ScreenDesc kLargeScreen(QRect(0, 0, 1920, 1080), 96.0, QRect(0, 0, 1920, 1040));
const ScreenDesc kLaptopScreen(QRect(0, 0, 1366, 768), 96.0, QRect(0, 0, 1366, 728));

bool save(int languageId, const QDir& dir, const QString& name,
          const ScreenDesc& screen = kLargeScreen) {
    KqUtils::setScreenSource([screen] { return QVector<ScreenDesc>{screen}; });
    ToolkitLanguage toolkit;
    LanguageTable text;
    toolkit.follow(text);
    text.loadLanguage(languageId);
    MainDlg dlg(nullptr, &text);
    dlg.show();
    dlg.SetLanguageText();
    dlg.InitLayout();
    dlg.SetPenType(0);
    dlg.SetUIState(true);
    dlg.SetFWVersion(QStringLiteral("2.14"));
    dlg.SetFWOption(0, 0, 0, LensNormalThrow);
    dlg.SetConnectionStatus(ConnectionStatus::Connected, QStringLiteral("TV2H0417"));
    QApplication::processEvents();

    return screenshots::save(dlg.grab().toImage(), dir, name);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral("1.0.1.7"));
    QDir dir;
    int id = 0;
    if (!screenshots::parseArguments(argc, argv, "tivora_panel_screenshots", &dir, &id))
        return 2;

    if (id) {
        LanguageTable probe;
        probe.loadLanguage(id);
        const QString name = QStringLiteral("panel-%1.png").arg(probe.languageCode().toLower());
        return save(id, dir, name) ? 0 : 1;
    }
    bool ok = save(LanguageTable::kEnglishIndex + 1, dir, QStringLiteral("panel-english.png"));
    ok = save(1, dir, QStringLiteral("panel-arabic.png")) && ok;
    ok = save(11, dir, QStringLiteral("panel-german.png")) && ok;
    ok = save(LanguageTable::kEnglishIndex + 1, dir, QStringLiteral("panel-1366x768.png"),
              kLaptopScreen) &&
         ok;
    return ok ? 0 : 1;
}
