#include "tools/make/picturefile.h"

#include <cairo.h>
#include <gif_lib.h>
#include <librsvg/rsvg.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>

// jpeglib.h needs FILE and size_t declared before it.
#include <jerror.h>
#include <jpeglib.h>

#include "tools/common/png.h"

namespace folivar::make {

namespace {

[[noreturn]] void Fail(const std::string& reason) { throw std::runtime_error(reason); }

void CheckSize(uint32_t width, uint32_t height, const std::string& format = {}) {
  if (width == 0 || height == 0) Fail(format + "the picture is empty");
  if (width > kLargestPictureSide || height > kLargestPictureSide) {
    Fail(format + std::to_string(width) + " x " + std::to_string(height) + " pixels is more than " +
         std::to_string(kLargestPictureSide) + " on a side");
  }
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail("the file cannot be opened");
  std::ostringstream s;
  s << in.rdbuf();
  if (in.bad()) Fail("the file cannot be read");
  return s.str();
}

bool StartsWith(const std::string& data, const char* magic, size_t n) {
  return data.size() >= n && std::memcmp(data.data(), magic, n) == 0;
}

// An XML document whose first element is <svg>: after a byte order mark, blanks, the XML
// declaration, comments and a DOCTYPE, "<svg" comes within the first few kilobytes.
bool LooksLikeSvg(const std::string& data) {
  size_t at = StartsWith(data, "\xEF\xBB\xBF", 3) ? 3 : 0;
  while (at < data.size() && std::strchr(" \t\r\n", data[at])) ++at;
  if (at >= data.size() || data[at] != '<') return false;
  return data.substr(at, 4096).find("<svg") != std::string::npos;
}

// ---- JPEG

struct TJpegError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void JpegFail(j_common_ptr info) {
  auto* error = reinterpret_cast<TJpegError*>(info->err);
  info->err->format_message(info, error->message);
  std::longjmp(error->jump, 1);
}

// libjpeg prints warnings to stderr and carries on; a file that ends too soon would be drawn with
// its lost part grey, so that one is an error. Other warnings (stray bytes between markers) are
// harmless and kept quiet.
void JpegMessage(j_common_ptr info, int level) {
  if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) JpegFail(info);
}

uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return r << 16 | g << 8 | b; }

