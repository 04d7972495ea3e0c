#pragma once

// The generated client code of the layer-shell protocol. Its header names a parameter
// "namespace", a keyword in C++: renamed while only that header is read.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <wayland-client.h>

#ifdef __clang__
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wkeyword-macro"
#endif
#define namespace name_space
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace
#ifdef __clang__
#pragma clang diagnostic pop
#endif
