#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

// The RC6 block cipher with 32-bit words and 20 rounds (RC6-32/20/b): one
// 16-byte block at a time, words little-endian. The expanded key is wiped when
// the object goes away.
class TRC6 final
{
public:
    static constexpr std::size_t kBlockSize = 16;
    static constexpr std::size_t kMaxKeySize = 255;

    // Keys longer than kMaxKeySize bytes are cut to that length.
    explicit TRC6(std::span<const std::uint8_t> key);
    ~TRC6();

    TRC6(const TRC6&) = delete;
    TRC6& operator=(const TRC6&) = delete;

    void encryptBlock(const std::uint8_t* in, std::uint8_t* out) const;
    void decryptBlock(const std::uint8_t* in, std::uint8_t* out) const;

private:
    static constexpr int kRounds = 20;
    std::array<std::uint32_t, 2 * kRounds + 4> m_s{};
};
