// Byte streams used while a skin is read: a memory stream that owns its bytes
// or borrows them, and the errors the readers raise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace skin {

enum class SeekOrigin { Begin, Current, End };

// "Stream read error": a stream ended before the bytes asked for.
class EReadError : public std::runtime_error {
public:
  EReadError() : std::runtime_error("Stream read error") {}
};

class Stream {
public:
  virtual ~Stream() = default;
  // Reads up to count bytes; returns how many were read (0 at the end).
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
  // Returns the new position.
  virtual std::int64_t Seek(std::int64_t offset, SeekOrigin origin) = 0;

  std::int64_t Position() { return Seek(0, SeekOrigin::Current); }
  // Reads exactly count bytes or raises EReadError.
  void ReadBuffer(void* buffer, std::size_t count);
};

// A stream over bytes in memory. It either owns its bytes (and can grow) or
// borrows a span that must outlive it (read-only).
class MemoryStream final : public Stream {
public:
  MemoryStream() = default;
  explicit MemoryStream(std::vector<std::uint8_t> bytes) : owned_(std::move(bytes)) {}
  static MemoryStream Borrow(std::span<const std::uint8_t> bytes);

  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;

  std::span<const std::uint8_t> Bytes() const;
  std::size_t Size() const { return Bytes().size(); }
  bool Borrowed() const { return borrowed_ != nullptr || borrowedEmpty_; }
  // Owned streams only: resizes the content and keeps the position.
  void SetSize(std::size_t size);
  // Moves the owned bytes out; the stream is left empty.
  std::vector<std::uint8_t> Release();

private:
  std::vector<std::uint8_t> owned_;
  const std::uint8_t* borrowed_ = nullptr;
  std::size_t borrowedSize_ = 0;
  bool borrowedEmpty_ = false;
  std::size_t position_ = 0;
};

}  // namespace skin
