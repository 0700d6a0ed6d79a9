#pragma once

#include <QTime>

#include <random>

namespace orlisk {

// The time of day, replaceable in tests.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QTime Now() const = 0;
    // Seconds since midnight, with fractions.
    double SecondsOfDay() const { return Now().msecsSinceStartOfDay() / 1000.0; }
};

class SystemClock final : public Clock {
public:
    QTime Now() const override { return QTime::currentTime(); }
};

// A uniform generator in [0, 1), seeded from the time of day just before a choice.
class Random {
public:
    virtual ~Random() = default;
    virtual void Randomize() = 0;
    virtual double Rnd() = 0;
};

class SystemRandom final : public Random {
public:
    void Randomize() override;
    double Rnd() override;

private:
    std::mt19937_64 m_engine{0};
};

} // namespace orlisk
