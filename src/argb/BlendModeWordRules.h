// The word rules of the layer blend modes, written once for the SSE2 and the
// AVX2 rows. `V` names the integer register `V::Int` of 16-bit lanes holding
// 0..255, the float register `V::Float` and the operations used below; each
// row file defines its `V` in its own unnamed namespace, so that no
// instruction of one tier reaches the other. Results above 255 are
// saturated by the row's store.
#pragma once

#include <cstdint>

#include "argb/ArgbBlendModeKernels.h"

namespace VelImageUtility {

template <class V>
struct BlendModeWordRules {
    using Int = typename V::Int;
    using Float = typename V::Float;

    // Products of two such values fit 16 bits unsigned, so the low product
    // and logical shifts give the exact plain values.
    static Int Multiply(Int s, Int d) { return V::ShiftRight(V::Multiply(d, s), 8); }

    static Int Screen(Int s, Int d) {
        const Int white = V::Words(255);
        return V::Subtract(white, V::ShiftRight(V::Multiply(V::Subtract(white, d), V::Subtract(white, s)), 8));
    }

    // (s * d) >> 7 where `selector` <= 128, else 255 - (((255 - s) * (255 - d)) >> 7).
    static Int MultiplyOrScreen(Int s, Int d, Int selector) {
        const Int white = V::Words(255);
        const Int multiplied = V::ShiftRight(V::Multiply(s, d), 7);
        const Int screened = V::Subtract(white, V::ShiftRight(V::Multiply(V::Subtract(white, s), V::Subtract(white, d)), 7));
        return V::Select(V::GreaterThan(selector, V::Words(128)), screened, multiplied);
    }

    // Words from `rule` applied to the floats of each half, truncated.
    template <typename FloatRule>
    static Int FloatWords(Int s, Int d, FloatRule rule) {
        return V::PackTruncated(rule(V::LowFloats(s), V::LowFloats(d)), rule(V::HighFloats(s), V::HighFloats(d)));
    }

    // d * 256 / (255 - s) in single precision truncates to the integer
    // quotient for every pair of bytes. Lanes with s = 255 divide by 1
    // instead of 0 and are then set to 255.
    static Int ColorDodge(Int s, Int d) {
        const Int white = V::Words(255);
        const Int divisor = V::Max(V::Subtract(white, s), V::Words(1));
        // d * 256 fits 16 bits unsigned.
        const Int quotient = FloatWords(divisor, V::ShiftLeft(d, 8), [](Float divisorFloats, Float numerator) {
            return V::Divide(numerator, divisorFloats);
        });
        return V::Select(V::Equal(s, white), white, quotient);
    }

    // The plain rule's operations in the plain rule's order, lane by lane;
    // the divisions and square root round exactly as their scalar forms.
    static Float SoftLightFloats(Float sInt, Float dInt) {
        const Float scale = V::Floats(255.0f);
        const Float sf = V::Divide(sInt, scale);
        const Float df = V::Divide(dInt, scale);
        const Float strength = V::Subtract(V::Multiply(V::Floats(2.0f), sf), V::Floats(1.0f));
        const Float lighten = V::Subtract(V::SquareRoot(df), df);
        const Float darken = V::Subtract(df, V::Multiply(df, df));
        const Float term = V::Select(V::GreaterThan(sf, V::Floats(0.5f)), lighten, darken);
        return V::Multiply(V::Add(df, V::Multiply(strength, term)), scale);
    }
};

// Calls `row(rule)` with the word rule `rule(s, d)` of `mode`. Each rule goes
// in as a lambda of its own type, so that every row loop is compiled with
// its rule inlined.
template <class V, typename Row>
void WithBlendWordRule(BlendMode mode, Row row) {
    using Rules = BlendModeWordRules<V>;
    using Int = typename V::Int;
    using Float = typename V::Float;
    switch (mode) {
        case BlendMode::Multiply: return row([](Int s, Int d) { return Rules::Multiply(s, d); });
        case BlendMode::Screen: return row([](Int s, Int d) { return Rules::Screen(s, d); });
        case BlendMode::ColorDodge: return row([](Int s, Int d) { return Rules::ColorDodge(s, d); });
        case BlendMode::LinearDodge: return row([](Int s, Int d) { return V::Add(d, s); });
        case BlendMode::Overlay: return row([](Int s, Int d) { return Rules::MultiplyOrScreen(s, d, d); });
        case BlendMode::HardLight: return row([](Int s, Int d) { return Rules::MultiplyOrScreen(s, d, s); });
        case BlendMode::SoftLight:
            return row([](Int s, Int d) {
                return Rules::FloatWords(s, d, [](Float sf, Float df) { return Rules::SoftLightFloats(sf, df); });
            });
    }
}

}  // namespace VelImageUtility
