#pragma once

#include "app/form1.h"
#include "support/testservices.h"

#include <memory>

namespace gridorra::test {

// The window as a test class drives it: a settings store of its own, the
// platform's services answered, and the real Form1. A test class derives
// from it (after QObject) and calls begin() in init() and end() in
// cleanup().
struct FormFixture {
    IsolatedConfig config;
    std::unique_ptr<TestServices> services;
    std::unique_ptr<Form1> form;

    // An empty store and fresh services, the window not yet made.
    void begin()
    {
        config.clear();
        services = std::make_unique<TestServices>();
    }
    // The window on the services, not yet loaded.
    void makeForm() { form = std::make_unique<Form1>(services->services()); }
    void end()
    {
        form.reset();
        services.reset();
    }
};

} // namespace gridorra::test
