#include "i18n/mo_catalogue.h"

#include <cstring>

namespace tr58k {

namespace {

constexpr uint32_t kMagic = 0x950412de;
constexpr uint32_t kSwappedMagic = 0xde120495;
// Header: magic, revision, count, originals' table, translations' table.
constexpr uint32_t kHeaderSize = 20;

uint32_t LoadLittleEndian(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// The part of an original up to its first NUL: a plural entry holds its
// singular and plural one after the other.
std::string_view Singular(const char* data, uint32_t size) {
  return std::string_view(data, strnlen(data, size));
}

}  // namespace

uint32_t MoCatalogue::Word(uint32_t offset) const {
  const uint32_t value = LoadLittleEndian(bytes_.data() + offset);
  if (!swapped_) return value;
  return value >> 24 | (value >> 8 & 0xFF00) | (value << 8 & 0xFF0000) | value << 24;
}

MoCatalogue::Text MoCatalogue::TextAt(uint32_t table, uint32_t i) const {
  const uint64_t entry = table + uint64_t{8} * i;
  if (entry + 8 > bytes_.size()) return {};
  const uint32_t size = Word(static_cast<uint32_t>(entry));
  const uint32_t offset = Word(static_cast<uint32_t>(entry + 4));
  // The text and the NUL msgfmt writes after it.
  if (uint64_t{offset} + size >= bytes_.size() || bytes_[offset + size] != 0) return {};
  return {reinterpret_cast<const char*>(bytes_.data() + offset), size};
}

bool MoCatalogue::Load(std::span<const uint8_t> bytes) {
  *this = MoCatalogue();
  if (bytes.size() < kHeaderSize) return false;
  const uint32_t magic = LoadLittleEndian(bytes.data());
  if (magic != kMagic && magic != kSwappedMagic) return false;
  MoCatalogue loaded;
  loaded.bytes_ = bytes;
  loaded.swapped_ = magic == kSwappedMagic;
  if (loaded.Word(4) >> 16 > 1) return false;  // a major revision this does not read
  const uint32_t count = loaded.Word(8);
  loaded.originals_ = loaded.Word(12);
  loaded.translations_ = loaded.Word(16);
  std::string_view previous;
  for (uint32_t i = 0; i < count; ++i) {
    const Text original = loaded.TextAt(loaded.originals_, i);
    const Text translation = loaded.TextAt(loaded.translations_, i);
    if (!original.data || !translation.data) return false;
    const std::string_view key = Singular(original.data, original.size);
    if (i > 0 && !(previous < key)) return false;
    previous = key;
  }
  if (count == 0) return false;
  loaded.count_ = count;
  // The header's rule; a catalogue without one keeps the English rule.
  loaded.plural_.Parse(loaded.HeaderField("Plural-Forms"));
  *this = loaded;
  return true;
}

int64_t MoCatalogue::IndexOf(std::string_view msgid) const {
  int64_t low = 0;
  int64_t high = static_cast<int64_t>(count_) - 1;
  while (low <= high) {
    const int64_t middle = low + (high - low) / 2;
    const Text original = TextAt(originals_, static_cast<uint32_t>(middle));
    const std::string_view key = Singular(original.data, original.size);
    if (key == msgid) return middle;
    if (key < msgid) {
      low = middle + 1;
    } else {
      high = middle - 1;
    }
  }
  return -1;
}

const char* MoCatalogue::Find(std::string_view msgid) const {
  const int64_t index = IndexOf(msgid);
  if (index < 0) return nullptr;
  const Text translation = TextAt(translations_, static_cast<uint32_t>(index));
  return translation.size > 0 ? translation.data : nullptr;
}

const char* MoCatalogue::FindPlural(std::string_view msgid, unsigned long n) const {
  const int64_t index = IndexOf(msgid);
  if (index < 0) return nullptr;
  const Text forms = TextAt(translations_, static_cast<uint32_t>(index));
  // The forms one after the other, each ended by a NUL.
  const char* form = forms.data;
  const char* end = forms.data + forms.size;
  for (int k = plural_.FormFor(n); k > 0 && form < end; --k) form += std::strlen(form) + 1;
  return form < end && *form != '\0' ? form : nullptr;
}

std::string_view MoCatalogue::HeaderField(std::string_view name) const {
  const int64_t index = IndexOf("");
  if (index < 0) return {};
  const Text header = TextAt(translations_, static_cast<uint32_t>(index));
  const std::string_view text(header.data, header.size);
  // "Name: value\n" lines.
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(at, end - at);
    if (line.size() > name.size() && line.substr(0, name.size()) == name && line[name.size()] == ':') {
      std::string_view value = line.substr(name.size() + 1);
      while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
      return value;
    }
    at = end + 1;
  }
  return {};
}

}  // namespace tr58k
