#pragma once
// Positions and sizes in pixels, as the window definitions give them (left, top, width, height).

namespace kelvara::ui {

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    int width = 0;
    int height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    int Right() const { return left + width; }
    int Bottom() const { return top + height; }
    // Half-open, as Windows' PtInRect: the right and bottom edges are outside.
    bool Contains(Point p) const { return p.x >= left && p.x < Right() && p.y >= top && p.y < Bottom(); }
    bool Empty() const { return width <= 0 || height <= 0; }
    Rect Offset(int dx, int dy) const { return {left + dx, top + dy, width, height}; }
    Rect Intersect(const Rect& o) const;
    friend bool operator==(const Rect&, const Rect&) = default;
};

inline Rect Rect::Intersect(const Rect& o) const {
    int l = left > o.left ? left : o.left;
    int t = top > o.top ? top : o.top;
    int r = Right() < o.Right() ? Right() : o.Right();
    int b = Bottom() < o.Bottom() ? Bottom() : o.Bottom();
    if (r <= l || b <= t) return {l, t, 0, 0};
    return {l, t, r - l, b - t};
}

}  // namespace kelvara::ui
