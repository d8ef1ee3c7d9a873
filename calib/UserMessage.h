#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// Every message box the user sees goes through here, titled "Tivora". Its text is also
// written to the debug log. With TIVORA_UNATTENDED=1 (scripted and test runs) nothing is
// shown and the default button is taken, so an unattended run never waits for a click.
namespace user_message {

void critical(QWidget* parent, const QString& text);
void information(QWidget* parent, const QString& text);
QMessageBox::StandardButton question(QWidget* parent, const QString& text,
                                     QMessageBox::StandardButton unattendedAnswer);

} // namespace user_message
