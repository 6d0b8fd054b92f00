// The image's own box and zoom blurs, which keep only the rows still to be
// read, against the services blurring a separate copy.
#include "services/FilterServices.h"
#include "test_support.h"

namespace VelImageUtility {
namespace test {
namespace {

TEST(InPlaceBlurs, EqualTheServicesFromACopyLeavingThePadding) {
    std::mt19937 rng(31);
    struct Size { int32_t width, height; };
    for (const Size size : {Size{1, 1}, Size{1, 9}, Size{9, 1}, Size{2, 7}, Size{7, 5}, Size{13, 11}, Size{3, 40}, Size{40, 3}, Size{131, 130}}) {
        Frame src = RandomFrame(rng, size.width, size.height, 4, 12);
        for (int32_t i = 3; i < int32_t(src.bytes.size()); i += 4) src.bytes[i] = src.bytes[i] % 3 ? src.bytes[i] : 0;
        for (int32_t radius : {-1, 1, 2, 3, 5, 64}) {
            for (int32_t level : {kPlainLevel, kSse2Level}) {
                for (int32_t kind : {0, 1, 2, 3}) {  // ARGB box, ARGB alpha-weighted, AYUV box, zoom (radius as steps)
                    Frame image = src, out = src;  // the service writes `out` apart from its source
                    CImageARGB service = ImageAt(level, src);
                    if (kind == 3) {
                        ImageAt(level, image).ApplyZoomBlur(radius);
                        ZoomBlurRows(out.bytes.data(), src.bytes.data(), src.width, src.height, out.stride, src.stride, radius);
                    } else if (kind == 1) {
                        ImageAt(level, image).ApplyBoxBlurAlphaWeighted(radius);
                        service.BoxBlurAlphaWeighted(out.bytes.data(), src.bytes.data(), src.width, src.height, out.stride, src.stride, radius);
                    } else {
                        if (kind == 0) ImageAt(level, image).ApplyBoxBlur(radius);
                        if (kind == 2) ImageAt<CImageAYUV>(level, image).BoxBlurInPlace(radius);
                        service.BoxBlur(out.bytes.data(), src.bytes.data(), src.width, src.height, out.stride, src.stride, radius);
                    }
                    EXPECT_EQ(image.bytes, out.bytes) << size.width << "x" << size.height << " r " << radius << " level " << level
                                                      << " kind " << kind;
                }
            }
        }
    }
}

}  // namespace
}  // namespace test
}  // namespace VelImageUtility
