#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

// A run of bytes that a call fills or reads: where it starts and how many
// there are, so that the callee checks the room it needs instead of assuming
// it. The part of C++20's std::span that the link uses. It owns nothing: the
// bytes must outlive the call.
template <typename Byte> class CByteSpan
{
    using Plain = std::remove_const_t<Byte>;
    static constexpr bool kConst = std::is_const_v<Byte>;

public:
    constexpr CByteSpan(Byte* data, std::size_t size) : m_data(data), m_size(size) {}
    template <std::size_t N> constexpr CByteSpan(Byte (&bytes)[N]) : m_data(bytes), m_size(N) {}
    template <std::size_t N>
    constexpr CByteSpan(std::array<Plain, N>& bytes) : m_data(bytes.data()), m_size(N)
    {
    }
    template <std::size_t N, bool C = kConst, std::enable_if_t<C, int> = 0>
    constexpr CByteSpan(const std::array<Plain, N>& bytes) : m_data(bytes.data()), m_size(N)
    {
    }
    CByteSpan(std::vector<Plain>& bytes) : m_data(bytes.data()), m_size(bytes.size()) {}
    template <bool C = kConst, std::enable_if_t<C, int> = 0>
    CByteSpan(const std::vector<Plain>& bytes) : m_data(bytes.data()), m_size(bytes.size())
    {
    }

    // A writable run read as a constant one.
    template <bool C = kConst, std::enable_if_t<C, int> = 0>
    constexpr CByteSpan(const CByteSpan<Plain>& bytes) : m_data(bytes.data()), m_size(bytes.size())
    {
    }

    constexpr Byte* data() const { return m_data; }
    constexpr std::size_t size() const { return m_size; }

private:
    Byte* m_data;
    std::size_t m_size;
};

using CMutableBytes = CByteSpan<uint8_t>;
using CConstBytes = CByteSpan<const uint8_t>;
