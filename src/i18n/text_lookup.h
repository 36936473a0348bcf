// The one lookup every text a person reads goes through, in both programs.
//
// A text is written in the code in its source language (the windows'
// Chinese, tr58kctl's English) and marked: Tr("...") where it is used, N_
// where it is defined as a constant and Tr'd later, TrN where it carries a
// count. The build collects the marked texts into po/tr58k.pot (xgettext
// with the keywords Tr, TrN:1,2 and N_) and carries every compiled
// catalogue of po/ inside the programs. With no catalogue in use every text
// comes back exactly as written.
//
// Placeholders are %1 to %9 (gettext's qt-format), filled in by Format, so
// that a translation may put them in any order.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace tr58k {

// Marks a text for the catalogue without translating it here.
constexpr const char* N_(const char* text) { return text; }

// The translation of `msgid` (UTF-8) in the catalogue in use; `msgid`
// itself when none is in use or it lacks the text. Never null for a
// non-null msgid; the result lives as long as the program.
const char* Tr(const char* msgid);
// The form of a text that carries the number n: the catalogue's form for
// n by its plural rule, or, without a translation, `singular` for 1 and
// `plural` for any other n.
const char* TrN(const char* singular, const char* plural, unsigned long n);

// `text` with %1 ... %9 replaced by args[0] ... args[8], in one pass (an
// argument's own "%2" stays as it is). A % followed by anything else, or
// by the number of an argument not given, is kept as written.
std::string Format(std::string_view text, std::initializer_list<std::string_view> args);

// The codes of the catalogues the program carries ("de", "pt_BR",
// "zh_CN", ...), in alphabetical order.
std::vector<std::string> CatalogueCodes();
// Makes the catalogue `code` the one Tr reads, or none for "" (the texts
// as written). Returns false, changing nothing, for a code the program
// carries no catalogue for. Texts already shown keep their language.
bool UseCatalogue(std::string_view code);
// The code of the catalogue in use; "" when none is.
std::string ActiveCatalogue();

}  // namespace tr58k
