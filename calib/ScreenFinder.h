#pragma once

#include "calib/ScreenResponse.h"

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QRect>
#include <QTimer>
#include <QVector>
#include <memory>
#include <vector>

class LanguageTable;
class ScreenLamp;
class TvMainCtrl;

// Finds the monitor that the module's camera looks at: every monitor black first (the black
// reference), then one monitor white at a time, each judged from the controller's live
// pictures. Runs on the user-interface thread; the live picture loop is started and stopped
// here, so the alignment view must be closed.
class ScreenFinder : public QObject {
    Q_OBJECT

public:
    // OffMonitor: the desktop kept a search screen off its monitor (name and number say which).
    enum class Outcome { Found, NoneSeen, NoPicture, OffMonitor };
    struct Result {
        Outcome outcome = Outcome::NoneSeen;
        QString name;   // the monitor found, as the toolkit names it
        int number = 0; // the same, counted from 1 left to right
        int count = 0;  // monitors looked at
        bool mirrored = false;
    };

    ScreenFinder(TvMainCtrl* ctrl, const LanguageTable* text, QObject* parent = nullptr);
    ~ScreenFinder() override;

    void start();
    bool isRunning() const { return m_nStep >= 0; }

signals:
    void sigFinished(ScreenFinder::Result result);

private:
    void onFrame(const QImage& frame);
    void beginStep(int step);
    void finishWith(Outcome outcome, int chosen = -1, bool mirrored = false);
    void decide();

    TvMainCtrl* m_pCtrl;
    const LanguageTable* m_pText;
    QStringList m_names;
    QVector<QRect> m_geometries;
    std::vector<std::unique_ptr<ScreenLamp>> m_lamps;
    // -1 idle; 0 the black reference; i > 0 monitor i white.
    int m_nStep = -1;
    bool m_bLive = false;
    int m_nSkip = 0;
    qint64 m_nAcceptAfterMs = 0;
    QElapsedTimer m_clock;
    QTimer m_frameLimit;
    QVector<QImage> m_blackFrames;
    screen_response::BlackReference m_black;
    QVector<screen_response::Response> m_responses;
};

Q_DECLARE_METATYPE(ScreenFinder::Result)
