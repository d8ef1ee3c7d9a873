#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>

class QWidget;

// Every message box the user sees goes through here, titled "Tivora", and its text is also
// written to the debug log. With TIVORA_UNATTENDED=1 (scripted runs) nothing is shown and the
// default answer is taken, so an unattended run never waits for a click; tests may install a
// handler that answers in place of the user.
namespace user_message {

enum class Kind { Critical, Information, Question };
using Handler = std::function<QMessageBox::StandardButton(Kind, const QString& text)>;

void setHandler(Handler handler);

void critical(QWidget* parent, const QString& text);
void information(QWidget* parent, const QString& text);
QMessageBox::StandardButton question(QWidget* parent, const QString& text,
                                     QMessageBox::StandardButton unattendedAnswer);

} // namespace user_message
