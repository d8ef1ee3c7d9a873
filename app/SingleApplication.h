#pragma once

#include <QApplication>
#include <QSharedMemory>

class QLocalServer;

// The application object, with the lock that lets only one copy of the utility run, and the
// channel through which a later start asks the running copy to come to the front.
class SingleApplication : public QApplication {
    Q_OBJECT

public:
    SingleApplication(int& argc, char** argv);
    ~SingleApplication() override;

    // True when no other copy holds the lock; this copy then holds it until it ends.
    bool isPrimaryInstance();
    // The copy that holds the lock: from now on every later start emits sigShowRequested.
    void listenForLaterStarts();
    // A later start: asks the running copy to come to the front; false when it did not answer.
    bool askRunningCopyToShow();

signals:
    void sigShowRequested();

private:
    QSharedMemory* m_pSharedMemory;
    QLocalServer* m_pServer = nullptr;
};
