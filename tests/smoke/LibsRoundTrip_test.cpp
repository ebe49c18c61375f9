// The three picture libraries as linked into the program: a 64 x 48 24-bit picture written
// and read back in memory through each library's own API.
#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" {
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>
}

namespace {

constexpr int W = 64, H = 48;

// A smooth picture (JPEG keeps it close) with some detail in every channel.
std::vector<uint8_t> MakePicture() {
  std::vector<uint8_t> rgb(W * H * 3);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      uint8_t* p = &rgb[(y * W + x) * 3];
      p[0] = static_cast<uint8_t>(x * 4);
      p[1] = static_cast<uint8_t>(y * 5);
      p[2] = static_cast<uint8_t>(128 + (x - y) / 2);
    }
  return rgb;
}

// ---------------------------------------------------------------- JPEG
struct JpegError {
  jpeg_error_mgr mgr;
  jmp_buf jump;
  char text[JMSG_LENGTH_MAX];
};

void JpegErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<JpegError*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->text);
  longjmp(err->jump, 1);
}

bool JpegWrite(const std::vector<uint8_t>& rgb, int quality, std::vector<uint8_t>& out, std::string& error) {
  jpeg_compress_struct c{};
  JpegError err{};
  c.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = JpegErrorExit;
  unsigned char* mem = nullptr;
  unsigned long size = 0;
  if (setjmp(err.jump)) {
    error = err.text;
    jpeg_destroy_compress(&c);
    free(mem);
    return false;
  }
  jpeg_create_compress(&c);
  jpeg_mem_dest(&c, &mem, &size);
  c.image_width = W;
  c.image_height = H;
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(&rgb[c.next_scanline * W * 3]);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  out.assign(mem, mem + size);
  jpeg_destroy_compress(&c);
  free(mem);
  return true;
}

bool JpegRead(const std::vector<uint8_t>& data, std::vector<uint8_t>& rgb, int& w, int& h, std::string& error) {
  jpeg_decompress_struct d{};
  JpegError err{};
  d.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = JpegErrorExit;
  if (setjmp(err.jump)) {
    error = err.text;
    jpeg_destroy_decompress(&d);
    return false;
  }
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, const_cast<unsigned char*>(data.data()), data.size());
  jpeg_read_header(&d, TRUE);
  d.out_color_space = JCS_RGB;
  jpeg_start_decompress(&d);
  w = d.output_width;
  h = d.output_height;
  rgb.assign(size_t(w) * h * 3, 0);
  while (d.output_scanline < d.output_height) {
    JSAMPROW row = &rgb[d.output_scanline * w * 3];
    jpeg_read_scanlines(&d, &row, 1);
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
  return true;
}

TEST(Libraries, JpegRoundTripWithinTolerance) {
  EXPECT_EQ(JPEG_LIB_VERSION, 62);
  const auto src = MakePicture();
  std::vector<uint8_t> file, back;
  std::string error;
  ASSERT_TRUE(JpegWrite(src, 90, file, error)) << error;
  ASSERT_GT(file.size(), 100u);
  EXPECT_EQ(file[0], 0xFF);
  EXPECT_EQ(file[1], 0xD8);
  int w = 0, h = 0;
  ASSERT_TRUE(JpegRead(file, back, w, h, error)) << error;
  ASSERT_EQ(w, W);
  ASSERT_EQ(h, H);
  int worst = 0;
  long total = 0;
  for (size_t i = 0; i < src.size(); ++i) {
    int d = std::abs(int(src[i]) - int(back[i]));
    worst = std::max(worst, d);
    total += d;
  }
  EXPECT_LE(worst, 24);
  EXPECT_LE(double(total) / src.size(), 3.0);
}

TEST(Libraries, JpegReportsCorruptData) {
  std::vector<uint8_t> junk(200, 0x5A), back;
  std::string error;
  int w = 0, h = 0;
  EXPECT_FALSE(JpegRead(junk, back, w, h, error));
  EXPECT_FALSE(error.empty());
}

// ---------------------------------------------------------------- PNG
struct PngReader {
  const std::vector<uint8_t>* data;
  size_t pos;
};

void PngWriteData(png_structp png, png_bytep bytes, png_size_t n) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), bytes, bytes + n);
}

void PngFlush(png_structp) {}

void PngReadData(png_structp png, png_bytep bytes, png_size_t n) {
  auto* r = static_cast<PngReader*>(png_get_io_ptr(png));
  if (r->pos + n > r->data->size()) png_error(png, "read past the end");
  memcpy(bytes, r->data->data() + r->pos, n);
  r->pos += n;
}

bool PngWrite(const std::vector<uint8_t>& rgb, std::vector<uint8_t>& out) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, &out, PngWriteData, PngFlush);
  png_set_IHDR(png, info, W, H, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < H; ++y) png_write_row(png, const_cast<png_bytep>(&rgb[y * W * 3]));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

