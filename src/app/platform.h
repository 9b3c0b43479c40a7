#pragma once

#include <QString>

namespace gridorra {

// The random draw of the start-up, seeded from the timer.
class RandomDraw {
public:
    virtual ~RandomDraw() = default;
    virtual void randomize(float seed) = 0;
    // A number r with 0 <= r < 1.
    virtual float next() = 0;
};

// The user's web browser.
class Browser {
public:
    virtual ~Browser() = default;
    // Opens the address without waiting; fails when no browser can be started.
    virtual void open(const QString& address) = 0;
};

} // namespace gridorra
