#include "display/UserMessage.h"

#include "log/LogCategories.h"

#include <QDebug>

namespace user_message {

namespace {

const QString kTitle = QStringLiteral("Tivora");

Handler& handler() {
    static Handler current;
    return current;
}

bool unattended() {
    return qEnvironmentVariableIntValue("TIVORA_UNATTENDED") == 1;
}

} // namespace

void setHandler(Handler h) {
    handler() = std::move(h);
}

void critical(QWidget* parent, const QString& text) {
    qCDebug(lcCalib).noquote() << "message (critical):" << text;
    if (handler())
        handler()(Kind::Critical, text);
    else if (!unattended())
        QMessageBox::critical(parent, kTitle, text, QMessageBox::Ok);
}

void information(QWidget* parent, const QString& text) {
    qCDebug(lcCalib).noquote() << "message (information):" << text;
    if (handler())
        handler()(Kind::Information, text);
    else if (!unattended())
        QMessageBox::information(parent, kTitle, text, QMessageBox::Ok);
}

QMessageBox::StandardButton question(QWidget* parent, const QString& text,
                                     QMessageBox::StandardButton unattendedAnswer) {
    qCDebug(lcCalib).noquote() << "message (question):" << text;
    if (handler())
        return handler()(Kind::Question, text);
    if (unattended())
        return unattendedAnswer;
    return QMessageBox::question(parent, kTitle, text, QMessageBox::Yes | QMessageBox::No);
}

} // namespace user_message
