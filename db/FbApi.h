#pragma once

#include <ibase.h>

namespace db {

// Entry points of the Firebird client library, bound by name when the library is loaded.
// Only the types and constants of ibase.h are used; nothing links against the library.
struct FbApi {
    decltype(&::isc_attach_database) isc_attach_database = nullptr;
    decltype(&::isc_detach_database) isc_detach_database = nullptr;
    decltype(&::isc_database_info) isc_database_info = nullptr;
    decltype(&::isc_start_multiple) isc_start_multiple = nullptr;
    decltype(&::isc_commit_transaction) isc_commit_transaction = nullptr;
    decltype(&::isc_rollback_transaction) isc_rollback_transaction = nullptr;
    decltype(&::isc_dsql_alloc_statement2) isc_dsql_alloc_statement2 = nullptr;
    decltype(&::isc_dsql_prepare) isc_dsql_prepare = nullptr;
    decltype(&::isc_dsql_sql_info) isc_dsql_sql_info = nullptr;
    decltype(&::isc_dsql_describe_bind) isc_dsql_describe_bind = nullptr;
    decltype(&::isc_dsql_describe) isc_dsql_describe = nullptr;
    decltype(&::isc_dsql_execute) isc_dsql_execute = nullptr;
    decltype(&::isc_dsql_execute2) isc_dsql_execute2 = nullptr;
    decltype(&::isc_dsql_set_cursor_name) isc_dsql_set_cursor_name = nullptr;
    decltype(&::isc_dsql_fetch) isc_dsql_fetch = nullptr;
    decltype(&::isc_dsql_free_statement) isc_dsql_free_statement = nullptr;
    decltype(&::isc_sqlcode) isc_sqlcode = nullptr;
    // Declared deprecated in ibase.h; spelled out to keep the build free of that warning.
    ISC_LONG (*isc_interprete)(ISC_SCHAR*, ISC_STATUS**) = nullptr;
    decltype(&::isc_vax_integer) isc_vax_integer = nullptr;

    // Optional: present in every current client, but their absence does not stop loading.
    decltype(&::fb_interpret) fb_interpret = nullptr;
    decltype(&::isc_dsql_execute_immediate) isc_dsql_execute_immediate = nullptr;
    decltype(&::isc_drop_database) isc_drop_database = nullptr;
    // The Services API, for the backup before a change. Checked before use all the same: a
    // client without it fails the backup with a text, never with a crash.
    decltype(&::isc_service_attach) isc_service_attach = nullptr;
    decltype(&::isc_service_detach) isc_service_detach = nullptr;
    decltype(&::isc_service_start) isc_service_start = nullptr;
    decltype(&::isc_service_query) isc_service_query = nullptr;
    decltype(&::fb_cancel_operation) fb_cancel_operation = nullptr;
};

// The bound entry points. Only valid after ClientLibrary::EnsureLoaded() has succeeded, which
// every database object's constructor guarantees.
const FbApi& Api();

}  // namespace db
