#include "LanguageTable.h"

#include <QFile>
#include <QSettings>

namespace {

struct Language {
    const char* code;
    // The locale in the underscore form of the toolkit's translation files and of desktop
    // entries; its language is the system locale language that selects the row.
    const char* localeName;
};

// By index; the settings file's language id is the index + 1.
const Language kLanguages[LanguageTable::kLanguageCount] = {
    {"ARA", "ar"}, {"BUL", "bg"}, {"CHS", "zh_CN"}, {"CHT", "zh_TW"}, {"CES", "cs"},
    {"DAN", "da"}, {"ENU", "en"}, {"FAR", "fa"},    {"FIN", "fi"},    {"FRA", "fr"},
    {"DEU", "de"}, {"IND", "id"}, {"ITA", "it"},    {"JPN", "ja"},    {"KOR", "ko"},
    {"LTU", "lt"}, {"NOR", "nb"}, {"PLK", "pl"},    {"PTB", "pt_BR"}, {"ROM", "ro"},
    {"RUS", "ru"}, {"ESN", "es"}, {"SWE", "sv"},    {"HEB", "he"},
};

constexpr int kSimplifiedChineseIndex = 2;
constexpr int kTraditionalChineseIndex = 3;

// Entry i holds key keyPrefix + (i + 1); a missing key or section leaves the entry empty.
QStringList readSection(QSettings& file, const QString& section, const QString& keyPrefix,
                        int count) {
    QStringList texts;
    file.beginGroup(section);
    for (int i = 0; i < count; ++i)
        texts.append(file.value(keyPrefix + QString::number(i + 1)).toString());
    file.endGroup();
    return texts;
}

QStringList readSection(const QString& path, const QString& section, const QString& keyPrefix,
                        int count) {
    QSettings file(path, QSettings::IniFormat);
    file.setIniCodec("UTF-8");
    return readSection(file, section, keyPrefix, count);
}

} // namespace

// The resources are archived into this static library; referencing their registration here
// keeps the linker from dropping it.
static void initResources() {
    Q_INIT_RESOURCE(resources);
}

LanguageTable::LanguageTable() : LanguageTable(QStringLiteral(":/Language/l_")) {}

LanguageTable::LanguageTable(const QString& filePrefix) : m_sFilePrefix(filePrefix) {
    initResources();
}

void LanguageTable::loadLanguage(int languageId) {
    loadLanguage(languageId, QLocale::system());
}

void LanguageTable::loadLanguage(int languageId, const QLocale& systemLocale) {
    int index = languageId > 0 && languageId <= kLanguageCount ? languageId - 1
                                                               : indexForLocale(systemLocale);

    if (!QFile::exists(m_sFilePrefix + QLatin1String(kLanguages[index].code)))
        index = kEnglishIndex;
    m_nIndex = index;
    m_sCode = QLatin1String(kLanguages[index].code);

    QSettings file(m_sFilePrefix + m_sCode, QSettings::IniFormat);
    file.setIniCodec("UTF-8");
    m_T = readSection(file, QStringLiteral("TRAY ICON MENU"), QStringLiteral("T"), 11);
    m_C = readSection(file, QStringLiteral("CONFIGURATION"), QStringLiteral("C"), 37);
    m_CW = readSection(file, QStringLiteral("CALIBRATION WINDOW"), QStringLiteral("CW"), 5);
    m_M = readSection(file, QStringLiteral("MESSAGEBOX"), QStringLiteral("M"), 27);
    m_AV = readSection(file, QStringLiteral("AlignmentView"), QStringLiteral("AV"), 2);
    m_PS = readSection(file, QStringLiteral("PanelStatus"), QStringLiteral("PS"), 12);
    m_SC = readSection(file, QStringLiteral("ScreenChoice"), QStringLiteral("SC"), 9);
    m_CS = readSection(file, QStringLiteral("CalibrationStatus"), QStringLiteral("CS"), 9);
    m_AK = readSection(file, QStringLiteral("AccuracyCheck"), QStringLiteral("AK"), 13);
    m_L = readSection(m_sFilePrefix + QStringLiteral("Idx"), QStringLiteral("Language"),
                      QStringLiteral("L"), kLanguageCount);
    if (m_onLoaded)
        m_onLoaded(*this);
}

void LanguageTable::setLoadedHandler(std::function<void(const LanguageTable&)> handler) {
    m_onLoaded = std::move(handler);
}

QString LanguageTable::localeName(int index) {
    return index >= 0 && index < kLanguageCount ? QLatin1String(kLanguages[index].localeName)
                                                : QString();
}

int LanguageTable::indexForLocale(const QLocale& locale) {
    const QLocale::Language language = locale.language();
    // Traditional characters for the zh-TW and zh-HK locales, simplified for every other one.
    if (language == QLocale::Chinese) {
        const QLocale::Country country = locale.country();
        return country == QLocale::Taiwan || country == QLocale::HongKong ? kTraditionalChineseIndex
                                                                          : kSimplifiedChineseIndex;
    }
    for (int i = 0; i < kLanguageCount; ++i) {
        if (QLocale(QLatin1String(kLanguages[i].localeName)).language() == language)
            return i;
    }
    return kEnglishIndex;
}

QString LanguageTable::textT(int entry) const {
    return m_T.value(entry);
}
QString LanguageTable::textC(int entry) const {
    return m_C.value(entry);
}
QString LanguageTable::textCW(int entry) const {
    return m_CW.value(entry);
}
QString LanguageTable::textAV(int entry) const {
    return m_AV.value(entry);
}
QString LanguageTable::textPS(int entry) const {
    return m_PS.value(entry);
}
QString LanguageTable::textSC(int entry) const {
    return m_SC.value(entry);
}
QString LanguageTable::textCS(int entry) const {
    return m_CS.value(entry);
}
QString LanguageTable::textAK(int entry) const {
    return m_AK.value(entry);
}
QString LanguageTable::textM(int entry) const {
    return m_M.value(entry);
}
QString LanguageTable::textL(int entry) const {
    return m_L.value(entry);
}

bool LanguageTable::isRightToLeft() const {
    return m_nIndex == 0 || m_nIndex == 7 || m_nIndex == 23;
}
