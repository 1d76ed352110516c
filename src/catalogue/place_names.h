// Russian names for what the directory names in English: countries by their
// ISO 3166-1 alpha-2 code, languages by their English name or ISO 639-1
// code. Our own tables; a code or name they lack keeps the directory's text.
// Pure functions; any thread. Portable.
#pragma once

#include <string>
#include <string_view>

// The Russian name of the country with the alpha-2 `code` (letters in any
// case); `fallback` (the directory's own name) when the code is unknown, and
// the code itself when that is empty too.
std::string CountryNameRu(std::string_view code, std::string_view fallback);

// The Russian name of a language given as the directory gives it: an
// English name in any case ("russian", "Brazilian Portuguese") or an ISO
// 639-1 code ("ru"); `language` itself (trimmed) when no Russian name is known.
std::string LanguageNameRu(std::string_view language);

// The directory's (English) name of a language typed in Russian, in either
// case ("Русский" -> "russian"); `text` itself (trimmed) for anything else.
std::string LanguageFromRu(std::string_view text);
