#include "png_image.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "payload.h"

namespace {

struct PngShape {
  int width, height, color, depth;
  bool interlaced = false;
  bool palette = false;       // a 4-colour palette (color must be PALETTE)
  int transparent = -1;       // grey/RGB value, or palette entries, made transparent
};

// Sample byte of pixel (x, y), channel c, at full scale for the depth.
unsigned sample(const PngShape& s, int x, int y, int c) {
  const unsigned top = (1u << s.depth) - 1;
  return (static_cast<unsigned>(x * 7 + y * 13 + c * 29) * 2654435761u >> 7) % (top + 1);
}

void write_to_vector(png_structp png, png_bytep data, png_size_t n) {
  auto* out = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}

int channels_of(int color) {
  switch (color) {
    case PNG_COLOR_TYPE_GRAY: return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB: return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
    default: return 1;
  }
}

std::vector<unsigned char> make_png(const PngShape& s) {
  std::vector<unsigned char> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &out, write_to_vector, nullptr);
  png_set_IHDR(png, info, s.width, s.height, s.depth, s.color,
               s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (s.color == PNG_COLOR_TYPE_PALETTE) {
    png_color colors[4] = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {200, 210, 220}};
    png_set_PLTE(png, info, colors, 4);
    if (s.transparent >= 0) {
      png_byte alpha[1] = {0};
      png_set_tRNS(png, info, alpha, 1, nullptr);
    }
  } else if (s.transparent >= 0) {
    png_color_16 key{};
    key.gray = key.red = key.green = key.blue = static_cast<png_uint_16>(s.transparent);
    png_set_tRNS(png, info, nullptr, 0, &key);
  }
  png_write_info(png, info);
  const int ch = channels_of(s.color);
  const int bytes_per_sample = s.depth == 16 ? 2 : 1;
  std::vector<std::vector<unsigned char>> rows(s.height);
  for (int y = 0; y < s.height; ++y) {
    auto& row = rows[y];
    row.assign((s.width * ch * s.depth + 7) / 8 + 1, 0);
    for (int x = 0; x < s.width; ++x)
      for (int c = 0; c < ch; ++c) {
        const unsigned v = sample(s, x, y, c);
        if (s.depth >= 8) {
          const int at = (x * ch + c) * bytes_per_sample;
          if (bytes_per_sample == 2) {
            row[at] = static_cast<unsigned char>(v >> 8);
            row[at + 1] = static_cast<unsigned char>(v);
          } else {
            row[at] = static_cast<unsigned char>(v);
          }
        } else {
          const int bit = x * s.depth;
          row[bit / 8] |= static_cast<unsigned char>(v << (8 - s.depth - bit % 8));
        }
      }
  }
  std::vector<png_bytep> pointers;
  for (auto& r : rows) pointers.push_back(r.data());
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

const unsigned char* pixel(const my_png_image& image, int x, int y) {
  return reinterpret_cast<const unsigned char*>(image.data()[0]) + (y * image.w() + x) * image.d();
}

}  // namespace

TEST(PngImageTest, EveryKindOfPictureDecodesToEightBitChannels) {
  const struct {
    const char* what;
    PngShape shape;
    int depth;
    // The expected bytes of pixel (x, y).
    std::function<std::vector<unsigned>(const PngShape&, int, int)> expect;
  } cases[] = {
      {"8-bit RGB", {5, 4, PNG_COLOR_TYPE_RGB, 8}, 3,
       [](const PngShape& s, int x, int y) { return std::vector<unsigned>{sample(s, x, y, 0), sample(s, x, y, 1), sample(s, x, y, 2)}; }},
      {"8-bit RGBA", {5, 4, PNG_COLOR_TYPE_RGB_ALPHA, 8}, 4,
       [](const PngShape& s, int x, int y) {
         return std::vector<unsigned>{sample(s, x, y, 0), sample(s, x, y, 1), sample(s, x, y, 2), sample(s, x, y, 3)};
       }},
      {"16-bit RGB", {3, 3, PNG_COLOR_TYPE_RGB, 16}, 3,
       [](const PngShape& s, int x, int y) {
         return std::vector<unsigned>{sample(s, x, y, 0) >> 8, sample(s, x, y, 1) >> 8, sample(s, x, y, 2) >> 8};
       }},
      {"1-bit grey", {11, 3, PNG_COLOR_TYPE_GRAY, 1}, 1,
       [](const PngShape& s, int x, int y) { return std::vector<unsigned>{sample(s, x, y, 0) * 255}; }},
      {"interlaced RGB", {17, 13, PNG_COLOR_TYPE_RGB, 8, true}, 3,
       [](const PngShape& s, int x, int y) { return std::vector<unsigned>{sample(s, x, y, 0), sample(s, x, y, 1), sample(s, x, y, 2)}; }},
      {"8-bit grey with transparency", {6, 2, PNG_COLOR_TYPE_GRAY, 8, false, false, -2}, 2,
       [](const PngShape& s, int x, int y) {
         const unsigned g = sample(s, x, y, 0);
         return std::vector<unsigned>{g, g == sample(s, 0, 0, 0) ? 0u : 255u};
       }},
      {"8-bit RGB with transparency", {6, 2, PNG_COLOR_TYPE_RGB, 8, false, false, -2}, 4,
       [](const PngShape& s, int x, int y) {
         return std::vector<unsigned>{sample(s, x, y, 0), sample(s, x, y, 1), sample(s, x, y, 2), 255u};
       }},
  };
  for (auto c : cases) {
    // -2: make the grey value of pixel (0, 0) the transparent one.
    if (c.shape.transparent == -2) c.shape.transparent = static_cast<int>(sample(c.shape, 0, 0, 0));
    const auto bytes = make_png(c.shape);
    my_png_image image(bytes.data(), bytes.size());
    ASSERT_EQ(image.w(), c.shape.width) << c.what;
    ASSERT_EQ(image.h(), c.shape.height) << c.what;
    ASSERT_EQ(image.d(), c.depth) << c.what;
    for (int y = 0; y < c.shape.height; ++y)
      for (int x = 0; x < c.shape.width; ++x) {
        const auto want = c.expect(c.shape, x, y);
        const unsigned char* got = pixel(image, x, y);
        for (int k = 0; k < c.depth; ++k) {
          unsigned expected = want[k];
          // An RGB key matches only where all three channels equal it.
          if (c.depth == 4 && k == 3 && c.shape.color == PNG_COLOR_TYPE_RGB) {
            const unsigned key = static_cast<unsigned>(c.shape.transparent);
            expected = (want[0] == key && want[1] == key && want[2] == key) ? 0 : 255;
          }
          ASSERT_EQ(got[k], expected) << c.what << " at " << x << "," << y << " channel " << k;
        }
      }
  }
}

