#include "systemplatform.h"

#include "core/failure.h"

#include <QDesktopServices>
#include <QUrl>

#include <cstring>

namespace gridorra {

void SystemRandom::randomize(float seed)
{
    std::uint32_t bits = 0;
    static_assert(sizeof bits == sizeof seed);
    std::memcpy(&bits, &seed, sizeof bits);
    m_engine.seed(bits);
}

float SystemRandom::next()
{
    return std::uniform_real_distribution<float>(0.0f, 1.0f)(m_engine);
}

void DesktopBrowser::open(const QString& address)
{
    if (!QDesktopServices::openUrl(QUrl(address)))
        throw Failure(fail::fileNotFound);
}

} // namespace gridorra
