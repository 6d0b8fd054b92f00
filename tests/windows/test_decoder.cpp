// viu_test_decoder.dll: an in-process COM server for the external image
// decoder class, so that the tests can take LoadFromFile's component path.
// It reads one raw format of its own:
//   "VIUR", u32 width, u32 height (little-endian), then width * height
//   pixels of 4 bytes (blue, green, red, alpha), top row first, packed.
// Open refuses any other file; a file that starts "VIUF" opens (the size
// comes from its header) but its pixels cannot be copied.
#include <atomic>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <vector>

#include "io/ExternalImageDecoderWindows.h"

using VelImageUtility::IExternalImageDecoder;

namespace {

std::atomic<long> gObjects{0}, gOpenCount{0};
wchar_t gLastPath[1024];

class RawDecoder : public IExternalImageDecoder {
public:
    RawDecoder() { ++gObjects; }
    virtual ~RawDecoder() { --gObjects; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        const bool known = iid == IID_IUnknown || iid == VelImageUtility::kExternalImageDecoderIid;
        *object = known ? static_cast<IExternalImageDecoder*>(this) : nullptr;
        if (known) AddRef();
        return known ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE Unused3() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Open(const wchar_t* path) override {
        ++gOpenCount;
        std::wcsncpy(gLastPath, path, std::size(gLastPath) - 1);
        std::ifstream file(path, std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        if (bytes.size() < 12) return E_FAIL;
        const bool raw = std::memcmp(bytes.data(), "VIUR", 4) == 0;
        failCopy_ = std::memcmp(bytes.data(), "VIUF", 4) == 0;
        std::memcpy(&width_, &bytes[4], 4);
        std::memcpy(&height_, &bytes[8], 4);
        if (!raw && !failCopy_) return E_FAIL;
        if (raw && bytes.size() != 12 + uint64_t{width_} * height_ * 4) return E_FAIL;
        pixels_.assign(bytes.begin() + 12, bytes.end());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Unused5() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unused6() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetHeight(uint32_t* height) override { return *height = height_, S_OK; }
    HRESULT STDMETHODCALLTYPE GetWidth(uint32_t* width) override { return *width = width_, S_OK; }
    HRESULT STDMETHODCALLTYPE Unused9() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unused10() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unused11() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CopyPixels(uint8_t* buffer, uint32_t width, uint32_t height, uint32_t stride) override {
        if (failCopy_ || width != width_ || height != height_) return E_FAIL;
        for (uint32_t y = 0; y < height; ++y)
            std::memcpy(buffer + size_t{y} * stride, pixels_.data() + size_t{y} * width * 4, size_t{width} * 4);
        return S_OK;
    }

private:
    std::atomic<ULONG> references_{1};
    uint32_t width_ = 0, height_ = 0;
    bool failCopy_ = false;
    std::vector<uint8_t> pixels_;
};

// One static factory for the life of the module.
class RawDecoderFactory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        const bool known = iid == IID_IUnknown || iid == IID_IClassFactory;
        *object = known ? static_cast<IClassFactory*>(this) : nullptr;
        return known ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        *object = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        RawDecoder* decoder = new RawDecoder();
        const HRESULT result = decoder->QueryInterface(iid, object);
        decoder->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

RawDecoderFactory gFactory;

}  // namespace

extern "C" {

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    *object = nullptr;
    if (clsid != VelImageUtility::kExternalImageDecoderClsid) return CLASS_E_CLASSNOTAVAILABLE;
    return gFactory.QueryInterface(iid, object);
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() { return gObjects == 0 ? S_OK : S_FALSE; }

// For the tests: how many times Open ran, and the path it last saw.
long TestDecoderOpenCount() { return gOpenCount; }
void TestDecoderLastPath(wchar_t* out, size_t capacity) {
    std::wcsncpy(out, gLastPath, capacity);
    if (capacity > 0) out[capacity - 1] = L'\0';
}

}  // extern "C"
