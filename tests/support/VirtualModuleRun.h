#pragma once

#include "calib/CalibDlg.h"
#include "calib/TvMainCtrl.h"
#include "sim/desktop/SimDesktop.h"
#include "tests/support/Slowed.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QtTest>

// The virtual module as the calibration tests start it: a profile in folder that keeps the
// module's memory in store.bin (storedMemory reads it back), followed by the faults given.
inline SimDesktop virtualModuleIn(const QDir& folder, const QString& faults, QString* error) {
    QFile profile(folder.filePath(QStringLiteral("profile.ini")));
    if (!profile.open(QIODevice::WriteOnly)) {
        *error = profile.errorString();
        return {};
    }
    profile.write("[Module]\nStoreFile=store.bin\n");
    profile.write(faults.toUtf8());
    profile.close();
    return makeSimDesktop(profile.fileName(), error);
}

inline QByteArray storedMemory(const QDir& folder) {
    QFile file(folder.filePath(QStringLiteral("store.bin")));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Starts the connection watch and waits until the module has reported its options and its
// firmware allows calibration; the module's lens goes to the calibration window as the panel
// would pass it on.
inline bool waitForModule(TvMainCtrl* ctrl) {
    QSignalSpy options(ctrl, &TvMainCtrl::sigSetFWOption);
    ctrl->startCheckThread();
    if (!options.wait(slowed(15000)))
        return false;
    ctrl->calibDlg()->m_nLens = options.first().at(3).toInt();
    return QTest::qWaitFor([ctrl] { return ctrl->fwSupported(); }, slowed(5000));
}