bool PngRead(const std::vector<uint8_t>& data, std::vector<uint8_t>& rgb, int& w, int& h) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  PngReader reader{&data, 0};
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &reader, PngReadData);
  png_read_info(png, info);
  w = png_get_image_width(png, info);
  h = png_get_image_height(png, info);
  if (png_get_color_type(png, info) != PNG_COLOR_TYPE_RGB || png_get_bit_depth(png, info) != 8) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  rgb.assign(size_t(w) * h * 3, 0);
  for (int y = 0; y < h; ++y) png_read_row(png, &rgb[y * w * 3], nullptr);
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

TEST(Libraries, PngRoundTripIsExact) {
  const auto src = MakePicture();
  std::vector<uint8_t> file, back;
  ASSERT_TRUE(PngWrite(src, file));
  ASSERT_GE(file.size(), 8u);
  EXPECT_EQ(0, png_sig_cmp(file.data(), 0, 8));
  int w = 0, h = 0;
  ASSERT_TRUE(PngRead(file, back, w, h));
  EXPECT_EQ(w, W);
  EXPECT_EQ(h, H);
  EXPECT_EQ(src, back);
}

TEST(Libraries, PngRejectsTruncatedFile) {
  const auto src = MakePicture();
  std::vector<uint8_t> file, back;
  ASSERT_TRUE(PngWrite(src, file));
  file.resize(file.size() / 2);
  int w = 0, h = 0;
  EXPECT_FALSE(PngRead(file, back, w, h));
}

// ---------------------------------------------------------------- TIFF
struct MemFile {
  std::vector<uint8_t> bytes;
  toff_t pos = 0;
};

tsize_t MemRead(thandle_t h, tdata_t buf, tsize_t n) {
  auto* f = static_cast<MemFile*>(h);
  if (f->pos >= f->bytes.size()) return 0;
  tsize_t avail = static_cast<tsize_t>(f->bytes.size() - f->pos);
  if (n > avail) n = avail;
  memcpy(buf, f->bytes.data() + f->pos, n);
  f->pos += n;
  return n;
}

tsize_t MemWrite(thandle_t h, tdata_t buf, tsize_t n) {
  auto* f = static_cast<MemFile*>(h);
  if (f->pos + n > f->bytes.size()) f->bytes.resize(f->pos + n);
  memcpy(f->bytes.data() + f->pos, buf, n);
  f->pos += n;
  return n;
}

toff_t MemSeek(thandle_t h, toff_t off, int whence) {
  auto* f = static_cast<MemFile*>(h);
  toff_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? f->pos : f->bytes.size();
  f->pos = base + off;
  return f->pos;
}

int MemClose(thandle_t) { return 0; }
toff_t MemSize(thandle_t h) { return static_cast<MemFile*>(h)->bytes.size(); }
int MemMap(thandle_t, tdata_t*, toff_t*) { return 0; }
void MemUnmap(thandle_t, tdata_t, toff_t) {}

TIFF* MemOpen(MemFile& f, const char* mode) {
  return TIFFClientOpen("memory", mode, &f, MemRead, MemWrite, MemSeek, MemClose, MemSize, MemMap, MemUnmap);
}

void QuietTiff(const char*, const char*, va_list) {}

TEST(Libraries, DeflateTiffRoundTripIsExact) {
  TIFFSetWarningHandler(QuietTiff);
  TIFFSetErrorHandler(QuietTiff);
  ASSERT_TRUE(TIFFIsCODECConfigured(COMPRESSION_ADOBE_DEFLATE));
  ASSERT_TRUE(TIFFIsCODECConfigured(COMPRESSION_JPEG));
  const auto src = MakePicture();
  MemFile f;
  TIFF* t = MemOpen(f, "w");
  ASSERT_NE(t, nullptr);
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, W);
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, H);
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
  TIFFSetField(t, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 16);
  // The predictor differences the row in place, so each row goes through a scratch copy.
  std::vector<uint8_t> row(W * 3);
  for (int y = 0; y < H; ++y) {
    memcpy(row.data(), &src[y * W * 3], row.size());
    ASSERT_EQ(1, TIFFWriteScanline(t, row.data(), y, 0));
  }
  TIFFClose(t);
  ASSERT_GT(f.bytes.size(), 8u);

  f.pos = 0;
  t = MemOpen(f, "r");
  ASSERT_NE(t, nullptr);
  uint32_t w = 0, h = 0;
  uint16_t compression = 0;
  TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &w);
  TIFFGetField(t, TIFFTAG_IMAGELENGTH, &h);
  TIFFGetField(t, TIFFTAG_COMPRESSION, &compression);
  EXPECT_EQ(w, uint32_t(W));
  EXPECT_EQ(h, uint32_t(H));
  EXPECT_EQ(compression, COMPRESSION_ADOBE_DEFLATE);
  std::vector<uint8_t> back(src.size());
  for (int y = 0; y < H; ++y) ASSERT_EQ(1, TIFFReadScanline(t, &back[y * W * 3], y, 0));
  TIFFClose(t);
  EXPECT_EQ(src, back);
}

TEST(Libraries, TiffRejectsGarbage) {
  TIFFSetWarningHandler(QuietTiff);
  TIFFSetErrorHandler(QuietTiff);
  MemFile f;
  f.bytes.assign(64, 0x11);
  EXPECT_EQ(MemOpen(f, "r"), nullptr);
}

}  // namespace
