// Renders the main panel as a user sees it with a module connected, for docs/screenshots/:
//   tivora_panel_screenshots <folder> [language id]
// writes panel-english.png and panel-arabic.png (a right-to-left language), 560 x 740; with
// a language id (1 to 24, as in the settings file) only panel-<code>.png in that language.
#include "app/language/LanguageTable.h"
#include "app/panel/MainDlg.h"
#include "calib/KqUtils.h"

#include <QApplication>
#include <QDir>
#include <QTextStream>

namespace {

bool save(int languageId, const QDir& dir, const QString& name) {
    LanguageTable text;
    text.loadLanguage(languageId);
    MainDlg dlg(nullptr, &text);
    dlg.show();
    dlg.SetLanguageText();
    dlg.InitLayout();
    dlg.SetPenType(0);
    dlg.SetUIState(true);
    dlg.SetFWVersion(QStringLiteral("2.14"));
    dlg.SetFWOption(0, 0, 0, LensNormalThrow);
    QApplication::processEvents();

    const QString path = dir.filePath(name);
    if (!dlg.grab().save(path)) {
        QTextStream(stderr) << "cannot write " << path << "\n";
        return false;
    }
    QTextStream(stdout) << path << "\n";
    return true;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral("1.0.1.7"));
    if (argc != 2 && argc != 3) {
        QTextStream(stderr) << "usage: tivora_panel_screenshots <folder> [language id]\n";
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    KqUtils::setScreenSource([] { return QVector<ScreenDesc>{{QRect(0, 0, 1920, 1080), 96.0}}; });

    if (argc == 3) {
        const int id = QByteArray(argv[2]).toInt();
        LanguageTable probe;
        probe.loadLanguage(id);
        const QString name = QStringLiteral("panel-%1.png").arg(probe.languageCode().toLower());
        return save(id, dir, name) ? 0 : 1;
    }
    bool ok = save(LanguageTable::kEnglishIndex + 1, dir, QStringLiteral("panel-english.png"));
    ok = save(1, dir, QStringLiteral("panel-arabic.png")) && ok;
    return ok ? 0 : 1;
}
