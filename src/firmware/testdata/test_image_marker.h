// The first bytes of every firmware image the build makes for the tests.
// The transfer recognises them (by their hash, see IsTestImage) wherever such
// an image comes from (a file given with --image, a copy) and sends it only
// over a link that allows test images, never to a real mouse. Only the
// image maker and the tests include this.
#pragma once

#include <array>
#include <cstdint>

namespace tr58k {

inline constexpr std::array<uint8_t, 16> kTestImageMarker = {
    'T', 'R', '5', '8', 'K', '-', 'T', 'E', 'S', 'T', '-', 'I', 'M', 'A', 'G', 'E'};

}  // namespace tr58k
