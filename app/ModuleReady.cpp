#include "app/ModuleReady.h"

#include "calib/TvMainCtrl.h"

#include <QStringList>

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

QString ModuleReady::missing() const {
    QStringList names;
    if (!m_bVersionSeen)
        names << QStringLiteral("version");
    if (!m_bOptionsSeen)
        names << QStringLiteral("options");
    if (m_bNeedRecord && !m_bRecordSeen)
        names << QStringLiteral("record");
    return names.join(QStringLiteral(", "));
}

void ModuleReady::check() {
    if (m_bSignalled || !m_bVersionSeen || !m_bOptionsSeen || (m_bNeedRecord && !m_bRecordSeen))
        return;
    m_bSignalled = true;
    emit ready();
}
