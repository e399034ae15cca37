#include "record/record_address.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "base/ascii_text.h"

namespace quintrel::record {
namespace {

// "%70assword" as "password": a key compared as libpq reads it.
std::string percent_decoded(const std::string& text) {
  std::string decoded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const int high = i + 2 < text.size() ? hex_digit_value(text[i + 1]) : -1;
    const int low = i + 2 < text.size() ? hex_digit_value(text[i + 2]) : -1;
    if (text[i] == '%' && high >= 0 && low >= 0) {
      decoded += static_cast<char>(high * 16 + low);
      i += 2;
    } else {
      decoded += text[i];
    }
  }
  return decoded;
}

bool is_password_key(const std::string& key) {
  const std::string name = ascii_lowered(percent_decoded(key));
  return name == "password" || name == "sslpassword";
}

// The ':' and '@' around the password of a URI's user part ("user:secret@host").
struct UserPassword {
  std::size_t colon;
  std::size_t at;
};

std::optional<UserPassword> user_password(const std::string& address, std::size_t authority) {
  // The user part ends at the last '@' before the host's path or query.
  const std::size_t end = std::min(address.find_first_of("/?", authority), address.size());
  const std::size_t at = end == 0 ? std::string::npos : address.rfind('@', end - 1);
  if (at == std::string::npos || at < authority) {
    return std::nullopt;
  }
  const std::size_t colon = address.find(':', authority);
  if (colon >= at) {
    return std::nullopt;
  }
  return UserPassword{colon, at};
}

// The '&'-separated parameters after a URI's '?', empty ones included; none without a '?'.
std::vector<std::string> query_parameters(const std::string& address) {
  std::vector<std::string> parameters;
  const std::size_t query = address.find('?');
  if (query == std::string::npos) {
    return parameters;
  }
  for (std::size_t start = query + 1; start <= address.size();) {
    const std::size_t end = std::min(address.find('&', start), address.size());
    parameters.push_back(address.substr(start, end - start));
    start = end + 1;
  }
  return parameters;
}

// A URI without the password of its user part and without password parameters.
std::string uri_without_password(const std::string& address, std::size_t authority) {
  std::string shown = address;
  if (const auto password = user_password(shown, authority)) {
    shown.erase(password->colon, password->at - password->colon);
  }
  const std::size_t query = shown.find('?');
  if (query == std::string::npos) {
    return shown;
  }
  std::string kept;
  for (const std::string& item : query_parameters(shown)) {
    if (!item.empty() && !is_password_key(item.substr(0, item.find('=')))) {
      kept += (kept.empty() ? "" : "&") + item;
    }
  }
  return shown.substr(0, query) + (kept.empty() ? "" : "?" + kept);
}

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Where each password value of the key=value form stands ("password=x", "password = 'x y'"), as
// libpq reads that form: start and length, quotes included.
std::vector<std::pair<std::size_t, std::size_t>> keyword_passwords(const std::string& address) {
  std::vector<std::pair<std::size_t, std::size_t>> values;
  const std::size_t size = address.size();
  std::size_t at = 0;
  const auto skip_blanks = [&] {
    while (at < size && is_blank(address[at])) {
      ++at;
    }
  };
  while (skip_blanks(), at < size) {
    const std::size_t key_start = at;
    while (at < size && address[at] != '=' && !is_blank(address[at])) {
      ++at;
    }
    const std::string key = address.substr(key_start, at - key_start);
    skip_blanks();
    if (at >= size || address[at] != '=') {
      break;  // not the key=value form: nothing more is read as a value
    }
    ++at;
    skip_blanks();
    const std::size_t value_start = at;
    if (at < size && address[at] == '\'') {
      for (++at; at < size && address[at] != '\''; ++at) {
        at += address[at] == '\\' ? 1 : 0;
      }
      at = std::min(at + 1, size);
    } else {
      while (at < size && !is_blank(address[at])) {
        ++at;
      }
    }
    if (is_password_key(key)) {
      values.emplace_back(value_start, at - value_start);
    }
  }
  return values;
}

// Every password the address holds, as written and as decoded.
std::vector<std::string> passwords_in(const std::string& address) {
  std::vector<std::string> secrets;
  const auto add = [&secrets](const std::string& secret) {
    for (const std::string& form : {secret, percent_decoded(secret)}) {
      if (!form.empty()) {
        secrets.push_back(form);
      }
    }
  };
  const std::size_t scheme = address.find("://");
  if (scheme == std::string::npos) {
    for (const auto& [start, length] : keyword_passwords(address)) {
      const std::string value = address.substr(start, length);
      add(value.size() >= 2 && value.front() == '\'' ? value.substr(1, value.size() - 2) : value);
    }
    return secrets;
  }
  const std::size_t authority = scheme + 3;
  if (const auto password = user_password(address, authority)) {
    add(address.substr(password->colon + 1, password->at - password->colon - 1));
  }
  for (const std::string& item : query_parameters(address)) {
    if (const std::size_t equals = item.find('=');
        equals != std::string::npos && is_password_key(item.substr(0, equals))) {
      add(item.substr(equals + 1));
    }
  }
  return secrets;
}

}  // namespace

std::string address_without_password(const std::string& address) {
  if (const std::size_t scheme = address.find("://"); scheme != std::string::npos) {
    return uri_without_password(address, scheme + 3);
  }
  std::string shown = address;
  const auto values = keyword_passwords(address);
  for (auto value = values.rbegin(); value != values.rend(); ++value) {
    shown.replace(value->first, value->second, "***");
  }
  return shown;
}

std::string without_passwords_of(const std::string& address, std::string text) {
  for (const std::string& secret : passwords_in(address)) {
    for (std::size_t at = text.find(secret); at != std::string::npos;
         at = text.find(secret, at + 3)) {
      text.replace(at, secret.size(), "***");
    }
  }
  return text;
}

}  // namespace quintrel::record
