// The one bitmap form the Windows tests read pictures in and write them out as.
#pragma once

#include <windows.h>

namespace quintrel {

// 32-bit BGRA pixels, uncompressed, the top row first (a negative height).
inline BITMAPINFOHEADER top_down_32bit(LONG width, LONG height) {
  BITMAPINFOHEADER header{};
  header.biSize = sizeof(header);
  header.biWidth = width;
  header.biHeight = -height;
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  return header;
}

}  // namespace quintrel
