#pragma once

#include <QString>

#include <optional>

namespace orlisk {

// The leading number of a text, read plainly: blanks, a sign, digits, one point, digits.
// "5x" gives 5, "abc" and "" give 0.
double LeadingNumber(const QString& text);

// The text's numeric value in the user's locale (the C locale's form is accepted too); none when
// the whole text is no number.
std::optional<double> NumericValue(const QString& text);

// What a change of an interval box leads to: a repaired text (which changes the box again) or
// the timer interval in milliseconds.
struct IntervalRepair {
    std::optional<QString> text;
    std::optional<int> intervalMs;
};

// The refresh interval box: 0 becomes 1; a non-number or an interval outside 0..65535 ms
// becomes 60 when its leading number is above 60, else 1.
IntervalRepair RepairRefreshInterval(const QString& text);

// The change interval box: kept within 1..60 by its leading number; a non-number becomes 60.
IntervalRepair RepairChangeInterval(const QString& text);

// Up and Down arrow keys: the leading number stepped by one within 1..60, or none.
std::optional<QString> StepByArrow(const QString& text, bool up);

} // namespace orlisk
