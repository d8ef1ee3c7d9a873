#include "app/update/relay/UpdateManifest.h"

#include "app/update/relay/UpdateVersion.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

constexpr int kSha256HexDigits = 64;

bool isHex(const QString& text) {
    for (const QChar c : text) {
        if (!c.isDigit() && !(c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f')))
            return false;
    }
    return true;
}

} // namespace

std::optional<UpdateManifest> UpdateManifest::parse(const QByteArray& bytes,
                                                    const QUrl& manifestUrl) {
    if (bytes.size() > kMaxBytes)
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    if (!document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();

    UpdateManifest manifest;
    manifest.version = object.value(QLatin1String("version")).toString();
    if (!update_version::isValid(manifest.version))
        return std::nullopt;

    const QString sha256 = object.value(QLatin1String("sha256")).toString();
    if (sha256.size() != kSha256HexDigits || !isHex(sha256))
        return std::nullopt;
    manifest.sha256 = QByteArray::fromHex(sha256.toLatin1());

    const QString url = object.value(QLatin1String("url")).toString();
    const QUrl relative(url, QUrl::StrictMode);
    if (url.isEmpty() || !relative.isValid())
        return std::nullopt;
    manifest.url = manifestUrl.resolved(relative);
    // Anything but the web (a local file, another protocol) is refused.
    const QString scheme = manifest.url.scheme();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return std::nullopt;
    return manifest;
}
