#include "db/ClientLibrary.h"

#include <mutex>
#include <utility>
#include <vector>

#include "db/DbError.h"
#include "db/FbApi.h"
#include "db/LibrarySearch.h"

namespace db {

namespace {

using LibraryHandle = void*;

struct LibraryState {
    std::mutex mutex;
    std::vector<std::string> namesForTesting;  // empty: the platform's candidates
    LibraryHandle handle = nullptr;
    std::string file;
    FbApi api;
};

LibraryState& State() {
    static LibraryState state;
    return state;
}

// Binds one required entry point; a missing one fails with the system's own text.
template <typename Fn>
bool BindRequired(LibraryHandle lib, const char* name, Fn& target, std::string& error) {
    void* symbol = FindEntryPoint(lib, name);
    if (!symbol) {
        if (error.empty()) error = LastEntryPointError();
        return false;
    }
    target = reinterpret_cast<Fn>(symbol);
    return true;
}

template <typename Fn>
void BindOptional(LibraryHandle lib, const char* name, Fn& target) {
    target = reinterpret_cast<Fn>(FindEntryPoint(lib, name));
}

// Entry points that are part of the client interface but are not called by this layer:
// they must be present all the same.
// clang-format off
const char* const kOtherRequired[] = {
    "isc_create_blob2",     "isc_put_segment",
    "isc_cancel_blob",      "isc_blob_info",
    "isc_event_block",      "isc_event_counts",
    "isc_que_events",       "isc_cancel_events",
    "isc_wait_for_event",   "isc_free",
    "isc_service_attach",   "isc_service_detach",
    "isc_service_query",    "isc_service_start",
    "isc_decode_date",      "isc_encode_date",
    "isc_decode_sql_date",  "isc_encode_sql_date",
    "isc_decode_sql_time",  "isc_encode_sql_time",
    "isc_decode_timestamp", "isc_encode_timestamp",
    "isc_open_blob2",       "isc_get_segment",
    "isc_close_blob",
};
// clang-format on

bool BindAll(LibraryHandle lib, FbApi& api, std::string& error) {
    bool ok = true;
#define POSFIX_BIND(name) ok = BindRequired(lib, #name, api.name, error) && ok
    POSFIX_BIND(isc_attach_database);
    POSFIX_BIND(isc_detach_database);
    POSFIX_BIND(isc_database_info);
    POSFIX_BIND(isc_start_multiple);
    POSFIX_BIND(isc_commit_transaction);
    POSFIX_BIND(isc_rollback_transaction);
    POSFIX_BIND(isc_dsql_alloc_statement2);
    POSFIX_BIND(isc_dsql_prepare);
    POSFIX_BIND(isc_dsql_sql_info);
    POSFIX_BIND(isc_dsql_describe_bind);
    POSFIX_BIND(isc_dsql_describe);
    POSFIX_BIND(isc_dsql_execute);
    POSFIX_BIND(isc_dsql_execute2);
    POSFIX_BIND(isc_dsql_set_cursor_name);
    POSFIX_BIND(isc_dsql_fetch);
    POSFIX_BIND(isc_dsql_free_statement);
    POSFIX_BIND(isc_sqlcode);
    POSFIX_BIND(isc_interprete);
    POSFIX_BIND(isc_vax_integer);
#undef POSFIX_BIND
    for (const char* name : kOtherRequired) {
        void* unused = nullptr;
        ok = BindRequired(lib, name, unused, error) && ok;
    }
    if (!ok) return false;
    BindOptional(lib, "fb_interpret", api.fb_interpret);
    BindOptional(lib, "isc_dsql_execute_immediate", api.isc_dsql_execute_immediate);
    BindOptional(lib, "isc_drop_database", api.isc_drop_database);
    BindOptional(lib, "isc_service_attach", api.isc_service_attach);
    BindOptional(lib, "isc_service_detach", api.isc_service_detach);
    BindOptional(lib, "isc_service_start", api.isc_service_start);
    BindOptional(lib, "isc_service_query", api.isc_service_query);
    BindOptional(lib, "fb_cancel_operation", api.fb_cancel_operation);
    return true;
}

}  // namespace

void ClientLibrary::EnsureLoaded() {
    LibraryState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (state.handle) return;
    // The candidates are looked at anew on every try: the client may have been installed since.
    const std::vector<std::string> candidates =
        state.namesForTesting.empty() ? PlatformCandidates() : state.namesForTesting;
    FbApi api;
    // A library that lacks an entry point (an old gds32.dll) is passed over for the next one.
    const LoadedLibrary loaded = LoadFirst(candidates, [&api](const std::string& candidate) {
        LoadOutcome outcome = OpenLibrary(candidate);
        if (outcome.handle && !BindAll(outcome.handle, api, outcome.unusable)) {
            CloseLibrary(outcome.handle);
            outcome.handle = nullptr;
        }
        return outcome;
    });
    LibraryHandle lib = loaded.handle;
    state.api = api;
    state.handle = lib;
    state.file = LibraryFile(lib);
    if (state.file.empty()) state.file = loaded.candidate;
}

void ClientLibrary::SetFileNamesForTesting(std::vector<std::string> fileNames) {
    LibraryState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.namesForTesting = std::move(fileNames);
}

void ClientLibrary::ResetFileNamesForTesting() {
    SetFileNamesForTesting(std::vector<std::string>());
}

bool ClientLibrary::IsLoaded() {
    LibraryState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    return state.handle != nullptr;
}

std::string ClientLibrary::LoadedFile() {
    LibraryState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    return state.file;
}

void ClientLibrary::LetClientSetUpProcess() {
    try {
        EnsureLoaded();
    } catch (const DbError&) {
        return;  // the window's creation reports it
    }
    ISC_STATUS status[ISC_STATUS_LENGTH] = {};
    isc_db_handle handle = 0;
    if (Api().isc_attach_database(status, 0, "", &handle, 0, nullptr) == 0 && handle)
        Api().isc_detach_database(status, &handle);
}

const FbApi& Api() {
    return State().api;
}

}  // namespace db
