#include "i18n/text_lookup.h"

#include <atomic>
#include <string>

#include "i18n/embedded_catalogues.h"
#include "i18n/mo_catalogue.h"

namespace tr58k {

namespace {

struct LoadedCatalogue {
  std::string code;
  MoCatalogue catalogue;
};

// Read once, on first use; a catalogue the program cannot read is left out
// (the build checks them all with msgfmt, so that would be a build fault).
const std::vector<LoadedCatalogue>& Loaded() {
  static const std::vector<LoadedCatalogue> loaded = [] {
    std::vector<LoadedCatalogue> all;
    for (const EmbeddedCatalogue& embedded : EmbeddedCatalogues()) {
      LoadedCatalogue entry{embedded.code, {}};
      if (entry.catalogue.Load(embedded.bytes)) all.push_back(std::move(entry));
    }
    return all;
  }();
  return loaded;
}

std::atomic<const LoadedCatalogue*> g_active{nullptr};

}  // namespace

const char* Tr(const char* msgid) {
  const LoadedCatalogue* active = g_active.load(std::memory_order_acquire);
  // "" is the catalogue's header, never a text of the program.
  if (!active || !msgid || *msgid == '\0') return msgid;
  const char* translation = active->catalogue.Find(msgid);
  return translation ? translation : msgid;
}

const char* TrN(const char* singular, const char* plural, unsigned long n) {
  if (const LoadedCatalogue* active = g_active.load(std::memory_order_acquire)) {
    if (const char* form = active->catalogue.FindPlural(singular, n)) return form;
  }
  return n == 1 ? singular : plural;
}

std::string Format(std::string_view text, std::initializer_list<std::string_view> args) {
  std::string out;
  out.reserve(text.size() + 16 * args.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
      const size_t index = static_cast<size_t>(text[i + 1] - '1');
      if (index < args.size()) {
        out += *(args.begin() + index);
        ++i;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

std::vector<std::string> CatalogueCodes() {
  std::vector<std::string> codes;
  for (const LoadedCatalogue& entry : Loaded()) codes.push_back(entry.code);
  return codes;
}

bool UseCatalogue(std::string_view code) {
  if (code.empty()) {
    g_active.store(nullptr, std::memory_order_release);
    return true;
  }
  for (const LoadedCatalogue& entry : Loaded()) {
    if (entry.code == code) {
      g_active.store(&entry, std::memory_order_release);
      return true;
    }
  }
  return false;
}

std::string ActiveCatalogue() {
  const LoadedCatalogue* active = g_active.load(std::memory_order_acquire);
  return active ? active->code : std::string();
}

}  // namespace tr58k
