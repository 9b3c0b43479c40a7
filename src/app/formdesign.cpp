#include "formdesign.h"

#include <algorithm>
#include <stdexcept>

namespace gridorra::design {

const Control& control(std::string_view name)
{
    const auto it = std::find_if(controls.begin(), controls.end(),
                                 [&](const Control& c) { return c.name == name; });
    if (it == controls.end())
        throw std::logic_error("no such control in the design");
    return *it;
}

} // namespace gridorra::design
