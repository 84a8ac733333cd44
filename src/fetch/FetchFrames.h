#pragma once

// The stream tarvo-fetch writes to its standard output and the window reads:
// frames of one type byte, a 4-byte little-endian payload length and the
// payload. Plain C++ on both sides, so the helper needs no Qt.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace FetchFrames {

// The result codes of the final frame: those of Http::Result.
constexpr int32_t kNoSession = 0;
constexpr int32_t kOk = 1;
constexpr int32_t kFailed = -1;
constexpr int32_t kCancelled = -2;

enum Type : char {
    kBody = 'D', // body bytes, in order
    kTotal = 'T', // the response's length as an 8-byte little-endian count, when the server named it
    kAlive = 'A', // no payload: the transfer still runs, even when nothing arrives
    kResult = 'R', // the last frame: 4-byte result code, 4-byte HTTP status, then the error text (UTF-8)
};

constexpr size_t kHeaderBytes = 5;
// Larger than any body frame the helper writes (libcurl hands over at most
// CURL_MAX_WRITE_SIZE at once), small enough that a damaged length is caught.
constexpr uint32_t kMaxPayload = 1024 * 1024;

inline void PutLe(std::string& out, uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(char((value >> (8 * i)) & 0xff));
}

inline uint64_t GetLe(const char* in, int bytes)
{
    uint64_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= uint64_t(uint8_t(in[i])) << (8 * i);
    return value;
}

inline std::string Encode(Type type, std::string_view payload)
{
    std::string frame;
    frame.reserve(kHeaderBytes + payload.size());
    frame.push_back(char(type));
    PutLe(frame, uint64_t(payload.size()), 4);
    frame.append(payload);
    return frame;
}

inline std::string EncodeTotal(int64_t total)
{
    std::string payload;
    PutLe(payload, uint64_t(total), 8);
    return Encode(kTotal, payload);
}

inline std::string EncodeResult(int32_t result, int32_t httpStatus, std::string_view error)
{
    std::string payload;
    PutLe(payload, uint32_t(result), 4);
    PutLe(payload, uint32_t(httpStatus), 4);
    payload.append(error);
    return Encode(kResult, payload);
}

// Splits a byte stream into frames as its pieces arrive.
class Reader {
public:
    enum class Next { Frame, NeedMore, Malformed };

    void Append(const char* data, size_t bytes) { m_buffer.append(data, bytes); }

    // The next whole frame, if the buffer holds one. Malformed: an unknown
    // type, an oversized length or a payload that does not fit its type; the
    // stream cannot be trusted past it.
    Next Take(Type& type, std::string& payload)
    {
        if (m_buffer.size() - m_offset < kHeaderBytes)
            return Next::NeedMore;
        const char* head = m_buffer.data() + m_offset;
        const char kind = head[0];
        const uint64_t length = GetLe(head + 1, 4);
        const bool known = kind == kBody || kind == kTotal || kind == kAlive || kind == kResult;
        if (!known || length > kMaxPayload || (kind == kTotal && length != 8) || (kind == kAlive && length != 0)
            || (kind == kResult && length < 8))
            return Next::Malformed;
        if (m_buffer.size() - m_offset - kHeaderBytes < length)
            return Next::NeedMore;
        type = Type(kind);
        payload.assign(head + kHeaderBytes, size_t(length));
        m_offset += kHeaderBytes + size_t(length);
        if (m_offset == m_buffer.size()) {
            m_buffer.clear();
            m_offset = 0;
        } else if (m_offset > 64 * 1024) {
            m_buffer.erase(0, m_offset);
            m_offset = 0;
        }
        return Next::Frame;
    }

    // What has arrived but is no whole frame (for an error message).
    std::string_view Rest() const { return std::string_view(m_buffer).substr(m_offset); }

private:
    std::string m_buffer;
    size_t m_offset = 0;
};

} // namespace FetchFrames
