#pragma once

#include <QApplication>
#include <QSharedMemory>

// The application object, with the lock that lets only one copy of the utility run.
class SingleApplication : public QApplication {
    Q_OBJECT

public:
    SingleApplication(int& argc, char** argv);
    ~SingleApplication() override;

    // True when no other copy holds the lock; this copy then holds it until it ends.
    bool isPrimaryInstance();

private:
    QSharedMemory* m_pSharedMemory;
};
