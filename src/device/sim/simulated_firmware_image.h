// The firmware image a simulated update sends when the build carries no
// image of its own (tr58kctl --simulate firmware, the window's simulated
// mode): 21,504 bytes (21 blocks, the size of the maker's image), made in
// memory on first use and never stored as a file. Its first bytes mark it as
// an image for the simulated mouse, so the transfer sends it only over a link
// that allows test images (DeviceLink::testImagesAllowed).
#pragma once

#include <cstdint>
#include <span>

namespace tr58k {

// The same bytes on every call and every run; never empty.
std::span<const uint8_t> SimulatedFirmwareImage();

// What a simulated update sends when no file is named (both programs): the
// image the build carries (EmbeddedFirmwareImage()) when it carries one, so
// the simulation shows the real image's size and blocks, else
// SimulatedFirmwareImage(). Never empty.
std::span<const uint8_t> ImageForSimulatedUpdate();

}  // namespace tr58k
