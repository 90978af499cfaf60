#pragma once
// The two thumbnail zooms of the View menu, in percent.

inline constexpr int kLargeIconsZoom = 100;
inline constexpr int kSmallIconsZoom = 66;
