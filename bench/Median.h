#pragma once

#include <algorithm>
#include <vector>

template <typename T>
T median(std::vector<T> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
