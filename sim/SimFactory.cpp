#include "sim/SimFactory.h"

#include "sim/SimTransport.h"

std::unique_ptr<Transport> makeSimTransport(const QString& profilePath, QString* error) {
    SimProfile profile;
    QString reason;
    if (!profilePath.isEmpty() && !SimProfile::load(profilePath, &profile, &reason)) {
        if (error)
            *error = reason;
        return nullptr;
    }
    return std::make_unique<SimTransport>(profile);
}
