#pragma once

#include "app/ToolkitLanguage.h"
#include "display/KqUtils.h"
#include "language/LanguageTable.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTextStream>
#include <functional>

// What the programs that render docs/screenshots/ share: the command line
// "program <folder> [language id]", a 1920 x 1080 desktop, and the saving.
namespace screenshots {

// Reads the folder and the language id (0 when not given); false after printing the usage.
inline bool parseArguments(int argc, char** argv, const char* program, QDir* dir, int* languageId) {
    if (argc != 2 && argc != 3) {
        QTextStream(stderr) << "usage: " << program << " <folder> [language id]\n";
        return false;
    }
    *dir = QDir(QString::fromLocal8Bit(argv[1]));
    *languageId = argc == 3 ? QByteArray(argv[2]).toInt() : 0;
    KqUtils::setScreenSource([] { return QVector<ScreenDesc>{{QRect(0, 0, 1920, 1080), 96.0}}; });
    return true;
}

// The language of a screenshot (English when none was asked for), with the toolkit's own texts
// and direction following it as in the program.
struct Language {
    explicit Language(int languageId) {
        toolkit.follow(text);
        text.loadLanguage(languageId ? languageId : LanguageTable::kEnglishIndex + 1);
    }
    ToolkitLanguage toolkit;
    LanguageTable text;
};

// A screenshot program: the offscreen platform, the application, "program <folder> [language
// id]" and the language; render draws and saves. 0 when every picture was written, 1 when one
// was not, 2 on a bad command line.
inline int run(int argc, char** argv, const char* program,
               const std::function<bool(const QDir&, const LanguageTable&)>& render) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QDir dir;
    int languageId = 0;
    if (!parseArguments(argc, argv, program, &dir, &languageId))
        return 2;
    Language language(languageId);
    return render(dir, language.text) ? 0 : 1;
}

// Writes the picture and prints its path; on failure says so and returns false.
inline bool save(const QImage& image, const QDir& dir, const QString& name) {
    const QString path = dir.filePath(name);
    if (!image.save(path)) {
        QTextStream(stderr) << "cannot write " << path << "\n";
        return false;
    }
    QTextStream(stdout) << path << "\n";
    return true;
}

} // namespace screenshots
