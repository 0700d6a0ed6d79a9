// Random texts typed into the interval boxes: every repair must settle on a timer interval within
// the box's range in a step or two, and the arrow keys must stay within 1..60.

#include "viewer/Intervals.h"

#include <QString>

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace {

// The refresh box: 0 ms stops the timer; anything else is a whole number of ms up to 65535.
void CheckRefresh(const QString& typed) {
    QString text = typed;
    for (int step = 0;; ++step) {
        const orlisk::IntervalRepair repair = orlisk::RepairRefreshInterval(text);
        if (repair.text.has_value() == repair.intervalMs.has_value())
            __builtin_trap();
        if (repair.intervalMs) {
            if (*repair.intervalMs < 0 || *repair.intervalMs > 65535)
                __builtin_trap();
            return;
        }
        // A repaired text is "1" or "60", which must be taken as they stand.
        if (step > 0)
            __builtin_trap();
        text = *repair.text;
    }
}

// The change box: kept within 1..60 seconds.
void CheckChange(const QString& typed) {
    QString text = typed;
    for (int step = 0;; ++step) {
        const orlisk::IntervalRepair repair = orlisk::RepairChangeInterval(text);
        if (repair.text.has_value() == repair.intervalMs.has_value())
            __builtin_trap();
        if (repair.intervalMs) {
            if (*repair.intervalMs < 1000 || *repair.intervalMs > 60000)
                __builtin_trap();
            return;
        }
        if (step > 0)
            __builtin_trap();
        text = *repair.text;
    }
}

void CheckArrows(const QString& text) {
    for (const bool up : {true, false}) {
        const auto stepped = orlisk::StepByArrow(text, up);
        if (!stepped)
            continue;
        // Up from below 60 ends at 61 at most (15 digits may round up), down from above 1 above 0.
        // (A number too long for a double is left to the repair, which the box runs first.)
        const double leading = orlisk::LeadingNumber(*stepped);
        if (std::isfinite(orlisk::LeadingNumber(text)) && (up ? !(leading <= 61) : !(leading > 0)))
            __builtin_trap();
        CheckRefresh(*stepped);
        CheckChange(*stepped);
    }
}

void CheckAll(const QString& text) {
    CheckRefresh(text);
    CheckChange(text);
    CheckArrows(text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto* chars = reinterpret_cast<const char*>(data);
    const auto length = static_cast<qsizetype>(size);
    // A text box holds what was typed or pasted: read the bytes both as UTF-8 and as Latin-1.
    CheckAll(QString::fromUtf8(chars, length));
    CheckAll(QString::fromLatin1(chars, length));
    return 0;
}
