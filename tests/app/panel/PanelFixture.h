#pragma once

#include "app/ToolkitLanguage.h"
#include "app/panel/MainDlg.h"
#include "app/panel/MainDlgForm.h"
#include "display/KqUtils.h"
#include "language/LanguageTable.h"

#include <QGuiApplication>
#include <QScreen>
#include <memory>

// The panel as the setup window leaves it at start-up, in English, on a primary screen of the
// given dots per inch (kToolkitScreens: the screens as the toolkit reports them); the toolkit's
// texts and direction follow the language as in the program.
struct PanelFixture {
    static constexpr int kEnglishId = LanguageTable::kEnglishIndex + 1;
    static constexpr double kToolkitScreens = 0.0;

    explicit PanelFixture(double logicalDpi = 96.0, int languageId = kEnglishId) {
        const QRect primary = QGuiApplication::primaryScreen()->geometry();
        if (logicalDpi != kToolkitScreens) {
            KqUtils::setScreenSource([primary, logicalDpi] {
                return QVector<ScreenDesc>{{primary, logicalDpi}};
            });
        }
        toolkit.follow(text);
        text.loadLanguage(languageId);
        dlg = std::make_unique<MainDlg>(nullptr, &text);
        dlg->SetLanguageText();
        dlg->InitLayout();
    }
    ~PanelFixture() { KqUtils::setScreenSource({}); }

    // What the controller does once the module is connected.
    void connectDevice(unsigned char lens) {
        dlg->SetUIState(true);
        dlg->SetFWVersion(QStringLiteral("2.14"));
        dlg->SetFWOption(0, 0, 0, lens);
    }

    const MainDlgForm& ui() const { return dlg->form(); }

    ToolkitLanguage toolkit;
    LanguageTable text;
    std::unique_ptr<MainDlg> dlg;
};
