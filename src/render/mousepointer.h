#pragma once

namespace gridorra::pointer {

// Values of the main window's MousePointer.
inline constexpr int normal = 0;
inline constexpr int busy = 11;
inline constexpr int custom = 99;

} // namespace gridorra::pointer
