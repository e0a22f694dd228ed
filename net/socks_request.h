#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

// One SOCKS request built in a fixed area. A part that does not fit is not
// written, and the request is then marked as not fitting: it must not be
// sent, since a cut request would ask the proxy for something else.
class TSocksRequest {
public:
    static constexpr std::size_t kCapacity = 128;

    void Byte(std::uint8_t Value) { Append(&Value, 1); }
    // Network byte order.
    void Word(std::uint16_t Value) {
        const std::uint8_t bytes[] = {static_cast<std::uint8_t>(Value >> 8),
                                      static_cast<std::uint8_t>(Value & 0xFF)};
        Append(bytes, sizeof bytes);
    }
    // Four bytes as they are stored (an IPv4 address in network byte order).
    void Address(std::uint32_t NetworkOrder) { Append(&NetworkOrder, sizeof NetworkOrder); }
    void Bytes(const std::uint8_t* Data, std::size_t Len) { Append(Data, Len); }
    void Text(const std::string& Value) { Append(Value.data(), Value.size()); }
    // A text inside which a zero byte would end the field early cannot be sent.
    void ZeroTerminated(const std::string& Value) {
        if (Value.find('\0') != std::string::npos) {
            FFits = false;
            return;
        }
        Text(Value);
        Byte(0);
    }
    // A length byte, then the text.
    void Counted(const std::string& Value) {
        if (Value.size() > kMaxCountedLength) {
            FFits = false;
            return;
        }
        Byte(static_cast<std::uint8_t>(Value.size()));
        Text(Value);
    }

    bool Fits() const { return FFits; }
    const char* Data() const { return reinterpret_cast<const char*>(FArea.data()); }
    int Size() const { return static_cast<int>(FSize); }

private:
    static constexpr std::size_t kMaxCountedLength = 255;

    void Append(const void* Bytes, std::size_t Len) {
        if (!FFits || Len > kCapacity - FSize) {
            FFits = false;
            return;
        }
        std::memcpy(FArea.data() + FSize, Bytes, Len);
        FSize += Len;
    }

    std::array<std::uint8_t, kCapacity> FArea{};
    std::size_t FSize = 0;
    bool FFits = true;
};
