#include "app/SingleApplication.h"

#include "log/LogCategories.h"

#include <QDebug>

namespace {

// Tests give each run its own key so that parallel runs do not see each other.
QString instanceKey() {
    const QString key = qEnvironmentVariable("TIVORA_INSTANCE_KEY");
    return key.isEmpty() ? QStringLiteral("Tivora") : key;
}

} // namespace

SingleApplication::SingleApplication(int& argc, char** argv)
    : QApplication(argc, argv), m_pSharedMemory(new QSharedMemory(instanceKey(), this)) {}

SingleApplication::~SingleApplication() {
    if (m_pSharedMemory->isAttached())
        m_pSharedMemory->detach();
}

bool SingleApplication::isPrimaryInstance() {
    if (m_pSharedMemory->attach(QSharedMemory::ReadOnly)) {
        // Detaching removes a segment nobody else is attached to: the one a killed copy
        // left behind. If it is still there after that, a live copy holds it.
        m_pSharedMemory->detach();
        if (m_pSharedMemory->attach(QSharedMemory::ReadOnly)) {
            m_pSharedMemory->detach();
            return false;
        }
        qCDebug(lcApp)
            << "SingleApplication: removed the lock of an instance that ended abnormally";
    }
    return m_pSharedMemory->create(1, QSharedMemory::ReadWrite);
}
