#include "app/update/relay/UpdateServer.h"

#include <QUrlQuery>

namespace update_server {

QUrl serverAddress(const QString& given) {
    const QString address = qEnvironmentVariable("TIVORA_UPDATE_SERVER", given);
    QUrl url(address, QUrl::StrictMode);
    const QString scheme = url.scheme();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return QUrl();
    // The manifest's name is resolved against the address, which must end in a folder.
    if (!url.path().endsWith(QLatin1Char('/')))
        url.setPath(url.path() + QLatin1Char('/'));
    return url;
}

QUrl manifestUrl(const UpdateParameters& parameters) {
    if (!parameters.server.isValid())
        return QUrl();
    QUrl url = parameters.server.resolved(QUrl(QStringLiteral("manifest")));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("product"), parameters.productCode);
    query.addQueryItem(QStringLiteral("platform"), parameters.platform);
    query.addQueryItem(QStringLiteral("version"), parameters.version);
    query.addQueryItem(QStringLiteral("language"), parameters.languageCode);
    url.setQuery(query);
    return url;
}

} // namespace update_server
