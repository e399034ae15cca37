// A record's address as messages show it. A PostgreSQL address may carry a password in its user
// part (postgresql://line:secret@db/q), among its parameters (?password=, ?sslpassword=, with the
// key percent-encoded or not) or, in libpq's key=value form, as password=secret; none of them is
// ever printed.
#pragma once

#include <string>

namespace quintrel::record {

// The address without its passwords: dropped from a URI's user part and parameters, shown as ***
// in the key=value form.
std::string address_without_password(const std::string& address);

// The text (a library's message about the address) with every password of the address in it
// shown as ***.
std::string without_passwords_of(const std::string& address, std::string text);

}  // namespace quintrel::record
