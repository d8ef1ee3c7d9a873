#pragma once

#include <QObject>
#include <QString>
#include <functional>

class TvSetupDlg;

// `--calibrate auto|manual|tuning`: once the module is connected and has reported its version
// and options, starts that calibration, answers every message box with OK while printing its
// text, prints a one-line result and ends the program with 0 on success, 1 otherwise.
// `--calibrate check` waits for the stored record as well, runs the accuracy check on the
// stored calibration and prints its figures as one line; 0 when the worst error is within
// the threshold, 1 otherwise (also when it is left with Esc or nothing is stored).
class CalibrateCommand : public QObject {
    Q_OBJECT

public:
    enum class Kind { Auto, Manual, Tuning, Check };

    // How closely the stored calibration matches the truth, when the device can tell.
    using Verifier = std::function<QString()>;

    CalibrateCommand(TvSetupDlg* setupDlg, Kind kind, Verifier verifier);
    ~CalibrateCommand() override;

private:
    void start();
    void finish(bool success, const QString& reason);
    void startCheck();
    void finishCheck();

    TvSetupDlg* m_pSetupDlg;
    Kind m_eKind;
    Verifier m_verifier;
    bool m_bFinished = false;
    bool m_bStarted = false;
};
