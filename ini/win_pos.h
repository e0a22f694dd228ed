#pragma once

// A window's outer position and size in screen pixels, as settings files store
// it; the user interface reads it from and applies it to its window.
struct TWinPos {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;

    bool operator==(const TWinPos&) const = default;
};
