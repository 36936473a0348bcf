// The first bytes of every firmware image the build makes for tests and for
// the simulated mouse. The transfer recognises them wherever such an image
// comes from (the built-in one, a file given with --image, a copy) and sends
// it only to the simulated mouse, never to a real one.
#pragma once

#include <array>
#include <cstdint>

namespace tr58k {

inline constexpr std::array<uint8_t, 16> kTestImageMarker = {
    'T', 'R', '5', '8', 'K', '-', 'T', 'E', 'S', 'T', '-', 'I', 'M', 'A', 'G', 'E'};

}  // namespace tr58k
