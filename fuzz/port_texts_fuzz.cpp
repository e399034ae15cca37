// Feeds the texts around the port box arbitrary, overlong and malformed input: the UTF-16 <->
// UTF-8 conversions of Linux file names and sysfs attributes, the port name taken from the box,
// the device path made from it, the entries the port list shows, and the order of the scanned
// names.
//
// Input: read at once as UTF-8 bytes, as UTF-16 units (little-endian pairs), and as names
// separated by '\n' for the ordering.
//
// Invariants: the conversions agree with a plain decoder (a malformed byte becomes one U+FFFD, an
// unpaired surrogate becomes U+FFFD), produce well-formed output and round-trip well-formed input;
// a device path is absolute and "COMn" means /dev/ttyS(n-1); an entry is at most 255 units and a
// prefix of "name(description)"; the port name is the box text up to its first "("; the name
// order is a strict weak order.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/utf8_text.h"
#include "fuzz/fuzz_check.h"
#include "platform/linux/linux_port_name.h"
#include "platform/linux/linux_port_scanner.h"
#include "ports/port_list.h"

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool is_surrogate(char32_t code) {
  return code >= 0xD800 && code <= 0xDFFF;
}

// The code point of a well-formed UTF-8 sequence at text[at], and its length; 0 when malformed.
std::size_t decode_utf8(std::string_view text, std::size_t at, char32_t& code) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[at + i]); };
  const std::uint8_t lead = byte(0);
  std::size_t length = 0;
  char32_t minimum = 0;
  if (lead < 0x80) {
    code = lead;
    return 1;
  }
  if (lead >= 0xC0 && lead < 0xE0) {
    length = 2;
    minimum = 0x80;
    code = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead < 0xF0) {
    length = 3;
    minimum = 0x800;
    code = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead < 0xF8) {
    length = 4;
    minimum = 0x10000;
    code = lead & 0x07u;
  } else {
    return 0;
  }
  if (at + length > text.size()) {
    return 0;
  }
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) {
      return 0;
    }
    code = code << 6 | (byte(i) & 0x3Fu);
  }
  return code >= minimum && code <= 0x10FFFF && !is_surrogate(code) ? length : 0;
}

std::u16string expected_utf16(std::string_view text) {
  std::u16string out;
  for (std::size_t at = 0; at < text.size();) {
    char32_t code = 0;
    const std::size_t length = decode_utf8(text, at, code);
    if (length == 0) {
      out.push_back(kReplacement);
      ++at;
      continue;
    }
    if (code >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(code));
    }
    at += length;
  }
  return out;
}

bool well_formed_utf8(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    char32_t code = 0;
    const std::size_t length = decode_utf8(text, at, code);
    if (length == 0) {
      return false;
    }
    at += length;
  }
  return true;
}

// The text with every unpaired surrogate replaced.
std::u16string paired(std::u16string_view text) {
  std::u16string out(text);
  for (std::size_t at = 0; at < out.size(); ++at) {
    const bool high = out[at] >= 0xD800 && out[at] <= 0xDBFF;
    const bool low = out[at] >= 0xDC00 && out[at] <= 0xDFFF;
    if (high && at + 1 < out.size() && out[at + 1] >= 0xDC00 && out[at + 1] <= 0xDFFF) {
      ++at;
    } else if (high || low) {
      out[at] = kReplacement;
    }
  }
  return out;
}

void check_conversions(std::string_view bytes, std::u16string_view units) {
  const std::u16string wide = quintrel::utf16_from_utf8(bytes);
  FUZZ_CHECK(wide == expected_utf16(bytes));
  FUZZ_CHECK(wide.size() <= bytes.size());
  if (well_formed_utf8(bytes)) {
    FUZZ_CHECK(quintrel::utf8_from_utf16(wide) == bytes);
  }

  const std::string narrow = quintrel::utf8_from_utf16(units);
  FUZZ_CHECK(well_formed_utf8(narrow));
  FUZZ_CHECK(quintrel::utf16_from_utf8(narrow) == paired(units));
}

void check_port_name(std::u16string_view box_text) {
  const std::u16string name = quintrel::port_name_from_box_text(box_text);
  FUZZ_CHECK(box_text.starts_with(name));
  FUZZ_CHECK(name.find(u'(') == std::u16string::npos);
  FUZZ_CHECK(name.size() == box_text.size() || box_text[name.size()] == u'(');

  const std::string path = quintrel::linux_port_path(name);
  FUZZ_CHECK(path.starts_with('/'));
  // "COM" and 1 to 9 digits without a leading zero: the legacy UART one lower.
  const std::u16string_view digits =
      std::u16string_view(name).substr(name.starts_with(u"COM") ? 3 : 0);
  const bool com = name.starts_with(u"COM") && !digits.empty() && digits.size() <= 9 &&
                   digits.front() != u'0' &&
                   digits.find_first_not_of(u"0123456789") == std::u16string_view::npos;
  if (com) {
    std::uint64_t number = 0;
    for (const char16_t digit : digits) {
      number = number * 10 + static_cast<std::uint64_t>(digit - u'0');
    }
    FUZZ_CHECK(path == "/dev/ttyS" + std::to_string(number - 1));
  } else if (!name.starts_with(u'/')) {
    FUZZ_CHECK(path == "/dev/" + quintrel::utf8_from_utf16(name));
  }
}

void check_entry(std::u16string_view name, std::u16string_view description) {
  const std::u16string entry =
      quintrel::format_port_entry({std::u16string(name), std::u16string(description)});
  std::u16string whole(name);
  whole += u"(";
  whole += description;
  whole += u")";
  FUZZ_CHECK(entry.size() <= quintrel::kPortEntryMax);
  FUZZ_CHECK(entry == whole.substr(0, quintrel::kPortEntryMax));
}

void check_order(const std::vector<std::string_view>& names) {
  const auto less = quintrel::port_name_less;
  for (const std::string_view a : names) {
    FUZZ_CHECK(!less(a, a));
    for (const std::string_view b : names) {
      FUZZ_CHECK(!(less(a, b) && less(b, a)));
      for (const std::string_view c : names) {
        if (less(a, b) && less(b, c)) {
          FUZZ_CHECK(less(a, c));
        }
        // Neither before the other is an equivalence: it carries over.
        if (!less(a, b) && !less(b, a) && !less(b, c) && !less(c, b)) {
          FUZZ_CHECK(!less(a, c) && !less(c, a));
        }
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::u16string units(size / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
  }

  check_conversions(bytes, units);
  check_port_name(units);
  const std::size_t half = units.size() / 2;
  check_entry(std::u16string_view(units).substr(0, half), std::u16string_view(units).substr(half));

  std::vector<std::string_view> names;
  for (std::size_t start = 0; start <= bytes.size() && names.size() < 4;) {
    const std::size_t end = std::min(bytes.find('\n', start), bytes.size());
    names.push_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  check_order(names);
  return 0;
}
