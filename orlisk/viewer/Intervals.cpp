#include "viewer/Intervals.h"

#include <QLocale>

#include <cmath>

namespace orlisk {

double LeadingNumber(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    double sign = 1;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        if (text[i] == QLatin1Char('-'))
            sign = -1;
        ++i;
    }
    double value = 0;
    while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128) {
        value = value * 10 + (text[i].unicode() - '0');
        ++i;
    }
    if (i < text.size() && text[i] == QLatin1Char('.')) {
        ++i;
        double scale = 0.1;
        while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128) {
            value += (text[i].unicode() - '0') * scale;
            scale /= 10;
            ++i;
        }
    }
    return sign * value;
}

std::optional<double> NumericValue(const QString& text) {
    const QString trimmed = text.trimmed();
    bool ok = false;
    double value = QLocale::system().toDouble(trimmed, &ok);
    if (!ok)
        value = QLocale::c().toDouble(trimmed, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

IntervalRepair RepairRefreshInterval(const QString& text) {
    const auto value = NumericValue(text);
    if (value) {
        if (*value == 0)
            return {QStringLiteral("1"), std::nullopt};
        const double ms = std::nearbyint(*value * 1000);
        if (ms >= 0 && ms <= 65535)
            return {std::nullopt, static_cast<int>(ms)};
    }
    return {LeadingNumber(text) > 60 ? QStringLiteral("60") : QStringLiteral("1"), std::nullopt};
}

IntervalRepair RepairChangeInterval(const QString& text) {
    const double leading = LeadingNumber(text);
    if (leading > 60)
        return {QStringLiteral("60"), std::nullopt};
    if (leading < 1)
        return {QStringLiteral("1"), std::nullopt};
    const auto value = NumericValue(text);
    if (!value)
        return {QStringLiteral("60"), std::nullopt};
    // The value may differ from the leading number ("1e3", a locale's group separator), and it
    // must keep the box within 1..60 all the same.
    if (*value > 60)
        return {QStringLiteral("60"), std::nullopt};
    if (*value < 1)
        return {QStringLiteral("1"), std::nullopt};
    return {std::nullopt, static_cast<int>(std::nearbyint(*value * 1000))};
}

namespace {

// Plain digits: the boxes read their leading number, so "7.04704e+06" would count as 7.
QString PlainNumber(double value) {
    QString text = QString::number(value, 'g', 15);
    if (text.contains(QLatin1Char('e')))
        text = QString::number(value, 'f', QLocale::FloatingPointShortest);
    return text;
}

} // namespace

std::optional<QString> StepByArrow(const QString& text, bool up) {
    const double leading = LeadingNumber(text);
    if (up && leading < 60)
        return PlainNumber(leading + 1);
    if (!up && leading > 1)
        return PlainNumber(leading - 1);
    return std::nullopt;
}

} // namespace orlisk
