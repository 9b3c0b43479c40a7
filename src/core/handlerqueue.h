#pragma once

#include <QList>

#include <functional>

namespace gridorra {

// The window's handlers run one at a time, each to its end.
//
// A field's LostFocus is owed from the moment the focus leaves the field and
// runs once the focus has arrived elsewhere. A handler that the same input
// raises (the click that took the focus away) first pays what is owed, box
// included, and then runs; something owed that comes due while a handler runs
// (inside a modal box's event loop) waits until that handler has ended.
class HandlerQueue {
public:
    // Runs a handler raised by the user's input: what is owed first. Called
    // while another handler runs (a change the running one made), it is part
    // of that handler and runs at once.
    void run(const std::function<void()>& handler);
    // Owes a handler until the next run(), payOwed() or the end of the
    // running handler.
    void owe(std::function<void()> handler) { m_owed.append(std::move(handler)); }
    // Runs what is owed, unless a handler is running: that one pays at its end.
    void payOwed();
    bool owes() const { return !m_owed.isEmpty(); }

private:
    int m_depth = 0;
    QList<std::function<void()>> m_owed;
};

} // namespace gridorra
