// A stand-in for the update component that lacks runUpdateManager, for the loader's test of
// a component with an entry point missing. Its entry points say so in the log if called.
#include <QDebug>
#include <QString>

extern "C" {

Q_DECL_EXPORT void initUpdateParameters(QString, QString, QString, QString, QString, QString,
                                        QString, QString, void (*)(bool, bool)) {
    qDebug() << "partial relay called";
}

Q_DECL_EXPORT void setUpdateServer(QString) {
    qDebug() << "partial relay called";
}
}
