#pragma once

#include "display/UserMessage.h"

#include <QStringList>

// Every message box the program would show goes into messages instead, answered with OK;
// user_message::setHandler(nullptr) ends it.
inline void recordMessages(QStringList* messages) {
    user_message::setHandler([messages](user_message::Kind, const QString& text) {
        *messages << text;
        return QMessageBox::Ok;
    });
}
