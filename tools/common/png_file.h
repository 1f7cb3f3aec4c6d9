// Writes 24-bit RGB pictures as PNG files without an image library: the
// pixel rows go into "stored" (uncompressed) deflate blocks, so only the
// two checksums, CRC-32 and Adler-32, have to be computed.
#pragma once

#include <string>
#include <vector>

// rgb holds height rows of width pixels, 3 bytes each, top row first.
bool writePng(const std::string &path, int width, int height, const std::vector<unsigned char> &rgb);
