// An inflating read-only stream over another stream, and zlib's errors.
#pragma once

#include "skin/SkinStream.h"

#include <memory>
#include <stdexcept>
#include <string>

namespace skin {

// zlib's text for one of its return codes ("data error" for -3 ...).
std::string ZErrorText(int code);

class EZLibError : public std::runtime_error {
public:
  EZLibError(int code, const std::string& message) : std::runtime_error(message), FErrorCode(code) {}
  int FErrorCode;
};

class EZDecompressionError : public EZLibError {
public:
  explicit EZDecompressionError(int code) : EZLibError(code, ZErrorText(code)) {}
  EZDecompressionError(int code, const std::string& message) : EZLibError(code, message) {}
};

// Inflates one zlib stream (RFC 1950) that starts at the source's current
// position. The source is read in chunks of 131072 bytes; when the zlib
// stream ends, the source is moved back by the input zlib did not use, so
// that it stands right after the stream's last byte.
class ZDecompressionStream final : public Stream {
public:
  static constexpr std::size_t ChunkSize = 131072;

  explicit ZDecompressionStream(Stream& source);
  ~ZDecompressionStream() override;
  ZDecompressionStream(const ZDecompressionStream&) = delete;
  ZDecompressionStream& operator=(const ZDecompressionStream&) = delete;

  std::size_t Read(void* buffer, std::size_t count) override;
  // Always raises "Invalid ZStream operation!".
  std::size_t Write(const void* buffer, std::size_t count) override;
  // Allowed: offset 0 from the start (restarts inflating at the stream's
  // first byte), forward from the current position, to the current position,
  // and 0 from the end (inflates to the end). Anything else raises
  // "Invalid ZStream operation!".
  std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;

  // True once zlib has reported the end of the stream.
  bool Finished() const { return finished_; }

private:
  void Skip(std::int64_t count);
  struct Impl;
  std::unique_ptr<Impl> impl_;
  Stream& source_;
  std::int64_t sourceStart_;
  std::int64_t position_ = 0;
  bool finished_ = false;
};

}  // namespace skin
