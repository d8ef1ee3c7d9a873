#pragma once

#include "calib/ScreenFinder.h"

#include <QObject>

class TvSetupDlg;

// `--find-screen`: once the module is connected and has reported its version and options,
// looks for the projector's monitor, prints the outcome as one line and ends the program with
// 0 when a monitor was found (it is then stored), 1 otherwise. Message boxes are answered
// with OK; their texts still reach the log.
class FindScreenCommand : public QObject {
    Q_OBJECT

public:
    explicit FindScreenCommand(TvSetupDlg* setupDlg);
    ~FindScreenCommand() override;

private:
    void finish(bool found, const QString& line);

    bool m_bFinished = false;
};
