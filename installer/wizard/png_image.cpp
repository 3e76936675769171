#include "png_image.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <new>

#include "payload.h"

namespace {

// Pictures come from the payload, but a bad one must not bring the
// installer down: anything larger than this is refused as malformed.
constexpr png_uint_32 PICTURE_SIDE_MAX = 8192;

void read_png_bytes(png_structp png, png_bytep dest, png_size_t length) {
  png_reader_copy(*static_cast<PngReader*>(png_get_io_ptr(png)), dest, length);
}

void png_failed(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void png_warned(png_structp, png_const_charp) {}

struct Decoded {
  unsigned char* pixels = nullptr;
  png_bytep* rows = nullptr;
  int width = 0, height = 0, channels = 0;
};

// Kept apart from the image's members so that a longjmp out of libpng
// crosses only plain data; on failure everything allocated is freed.
bool decode(PngReader* reader, Decoded* out) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, png_failed, png_warned);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    delete[] out->rows;
    delete[] out->pixels;
    *out = Decoded{};
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_user_limits(png, PICTURE_SIDE_MAX, PICTURE_SIDE_MAX);
  png_set_read_fn(png, reader, read_png_bytes);
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  const int depth = png_get_bit_depth(png, info);
  const int color = png_get_color_type(png, info);
  int transparent = 0;
  png_get_tRNS(png, info, nullptr, &transparent, nullptr);
  if (color == PNG_COLOR_TYPE_PALETTE) png_set_expand(png);
  int channels = (color & PNG_COLOR_MASK_COLOR) ? 3 : 1;
  if ((color & PNG_COLOR_MASK_ALPHA) || transparent > 0) ++channels;
  if (depth < 8) {
    png_set_packing(png);
    png_set_expand(png);
  }
  if (depth == 16) png_set_strip_16(png);
  // A grey or RGB picture with a transparency chunk gets its alpha channel
  // made for real, so that the rows hold as many channels as counted.
  if (transparent > 0) png_set_tRNS_to_alpha(png);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const png_size_t row_bytes = static_cast<png_size_t>(width) * static_cast<png_size_t>(channels);
  if (png_get_rowbytes(png, info) != row_bytes) png_error(png, "unexpected row size");
  out->pixels = new (std::nothrow) unsigned char[row_bytes * height];
  out->rows = new (std::nothrow) png_bytep[height];
  if (!out->pixels || !out->rows) png_error(png, "out of memory");
  for (png_uint_32 i = 0; i < height; ++i) out->rows[i] = out->pixels + i * row_bytes;
  for (int pass = 0; pass < passes; ++pass) png_read_rows(png, out->rows, nullptr, height);
  delete[] out->rows;
  out->rows = nullptr;
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  out->width = static_cast<int>(width);
  out->height = static_cast<int>(height);
  out->channels = channels;
  return true;
}

}  // namespace

void png_reader_copy(PngReader& reader, unsigned char* dest, std::size_t length) {
  if (length == 0) return;
  const std::size_t left = static_cast<std::size_t>(reader.end - reader.current);
  const std::size_t n = length < left ? length : left;
  if (n > 0) std::memcpy(dest, reader.current, n);
  reader.current += n;
  if (n < length) std::memset(dest + n, 0, length - n);
}

my_png_image::my_png_image(int index) : Fl_RGB_Image(nullptr, 0, 0, 3) {
  if (index >= 0 && index < PAYLOAD_COUNT) load_png_entry(payload_data[index], payload_sizes[index]);
}

my_png_image::my_png_image(const unsigned char* bytes, std::size_t size) : Fl_RGB_Image(nullptr, 0, 0, 3) {
  load_png_entry(bytes, size);
}

my_png_image::~my_png_image() = default;

void my_png_image::load_png_entry(const unsigned char* bytes, std::size_t size) {
  png_reader = {bytes, bytes, bytes + size};
  Decoded decoded;
  if (!decode(&png_reader, &decoded)) return;
  w(decoded.width);
  h(decoded.height);
  d(decoded.channels);
  array = decoded.pixels;
  alloc_array = 1;
}
