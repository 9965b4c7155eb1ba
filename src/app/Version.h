#pragma once

namespace app {

// Shown by the splash and the about box.
inline constexpr char kVersion[] = "1.0";

} // namespace app
