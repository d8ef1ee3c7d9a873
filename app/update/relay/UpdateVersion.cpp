#include "app/update/relay/UpdateVersion.h"

#include <QStringList>
#include <QVector>
#include <optional>

namespace update_version {

namespace {

constexpr int kMaxParts = 8;
constexpr int kMaxDigits = 9; // keeps every part within 32 bits

std::optional<QVector<quint32>> parse(const QString& version) {
    const QStringList parts = version.split(QLatin1Char('.'));
    if (parts.size() > kMaxParts)
        return std::nullopt;
    QVector<quint32> numbers;
    for (const QString& part : parts) {
        if (part.isEmpty() || part.size() > kMaxDigits)
            return std::nullopt;
        for (const QChar c : part) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return std::nullopt;
        }
        numbers.append(part.toUInt());
    }
    return numbers;
}

} // namespace

bool isValid(const QString& version) {
    return parse(version).has_value();
}

bool isNewer(const QString& candidate, const QString& current) {
    const auto a = parse(candidate);
    const auto b = parse(current);
    if (!a || !b)
        return false;
    const int count = std::max(a->size(), b->size());
    for (int i = 0; i < count; ++i) {
        const quint32 x = a->value(i, 0);
        const quint32 y = b->value(i, 0);
        if (x != y)
            return x > y;
    }
    return false;
}

} // namespace update_version
