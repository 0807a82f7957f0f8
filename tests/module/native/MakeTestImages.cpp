// Writes the images on which the Windows program and its native twin are
// compared: photographs in miniature, with flat areas, edges and noise.
//   make_test_images DIRECTORY
// creates noisy8.ppm, noisy16.ppm (maxval 65535) and mask.pgm there.
#include <cstdint>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

// Larger than the plug-in's smallest tile (256 x 256) in both directions,
// so that a 256-pixel host tile gives a grid of tiles.
constexpr int width = 600;
constexpr int height = 540;

struct Noise {
    std::uint32_t state = 2463534242u;
    std::uint32_t next() {  // xorshift32
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
};

// Two flat regions split by a slanted edge, a horizontal gradient in blue.
std::uint32_t clean(int x, int y, int channel, std::uint32_t maxval) {
    const bool bright = x * 3 > y * 2 + 60;
    const std::uint32_t base[2][3] = {{70, 90, 50}, {200, 170, 120}};
    const std::uint32_t value = base[bright][channel] + (channel == 2 ? std::uint32_t(x / 5) : 0);
    return value * maxval / 255;
}

bool write(const std::string& path, const std::string& header, const std::vector<std::uint8_t>& data) {
    std::ofstream out(path, std::ios::binary);
    out << header;
    out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
    return bool(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_test_images DIRECTORY\n");
        return 2;
    }
    const std::string directory = argv[1];
    Noise noise;
    std::vector<std::uint8_t> eight, sixteen, mask;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int channel = 0; channel < 3; ++channel) {
                const int offset = int(noise.next() % 41) - 20;
                eight.push_back(std::uint8_t(std::min(255, std::max(0, int(clean(x, y, channel, 255)) + offset))));
                const long deep = long(clean(x, y, channel, 65535)) + long(offset) * 257 + long(noise.next() % 256);
                const auto sample = std::uint16_t(std::min(65535L, std::max(0L, deep)));
                sixteen.push_back(std::uint8_t(sample >> 8));  // netpbm: most significant byte first
                sixteen.push_back(std::uint8_t(sample));
            }
            // Unselected, partly and fully selected areas.
            mask.push_back(std::uint8_t(x < 150 ? 0 : y < 200 ? 100 : 255));
        }
    }
    const std::string size = std::to_string(width) + " " + std::to_string(height) + "\n";
    const bool written = write(directory + "/noisy8.ppm", "P6\n" + size + "255\n", eight) &&
                         write(directory + "/noisy16.ppm", "P6\n# 16 bits per sample\n" + size + "65535\n", sixteen) &&
                         write(directory + "/mask.pgm", "P5\n" + size + "255\n", mask);
    if (!written) {
        std::fprintf(stderr, "make_test_images: cannot write into %s\n", directory.c_str());
        return 1;
    }
    return 0;
}
