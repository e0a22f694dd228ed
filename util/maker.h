#pragma once

// The maker's mail address: shown in the about box and opened from the
// Extras menu, so both must name the same one.
inline constexpr char kMakerMailAddress[] = "software@vendrix.example";
