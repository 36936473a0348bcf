// A growable little-endian byte buffer through which the profile file is
// built and parsed. Insertions append at `length`; extractions read from a
// separate read position and never read beyond `length`.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace tr58k {

class DataStream {
 public:
  static constexpr uint32_t kSaveCapacity = 1024;  // a whole usual profile
  static constexpr uint32_t kMinGrowth = 1024;

  // An empty stream: no block, all counts 0 (how loading starts).
  DataStream() = default;
  // A stream with a fresh zero-filled block of `capacity` bytes (how saving
  // starts). If the block cannot be allocated the stream starts empty.
  explicit DataStream(uint32_t capacity);
  virtual ~DataStream();

  DataStream(const DataStream&) = delete;
  DataStream& operator=(const DataStream&) = delete;

  // Makes room for `n` more bytes after length(): when fewer are free, grows
  // by max(2n, 1024) bytes (zero-filled, old contents kept). Returns the
  // capacity, unchanged when the growth would pass 4 GiB or the allocation
  // fails; then fewer than `n` bytes are free.
  uint32_t Reserve(uint32_t n);

  // Insertions append at length(). One that finds no room writes nothing and
  // marks the stream failed.
  DataStream& operator<<(uint8_t value);
  DataStream& operator<<(uint16_t value);
  DataStream& operator<<(int16_t value);
  DataStream& operator<<(uint32_t value);
  DataStream& operator<<(int32_t value);
  // A 32-bit signed count of UTF-16 units, then the units; no terminator.
  DataStream& operator<<(const std::u16string& value);

  // Extractions read from readPos(). One that would pass length() reads
  // nothing, leaves its target as it was and marks the stream failed; so do
  // all extractions after it.
  DataStream& operator>>(uint8_t& value);
  DataStream& operator>>(uint16_t& value);
  DataStream& operator>>(int16_t& value);
  DataStream& operator>>(uint32_t& value);
  DataStream& operator>>(int32_t& value);
  // Empties `value`; a count of 0 or less leaves it empty. A count larger
  // than the bytes left fails without allocating anything.
  DataStream& operator>>(std::u16string& value);

  // Replaces the contents with `size` bytes in `block` (which the stream now
  // owns): capacity and length `size`, read position 0.
  void Adopt(std::unique_ptr<uint8_t[]> block, uint32_t size);

  // False once an insertion or extraction has failed.
  bool ok() const { return ok_; }
  const uint8_t* data() const { return buffer_.get(); }
  uint32_t capacity() const { return capacity_; }
  uint32_t length() const { return length_; }
  uint32_t readPos() const { return readPos_; }

 private:
  bool MakeRoom(uint32_t n);
  bool CanRead(uint32_t n);
  void Put(uint32_t value, int bytes);
  uint32_t Take(int bytes);

  std::unique_ptr<uint8_t[]> buffer_;
  uint32_t capacity_ = 0;
  uint32_t length_ = 0;
  uint32_t readPos_ = 0;
  bool ok_ = true;
};

}  // namespace tr58k
