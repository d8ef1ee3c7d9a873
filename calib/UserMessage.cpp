#include "app/UserMessage.h"

#include <QDebug>

namespace user_message {

namespace {

const QString kTitle = QStringLiteral("Tivora");

bool unattended() {
    return qEnvironmentVariableIntValue("TIVORA_UNATTENDED") == 1;
}

} // namespace

void critical(QWidget* parent, const QString& text) {
    qDebug().noquote() << "message (critical):" << text;
    if (!unattended())
        QMessageBox::critical(parent, kTitle, text, QMessageBox::Ok);
}

void information(QWidget* parent, const QString& text) {
    qDebug().noquote() << "message (information):" << text;
    if (!unattended())
        QMessageBox::information(parent, kTitle, text, QMessageBox::Ok);
}

QMessageBox::StandardButton question(QWidget* parent, const QString& text,
                                     QMessageBox::StandardButton unattendedAnswer) {
    qDebug().noquote() << "message (question):" << text;
    if (unattended())
        return unattendedAnswer;
    return QMessageBox::question(parent, kTitle, text, QMessageBox::Yes | QMessageBox::No);
}

} // namespace user_message
