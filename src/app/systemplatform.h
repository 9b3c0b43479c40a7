#pragma once

#include "platform.h"

#include <random>

namespace gridorra {

class SystemRandom : public RandomDraw {
public:
    void randomize(float seed) override;
    float next() override;

private:
    std::minstd_rand m_engine;
};

class DesktopBrowser : public Browser {
public:
    void open(const QString& address) override;
};

} // namespace gridorra
