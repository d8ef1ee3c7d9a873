#include "app/ToolkitLanguage.h"

#include "language/LanguageTable.h"
#include "log/LogCategories.h"

#include <QCoreApplication>
#include <QDebug>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>

ToolkitLanguage::~ToolkitLanguage() {
    if (m_pTranslator)
        QCoreApplication::removeTranslator(m_pTranslator.get());
}

void ToolkitLanguage::follow(LanguageTable& table) {
    table.setLoadedHandler([this](const LanguageTable& loaded) { apply(loaded); });
    apply(table);
}

QString ToolkitLanguage::translationsFolder() {
    return QLibraryInfo::location(QLibraryInfo::TranslationsPath);
}

void ToolkitLanguage::apply(const LanguageTable& table) {
    if (m_pTranslator) {
        QCoreApplication::removeTranslator(m_pTranslator.get());
        m_pTranslator.reset();
    }
    const QLocale locale(LanguageTable::localeName(table.languageIndex()));
    auto translator = std::make_unique<QTranslator>();
    // Languages without a file of their own (Indonesian, Lithuanian, Norwegian Bokmål,
    // Romanian, Swedish) keep the toolkit's English rather than a neighbour's.
    if (translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                         translationsFolder())) {
        QCoreApplication::installTranslator(translator.get());
        m_pTranslator = std::move(translator);
    } else {
        qCDebug(lcApp).noquote() << "no toolkit translation for" << locale.name() << "in"
                                 << translationsFolder();
    }
    // Set even where a translation would say it, so that a language without one still mirrors.
    QGuiApplication::setLayoutDirection(table.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
}
