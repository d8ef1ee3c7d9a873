#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>
#include <functional>

// The texts of the current language, by section and 0-based entry number (T1 is textT(0)).
// One object, owned by the setup window; every window reads its texts through it.
class LanguageTable {
public:
    static constexpr int kLanguageCount = 24;
    static constexpr int kEnglishIndex = 6;

    LanguageTable();
    // Reads the language files from filePrefix + code and filePrefix + "Idx" instead of the
    // program's resources, so that a missing file can be tried out.
    explicit LanguageTable(const QString& filePrefix);

    // languageId is the settings file's 1-based id; anything else asks the system locale.
    void loadLanguage(int languageId);
    // The same choice with the given locale standing in for the system's.
    void loadLanguage(int languageId, const QLocale& systemLocale);
    // Called at the end of every load, so that what follows the language (the toolkit's own
    // texts, the direction of dialogs) changes with it wherever the load comes from.
    void setLoadedHandler(std::function<void(const LanguageTable&)> handler);

    QString textT(int entry) const;
    QString textC(int entry) const;
    QString textCW(int entry) const;
    QString textM(int entry) const;
    // The alignment view's hints: 0 the mask editor toggle, 1 a firmware without the mask.
    QString textAV(int entry) const;
    // The main panel's connection status line, by ConnectionStatus: 0 looking, 1 connected (%1
    // serial, %2 firmware), 2 permission denied, 3 busy, 4 not answering, 5 not the module,
    // 6 nothing on USB for a while, 7 on USB but never ready; the panel's further functions: 8
    // their menu button, 9 the mask editor's entry; why a control is grey: 10 no module, 11 no
    // model chosen.
    QString textPS(int entry) const;
    // Choosing the projector's screen: 0 the panel's menu entry, 1 "screen %1 of %2" while
    // looking, 2 no screen seen, 3 the general touch mapping hint (%1 the output), 4 found (%1
    // number, %2 name), 5 the touch mapping hint with a command (%1 the output, %2 the
    // command), 6 a window the desktop kept off its monitor (%1 number, %2 name), 7 and 8 the
    // touch mapping hints for GNOME and KDE Plasma (%1 the output).
    QString textSC(int entry) const;
    // The calibration window's status and outcome: 0 computing, 1 checking the result,
    // 2 "target %1 of %2", 3 the Esc hint, 4 success; the likely causes of a failed automatic
    // calibration: 5 no screen in the picture, 6 only %1 of 20 marks found, 7 the fit failed;
    // 8 the pointer to the alignment view.
    QString textCS(int entry) const;
    // The accuracy check: 0 its heading, 1 the instruction, 2 and 3 the figures without and
    // with millimetres, 4 within the threshold, 5 above it, 6 the close hint, 7 the panel's
    // menu entry.
    QString textAK(int entry) const;
    QString textL(int entry) const;

    int languageIndex() const { return m_nIndex; }
    QString languageCode() const { return m_sCode; }
    bool isRightToLeft() const;
    // The language's locale as translation files and desktop entries name it ("de", "zh_TW",
    // "pt_BR", "nb"); empty for an index out of range.
    static QString localeName(int index);

private:
    static int indexForLocale(const QLocale& locale);

    QString m_sFilePrefix;
    int m_nIndex = kEnglishIndex;
    QString m_sCode = QStringLiteral("ENU");
    std::function<void(const LanguageTable&)> m_onLoaded;
    QStringList m_T, m_C, m_CW, m_M, m_AV, m_PS, m_SC, m_CS, m_AK, m_L;
};
