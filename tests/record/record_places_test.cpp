// Naming a record: the kinds open_record knows, the default file, and failures that name the
// record without its password.
#include <gtest/gtest.h>

#include <cstdlib>

#include "record/line_record.h"
#include "record/record_address.h"
#include "record/sqlite_record.h"

namespace quintrel::record {
namespace {

TEST(RecordPlaces, FailuresNameTheRecordWithoutItsPassword) {
  EXPECT_EQ(open_record("mysql://op:pw@host/line").error(),
            "The record \"mysql://op@host/line\" is neither sqlite:PATH nor postgresql://...: name "
            "the kind of record first");
  EXPECT_EQ(open_record("sqlite:").error(),
            "The record sqlite: could not be opened: the path is empty");
  EXPECT_NE(open_record("sqlite:/dev/null/record.db")
                .error()
                .find("The record sqlite:/dev/null/record.db could not be opened: its folder"),
            std::string::npos);
  const auto refused =
      open_record("postgres://op:secret@/line?host=/nonexistent&password=hidden&port=5").error();
  EXPECT_EQ(refused.find("The record postgres://op@/line?host=/nonexistent&port=5 could not be "
                         "opened: "),
            0u)
      << refused;
  EXPECT_EQ(refused.find("secret"), std::string::npos);
  EXPECT_EQ(refused.find("hidden"), std::string::npos);
  EXPECT_EQ(address_without_password("postgresql://a:b@h1:5432,h2/db?password=c"),
            "postgresql://a@h1:5432,h2/db");
  EXPECT_EQ(address_without_password("postgresql://h:5432/db"), "postgresql://h:5432/db");
  EXPECT_EQ(address_without_password("sqlite:/a:b@c/record.db"), "sqlite:/a:b@c/record.db");
  // Every other way libpq takes a password: never shown, in the address or in its own messages.
  EXPECT_EQ(address_without_password("postgresql://h/db?%70assword=x&sslpassword=y&sslmode=z"),
            "postgresql://h/db?sslmode=z");
  EXPECT_EQ(address_without_password("host=db password = 'a b\\'c' user=line sslpassword=k"),
            "host=db password = *** user=line sslpassword=***");
  EXPECT_EQ(open_record("host=db password=s3cret").error().find("s3cret"), std::string::npos);
  EXPECT_EQ(without_passwords_of("postgresql://line:ab%zzsecret@db/q",
                                 "invalid percent-encoded token: \"ab%zzsecret\""),
            "invalid percent-encoded token: \"***\"");
}

}  // namespace
}  // namespace quintrel::record
