#pragma once

#include <QString>

// The settings file "config.ini", shared by all users of the machine: the base folder is
// TIVORA_CONFIG_DIR when set, else /var/lib, followed by "/CORVAN/Tivora/".
namespace settings {

struct Values {
    int languageId = -1; // 1-based; -1 when none is stored
    int penSelection = 0;
};

QString configFilePath();
Values readConfig();
void writeConfig(int languageIndex, int penSelection);

} // namespace settings
