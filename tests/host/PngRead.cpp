#include "tests/host/PngRead.h"

#include <wincodec.h>
#include <wrl/client.h>

namespace tessel::host {

std::optional<PngPixels> ReadPng(const std::wstring& path) {
  using Microsoft::WRL::ComPtr;
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  ComPtr<IWICFormatConverter> converter;
  PngPixels p;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&factory))) ||
      FAILED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                WICDecodeMetadataCacheOnDemand, &decoder)) ||
      FAILED(decoder->GetFrame(0, &frame)) || FAILED(factory->CreateFormatConverter(&converter)) ||
      FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat24bppBGR,
                                   WICBitmapDitherTypeNone, nullptr, 0,
                                   WICBitmapPaletteTypeCustom)) ||
      FAILED(converter->GetSize(&p.width, &p.height)))
    return std::nullopt;
  p.bgr.resize(3 * static_cast<size_t>(p.width) * p.height);
  if (FAILED(converter->CopyPixels(nullptr, 3 * p.width, static_cast<UINT>(p.bgr.size()),
                                   p.bgr.data())))
    return std::nullopt;
  return p;
}

}  // namespace tessel::host
