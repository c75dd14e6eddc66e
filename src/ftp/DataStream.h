#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace ftp {

// Where the bytes of a download go.
class DataSink
{
public:
    virtual ~DataSink() = default;
    virtual void write(const char* data, std::size_t size) = 0;
    // All data arrived and the server confirmed it.
    virtual void complete() {}
};

// Where the bytes of an upload come from.
class DataSource
{
public:
    virtual ~DataSource() = default;
    // Up to `size` bytes; 0 at the end.
    virtual std::size_t read(char* buffer, std::size_t size) = 0;
    // Bytes left to send, when known.
    virtual std::optional<std::int64_t> remaining() const { return std::nullopt; }
};

} // namespace ftp
