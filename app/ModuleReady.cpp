#include "app/ModuleReady.h"

#include "calib/TvMainCtrl.h"

ModuleReady::ModuleReady(TvMainCtrl* ctrl, bool needRecord, QObject* parent)
    : QObject(parent), m_bNeedRecord(needRecord) {
    connect(ctrl, &TvMainCtrl::sigSetFWVersion, this, [this] {
        m_bVersionSeen = true;
        check();
    });
    connect(ctrl, &TvMainCtrl::sigSetFWOption, this, [this] {
        m_bOptionsSeen = true;
        check();
    });
    connect(ctrl, &TvMainCtrl::sigStoredRecord, this, [this] {
        m_bRecordSeen = true;
        check();
    });
}

void ModuleReady::check() {
    if (m_bSignalled || !m_bVersionSeen || !m_bOptionsSeen || (m_bNeedRecord && !m_bRecordSeen))
        return;
    m_bSignalled = true;
    emit ready();
}
