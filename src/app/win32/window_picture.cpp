#include "app/win32/window_picture.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "ui/win32/utf16.h"

namespace tr58k {

namespace {

// BITMAPFILEHEADER (14 bytes) then BITMAPINFOHEADER (40 bytes), little-endian.
constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;
using BmpHeaders = std::array<uint8_t, kFileHeaderSize + kInfoHeaderSize>;
static_assert(sizeof(BmpHeaders) == 54);

void Put16(BmpHeaders& h, size_t at, uint32_t v) {
  h[at] = static_cast<uint8_t>(v);
  h[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(BmpHeaders& h, size_t at, uint32_t v) {
  Put16(h, at, v & 0xFFFF);
  Put16(h, at + 2, v >> 16);
}

}  // namespace

bool SaveWindowPicture(HWND window, const std::string& path) {
  RECT r{};
  if (!GetWindowRect(window, &r)) return false;
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up, as BMP files are
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
  std::vector<uint8_t> pixels(stride * static_cast<uint32_t>(height));
  const int lines = GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (lines != height) return false;

  BmpHeaders h{};
  h[0] = 'B';
  h[1] = 'M';
  Put32(h, 2, static_cast<uint32_t>(h.size() + pixels.size()));
  Put32(h, 10, static_cast<uint32_t>(h.size()));
  Put32(h, 14, kInfoHeaderSize);
  Put32(h, 18, static_cast<uint32_t>(width));
  Put32(h, 22, static_cast<uint32_t>(height));
  Put16(h, 26, 1);
  Put16(h, 28, 24);
  Put32(h, 34, static_cast<uint32_t>(pixels.size()));
  FILE* file = _wfopen(Utf8ToWide(path).c_str(), L"wb");
  if (!file) return false;
  const bool ok = fwrite(h.data(), 1, h.size(), file) == h.size() &&
                  fwrite(pixels.data(), 1, pixels.size(), file) == pixels.size();
  return fclose(file) == 0 && ok;
}

}  // namespace tr58k
