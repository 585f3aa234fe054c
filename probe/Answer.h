#pragma once
// One answer of the adapter as it arrives, up to its prompt, and what it says
// once cleaned. Portable.
#include <cstddef>
#include <string>
#include <string_view>

namespace probe {

// Takes the bytes of one answer (one character per byte, as the port reads
// them) until the prompt: a ">" at the start of a line, which is where the
// adapter puts it. A ">" amid other text is not taken for one, so that the
// noise of a line at the wrong speed is not taken for an answer.
class TAnswer {
public:
    // The first `kept` bytes are kept; the rest are counted only (a port
    // that streams must not fill the memory).
    explicit TAnswer(std::size_t kept = 1024) : kept_(kept) {}

    // Takes the bytes that came next; those after the prompt are not part of
    // this answer and are dropped.
    void Take(std::wstring_view bytes);
    bool Prompted() const noexcept { return prompted_; }
    // The bytes kept, the prompt included.
    const std::wstring& Raw() const noexcept { return raw_; }
    // Every byte taken, kept or not.
    std::size_t Bytes() const noexcept { return bytes_; }

private:
    std::size_t kept_;
    std::wstring raw_;
    std::size_t bytes_ = 0;
    bool lineStart_ = true;
    bool prompted_ = false;
};

// The answer to a further command as a person reads it: its lines without
// the echo of the command, empty lines and the prompt, joined by one space.
std::wstring CleanCommandAnswer(std::wstring_view raw, std::wstring_view command);

}  // namespace probe
