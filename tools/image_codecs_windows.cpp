// PNG, JPEG and TIFF on Windows through the Windows Imaging Component, which
// every Windows carries: the cross-built tool needs no codec library of its
// own. The conversions follow the Linux codecs: PNG grey stays 8-bit grey,
// colour becomes 24 bits and anything with transparency 32 bits (blue, green,
// red, alpha), 16-bit samples reduced to 8; JPEG grey 8 bits, colour 24;
// TIFF like PNG, except that 16-bit and floating-point samples are refused.
// Writing maps 8, 24 and 32 bits to grey, BGR and BGRA (unassociated alpha).
// Row 0 is the top row.
#include <windows.h>
#include <wincodec.h>

#include <vector>

#include "image_io.h"

namespace kaf_tool {

namespace {

// A COM interface pointer released when it goes out of scope.
template <typename Interface>
class ComPointer {
public:
    ComPointer() = default;
    ComPointer(const ComPointer&) = delete;
    ComPointer& operator=(const ComPointer&) = delete;
    ~ComPointer() {
        if (pointer_) pointer_->Release();
    }
    Interface* operator->() const { return pointer_; }
    Interface* get() const { return pointer_; }
    Interface** out() { return &pointer_; }
    void** outVoid() { return reinterpret_cast<void**>(&pointer_); }

private:
    Interface* pointer_ = nullptr;
};

// COM on the calling thread for one codec call: batch workers call the
// codecs from threads of their own. A thread that already runs COM in
// another mode keeps it.
class ComScope {
public:
    ComScope() : result_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    HRESULT result_;
};

bool Failed(HRESULT result, const char* what, std::string* error) {
    if (SUCCEEDED(result)) return false;
    char code[16];
    wsprintfA(code, "%08lx", static_cast<unsigned long>(result));
    *error = std::string(what) + " (Windows Imaging Component error 0x" + code + ")";
    return true;
}

bool CreateFactory(ComPointer<IWICImagingFactory>* factory, std::string* error) {
    return !Failed(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                    factory->outVoid()),
                   "the Windows Imaging Component is not available", error);
}

bool IsIndexed(const GUID& format) {
    return format == GUID_WICPixelFormat1bppIndexed || format == GUID_WICPixelFormat2bppIndexed ||
           format == GUID_WICPixelFormat4bppIndexed || format == GUID_WICPixelFormat8bppIndexed;
}

// How a stored pixel format is read: the frame depth it becomes, or a
// refusal for samples the module cannot process.
struct Reading {
    int32_t bpp = 24;
    bool refused = false;
    std::string reason;
};

Reading ChooseReading(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, const GUID& format,
                      bool refuseWideSamples) {
    Reading reading;
    UINT bits = 0, channels = 0;
    BOOL transparency = FALSE;
    WICPixelFormatNumericRepresentation numbers = WICPixelFormatNumericRepresentationUnsignedInteger;
    ComPointer<IWICComponentInfo> component;
    ComPointer<IWICPixelFormatInfo2> info;
    if (SUCCEEDED(factory->CreateComponentInfo(format, component.out())) &&
        SUCCEEDED(component->QueryInterface(IID_IWICPixelFormatInfo2, info.outVoid()))) {
        info->GetBitsPerPixel(&bits);
        info->GetChannelCount(&channels);
        info->SupportsTransparency(&transparency);
        info->GetNumericRepresentation(&numbers);
    }
    if (IsIndexed(format)) {
        // A palette has transparency only when one of its colours has.
        ComPointer<IWICPalette> palette;
        transparency = FALSE;
        if (SUCCEEDED(factory->CreatePalette(palette.out())) && SUCCEEDED(frame->CopyPalette(palette.get()))) {
            palette->HasAlpha(&transparency);
        }
        channels = 3;
    }
    UINT sampleBits = channels > 0 ? bits / channels : 8;
    if (refuseWideSamples && numbers == WICPixelFormatNumericRepresentationFloat) {
        reading.refused = true;
        reading.reason = UnprocessableSamples(static_cast<int32_t>(sampleBits), true);
    } else if (refuseWideSamples && sampleBits > 8) {
        reading.refused = true;
        reading.reason = UnprocessableSamples(static_cast<int32_t>(sampleBits), false);
    }
    reading.bpp = transparency ? 32 : channels == 1 ? 8 : 24;
    return reading;
}

const GUID& WicFormat(int32_t bpp) {
    return bpp == 8 ? GUID_WICPixelFormat8bppGray : bpp == 24 ? GUID_WICPixelFormat24bppBGR
                                                              : GUID_WICPixelFormat32bppBGRA;
}

bool Decode(const std::vector<uint8_t>& file, const GUID& container, const char* formatName, bool refuseWideSamples,
            Image* image, std::string* error) {
    ComScope com;
    ComPointer<IWICImagingFactory> factory;
    if (!CreateFactory(&factory, error)) return false;
    ComPointer<IWICStream> stream;
    ComPointer<IWICBitmapDecoder> decoder;
    ComPointer<IWICBitmapFrameDecode> frame;
    GUID found = GUID_NULL;
    if (Failed(factory->CreateStream(stream.out()), "cannot make a stream", error) ||
        Failed(stream->InitializeFromMemory(const_cast<BYTE*>(file.data()), static_cast<DWORD>(file.size())),
               "cannot read the file", error)) {
        return false;
    }
    if (FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                decoder.out())) ||
        FAILED(decoder->GetContainerFormat(&found)) || found != container) {
        *error = std::string("not a ") + formatName + " file";
        return false;
    }
    UINT width = 0, height = 0;
    WICPixelFormatGUID stored;
    if (Failed(decoder->GetFrame(0, frame.out()), "the file holds no picture", error) ||
        Failed(frame->GetSize(&width, &height), "the file is damaged", error) ||
        Failed(frame->GetPixelFormat(&stored), "the file is damaged", error)) {
        return false;
    }
    Reading reading = ChooseReading(factory.get(), frame.get(), stored, refuseWideSamples);
    if (reading.refused) {
        *error = reading.reason;
        return false;
    }
    if (width > 0x7fffffffu || height > 0x7fffffffu) {
        *error = "image too large";
        return false;
    }
    if (!MakeImage(static_cast<int32_t>(width), static_cast<int32_t>(height), reading.bpp, image, error)) return false;
    ComPointer<IWICFormatConverter> converter;
    return !Failed(factory->CreateFormatConverter(converter.out()), "cannot convert the pixels", error) &&
           !Failed(converter->Initialize(frame.get(), WicFormat(reading.bpp), WICBitmapDitherTypeNone, nullptr, 0.0,
                                         WICBitmapPaletteTypeCustom),
                   "cannot convert the pixels", error) &&
           !Failed(converter->CopyPixels(nullptr, static_cast<UINT>(image->stride),
                                         static_cast<UINT>(image->bytes.size()), image->bytes.data()),
                   "the file is damaged", error);
}

