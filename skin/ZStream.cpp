#include "skin/ZStream.h"

#include <zlib.h>

#include <vector>

namespace skin {

std::string ZErrorText(int code) {
  switch (code) {
    case Z_NEED_DICT: return "need dictionary";
    case Z_STREAM_END: return "stream end";
    case Z_OK: return "";
    case Z_ERRNO: return "file error";
    case Z_STREAM_ERROR: return "stream error";
    case Z_DATA_ERROR: return "data error";
    case Z_MEM_ERROR: return "insufficient memory";
    case Z_BUF_ERROR: return "buffer error";
    case Z_VERSION_ERROR: return "incompatible version";
    default: return "";
  }
}

namespace {
const char* const InvalidOperation = "Invalid ZStream operation!";
constexpr std::size_t SkipBlock = 16384;
}  // namespace

struct ZDecompressionStream::Impl {
  z_stream z{};
  // Left uninitialised: only what the source delivers is ever read.
  std::unique_ptr<std::uint8_t[]> input{new std::uint8_t[ChunkSize]};
};

ZDecompressionStream::ZDecompressionStream(Stream& source)
    : impl_(std::make_unique<Impl>()), source_(source), sourceStart_(source.Position()) {
  const int rc = inflateInit(&impl_->z);
  if (rc != Z_OK) throw EZDecompressionError(rc);
}

ZDecompressionStream::~ZDecompressionStream() { inflateEnd(&impl_->z); }

std::size_t ZDecompressionStream::Read(void* buffer, std::size_t count) {
  z_stream& z = impl_->z;
  std::size_t done = 0;
  auto* out = static_cast<std::uint8_t*>(buffer);
  while (done < count && !finished_) {
    if (z.avail_in == 0) {
      const std::size_t n = source_.Read(impl_->input.get(), ChunkSize);
      if (n == 0) break;  // the source ended inside the zlib stream
      z.next_in = impl_->input.get();
      z.avail_in = static_cast<uInt>(n);
    }
    // zlib counts in uInt: hand it at most 1 GiB of output per call.
    const std::size_t room = std::min<std::size_t>(count - done, 1u << 30);
    z.next_out = out + done;
    z.avail_out = static_cast<uInt>(room);
    const int rc = inflate(&z, Z_NO_FLUSH);
    done += room - z.avail_out;
    if (rc == Z_STREAM_END) {
      finished_ = true;
      if (z.avail_in > 0) source_.Seek(-static_cast<std::int64_t>(z.avail_in), SeekOrigin::Current);
      z.avail_in = 0;
    } else if (rc == Z_NEED_DICT || (rc < 0 && rc != Z_BUF_ERROR)) {
      // A stream that asks for a preset dictionary cannot be inflated here;
      // reporting it beats looping on it.
      throw EZDecompressionError(rc);
    }
  }
  position_ += static_cast<std::int64_t>(done);
  return done;
}

std::size_t ZDecompressionStream::Write(const void*, std::size_t) {
  throw EZDecompressionError(0, InvalidOperation);
}

void ZDecompressionStream::Skip(std::int64_t count) {
  std::vector<std::uint8_t> block(SkipBlock);
  while (count > 0) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(count, SkipBlock));
    const std::size_t n = Read(block.data(), want);
    if (n == 0) break;
    count -= static_cast<std::int64_t>(n);
  }
}

std::int64_t ZDecompressionStream::Seek(std::int64_t offset, SeekOrigin origin) {
  if (origin == SeekOrigin::Begin && offset == 0) {
    inflateReset(&impl_->z);
    impl_->z.avail_in = 0;
    source_.Seek(sourceStart_, SeekOrigin::Begin);
    position_ = 0;
    finished_ = false;
    return 0;
  }
  if (origin == SeekOrigin::Current && offset >= 0) {
    Skip(offset);
    return position_;
  }
  if (origin == SeekOrigin::Begin && offset >= position_) {
    Skip(offset - position_);
    return position_;
  }
  if (origin == SeekOrigin::End && offset == 0) {
    std::vector<std::uint8_t> block(SkipBlock);
    while (Read(block.data(), block.size()) > 0) {
    }
    return position_;
  }
  throw EZDecompressionError(0, InvalidOperation);
}

}  // namespace skin
