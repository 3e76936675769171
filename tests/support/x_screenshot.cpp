// kestro_test_screenshot WINDOW OUT.png: saves what an X window shows as a
// PNG, for the wizard's test artifacts and the README's pictures.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("Usage: kestro_test_screenshot <window id> <out.png>\n", stderr);
    return 1;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fputs("kestro_test_screenshot: no display\n", stderr);
    return 1;
  }
  const Window window = std::strtoul(argv[1], nullptr, 0);
  XWindowAttributes a{};
  if (!XGetWindowAttributes(display, window, &a)) {
    std::fprintf(stderr, "kestro_test_screenshot: no window %s\n", argv[1]);
    return 1;
  }
  XImage* image = XGetImage(display, window, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
  if (!image) {
    std::fputs("kestro_test_screenshot: the window cannot be read\n", stderr);
    return 1;
  }
  std::vector<unsigned char> rgb(static_cast<std::size_t>(a.width) * a.height * 3);
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x) {
      const unsigned long p = XGetPixel(image, x, y);
      unsigned char* out = &rgb[(static_cast<std::size_t>(y) * a.width + x) * 3];
      out[0] = static_cast<unsigned char>((p & image->red_mask) >> 16);
      out[1] = static_cast<unsigned char>((p & image->green_mask) >> 8);
      out[2] = static_cast<unsigned char>(p & image->blue_mask);
    }
  XDestroyImage(image);
  XCloseDisplay(display);

  FILE* f = std::fopen(argv[2], "wb");
  if (!f) {
    std::fprintf(stderr, "kestro_test_screenshot: Unable to write \"%s\"\n", argv[2]);
    return 1;
  }
  // A .ppm is for tests that look at the pixels themselves.
  const std::string out = argv[2];
  if (out.size() > 4 && out.compare(out.size() - 4, 4, ".ppm") == 0) {
    std::fprintf(f, "P6\n%d %d\n255\n", a.width, a.height);
    const bool written = std::fwrite(rgb.data(), 1, rgb.size(), f) == rgb.size();
    return std::fclose(f) == 0 && written ? 0 : 1;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    std::fclose(f);
    return 1;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, a.width, a.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < a.height; ++y) png_write_row(png, &rgb[static_cast<std::size_t>(y) * a.width * 3]);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0 ? 0 : 1;
}
