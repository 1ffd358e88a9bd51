// Where the main window opens: where it was left, kept inside the work
// area's right and bottom edges, or centred when no place was saved.
#pragma once

#include <optional>

namespace vorlax::app {

struct Point {
    long x = 0, y = 0;
};

// `right` and `bottom` are the work area's right and bottom edges, `width`
// and `height` the window's size, `saved` the stored left and top edge.
// The work area's left and top edges are not looked at: a window is pulled
// back to 0, not to them.
Point PlaceWindow(long right, long bottom, long width, long height, std::optional<Point> saved);

}  // namespace vorlax::app
