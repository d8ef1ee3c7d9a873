#include "ElidedText.h"

#include <QFontMetrics>
#include <QLabel>

void setElidedText(QLabel* label, const QString& text) {
    const QFontMetrics metrics(label->font());
    const QString shown = metrics.elidedText(text, Qt::ElideRight, label->contentsRect().width());
    label->setText(shown);
    label->setToolTip(shown == text ? QString() : text);
}
