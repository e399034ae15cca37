#include "record/libpq_library.h"

#include <dlfcn.h>

namespace quintrel::record {
namespace {

// The soname Debian's libpq5 installs; the development files' libpq.so need not be there.
constexpr char kLibPqName[] = "libpq.so.5";

// A call of the loaded library into its slot; false when the library lacks it.
template <typename Call>
bool resolve(void* library, const char* name, Call& slot) {
  slot = reinterpret_cast<Call>(dlsym(library, name));
  return slot != nullptr;
}

}  // namespace

Result<std::shared_ptr<const LibPq>> load_libpq() {
  void* library = dlopen(kLibPqName, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* why = dlerror();
    return Failure{std::string("libpq cannot be loaded (") + (why ? why : kLibPqName) +
                   "): install Debian's libpq5"};
  }
  // The calls and the library go together: released with the last holder.
  std::shared_ptr<LibPq> calls(new LibPq, [library](LibPq* loaded) {
    delete loaded;
    dlclose(library);
  });
  const bool complete = resolve(library, "PQconnectdbParams", calls->connectdb_params) &&
                        resolve(library, "PQstatus", calls->status) &&
                        resolve(library, "PQerrorMessage", calls->error_message) &&
                        resolve(library, "PQsetNoticeProcessor", calls->set_notice_processor) &&
                        resolve(library, "PQexec", calls->exec) &&
                        resolve(library, "PQexecParams", calls->exec_params) &&
                        resolve(library, "PQresultStatus", calls->result_status) &&
                        resolve(library, "PQresultErrorMessage", calls->result_error_message) &&
                        resolve(library, "PQntuples", calls->ntuples) &&
                        resolve(library, "PQnfields", calls->nfields) &&
                        resolve(library, "PQgetisnull", calls->getisnull) &&
                        resolve(library, "PQgetvalue", calls->getvalue) &&
                        resolve(library, "PQclear", calls->clear) &&
                        resolve(library, "PQfinish", calls->finish);
  if (!complete) {
    return Failure{std::string("libpq (") + kLibPqName + ") lacks a call the record needs"};
  }
  return std::shared_ptr<const LibPq>(std::move(calls));
}

}  // namespace quintrel::record
