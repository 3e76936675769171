// The wizard's pictures, decoded from payload entries straight into FLTK
// images; nothing touches the disk.
#pragma once

#include <FL/Fl_RGB_Image.H>

#include <cstddef>

/// Where the decoder reads: an entry's bytes in the payload.
struct PngReader {
  const unsigned char* start = nullptr;
  const unsigned char* current = nullptr;
  const unsigned char* end = nullptr;
};

/// Copies the next `length` bytes to `dest` and advances; past the end of
/// the entry it fills with zeros, so a cut-off picture never reads outside.
void png_reader_copy(PngReader& reader, unsigned char* dest, std::size_t length);

class my_png_image : public Fl_RGB_Image {
 public:
  /// Decodes payload entry `index`; an index outside the payload (-1 for a
  /// missing entry) or a malformed picture gives an empty 0x0 image.
  explicit my_png_image(int index);
  /// Decodes `size` bytes of PNG; the same rules as above.
  my_png_image(const unsigned char* bytes, std::size_t size);
  ~my_png_image() override;

 private:
  void load_png_entry(const unsigned char* bytes, std::size_t size);
  PngReader png_reader;
};
