// The transfer helper's output as the window reads it, whatever the helper
// (or something in its place) wrote. The first byte sets the size of the
// pieces the rest arrives in.
//
// However the stream is cut into pieces, the same frames come out and the
// stream ends the same way (waiting for more, or malformed); every frame fits
// its type; and the frames, encoded again, are exactly the bytes they were
// read from.

#include "fetch/FetchFrames.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace {

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

using Frames = std::vector<std::pair<FetchFrames::Type, std::string>>;

// Takes every whole frame; true when the stream turned out malformed.
bool Drain(FetchFrames::Reader& reader, Frames& frames)
{
    for (;;) {
        FetchFrames::Type type{};
        std::string payload;
        const FetchFrames::Reader::Next next = reader.Take(type, payload);
        if (next == FetchFrames::Reader::Next::NeedMore)
            return false;
        if (next == FetchFrames::Reader::Next::Malformed)
            return true;
        frames.emplace_back(type, std::move(payload));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const size_t piece = size_t(data[0]) + 1;
    const char* stream = reinterpret_cast<const char*>(data + 1);
    const size_t length = size - 1;

    FetchFrames::Reader whole;
    whole.Append(stream, length);
    Frames wholeFrames;
    const bool wholeMalformed = Drain(whole, wholeFrames);

    FetchFrames::Reader pieces;
    Frames pieceFrames;
    bool piecesMalformed = false;
    for (size_t at = 0; at < length; at += piece) {
        pieces.Append(stream + at, std::min(piece, length - at));
        // Past a malformed frame nothing more comes out, however much arrives.
        const size_t before = pieceFrames.size();
        const bool malformed = Drain(pieces, pieceFrames);
        if (piecesMalformed)
            Check(malformed && pieceFrames.size() == before);
        piecesMalformed = malformed;
    }
    Check(wholeMalformed == piecesMalformed);
    Check(wholeFrames == pieceFrames);
    Check(whole.Rest() == pieces.Rest());

    std::string again;
    for (const auto& [type, payload] : wholeFrames) {
        Check(payload.size() <= FetchFrames::kMaxPayload);
        if (type == FetchFrames::kTotal)
            Check(payload.size() == 8);
        else if (type == FetchFrames::kAlive)
            Check(payload.empty());
        else if (type == FetchFrames::kResult)
            Check(payload.size() >= 8);
        else
            Check(type == FetchFrames::kBody);
        again += FetchFrames::Encode(type, payload);
    }
    Check(again.size() + whole.Rest().size() == length);
    Check(again == std::string(stream, again.size()));
    return 0;
}
