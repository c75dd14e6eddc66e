#include "core/TRC6.h"

#include <algorithm>
#include <bit>
#include <vector>

namespace {

constexpr std::uint32_t kP32 = 0xB7E15163u;
constexpr std::uint32_t kQ32 = 0x9E3779B9u;

std::uint32_t rotl(std::uint32_t value, std::uint32_t count)
{
    return std::rotl(value, static_cast<int>(count & 31u));
}

std::uint32_t rotr(std::uint32_t value, std::uint32_t count)
{
    return std::rotr(value, static_cast<int>(count & 31u));
}

std::uint32_t loadWord(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

void storeWord(std::uint32_t w, std::uint8_t* p)
{
    p[0] = std::uint8_t(w);
    p[1] = std::uint8_t(w >> 8);
    p[2] = std::uint8_t(w >> 16);
    p[3] = std::uint8_t(w >> 24);
}

// Overwrites memory in a way the optimiser may not drop.
template <typename T>
void wipe(T* data, std::size_t count)
{
    volatile T* p = data;
    for (std::size_t i = 0; i < count; ++i)
        p[i] = 0;
}

} // namespace

TRC6::TRC6(std::span<const std::uint8_t> key)
{
    const std::size_t keyBytes = std::min(key.size(), kMaxKeySize);
    const std::size_t c = std::max<std::size_t>(1, (keyBytes + 3) / 4);
    std::vector<std::uint32_t> l(c, 0);
    for (std::size_t i = 0; i < keyBytes; ++i)
        l[i / 4] |= std::uint32_t(key[i]) << (8 * (i % 4));

    const std::size_t t = m_s.size();
    m_s[0] = kP32;
    for (std::size_t i = 1; i < t; ++i)
        m_s[i] = m_s[i - 1] + kQ32;

    std::uint32_t a = 0, b = 0;
    std::size_t i = 0, j = 0;
    for (std::size_t k = 0, v = 3 * std::max(c, t); k < v; ++k) {
        a = m_s[i] = rotl(m_s[i] + a + b, 3);
        b = l[j] = rotl(l[j] + a + b, a + b);
        i = (i + 1) % t;
        j = (j + 1) % c;
    }
    wipe(l.data(), l.size());
}

TRC6::~TRC6()
{
    wipe(m_s.data(), m_s.size());
}

void TRC6::encryptBlock(const std::uint8_t* in, std::uint8_t* out) const
{
    std::uint32_t a = loadWord(in), b = loadWord(in + 4), c = loadWord(in + 8), d = loadWord(in + 12);
    b += m_s[0];
    d += m_s[1];
    for (int r = 1; r <= kRounds; ++r) {
        const std::uint32_t t = rotl(b * (2 * b + 1), 5);
        const std::uint32_t u = rotl(d * (2 * d + 1), 5);
        a = rotl(a ^ t, u) + m_s[2 * r];
        c = rotl(c ^ u, t) + m_s[2 * r + 1];
        const std::uint32_t oldA = a;
        a = b;
        b = c;
        c = d;
        d = oldA;
    }
    a += m_s[2 * kRounds + 2];
    c += m_s[2 * kRounds + 3];
    storeWord(a, out);
    storeWord(b, out + 4);
    storeWord(c, out + 8);
    storeWord(d, out + 12);
}

void TRC6::decryptBlock(const std::uint8_t* in, std::uint8_t* out) const
{
    std::uint32_t a = loadWord(in), b = loadWord(in + 4), c = loadWord(in + 8), d = loadWord(in + 12);
    c -= m_s[2 * kRounds + 3];
    a -= m_s[2 * kRounds + 2];
    for (int r = kRounds; r >= 1; --r) {
        const std::uint32_t oldD = d;
        d = c;
        c = b;
        b = a;
        a = oldD;
        const std::uint32_t u = rotl(d * (2 * d + 1), 5);
        const std::uint32_t t = rotl(b * (2 * b + 1), 5);
        c = rotr(c - m_s[2 * r + 1], t) ^ u;
        a = rotr(a - m_s[2 * r], u) ^ t;
    }
    d -= m_s[1];
    b -= m_s[0];
    storeWord(a, out);
    storeWord(b, out + 4);
    storeWord(c, out + 8);
    storeWord(d, out + 12);
}
