#pragma once

#include <QObject>
#include <QString>

class TvMainCtrl;

// The moment an unattended run may begin: the connected module has reported its version and
// options and, when asked for, its stored record. Signals once.
class ModuleReady : public QObject {
    Q_OBJECT

public:
    ModuleReady(TvMainCtrl* ctrl, bool needRecord, QObject* parent);

    // What has not arrived yet, for a failure line: "version, options".
    QString missing() const;

signals:
    void ready();

private:
    void check();

    bool m_bNeedRecord;
    bool m_bVersionSeen = false;
    bool m_bOptionsSeen = false;
    bool m_bRecordSeen = false;
    bool m_bSignalled = false;
};