TEST(PngImageTest, PalettePicturesExpandToRgbAndTheirTransparencyToAlpha) {
  for (bool transparent : {false, true}) {
    PngShape shape{4, 4, PNG_COLOR_TYPE_PALETTE, 2, false, true, transparent ? 0 : -1};
    const auto bytes = make_png(shape);
    my_png_image image(bytes.data(), bytes.size());
    ASSERT_EQ(image.d(), transparent ? 4 : 3);
    const unsigned char colors[4][3] = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {200, 210, 220}};
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) {
        const unsigned entry = sample(shape, x, y, 0);
        const unsigned char* got = pixel(image, x, y);
        EXPECT_EQ(got[0], colors[entry][0]);
        EXPECT_EQ(got[2], colors[entry][2]);
        if (transparent) {
          EXPECT_EQ(got[3], entry == 0 ? 0 : 255);
        }
      }
  }
}

TEST(PngImageTest, BadOrMissingPicturesGiveEmptyImages) {
  const auto good = make_png({40, 40, PNG_COLOR_TYPE_RGB, 8});
  const std::vector<unsigned char> garbage(300, 0x5A);
  std::vector<unsigned char> bad_header = good;
  bad_header[20] ^= 0xFF;  // inside the header chunk: its CRC fails
  const struct {
    const char* what;
    const unsigned char* bytes;
    std::size_t size;
  } cases[] = {
      {"cut in the pixel data", good.data(), good.size() / 2},
      {"cut in the header", good.data(), 20},
      {"nothing at all", good.data(), 0},
      {"not a PNG", garbage.data(), garbage.size()},
      {"damaged header", bad_header.data(), bad_header.size()},
  };
  for (const auto& c : cases) {
    my_png_image image(c.bytes, c.size);
    EXPECT_EQ(image.w(), 0) << c.what;
    EXPECT_EQ(image.h(), 0) << c.what;
    EXPECT_EQ(image.d(), 3) << c.what;
  }
  for (int index : {-1, PAYLOAD_COUNT}) {
    my_png_image image(index);
    EXPECT_EQ(image.w(), 0);
    EXPECT_EQ(image.d(), 3);
  }
  // A picture in the payload decodes from its index.
  payload_init();
  my_png_image icon(payload_find("kestro_icon.png"));
  EXPECT_GT(icon.w(), 0);
  EXPECT_GT(icon.h(), 0);
}

TEST(PngImageTest, ReadingPastTheEndOfAnEntryYieldsZeros) {
  const unsigned char bytes[5] = {1, 2, 3, 4, 5};
  PngReader reader{bytes, bytes, bytes + 3};  // the entry is the first three
  unsigned char dest[6];
  std::memset(dest, 0xEE, sizeof dest);
  png_reader_copy(reader, dest, 2);
  EXPECT_EQ(dest[0], 1);
  EXPECT_EQ(dest[1], 2);
  png_reader_copy(reader, dest, 4);
  const unsigned char want[4] = {3, 0, 0, 0};
  EXPECT_EQ(std::memcmp(dest, want, 4), 0);
  EXPECT_EQ(reader.current, reader.end);
  png_reader_copy(reader, dest, 0);
  png_reader_copy(reader, dest, 3);
  EXPECT_EQ(dest[0], 0);
  EXPECT_EQ(dest[2], 0);
}
