#include "core/service/service_functions.h"

#include <limits>

namespace velmorix {

ServiceFunction hitTest(const StatusBarPress& p) {
    const int e0 = p.widths[0];
    const int e1 = e0 + p.widths[1];
    const int e2 = e1 + p.widths[2];
    const int e3 = e2 + p.widths[3];
    const bool ready = p.transferIdle && p.lineReady;
    if (p.commPage) {
        if (p.x > 0 && p.x < e0)
            return ServiceFunction::Login;
        if (p.x > e1 && p.x < e2)
            return ServiceFunction::ComStart;
        if (p.x > e2 && p.x < e3)
            return ServiceFunction::TskId;
    } else if (p.x > 0 && p.x < e0 && ready) {
        return ServiceFunction::ClickCounter;
    }
    if (ready && p.x > e3 && p.x < p.barWidth)
        return ServiceFunction::Clock;
    return ServiceFunction::None;
}

bool loginAccepted(const QString& user, const QString& password) {
    return user.toUpper() == QLatin1String(kServiceUser) && password == QLatin1String(kServicePassword);
}

RangeFields rangeFields(const Settings& r) {
    return {QString::number(r.User_start),    QString::number(r.User_size),
            QString::number(r.Sys_start),     QString::number(r.Sys_size),
            QString::number(r.CncInfo_start), QString::number(r.CncInfo_size),
            QString::number(r.McmData_start), QString::number(r.McmData_size)};
}

bool rangeKeyAccepted(QChar key) {
    return key == QLatin1Char('\r') || key == QLatin1Char('\b') ||
           (key >= QLatin1Char('0') && key <= QLatin1Char('9'));
}

namespace {
// A whole number that fits 32 bits and is a multiple of 1000.
std::optional<qint32> thousands(const QString& text) {
    bool ok = false;
    const qint64 v = text.toLongLong(&ok);
    if (!ok || v < 0 || v > std::numeric_limits<qint32>::max() || v % 1000 != 0)
        return std::nullopt;
    return static_cast<qint32>(v);
}
} // namespace

std::optional<Settings> checkRanges(RangeFields& f) {
    std::array<qint32, 8> v{};
    for (int i = 0; i < 8; i += 2) { // the starts
        if (f[i].isEmpty())
            f[i] = QStringLiteral("0");
        const auto n = thousands(f[i]);
        if (!n)
            return std::nullopt;
        v[i] = *n;
    }
    for (int i = 1; i < 8; i += 2) { // the sizes
        if (f[i].isEmpty() || f[i] == QLatin1String("0")) {
            f[i] = QStringLiteral("0");
            return std::nullopt;
        }
        const auto n = thousands(f[i]);
        if (!n || *n == 0)
            return std::nullopt;
        v[i] = *n;
    }
    // A range whose end does not fit 32 bits would give variable numbers that wrap.
    for (int i = 0; i < 8; i += 2)
        if (qint64(v[i]) + v[i + 1] > std::numeric_limits<qint32>::max())
            return std::nullopt;
    return Settings{v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]};
}

bool comStartKeyAccepted(QChar key, const QString& text) {
    if (key == QLatin1Char('\r') || key == QLatin1Char('\b'))
        return true;
    return key >= QLatin1Char('0') && key <= QLatin1Char('9') && text.size() < 9;
}

qint32 comStartValue(const QString& text) {
    return text.isEmpty() ? 0 : text.toInt();
}

int weekdayOf(int year, int month, int day) {
    int m = month;
    int y = year;
    if (month <= 2) {
        m = month + 12;
        y = year - 1;
    }
    return (3 * (m + 1) / 5 + day + 2 * m + y + y / 4 + 1 - y / 100 + y / 400) % 7;
}

QList<std::pair<qint32, qint32>> clockWrites(const QDateTime& local) {
    const QDate d = local.date();
    const QTime t = local.time();
    return {
        {kClockMode, 4},
        {kClockFirst, d.year() % 100},
        {kClockFirst + 1, d.month()},
        {kClockFirst + 2, d.day()},
        {kClockFirst + 3, weekdayOf(d.year(), d.month(), d.day())},
        {kClockFirst + 4, t.hour() % 12},
        {kClockFirst + 5, t.minute()},
        {kClockFirst + 6, t.second()},
        {kClockFirst + 7, t.hour() / 12},
        {kClockMode, 2},
    };
}

} // namespace velmorix
