#pragma once

#include <QString>
#include <QWidget>

// A frameless window over one whole monitor (placed by its owner), black or white, that the camera
// looks for while the projector's screen is searched; the white one carries a status line.
class ScreenLamp : public QWidget {
    Q_OBJECT

public:
    explicit ScreenLamp(const QString& fontFamily);

    void setLit(bool lit, const QString& status = QString());

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_bLit = false;
    QString m_sStatus;
};
