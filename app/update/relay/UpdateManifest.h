#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <optional>

// The server's answer, a small JSON object:
//   {"version": "1.0.1.8", "url": "TveSetup-1.0.1.8.exe", "sha256": "<64 hex digits>"}
// "url" may be relative to the manifest's own address and must lead to http or https.
struct UpdateManifest {
    QString version;
    QUrl url;
    QByteArray sha256; // 32 raw bytes

    static constexpr int kMaxBytes = 64 * 1024;

    // Empty when the bytes are not a complete, well-formed manifest.
    static std::optional<UpdateManifest> parse(const QByteArray& bytes, const QUrl& manifestUrl);
};
