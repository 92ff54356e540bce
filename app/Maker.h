#pragma once

// The maker's home page, opened from the Help menu and the about box and
// linked from the report's foot.
inline constexpr const char* MakerHomePage = "http://brelloc.example/";
