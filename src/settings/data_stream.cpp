#include "settings/data_stream.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace tr58k {
namespace {

std::unique_ptr<uint8_t[]> AllocateZeroed(uint32_t size) {
  // new (nothrow) T[n]() value-initialises, so the block starts as zeros.
  return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[size]());
}

}  // namespace

DataStream::DataStream(uint32_t capacity) {
  buffer_ = AllocateZeroed(capacity);
  if (buffer_) capacity_ = capacity;
}

DataStream::~DataStream() {
  buffer_.reset();
  capacity_ = length_ = readPos_ = 0;
}

uint32_t DataStream::Reserve(uint32_t n) {
  if (n <= capacity_ - length_) return capacity_;
  const uint64_t growth = std::max<uint64_t>(2ull * n, kMinGrowth);
  const uint64_t newSize = capacity_ + growth;
  if (newSize > std::numeric_limits<uint32_t>::max()) return capacity_;
  std::unique_ptr<uint8_t[]> block = AllocateZeroed(static_cast<uint32_t>(newSize));
  if (!block) return capacity_;
  if (buffer_) std::memcpy(block.get(), buffer_.get(), capacity_);
  buffer_ = std::move(block);
  capacity_ = static_cast<uint32_t>(newSize);
  return capacity_;
}

bool DataStream::MakeRoom(uint32_t n) {
  Reserve(n);
  if (n <= capacity_ - length_) return true;
  ok_ = false;
  return false;
}

void DataStream::Put(uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) buffer_[length_++] = static_cast<uint8_t>(value >> (8 * i));
}

DataStream& DataStream::operator<<(uint8_t value) {
  if (MakeRoom(1)) Put(value, 1);
  return *this;
}

DataStream& DataStream::operator<<(uint16_t value) {
  if (MakeRoom(2)) Put(value, 2);
  return *this;
}

DataStream& DataStream::operator<<(int16_t value) { return *this << static_cast<uint16_t>(value); }

DataStream& DataStream::operator<<(uint32_t value) {
  if (MakeRoom(4)) Put(value, 4);
  return *this;
}

DataStream& DataStream::operator<<(int32_t value) { return *this << static_cast<uint32_t>(value); }

DataStream& DataStream::operator<<(const std::u16string& value) {
  // The count is a signed 32-bit value and the whole string must fit the
  // 32-bit length; a longer one is not written at all.
  constexpr uint64_t kMaxUnits = (std::numeric_limits<uint32_t>::max() - 4ull) / 2;
  if (value.size() > kMaxUnits || value.size() > uint64_t(std::numeric_limits<int32_t>::max())) {
    ok_ = false;
    return *this;
  }
  const uint32_t bytes = static_cast<uint32_t>(value.size() * 2 + 4);
  if (!MakeRoom(bytes)) return *this;
  Put(static_cast<uint32_t>(value.size()), 4);
  for (char16_t unit : value) Put(unit, 2);
  return *this;
}

bool DataStream::CanRead(uint32_t n) {
  if (ok_ && readPos_ <= length_ && n <= length_ - readPos_) return true;
  ok_ = false;
  return false;
}

uint32_t DataStream::Take(int bytes) {
  uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) value |= uint32_t(buffer_[readPos_++]) << (8 * i);
  return value;
}

DataStream& DataStream::operator>>(uint8_t& value) {
  if (CanRead(1)) value = static_cast<uint8_t>(Take(1));
  return *this;
}

DataStream& DataStream::operator>>(uint16_t& value) {
  if (CanRead(2)) value = static_cast<uint16_t>(Take(2));
  return *this;
}

DataStream& DataStream::operator>>(int16_t& value) {
  if (CanRead(2)) value = static_cast<int16_t>(Take(2));
  return *this;
}

DataStream& DataStream::operator>>(uint32_t& value) {
  if (CanRead(4)) value = Take(4);
  return *this;
}

DataStream& DataStream::operator>>(int32_t& value) {
  if (CanRead(4)) value = static_cast<int32_t>(Take(4));
  return *this;
}

DataStream& DataStream::operator>>(std::u16string& value) {
  value.clear();
  int32_t count = 0;
  *this >> count;
  if (!ok_ || count <= 0) return *this;
  // Checked before anything is allocated: a forged count cannot make the
  // stream reserve more than the bytes it really holds.
  // count <= INT32_MAX, so twice it still fits 32 bits.
  if (!CanRead(static_cast<uint32_t>(count) * 2u)) return *this;
  value.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) value.push_back(static_cast<char16_t>(Take(2)));
  return *this;
}

void DataStream::Adopt(std::unique_ptr<uint8_t[]> block, uint32_t size) {
  buffer_ = std::move(block);
  capacity_ = buffer_ ? size : 0;
  length_ = capacity_;
  readPos_ = 0;
  ok_ = true;
}

}  // namespace tr58k
