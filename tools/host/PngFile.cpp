#include "tools/host/PngFile.h"

#include <windows.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <cstdio>
#include <cstring>
#include <utility>

#include "common/Handles.h"
#include "framework/TextEncoding.h"

namespace tessel::host {
namespace {

using common::ComPtr;

std::string Failure(const char* what, HRESULT hr) {
  char text[160];
  std::snprintf(text, sizeof text, "%s failed (0x%08lX)", what, static_cast<unsigned long>(hr));
  return text;
}

void DrawLabels(HDC dc, const Picture& picture) {
  common::ScopedFont font(CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                                      DEFAULT_PITCH, L"Tahoma"));
  common::SelectObjectScope select_font(dc, font.get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(220, 220, 220));
  for (const Label& label : picture.labels) {
    SIZE size{};
    int length = static_cast<int>(label.text.size());
    GetTextExtentPoint32A(dc, label.text.c_str(), length, &size);
    int x = label.x;
    if (label.align == Label::Align::kCentre) x -= size.cx / 2;
    if (label.align == Label::Align::kRight) x -= size.cx;
    TextOutA(dc, x, label.y - size.cy / 2, label.text.c_str(), length);
  }
  GdiFlush();
}

// Encodes the pixels into the file; `created` tells whether the file was made.
HRESULT Encode(const std::wstring& path, const Picture& picture, const BYTE* bits, UINT stride,
               bool* created, std::string* error) {
  ComPtr<IWICImagingFactory> factory;
  HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&factory));
  if (FAILED(hr)) return *error = Failure("starting the imaging component", hr), hr;
  ComPtr<IWICStream> stream;
  hr = factory->CreateStream(&stream);
  if (SUCCEEDED(hr)) hr = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE);
  if (FAILED(hr)) return *error = Failure("creating the file", hr), hr;
  *created = true;
  ComPtr<IWICBitmapEncoder> encoder;
  hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder);
  if (SUCCEEDED(hr)) hr = encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache);
  ComPtr<IWICBitmapFrameEncode> frame;
  ComPtr<IPropertyBag2> options;
  if (SUCCEEDED(hr)) hr = encoder->CreateNewFrame(&frame, &options);
  if (SUCCEEDED(hr)) hr = frame->Initialize(options.Get());
  if (SUCCEEDED(hr)) hr = frame->SetSize(picture.width, picture.height);
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
  // The encoder may offer another format; the pixels are only ever 24-bit BGR.
  if (SUCCEEDED(hr) && format != GUID_WICPixelFormat24bppBGR)
    hr = WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
  if (SUCCEEDED(hr)) {
    hr = frame->WritePixels(picture.height, stride, stride * picture.height,
                            const_cast<BYTE*>(bits));
  }
  if (SUCCEEDED(hr)) hr = frame->Commit();
  if (SUCCEEDED(hr)) hr = encoder->Commit();
  if (FAILED(hr)) *error = Failure("encoding the PNG", hr);
  return hr;
}

}  // namespace

bool WritePicturePng(const Picture& picture, const std::string& path, std::string* error) {
  if (picture.width <= 0 || picture.height <= 0 ||
      picture.pixels.size() != static_cast<std::size_t>(picture.width) * picture.height) {
    *error = "the picture is empty";
    return false;
  }
  // COM stays initialised for the scope, if this call initialised it.
  common::ScopedCoInitialize com = common::InitializeComApartment();
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = picture.width;
  info.bmiHeader.biHeight = -picture.height;  // top-down, like the picture's rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  common::ScopedBitmap dib(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  common::MemoryDC dc(nullptr);
  if (dib.get() == nullptr || bits == nullptr || dc.get() == nullptr) {
    *error = "no memory for a picture of " + std::to_string(picture.width) + " x " +
             std::to_string(picture.height) + " pixels";
    return false;
  }
  // DIB rows are padded to whole 32-bit words.
  UINT stride = (static_cast<UINT>(picture.width) * 3 + 3) & ~3u;
  BYTE* rows = static_cast<BYTE*>(bits);
  for (int y = 0; y < picture.height; ++y) {
    BYTE* out = rows + static_cast<std::size_t>(y) * stride;
    for (int x = 0; x < picture.width; ++x) {
      Rgb c = picture.At(x, y);
      out[3 * x] = c.b;
      out[3 * x + 1] = c.g;
      out[3 * x + 2] = c.r;
    }
  }
  {
    common::SelectObjectScope select_dib(dc.get(), dib.get());
    if (!select_dib) {
      *error = "the picture cannot be drawn on";
      return false;
    }
    DrawLabels(dc.get(), picture);
  }
  std::wstring wide_path = fw::Widen(path);
  bool created = false;
  if (SUCCEEDED(Encode(wide_path, picture, rows, stride, &created, error))) return true;
  // A half-written picture would pass for a whole one.
  if (created) DeleteFileW(wide_path.c_str());
  return false;
}

}  // namespace tessel::host
