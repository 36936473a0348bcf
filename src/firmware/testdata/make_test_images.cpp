// Build-time tool, built with the tests only: writes the firmware images the
// tests use. Their content is deterministic (the same bytes on
// every build) and starts with kTestImageMarker, so that no copy of them can
// be sent to a real mouse. Usage: make_test_images OUTPUT_FOLDER
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "firmware/testdata/test_image_marker.h"

namespace {

// 21 full blocks (the size of the shipped image), a short image with a
// padded last block, an exact multiple of 1024, and one byte more than the
// 120 blocks an image may have.
constexpr size_t kSizes[] = {21504, 1500, 3072, 122881};

std::vector<uint8_t> Content(size_t size) {
  std::vector<uint8_t> bytes(size);
  uint32_t x = 0x9E3779B9u ^ static_cast<uint32_t>(size);  // xorshift32
  for (size_t i = 0; i < size; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    bytes[i] = static_cast<uint8_t>(x >> 24);
  }
  for (size_t i = 0; i < tr58k::kTestImageMarker.size() && i < size; ++i) {
    bytes[i] = tr58k::kTestImageMarker[i];
  }
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  for (size_t size : kSizes) {
    const std::string path = std::string(argv[1]) + "/test_image_" + std::to_string(size) + ".bin";
    const std::vector<uint8_t> bytes = Content(size);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
      std::fprintf(stderr, "%s: cannot write %s\n", argv[0], path.c_str());
      if (file) std::fclose(file);
      return 1;
    }
    if (std::fclose(file) != 0) return 1;
  }
  return 0;
}