// Decodes into `out`; false with the message in `error` when libjpeg gives up. Its error exit
// jumps back here, so this function holds no object with a destructor of its own.
bool DecodeJpeg(const std::string& data, TPixels& out, std::vector<uint8_t>& row, TJpegError& error) {
  jpeg_decompress_struct info;
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = JpegFail;
  error.manager.emit_message = JpegMessage;
  error.message[0] = 0;
  if (setjmp(error.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.data()),
               static_cast<unsigned long>(data.size()));
  jpeg_read_header(&info, TRUE);
  const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.out_color_space = info.num_components == 1 ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
  if (info.image_width > kLargestPictureSide || info.image_height > kLargestPictureSide ||
      info.image_width == 0 || info.image_height == 0) {
    std::snprintf(error.message, sizeof error.message, "%u x %u pixels is more than %u on a side",
                  info.image_width, info.image_height, kLargestPictureSide);
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_start_decompress(&info);
  out.width = info.output_width;
  out.height = info.output_height;
  const auto components = static_cast<size_t>(info.output_components);
  try {
    out.pixels.resize(size_t{out.width} * out.height);
    row.resize(size_t{out.width} * components);
  } catch (...) {
    jpeg_destroy_decompress(&info);
    throw;
  }
  // Adobe's CMYK files store the inks inverted: 255 is no ink.
  const bool inverted = info.saw_Adobe_marker;
  while (info.output_scanline < info.output_height) {
    JSAMPROW rows[1] = {row.data()};
    const size_t y = info.output_scanline;
    if (jpeg_read_scanlines(&info, rows, 1) != 1) JpegFail(reinterpret_cast<j_common_ptr>(&info));
    uint32_t* line = &out.pixels[y * out.width];
    for (size_t x = 0; x < out.width; ++x) {
      const uint8_t* p = &row[x * components];
      if (components == 1) {
        line[x] = Rgb(p[0], p[0], p[0]);
      } else if (components == 3) {
        line[x] = Rgb(p[0], p[1], p[2]);
      } else {
        const uint32_t k = inverted ? p[3] : 255u - p[3];
        auto channel = [&](uint8_t ink) { return ((inverted ? ink : 255u - ink) * k + 127) / 255; };
        line[x] = Rgb(channel(p[0]), channel(p[1]), channel(p[2]));
      }
    }
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

TPixels ReadJpeg(const std::string& data) {
  TPixels out;
  std::vector<uint8_t> row;
  auto error = std::make_unique<TJpegError>();
  if (!DecodeJpeg(data, out, row, *error)) Fail(std::string("JPEG: ") + error->message);
  return out;
}

// ---- GIF

struct TGifInput {
  const std::string& data;
  size_t at = 0;
};

int GifRead(GifFileType* gif, GifByteType* bytes, int wanted) {
  auto* in = static_cast<TGifInput*>(gif->UserData);
  const size_t n = std::min(static_cast<size_t>(std::max(wanted, 0)), in->data.size() - in->at);
  std::memcpy(bytes, in->data.data() + in->at, n);
  in->at += n;
  return static_cast<int>(n);
}

struct TGifCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};

// The first frame on the logical screen; what it leaves uncovered, and its transparent colour,
// are white.
TPixels ReadGif(const std::string& data) {
  TGifInput input{data};
  int error = 0;
  std::unique_ptr<GifFileType, TGifCloser> gif(DGifOpen(&input, GifRead, &error));
  if (!gif) Fail(std::string("GIF: ") + GifErrorString(error));
  // The screen is known before the frames are read: no room is taken for a picture too large.
  if (gif->SWidth > 0 && gif->SHeight > 0)
    CheckSize(static_cast<uint32_t>(gif->SWidth), static_cast<uint32_t>(gif->SHeight), "GIF: ");
  if (DGifSlurp(gif.get()) != GIF_OK) Fail(std::string("GIF: ") + GifErrorString(gif->Error));
  if (gif->ImageCount < 1) Fail("GIF: the file holds no picture");
  const SavedImage& frame = gif->SavedImages[0];
  const GifImageDesc& d = frame.ImageDesc;
  const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
  if (!map || !map->Colors) Fail("GIF: the picture has no colour map");
  if (d.Left < 0 || d.Top < 0 || d.Width <= 0 || d.Height <= 0) Fail("GIF: the first frame is empty");
  GraphicsControlBlock control;
  control.TransparentColor = NO_TRANSPARENT_COLOR;
  if (DGifSavedExtensionToGCB(gif.get(), 0, &control) != GIF_OK)
    control.TransparentColor = NO_TRANSPARENT_COLOR;
  TPixels out;
  // Some writers leave the screen size 0: the frame then sets it.
  out.width = static_cast<uint32_t>(gif->SWidth > 0 ? gif->SWidth : d.Left + d.Width);
  out.height = static_cast<uint32_t>(gif->SHeight > 0 ? gif->SHeight : d.Top + d.Height);
  CheckSize(out.width, out.height, "GIF: ");
  out.pixels.assign(size_t{out.width} * out.height, 0xFFFFFF);
  for (int y = 0; y < d.Height; ++y) {
    for (int x = 0; x < d.Width; ++x) {
      const uint32_t px = static_cast<uint32_t>(d.Left + x), py = static_cast<uint32_t>(d.Top + y);
      if (px >= out.width || py >= out.height) continue;
      const int index =
          frame.RasterBits[static_cast<size_t>(y) * static_cast<size_t>(d.Width) + static_cast<size_t>(x)];
      if (index == control.TransparentColor) continue;
      // An index beyond the map is drawn black, as the common decoders draw it.
      const GifColorType c = index < map->ColorCount ? map->Colors[index] : GifColorType{0, 0, 0};
      out.pixels[size_t{py} * out.width + px] = Rgb(c.Red, c.Green, c.Blue);
    }
  }
  return out;
}

// ---- SVG

struct TGObjectUnref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
struct TGErrorFree {
  void operator()(GError* error) const { g_error_free(error); }
};
struct TCairoSurfaceFree {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct TCairoFree {
  void operator()(cairo_t* c) const { cairo_destroy(c); }
};

[[noreturn]] void FailSvg(GError* error, const char* otherwise) {
  const std::unique_ptr<GError, TGErrorFree> owned(error);
  Fail(std::string("SVG: ") + (error && error->message ? error->message : otherwise));
}

// The size to draw at: the document's own in absolute units; else the fallback width, with the
// height of its viewBox's proportions or of its drawing. Never more than kLargestSvgSide.
void SvgSize(RsvgHandle* handle, uint32_t fallbackWidth, double& width, double& height) {
  if (!rsvg_handle_get_intrinsic_size_in_pixels(handle, &width, &height)) {
    gboolean hasViewBox = FALSE;
    RsvgRectangle box{};
    rsvg_handle_get_intrinsic_dimensions(handle, nullptr, nullptr, nullptr, nullptr, &hasViewBox, &box);
    width = std::max<uint32_t>(fallbackWidth, 1);
    if (hasViewBox && box.width > 0 && box.height > 0) {
      height = width * box.height / box.width;
    } else {
      const RsvgRectangle viewport{0, 0, width, width};
      RsvgRectangle ink{}, logical{};
      GError* error = nullptr;
      if (!rsvg_handle_get_geometry_for_layer(handle, nullptr, &viewport, &ink, &logical, &error))
        FailSvg(error, "the drawing cannot be measured");
      height = ink.y + ink.height;
    }
  }
  if (!(width >= 0.5 && height >= 0.5)) Fail("SVG: the picture is empty");
  const double scale = std::min(1.0, kLargestSvgSide / std::max(width, height));
  width = std::max(1.0, std::ceil(width * scale - 1e-6));
  height = std::max(1.0, std::ceil(height * scale - 1e-6));
}

TPixels ReadSvg(const std::string& data, const std::string& path, uint32_t fallbackWidth) {
  // Resources the drawing refers to are looked for beside the file, and nowhere else.
  const std::unique_ptr<GInputStream, TGObjectUnref> stream(
      g_memory_input_stream_new_from_data(data.data(), static_cast<gssize>(data.size()), nullptr));
  const std::unique_ptr<GFile, TGObjectUnref> base(g_file_new_for_path(path.c_str()));
  GError* error = nullptr;
  const std::unique_ptr<RsvgHandle, TGObjectUnref> handle(
      rsvg_handle_new_from_stream_sync(stream.get(), base.get(), RSVG_HANDLE_FLAGS_NONE, nullptr, &error));
  if (!handle) FailSvg(error, "the document cannot be read");
  rsvg_handle_set_dpi(handle.get(), 96);
  double width = 0, height = 0;
  SvgSize(handle.get(), fallbackWidth, width, height);
  TPixels out;
  out.width = static_cast<uint32_t>(width);
  out.height = static_cast<uint32_t>(height);
  const std::unique_ptr<cairo_surface_t, TCairoSurfaceFree> surface(cairo_image_surface_create(
      CAIRO_FORMAT_ARGB32, static_cast<int>(out.width), static_cast<int>(out.height)));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) Fail("SVG: no room to draw the picture");
  {
    const std::unique_ptr<cairo_t, TCairoFree> cairo(cairo_create(surface.get()));
    const RsvgRectangle viewport{0, 0, width, height};
    if (!rsvg_handle_render_document(handle.get(), cairo.get(), &viewport, &error))
      FailSvg(error, "the document cannot be drawn");
  }
  cairo_surface_flush(surface.get());
  const unsigned char* bytes = cairo_image_surface_get_data(surface.get());
  const auto stride = static_cast<size_t>(cairo_image_surface_get_stride(surface.get()));
  out.pixels.resize(size_t{out.width} * out.height);
  for (size_t y = 0; y < out.height; ++y) {
    for (size_t x = 0; x < out.width; ++x) {
      uint32_t p = 0;
      std::memcpy(&p, bytes + y * stride + x * 4, 4);
      // Premultiplied: white shows through by what the alpha leaves.
      const uint32_t clear = 255 - (p >> 24);
      out.pixels[y * out.width + x] =
          Rgb(((p >> 16) & 0xFF) + clear, ((p >> 8) & 0xFF) + clear, (p & 0xFF) + clear);
    }
  }
  return out;
}

}  // namespace

TPixels ReadPictureFile(const std::string& path, uint32_t fallbackWidth) {
  const std::string data = ReadBytes(path);
  TPixels out;
  if (StartsWith(data, "\x89PNG\r\n\x1A\n", 8)) {
    out.pixels = ReadPng(path, out.width, out.height);
  } else if (StartsWith(data, "\xFF\xD8\xFF", 3)) {
    out = ReadJpeg(data);
  } else if (StartsWith(data, "GIF87a", 6) || StartsWith(data, "GIF89a", 6)) {
    out = ReadGif(data);
  } else if (LooksLikeSvg(data)) {
    out = ReadSvg(data, path, fallbackWidth);
  } else {
    Fail("it is not a PNG, JPEG, GIF or SVG file");
  }
  CheckSize(out.width, out.height);
  return out;
}

}  // namespace folivar::make
