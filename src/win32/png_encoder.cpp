#include "win32/png_encoder.h"

#include <objbase.h>
#include <wincodec.h>

#include <cstdio>

namespace klv {

namespace {

// Releases a COM interface when it goes out of scope.
template <class Interface>
class ComPointer {
 public:
  ComPointer() = default;
  ~ComPointer() {
    if (pointer_ != nullptr) pointer_->Release();
  }
  ComPointer(const ComPointer&) = delete;
  ComPointer& operator=(const ComPointer&) = delete;
  Interface** Out() { return &pointer_; }
  Interface* operator->() const { return pointer_; }
  Interface* Get() const { return pointer_; }

 private:
  Interface* pointer_ = nullptr;
};

std::string Reason(HRESULT result) {
  wchar_t* text = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, static_cast<DWORD>(result), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string reason;
  if (length > 0 && text != nullptr) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    reason.resize(static_cast<std::size_t>(size));
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), reason.data(), size, nullptr, nullptr);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' ')) {
      reason.pop_back();
    }
  }
  if (text != nullptr) LocalFree(text);
  if (reason.empty()) {
    char code[32];
    std::snprintf(code, sizeof code, "error 0x%08lX", static_cast<unsigned long>(result));
    reason = code;
  }
  return reason;
}

// COM for this thread for the length of one encoding, unless it is there.
class ComForThisCall {
 public:
  ComForThisCall() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComForThisCall() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComForThisCall(const ComForThisCall&) = delete;
  ComForThisCall& operator=(const ComForThisCall&) = delete;

 private:
  HRESULT result_;
};

// The text into the frame's metadata; a system without a PNG text writer
// still saves the picture.
void AddDescription(IWICBitmapFrameEncode* frame, std::string_view description) {
  ComPointer<IWICMetadataQueryWriter> writer;
  if (FAILED(frame->GetMetadataQueryWriter(writer.Out())) || writer.Get() == nullptr) return;
  std::string text(description);
  PROPVARIANT value;
  PropVariantInit(&value);
  value.vt = VT_LPSTR;
  value.pszVal = text.data();
  writer->SetMetadataByName(L"/tEXt/{str=Description}", &value);
}

}  // namespace

PngBytes EncodePng(HBITMAP bitmap, std::string_view description) {
  ComForThisCall com;
  PngBytes png;
  const auto failed = [&png](HRESULT hr) {
    if (SUCCEEDED(hr)) return false;
    png.error = Reason(hr);
    return true;
  };

  ComPointer<IWICImagingFactory> factory;
  if (failed(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              reinterpret_cast<void**>(factory.Out())))) {
    return png;
  }
  ComPointer<IWICBitmap> source;
  if (failed(factory->CreateBitmapFromHBITMAP(bitmap, nullptr, WICBitmapIgnoreAlpha, source.Out()))) return png;
  UINT width = 0;
  UINT height = 0;
  if (failed(source->GetSize(&width, &height))) return png;

  ComPointer<IStream> stream;
  if (failed(CreateStreamOnHGlobal(nullptr, TRUE, stream.Out()))) return png;
  ComPointer<IWICBitmapEncoder> encoder;
  if (failed(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Out()))) return png;
  if (failed(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache))) return png;
  ComPointer<IWICBitmapFrameEncode> frame;
  if (failed(encoder->CreateNewFrame(frame.Out(), nullptr))) return png;
  if (failed(frame->Initialize(nullptr))) return png;
  if (failed(frame->SetSize(width, height))) return png;
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  if (failed(frame->SetPixelFormat(&format))) return png;
  AddDescription(frame.Get(), description);
  if (failed(frame->WriteSource(source.Get(), nullptr))) return png;
  if (failed(frame->Commit())) return png;
  if (failed(encoder->Commit())) return png;

  HGLOBAL memory = nullptr;
  if (failed(GetHGlobalFromStream(stream.Get(), &memory))) return png;
  STATSTG status{};
  if (failed(stream->Stat(&status, STATFLAG_NONAME))) return png;
  const auto size = static_cast<std::size_t>(status.cbSize.QuadPart);
  const void* data = GlobalLock(memory);
  if (data == nullptr) {
    png.error = Reason(HRESULT_FROM_WIN32(GetLastError()));
    return png;
  }
  png.bytes.assign(static_cast<const char*>(data), size);
  GlobalUnlock(memory);
  png.ok = true;
  return png;
}

}  // namespace klv
