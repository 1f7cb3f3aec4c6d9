#include "png_file.h"

#include <cstdint>
#include <fstream>

namespace {

const size_t STORED_BLOCK_MAX = 65535;

uint32_t crc32Of(const std::string &bytes)
{
    static uint32_t table[256];
    if (!table[1]) {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
    }
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : bytes)
        crc = table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

uint32_t adler32Of(const std::string &bytes)
{
    uint32_t a = 1, b = 0;
    for (unsigned char byte : bytes) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

void putBigEndian(std::string &out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

void putChunk(std::string &out, const char *type, const std::string &data)
{
    putBigEndian(out, static_cast<uint32_t>(data.size()));
    std::string typed = std::string(type, 4) + data;  // the CRC covers type and data
    out += typed;
    putBigEndian(out, crc32Of(typed));
}

// A zlib stream of stored blocks: header 78 01, blocks, Adler-32.
std::string storedZlib(const std::string &raw)
{
    std::string out("\x78\x01", 2);
    size_t offset = 0;
    do {
        size_t length = raw.size() - offset < STORED_BLOCK_MAX ? raw.size() - offset : STORED_BLOCK_MAX;
        bool last = offset + length == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back(static_cast<char>(length & 0xFF));
        out.push_back(static_cast<char>(length >> 8));
        out.push_back(static_cast<char>(~length & 0xFF));
        out.push_back(static_cast<char>((~length >> 8) & 0xFF));
        out.append(raw, offset, length);
        offset += length;
    } while (offset < raw.size());
    putBigEndian(out, adler32Of(raw));
    return out;
}

} // namespace

bool writePng(const std::string &path, int width, int height, const std::vector<unsigned char> &rgb)
{
    size_t rowBytes = static_cast<size_t>(width) * 3;
    if (width <= 0 || height <= 0 || rgb.size() != rowBytes * height)
        return false;
    std::string raw;
    raw.reserve((rowBytes + 1) * height);
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // filter type: none
        raw.append(reinterpret_cast<const char *>(rgb.data()) + y * rowBytes, rowBytes);
    }

    std::string header;
    putBigEndian(header, static_cast<uint32_t>(width));
    putBigEndian(header, static_cast<uint32_t>(height));
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no filter choice, no interlace

    std::string file("\x89PNG\r\n\x1a\n", 8);
    putChunk(file, "IHDR", header);
    putChunk(file, "IDAT", storedZlib(raw));
    putChunk(file, "IEND", "");
    std::ofstream out(path, std::ios::binary);
    out.write(file.data(), static_cast<std::streamsize>(file.size()));
    return static_cast<bool>(out);
}
