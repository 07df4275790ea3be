#include "ftp/TemporaryName.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QRegularExpression>
#include <atomic>

namespace zarvento::ftp {

namespace {

constexpr qsizetype kLongestName = 255; // bytes, as most servers' file systems allow

const QRegularExpression kPattern(QStringLiteral(R"(^\.zv([na])-([0-9a-f]{8})-([0-9a-z]{1,12})-)"
                                                 R"(([0-9]{1,19})-(.*)$)"),
                                  QRegularExpression::DotMatchesEverythingOption);

} // namespace

QString TemporaryName::keyOf(const QString& finalName) {
    return QString::fromLatin1(
        QCryptographicHash::hash(finalName.toUtf8(), QCryptographicHash::Sha1).toHex().left(8));
}

qint64 TemporaryName::nextStamp() {
    static std::atomic<qint64> last{0};
    qint64 previous = last.load();
    qint64 stamp = 0;
    do {
        stamp = std::max(QDateTime::currentMSecsSinceEpoch(), previous + 1);
    } while (!last.compare_exchange_weak(previous, stamp));
    return stamp;
}

QString TemporaryName::text() const {
    const QString head = QStringLiteral(".zv%1-%2-%3-%4-")
                             .arg(kind == Kind::New ? 'n' : 'a')
                             .arg(key)
                             .arg(QString::number(stamp, 36))
                             .arg(size);
    QString name = finalName;
    const qsizetype room = kLongestName - head.toUtf8().size();
    while (name.toUtf8().size() > room) {
        name.chop(1);
        if (!name.isEmpty() && name.back().isHighSurrogate())
            name.chop(1); // never half a character
    }
    return head + name;
}

std::optional<TemporaryName> TemporaryName::parse(const QString& name) {
    const QRegularExpressionMatch m = kPattern.match(name);
    if (!m.hasMatch())
        return std::nullopt;
    TemporaryName parsed;
    parsed.kind = m.captured(1) == QLatin1String("n") ? Kind::New : Kind::Aside;
    parsed.key = m.captured(2);
    parsed.stamp = m.captured(3).toLongLong(nullptr, 36);
    parsed.size = m.captured(4).toLongLong();
    // A shortened name no longer gives the key.
    if (keyOf(m.captured(5)) == parsed.key)
        parsed.finalName = m.captured(5);
    return parsed;
}

} // namespace zarvento::ftp
