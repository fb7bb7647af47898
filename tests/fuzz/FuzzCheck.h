#pragma once

#include <cstdio>

// A violated property is a finding like a crash: name it, then stop where the fuzzer sees it.
inline void Require(bool holds, const char* property) {
    if (holds)
        return;
    std::fprintf(stderr, "Property violated: %s\n", property);
    __builtin_trap();
}