bool Encode(const Image& image, const GUID& container, ImageFormat imageFormat, std::vector<uint8_t>* file,
            std::string* error) {
    const char* formatName = FormatName(imageFormat);
    if (!FormatCanHold(imageFormat, image.bpp)) {
        *error = std::string(formatName) + " cannot hold a " + std::to_string(image.bpp) + "-bit image";
        return false;
    }
    ComScope com;
    ComPointer<IWICImagingFactory> factory;
    if (!CreateFactory(&factory, error)) return false;
    ComPointer<IStream> memory;
    ComPointer<IWICBitmapEncoder> encoder;
    ComPointer<IWICBitmapFrameEncode> frame;
    ComPointer<IPropertyBag2> options;
    WICPixelFormatGUID format = WicFormat(image.bpp);
    if (Failed(CreateStreamOnHGlobal(nullptr, TRUE, memory.out()), "out of memory", error) ||
        Failed(factory->CreateEncoder(container, nullptr, encoder.out()),
               "the Windows Imaging Component has no encoder for this format", error) ||
        Failed(encoder->Initialize(memory.get(), WICBitmapEncoderNoCache), "cannot start the file", error) ||
        Failed(encoder->CreateNewFrame(frame.out(), options.out()), "cannot start the picture", error) ||
        Failed(frame->Initialize(options.get()), "cannot start the picture", error) ||
        Failed(frame->SetSize(static_cast<UINT>(image.width), static_cast<UINT>(image.height)),
               "cannot set the size", error) ||
        Failed(frame->SetPixelFormat(&format), "cannot set the pixel format", error)) {
        return false;
    }
    // The encoder names the format it will store; any other than the one
    // asked for would change the pixels.
    if (format != WicFormat(image.bpp)) {
        *error = std::string("the Windows ") + formatName + " encoder cannot store " + std::to_string(image.bpp) +
                 "-bit pixels as they are";
        return false;
    }
    STATSTG status = {};
    if (Failed(frame->WritePixels(static_cast<UINT>(image.height), static_cast<UINT>(image.stride),
                                  static_cast<UINT>(image.bytes.size()), const_cast<BYTE*>(image.bytes.data())),
               "cannot write the pixels", error) ||
        Failed(frame->Commit(), "cannot finish the picture", error) ||
        Failed(encoder->Commit(), "cannot finish the file", error) ||
        Failed(memory->Stat(&status, STATFLAG_NONAME), "cannot finish the file", error)) {
        return false;
    }
    LARGE_INTEGER start = {};
    file->assign(static_cast<size_t>(status.cbSize.QuadPart), 0);
    ULONG got = 0;
    return !Failed(memory->Seek(start, STREAM_SEEK_SET, nullptr), "cannot finish the file", error) &&
           !Failed(memory->Read(file->data(), static_cast<ULONG>(file->size()), &got), "cannot finish the file",
                   error);
}

}  // namespace

bool DecodePng(const std::vector<uint8_t>& file, Image* image, std::string* error) {
    return Decode(file, GUID_ContainerFormatPng, "PNG", false, image, error);
}

bool EncodePng(const Image& image, std::vector<uint8_t>* file, std::string* error) {
    return Encode(image, GUID_ContainerFormatPng, ImageFormat::Png, file, error);
}

bool DecodeJpeg(const std::vector<uint8_t>& file, Image* image, std::string* error) {
    return Decode(file, GUID_ContainerFormatJpeg, "JPEG", false, image, error);
}

bool DecodeTiff(const std::vector<uint8_t>& file, Image* image, std::string* error) {
    return Decode(file, GUID_ContainerFormatTiff, "TIFF", true, image, error);
}

// The Windows encoder chooses its own strips; tiles are read, not written.
bool EncodeTiff(const Image& image, std::vector<uint8_t>* file, std::string* error, int32_t) {
    return Encode(image, GUID_ContainerFormatTiff, ImageFormat::Tiff, file, error);
}

}  // namespace kaf_tool
