#include "handlerqueue.h"

namespace gridorra {

namespace {

struct Depth {
    explicit Depth(int& depth) : m_depth(depth) { ++m_depth; }
    ~Depth() { --m_depth; }
    int& m_depth;
};

} // namespace

void HandlerQueue::payOwed()
{
    while (m_depth == 0 && !m_owed.isEmpty()) {
        const std::function<void()> next = m_owed.takeFirst();
        Depth inside(m_depth);
        next();
    }
}

void HandlerQueue::run(const std::function<void()>& handler)
{
    if (m_depth > 0) {
        handler();
        return;
    }
    payOwed();
    {
        Depth inside(m_depth);
        handler();
    }
    payOwed();
}

} // namespace gridorra
