#include "Operations.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <map>
#include <mutex>

namespace velimg {

Arguments::Arguments(std::string operation, std::string form, const std::string& text)
    : operation_(std::move(operation)), form_(std::move(form)) {
    if (text.empty()) return;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        values_.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
}

void Arguments::Fail(const std::string& why) const {
    throw UsageError("--" + operation_ + ": " + why + " (expected: --" + operation_ +
                     (form_.empty() ? "" : " " + form_) + ")");
}

void Arguments::ExpectCount(size_t low, size_t high) const {
    if (values_.size() < low || values_.size() > high) Fail("wrong number of arguments");
}

const std::string& Arguments::Text(size_t index) const {
    if (index >= values_.size() || values_[index].empty()) Fail("missing argument");
    return values_[index];
}

int32_t Arguments::Int(size_t index, int32_t low, int32_t high) const {
    const std::string& text = Text(index);
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (*end != '\0' || errno != 0 || value < low || value > high) {
        Fail("'" + text + "' is not a whole number from " + std::to_string(low) + " to " +
             std::to_string(high));
    }
    return static_cast<int32_t>(value);
}

float Arguments::Float(size_t index, float low, float high) const {
    const std::string& text = Text(index);
    char* end = nullptr;
    const float value = std::strtof(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(value) || value < low || value > high) {
        Fail("'" + text + "' is not a number from " + std::to_string(low) + " to " +
             std::to_string(high));
    }
    return value;
}

uint32_t Arguments::Colour(size_t index) const {
    std::string text = Text(index);
    if (text.rfind("0x", 0) == 0 || text.rfind("#", 0) == 0) text = text.substr(text[0] == '#' ? 1 : 2);
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 16);
    if (*end != '\0' || (text.size() != 6 && text.size() != 8)) Fail("'" + text + "' is not a colour RRGGBB or AARRGGBB");
    return static_cast<uint32_t>(text.size() == 6 ? (value | 0xFF000000u) : value);
}

