#include "skin/SkinStream.h"

#include <algorithm>
#include <cstring>

namespace skin {

void Stream::ReadBuffer(void* buffer, std::size_t count) {
  auto* out = static_cast<std::uint8_t*>(buffer);
  while (count > 0) {
    const std::size_t n = Read(out, count);
    if (n == 0) throw EReadError();
    out += n;
    count -= n;
  }
}

MemoryStream MemoryStream::Borrow(std::span<const std::uint8_t> bytes) {
  MemoryStream s;
  s.borrowed_ = bytes.data();
  s.borrowedSize_ = bytes.size();
  s.borrowedEmpty_ = bytes.data() == nullptr;
  return s;
}

std::span<const std::uint8_t> MemoryStream::Bytes() const {
  if (Borrowed()) return {borrowed_, borrowedSize_};
  return owned_;
}

std::size_t MemoryStream::Read(void* buffer, std::size_t count) {
  const auto bytes = Bytes();
  if (position_ >= bytes.size() || count == 0) return 0;
  const std::size_t n = std::min(count, bytes.size() - position_);
  std::memcpy(buffer, bytes.data() + position_, n);
  position_ += n;
  return n;
}

std::size_t MemoryStream::Write(const void* buffer, std::size_t count) {
  if (Borrowed()) throw std::logic_error("a borrowed stream cannot be written");
  if (count == 0) return 0;
  if (position_ + count > owned_.size()) owned_.resize(position_ + count);
  std::memcpy(owned_.data() + position_, buffer, count);
  position_ += count;
  return count;
}

std::int64_t MemoryStream::Seek(std::int64_t offset, SeekOrigin origin) {
  std::int64_t base = 0;
  if (origin == SeekOrigin::Current) base = static_cast<std::int64_t>(position_);
  if (origin == SeekOrigin::End) base = static_cast<std::int64_t>(Size());
  const std::int64_t target = base + offset;
  // A memory stream may stand past its end (a later write fills the gap), but
  // never before its start.
  position_ = static_cast<std::size_t>(std::max<std::int64_t>(0, target));
  return static_cast<std::int64_t>(position_);
}

void MemoryStream::SetSize(std::size_t size) {
  if (Borrowed()) throw std::logic_error("a borrowed stream cannot be resized");
  owned_.resize(size);
}

std::vector<std::uint8_t> MemoryStream::Release() {
  std::vector<std::uint8_t> out = std::move(owned_);
  owned_.clear();
  position_ = 0;
  return out;
}

}  // namespace skin
