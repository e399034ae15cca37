// libpq, loaded when a PostgreSQL record is opened rather than by every quintrel-cli process: a
// plain read and each port's child of a run would otherwise map libpq and the some thirty
// libraries it brings (TLS, Kerberos, LDAP), several megabytes and milliseconds each.
#pragma once

#include <libpq-fe.h>

#include <memory>

#include "base/result.h"

namespace quintrel::record {

// The libpq calls the record makes, from the loaded library; it stays loaded while held.
struct LibPq {
  decltype(&PQconnectdbParams) connectdb_params = nullptr;
  decltype(&PQstatus) status = nullptr;
  decltype(&PQerrorMessage) error_message = nullptr;
  decltype(&PQsetNoticeProcessor) set_notice_processor = nullptr;
  decltype(&PQexec) exec = nullptr;
  decltype(&PQexecParams) exec_params = nullptr;
  decltype(&PQresultStatus) result_status = nullptr;
  decltype(&PQresultErrorMessage) result_error_message = nullptr;
  decltype(&PQntuples) ntuples = nullptr;
  decltype(&PQnfields) nfields = nullptr;
  decltype(&PQgetisnull) getisnull = nullptr;
  decltype(&PQgetvalue) getvalue = nullptr;
  decltype(&PQclear) clear = nullptr;
  decltype(&PQfinish) finish = nullptr;
};

// libpq's calls, or why the library cannot be loaded (not installed: Debian's libpq5).
Result<std::shared_ptr<const LibPq>> load_libpq();

}  // namespace quintrel::record
