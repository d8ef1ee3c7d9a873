#pragma once

#include <QString>
#include <QTranslator>
#include <memory>

class LanguageTable;

// The toolkit's own texts (the standard buttons of message boxes, the text areas' context
// menus) in the chosen language, and new dialogs laid out right to left for the right-to-left
// languages. Windows that mirror themselves pin their own direction.
class ToolkitLanguage {
public:
    ToolkitLanguage() = default;
    ~ToolkitLanguage();
    ToolkitLanguage(const ToolkitLanguage&) = delete;
    ToolkitLanguage& operator=(const ToolkitLanguage&) = delete;

    // Applies the table's language now and after every later load of it; the table must not
    // outlive this object.
    void follow(LanguageTable& table);

    // Where the toolkit's translations are installed (qtbase_de.qm, ...).
    static QString translationsFolder();

private:
    void apply(const LanguageTable& table);

    std::unique_ptr<QTranslator> m_pTranslator;
};
