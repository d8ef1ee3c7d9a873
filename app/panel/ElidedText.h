#pragma once

#include <QString>

class QLabel;

// Sets text on label, cut with an ellipsis where it is wider than the label; the full text
// then becomes the label's tool tip.
void setElidedText(QLabel* label, const QString& text);
