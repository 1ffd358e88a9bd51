#include "app/placement.h"

namespace vorlax::app {

namespace {

long KeepInside(long at, long size, long limit) {
    if (at + size > limit) at = limit - size;
    return at < 0 ? 0 : at;
}

}  // namespace

Point PlaceWindow(long right, long bottom, long width, long height, std::optional<Point> saved) {
    if (saved) return {KeepInside(saved->x, width, right), KeepInside(saved->y, height, bottom)};
    return {right / 2 - width / 2, bottom / 2 - height / 2};
}

}  // namespace vorlax::app