namespace {

constexpr int32_t kMaxSide = 32767;
constexpr float kPi = 3.14159265f;

// The other picture of a two-image operation, scaled to this image's size
// when it differs so that the blends see equal sizes.
// Pictures named as arguments are read once per run: a batch lays the same
// picture over every file.
ArgbImage LoadPicture(const std::string& path) {
    static std::mutex mutex;
    static std::map<std::string, ArgbImage> loaded;
    std::lock_guard<std::mutex> lock(mutex);
    auto found = loaded.find(path);
    if (found == loaded.end()) {
        ArgbImage picture = LoadImageFile(path);
        if (!picture) throw std::runtime_error("cannot read image file '" + path + "'");
        found = loaded.emplace(path, std::move(picture)).first;
    }
    ArgbImage copy = CopyOf(found->second.get());
    if (!copy) throw std::runtime_error("out of memory");
    return copy;
}

ArgbImage OtherPicture(ICImageARGB* image, const std::string& path) {
    ArgbImage other = LoadPicture(path);
    if (other->GetWidth() == image->GetWidth() && other->GetHeight() == image->GetHeight()) return other;
    ArgbImage scaled = NewArgb(image->GetWidth(), image->GetHeight());
    if (!scaled) throw std::runtime_error("out of memory");
    const ImageDesc desc = scaled->GetDesc();
    other->ResizeTo(&desc, 0);
    return scaled;
}

// The luma of the image as a byte plane, for the plane filters.
ByteImage LumaPlane(ICImageARGB* image) {
    ByteImage plane(GetCImageByte2(image->GetWidth(), image->GetHeight()));
    if (!plane) throw std::runtime_error("out of memory");
    const ImageDesc desc = plane->GetDesc();
    image->ConvertToLuma(&desc);
    return plane;
}

void ShowPlane(ICImageARGB* image, ICImageByte* plane) {
    const ImageDesc desc = plane->GetDesc();
    image->SetGrayFromPlane(&desc);
}

using Run = void (*)(ArgbImage*, const Arguments&);

template <void (ICImageARGB::*Method)(int32_t)>
Operation IntOperation(const char* name, const char* form, const char* summary) {
    return {name, form, summary, [](ArgbImage* image, const Arguments& a) {
                a.ExpectCount(1, 1);
                const int32_t value = a.Int(0, -1000, 1000);
                if (image) ((**image).*Method)(value);
            }};
}

template <void (ICImageARGB::*Method)()>
Operation PlainOperation(const char* name, const char* summary) {
    return {name, "", summary, [](ArgbImage* image, const Arguments& a) {
                a.ExpectCount(0, 0);
                if (image) ((**image).*Method)();
            }};
}

template <void (ICImageARGB::*Method)(const ImageDesc*)>
Operation BlendOperation(const char* name, const char* summary) {
    return {name, "FILE", summary, [](ArgbImage* image, const Arguments& a) {
                a.ExpectCount(1, 1);
                const std::string& path = a.Text(0);
                if (!image) return;
                ArgbImage other = OtherPicture(image->get(), path);
                const ImageDesc desc = other->GetDesc();
                ((**image).*Method)(&desc);
            }};
}

template <void (ICImageARGB::*Method)(const ImageDesc*, uint8_t)>
Operation OpacityBlendOperation(const char* name, const char* summary) {
    return {name, "FILE[,OPACITY]", summary, [](ArgbImage* image, const Arguments& a) {
                a.ExpectCount(1, 2);
                const std::string& path = a.Text(0);
                const int32_t opacity = a.Count() > 1 ? a.Int(1, 0, 255) : 255;
                if (!image) return;
                ArgbImage other = OtherPicture(image->get(), path);
                const ImageDesc desc = other->GetDesc();
                ((**image).*Method)(&desc, static_cast<uint8_t>(opacity));
            }};
}

std::vector<Operation> BuildOperations() {
    std::vector<Operation> all = {
        {"resize", "WIDTHxHEIGHT[,MODE]", "scale to a new size; MODE 0 bilinear (default), 1 nearest row, 2 box average",
         [](ArgbImage* image, const Arguments& a) {
             a.ExpectCount(1, 2);
             const std::string& size = a.Text(0);
             const size_t cross = size.find('x');
             if (cross == std::string::npos) a.Fail("'" + size + "' is not WIDTHxHEIGHT");
             const Arguments sides("resize", "WIDTHxHEIGHT[,MODE]", size.substr(0, cross) + "," + size.substr(cross + 1));
             const int32_t width = sides.Int(0, 2, kMaxSide);
             const int32_t height = sides.Int(1, 2, kMaxSide);
             const int32_t mode = a.Count() > 1 ? a.Int(1, 0, 2) : 0;
             if (!image) return;
             ArgbImage resized = NewArgb(width, height);
             if (!resized) throw std::runtime_error("out of memory");
             const ImageDesc desc = resized->GetDesc();
             (*image)->ResizeTo(&desc, static_cast<uint32_t>(mode));
             *image = std::move(resized);
         }},
        IntOperation<&ICImageARGB::ApplyBoxBlur>("box-blur", "RADIUS", "box blur of the colour and alpha"),
        IntOperation<&ICImageARGB::ApplyBoxBlurAlphaWeighted>("box-blur-alpha-weighted", "RADIUS", "box blur weighted by alpha"),
        IntOperation<&ICImageARGB::ApplyGaussianBlur>("gaussian-blur", "RADIUS", "Gaussian blur"),
        IntOperation<&ICImageARGB::ApplyGaussianBlurAlphaWeighted>("gaussian-blur-alpha-weighted", "RADIUS", "Gaussian blur weighted by alpha"),
        IntOperation<&ICImageARGB::ApplyZoomBlur>("zoom-blur", "STEPS", "radial zoom blur towards the centre"),
        IntOperation<&ICImageARGB::MedianFilterChannels>("median-filter-channels", "RADIUS", "median of each colour channel over a square window"),
        {"unsharp-mask", "AMOUNT,RADIUS,THRESHOLD", "sharpen: AMOUNT in percent, RADIUS in pixels, THRESHOLD 0..510",
         [](ArgbImage* image, const Arguments& a) {
             a.ExpectCount(3, 3);
             const float amount = a.Float(0, 0.0f, 1000.0f);
             const float radius = a.Float(1, 0.0f, 100.0f);
             const int32_t threshold = a.Int(2, 0, 1000);
             if (image) (*image)->UnsharpMask(amount, radius, static_cast<uint32_t>(threshold));
         }},
        PlainOperation<&ICImageARGB::ConvertToGray>("convert-to-gray", "grey by luma"),
        PlainOperation<&ICImageARGB::ConvertToGrayLightness>("convert-to-gray-lightness", "grey by HSL lightness"),
        PlainOperation<&ICImageARGB::Invert>("invert", "negative of the colour"),
        IntOperation<&ICImageARGB::Posterize>("posterize", "STEP", "colour levels in steps of STEP"),
        {"adjust-contrast", "GAIN", "contrast around mid-grey, GAIN 0..10",
         [](ArgbImage* image, const Arguments& a) {
             a.ExpectCount(1, 1);
             const float gain = a.Float(0, 0.0f, 10.0f);
             if (image) (*image)->AdjustContrast(gain);
         }},
        IntOperation<&ICImageARGB::AdjustContrastAroundMean>("adjust-contrast-around-mean", "AMOUNT", "contrast around the image's mean, AMOUNT -100..100"),
        IntOperation<&ICImageARGB::AdjustBrightness>("adjust-brightness", "DELTA", "add DELTA to every colour byte"),
        {"map-levels", "IN_LOW,IN_HIGH,OUT_LOW,OUT_HIGH", "stretch the input range onto the output range",
         [](ArgbImage* image, const Arguments& a) {
             a.ExpectCount(4, 4);
             int32_t v[4];
             for (size_t i = 0; i < 4; ++i) v[i] = a.Int(i, 0, 255);
             if (image) (*image)->MapLevels(static_cast<uint8_t>(v[0]), static_cast<uint8_t>(v[1]), static_cast<uint8_t>(v[2]), static_cast<uint8_t>(v[3]));
         }},
        {"set-alpha", "ALPHA", "set every alpha byte",
         [](ArgbImage* image, const Arguments& a) {
             a.ExpectCount(1, 1);
             const int32_t alpha = a.Int(0, 0, 255);
             if (image) (*image)->SetAlpha(static_cast<uint8_t>(alpha));
         }},
        {"fill-color-keep-alpha", "RED,GREEN,BLUE", "paint every pixel one colour, alpha kept",
         [](ArgbImage* image, const Arguments& a) {
             a.ExpectCount(3, 3);
             const int32_t r = a.Int(0, 0, 255), g = a.Int(1, 0, 255), b = a.Int(2, 0, 255);
             if (image) (*image)->FillColorKeepAlpha(static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b));
         }},
        {"blend-color", "COLOUR[,OPACITY]", "blend a colour (RRGGBB or AARRGGBB) over every pixel",
         [](ArgbImage* image, const Arguments& a) {
             a.ExpectCount(1, 2);
             const uint32_t colour = a.Colour(0);
             const int32_t opacity = a.Count() > 1 ? a.Int(1, 0, 255) : 255;
             if (image) (*image)->BlendColor(colour, static_cast<uint8_t>(opacity));
         }},
        {"scale-channels-rgb", "RED,GREEN,BLUE,ALPHA", "scale each channel by a factor in 256ths",
         [](ArgbImage* image, const Arguments& a) {
             a.ExpectCount(4, 4);
             int32_t v[4];
             for (size_t i = 0; i < 4; ++i) v[i] = a.Int(i, 0, 255);
             if (image) (*image)->ScaleChannelsRGB(static_cast<uint8_t>(v[0]), static_cast<uint8_t>(v[1]), static_cast<uint8_t>(v[2]), static_cast<uint8_t>(v[3]));
         }},
        {"set-alpha-from-color-key", "COLOUR,TOLERANCE", "make pixels near a colour (RRGGBB) transparent",
         [](ArgbImage* image, const Arguments& a) {
             a.ExpectCount(2, 2);
             const uint32_t rgb = a.Colour(0);
             const int32_t tolerance = a.Int(1, 0, 765);
             // The key is in colour-reference order: red in the low byte.
             const uint32_t key = ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
             if (image) (*image)->ApplySetAlphaFromColorKey(key, tolerance);
         }},
        {"rotate", "DEGREES[,MODE]", "turn the picture about its centre on a transparent canvas",
         [](ArgbImage* image, const Arguments& a) {
             a.ExpectCount(1, 2);
             const float degrees = a.Float(0, -3600.0f, 3600.0f);
             const int32_t mode = a.Count() > 1 ? a.Int(1, 0, 1) : 0;
             if (!image) return;
             ArgbImage source = CopyOf(image->get());
             if (!source) throw std::runtime_error("out of memory");
             const ImageDesc desc = source->GetDesc();
             const float width = static_cast<float>((*image)->GetWidth());
             const float height = static_cast<float>((*image)->GetHeight());
             (*image)->Fill(0);
             (*image)->DrawRotatedImage(&desc, mode, width / 2.0f, height / 2.0f, width, height,
                                        degrees * kPi / 180.0f, 255);
         }},
        {"draw-image", "FILE,X,Y,WIDTH,HEIGHT[,OPACITY]", "scale a picture into a rectangle and blend it in by its alpha",
         [](ArgbImage* image, const Arguments& a) {
             a.ExpectCount(5, 6);
             const std::string& path = a.Text(0);
             float box[4];
             for (size_t i = 0; i < 4; ++i) box[i] = a.Float(i + 1, -100000.0f, 100000.0f);
             const int32_t opacity = a.Count() > 5 ? a.Int(5, 0, 255) : 255;
             if (!image) return;
             ArgbImage picture = LoadPicture(path);
             const ImageDesc desc = picture->GetDesc();
             (*image)->DrawImage(&desc, 0, box[0], box[1], box[2], box[3], static_cast<uint8_t>(opacity));
         }},
        BlendOperation<&ICImageARGB::MultiplyBlend>("multiply-blend", "multiply with another picture"),
        BlendOperation<&ICImageARGB::ScreenBlend>("screen-blend", "screen with another picture"),
        BlendOperation<&ICImageARGB::ColorDodgeBlend>("color-dodge-blend", "colour dodge with another picture"),
        BlendOperation<&ICImageARGB::LinearDodgeBlend>("linear-dodge-blend", "add another picture"),
        BlendOperation<&ICImageARGB::OverlayBlend>("overlay-blend", "overlay another picture"),
        BlendOperation<&ICImageARGB::HardLightBlend>("hard-light-blend", "hard light with another picture"),
        BlendOperation<&ICImageARGB::SoftLightBlend>("soft-light-blend", "soft light with another picture"),
        OpacityBlendOperation<&ICImageARGB::AlphaBlend>("alpha-blend", "lay another picture over by its alpha"),
        OpacityBlendOperation<&ICImageARGB::AdditiveBlend>("additive-blend", "add another picture by its alpha"),
        OpacityBlendOperation<&ICImageARGB::AlphaComposite>("alpha-composite", "composite another picture over, alpha included"),
        {"emboss-to-plane", "DIRECTION", "grey relief of the luma in a direction 0..7",
         [](ArgbImage* image, const Arguments& a) {
             a.ExpectCount(1, 1);
             const int32_t direction = a.Int(0, 0, 7);
             if (!image) return;
             ByteImage plane(GetCImageByte2((*image)->GetWidth(), (*image)->GetHeight()));
             if (!plane) throw std::runtime_error("out of memory");
             const ImageDesc desc = plane->GetDesc();
             (*image)->EmbossToPlane(&desc, direction);
             ShowPlane(image->get(), plane.get());
         }},
        {"gradient-magnitude", "", "per-channel edge strength",
         [](ArgbImage* image, const Arguments& a) {
             a.ExpectCount(0, 0);
             if (!image) return;
             ArgbImage result = CopyOf(image->get());
             if (!result) throw std::runtime_error("out of memory");
             const ImageDesc desc = result->GetDesc();
             (*image)->GradientMagnitude(&desc);
             *image = std::move(result);
         }},
        {"convert-to-luma", "", "grey picture of the studio-range luma",
         [](ArgbImage* image, const Arguments& a) {
             a.ExpectCount(0, 0);
             if (!image) return;
             ByteImage plane = LumaPlane(image->get());
             ShowPlane(image->get(), plane.get());
         }},
        {"detect-edges", "THRESHOLD", "edges of the luma plane, white on black",
         [](ArgbImage* image, const Arguments& a) {
             a.ExpectCount(1, 1);
             const int32_t threshold = a.Int(0, 0, 255);
             if (!image) return;
             ByteImage plane = LumaPlane(image->get());
             ByteImage edges(GetCImageByte2(plane->GetWidth(), plane->GetHeight()));
             if (!edges) throw std::runtime_error("out of memory");
             edges->Fill(0);
             const ImageDesc desc = edges->GetDesc();
             plane->DetectEdges(&desc, threshold, 255);
             ShowPlane(image->get(), edges.get());
         }},
        {"ayuv-round-trip", "", "convert to studio-range AYUV and back",
         [](ArgbImage* image, const Arguments& a) {
             a.ExpectCount(0, 0);
             if (!image) return;
             AyuvImage ayuv(GetCImageAYUV2((*image)->GetWidth(), (*image)->GetHeight()));
             if (!ayuv) throw std::runtime_error("out of memory");
             const ImageDesc yuv = ayuv->GetDesc();
             (*image)->ConvertToAYUV(&yuv);
             const ImageDesc rgb = (*image)->GetDesc();
             ayuv->ConvertToARGB(&rgb);
         }},
    };
    return all;
}

}  // namespace

const std::vector<Operation>& AllOperations() {
    static const std::vector<Operation> all = BuildOperations();
    return all;
}

const Operation* FindOperation(const std::string& name) {
    for (const Operation& operation : AllOperations()) {
        if (name == operation.name) return &operation;
    }
    return nullptr;
}

void CheckSteps(const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        step.operation->run(nullptr, Arguments(step.operation->name, step.operation->form, step.argumentText));
    }
}

void RunSteps(ArgbImage& image, const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        step.operation->run(&image, Arguments(step.operation->name, step.operation->form, step.argumentText));
    }
}

}  // namespace velimg
