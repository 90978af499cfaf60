#include "imagefiles/kestrel/Dct.h"

namespace Kestrel {

namespace {

using u32 = std::uint32_t;

// Arithmetic shift of a wrapped 32-bit value.
inline u32 Shr(u32 x, int n) { return static_cast<u32>(static_cast<std::int32_t>(x) >> n); }
inline u32 M(u32 x, u32 c) { return Shr(x + 128u, 8) * c; }

// The even and odd parts of one inverse 8-point pass.
struct InverseOut {
    u32 v[8];
};

inline InverseOut InverseButterfly(u32 d0, u32 d1, u32 d2, u32 d3, u32 d4, u32 d5, u32 d6, u32 d7) {
    // Even part.
    const u32 t10 = d0 + d4, t11 = d0 - d4;
    const u32 t13 = d2 + d6;
    const u32 t12 = M(d2 - d6, 362) - t13;
    const u32 e0 = t10 + t13, e3 = t10 - t13, e1 = t11 + t12, e2 = t11 - t12;
    // Odd part.
    const u32 z13 = d5 + d3, z10 = d5 - d3, z11 = d1 + d7, z12 = d1 - d7;
    const u32 o7 = z11 + z13;
    const u32 z5 = M(z10 - z12, 196);
    const u32 o6 = M(z12, 277) - o7 - z5;
    const u32 o5 = M(z11 - z13, 362) - o6;
    const u32 o4 = M(z10, 669) - o5 - z5;
    return {{e0 + o7, e1 + o6, e2 + o5, e3 + o4, e3 - o4, e2 - o5, e1 - o6, e0 - o7}};
}

inline std::int16_t ToSample(u32 x) {
    const std::int32_t s = static_cast<std::int32_t>(Shr(x + 32768u, 16)) + 128;
    return static_cast<std::int16_t>(s < 0 ? 0 : (s > 255 ? 255 : s));
}

// Pass 2 over all eight columns side by side, so that the compiler can run
// them in vector lanes: work and block never overlap.
void InverseColumns(const u32* __restrict work, std::int16_t* __restrict block) {
    for (int col = 0; col < 8; ++col) {
        const InverseOut o = InverseButterfly(work[col], work[8 + col], work[16 + col], work[24 + col], work[32 + col],
                                              work[40 + col], work[48 + col], work[56 + col]);
        block[col] = ToSample(o.v[0]);
        block[8 + col] = ToSample(o.v[1]);
        block[16 + col] = ToSample(o.v[2]);
        block[24 + col] = ToSample(o.v[3]);
        block[32 + col] = ToSample(o.v[4]);
        block[40 + col] = ToSample(o.v[5]);
        block[48 + col] = ToSample(o.v[6]);
        block[56 + col] = ToSample(o.v[7]);
    }
}

}  // namespace

void InverseDct(std::int16_t* block, const std::int32_t* dq) {
    u32 work[64];
    // Pass 1: rows, dequantised on the way in. A row whose coefficients 1..7
    // are zero gives eight copies of its DC term (as the butterfly would).
    bool onlyFirstRow = true;
    for (int r = 0; r < 64; r += 8) {
        const std::int16_t* c = block + r;
        const int ac = c[1] | c[2] | c[3] | c[4] | c[5] | c[6] | c[7];
        if (ac == 0) {
            const u32 d0 = static_cast<u32>(static_cast<std::int32_t>(c[0])) * static_cast<u32>(dq[r]);
            for (int k = 0; k < 8; ++k)
                work[r + k] = d0;
            onlyFirstRow = onlyFirstRow && (r == 0 || c[0] == 0);
            continue;
        }
        onlyFirstRow = onlyFirstRow && r == 0;
        u32 d[8];
        for (int k = 0; k < 8; ++k)
            d[k] = static_cast<u32>(static_cast<std::int32_t>(c[k])) * static_cast<u32>(dq[r + k]);
        const InverseOut o = InverseButterfly(d[0], d[1], d[2], d[3], d[4], d[5], d[6], d[7]);
        for (int k = 0; k < 8; ++k)
            work[r + k] = o.v[k];
    }
    // Pass 2: columns, then level shift and clamping. When rows 1..7 are all
    // zero every column is a DC column: eight copies of its first entry.
    if (onlyFirstRow) {
        for (int col = 0; col < 8; ++col) {
            const std::int16_t s = ToSample(work[col]);
            for (int k = 0; k < 8; ++k)
                block[8 * k + col] = s;
        }
        return;
    }
    InverseColumns(work, block);
}

namespace {

// One forward pass on d[0], d[stride], ... into out likewise.
inline void ForwardPass(const std::int32_t* d, int stride, std::int32_t* out, int outStride) {
    const std::int32_t d0 = d[0], d1 = d[stride], d2 = d[2 * stride], d3 = d[3 * stride], d4 = d[4 * stride],
                       d5 = d[5 * stride], d6 = d[6 * stride], d7 = d[7 * stride];
    const auto Mf = [](std::int32_t x, std::int32_t c) { return ((x + 128) >> 8) * c; };
    const std::int32_t tmp0 = d0 + d7, tmp7 = d0 - d7, tmp1 = d1 + d6, tmp6 = d1 - d6;
    const std::int32_t tmp2 = d2 + d5, tmp5 = d2 - d5, tmp3 = d3 + d4, tmp4 = d3 - d4;
    // Even part.
    const std::int32_t tmp10 = tmp0 + tmp3, tmp13 = tmp0 - tmp3, tmp11 = tmp1 + tmp2, tmp12 = tmp1 - tmp2;
    out[0] = tmp10 + tmp11;
    out[4 * outStride] = tmp10 - tmp11;
    const std::int32_t z1 = Mf(tmp12 + tmp13, 181);
    out[2 * outStride] = tmp13 + z1;
    out[6 * outStride] = tmp13 - z1;
    // Odd part.
    const std::int32_t s10 = tmp4 + tmp5, s11 = tmp5 + tmp6, s12 = tmp6 + tmp7;
    const std::int32_t z5 = Mf(s12 - s10, 98);
    const std::int32_t z2 = Mf(s10, 139) - z5;
    const std::int32_t z4 = Mf(s12, 334) - z5;
    const std::int32_t z3 = Mf(s11, 181);
    const std::int32_t z11 = tmp7 + z3, z13 = tmp7 - z3;
    out[5 * outStride] = z13 + z2;
    out[3 * outStride] = z13 - z2;
    out[outStride] = z11 + z4;
    out[7 * outStride] = z11 - z4;
}

}  // namespace

QuantDivisor MakeQuantDivisor(std::int32_t q) {
    QuantDivisor d;
    d.q = q < 1 ? 1 : q;
    int l = 0;
    while ((std::int64_t(1) << l) < d.q)
        ++l;
    d.shift = 31 + l;
    d.magic = ((std::uint64_t(1) << d.shift) / std::uint64_t(d.q)) + 1;
    return d;
}

namespace {

inline std::int32_t Divide(std::int32_t n, const QuantDivisor& d) {
    return static_cast<std::int32_t>((std::uint64_t(n) * d.magic) >> d.shift);
}

}  // namespace

void ForwardDct(std::int16_t* block, const QuantDivisor* divisors) {
    // Samples are 0..255, so every intermediate value stays well inside
    // 32 bits: at most 64 * 128 * 65536 * 1.4 in magnitude.
    std::int32_t work[64];
    for (int r = 0; r < 64; r += 8) {
        std::int32_t d[8];
        for (int k = 0; k < 8; ++k)
            d[k] = (block[r + k] - 128) * 65536;
        ForwardPass(d, 1, work + r, 1);
    }
    for (int col = 0; col < 8; ++col) {
        std::int32_t out[8];
        ForwardPass(work + col, 8, out, 1);
        for (int k = 0; k < 8; ++k) {
            const int pos = 8 * k + col;
            const std::int32_t t = (out[k] + 8) >> 4;
            const QuantDivisor& d = divisors[pos];
            // Both signs as one: sign * ((|t| + q'/2) / q'), without a branch
            // that the signs of small coefficients would make unpredictable.
            const std::int32_t sign = t >> 31;
            const std::int32_t magnitude = (t ^ sign) - sign;
            const std::int32_t c = (Divide(magnitude + (d.q >> 1), d) ^ sign) - sign;
            block[pos] = static_cast<std::int16_t>(c);
        }
    }
}

}  // namespace Kestrel
