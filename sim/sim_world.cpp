#include "sim/sim_world.h"

#include <cmath>

bool SimWorld::atIndex(double at) const {
    return indexEvery > 0 && std::llround(at) % indexEvery == 0;
}

double SimWorld::nextIndex(double at, int direction) const {
    if (indexEvery <= 0) {
        return direction * HUGE_VAL;  // no index marks: never met
    }
    const double every = double(indexEvery);
    const double mark = direction > 0 ? std::floor(at / every) + 1 : std::ceil(at / every) - 1;
    return mark * every;
}
