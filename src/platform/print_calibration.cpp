#include "print_calibration.h"

#include <QSettings>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>

namespace velta {
namespace {

double tenths(double mm) {
    return std::clamp(std::round(mm * 10) / 10, -kMaxPrintOffsetMm, kMaxPrintOffsetMm);
}

// Queue names may hold characters QSettings reads as structure ("/", "\\").
QString key(const QString& queue, const char* axis) {
    return QStringLiteral("offsets/%1/%2")
        .arg(QString::fromLatin1(queue.toUtf8().toPercentEncoding()), QLatin1String(axis));
}

} // namespace

QPointF printOffset(const QString& queue) {
    const QSettings stored(printSettingsFile(), QSettings::IniFormat);
    // An unreadable or out-of-range value counts as no correction rather than a wild one.
    auto read = [&](const char* axis) {
        bool ok = false;
        const double value = stored.value(key(queue, axis)).toDouble(&ok);
        return ok && std::abs(value) <= kMaxPrintOffsetMm ? tenths(value) : 0.0;
    };
    return QPointF(read("right"), read("down"));
}

void setPrintOffset(const QString& queue, QPointF mm) {
    QSettings stored(printSettingsFile(), QSettings::IniFormat);
    stored.setValue(key(queue, "right"), tenths(mm.x()));
    stored.setValue(key(queue, "down"), tenths(mm.y()));
    stored.sync();
}

QString printSettingsFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/velta/printing.ini");
}

} // namespace velta
