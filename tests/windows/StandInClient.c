/* A stand-in fbclient.dll for trying the Windows build without a Firebird client: it exports
 * every entry point the tool binds, and its attach fails with a status whose text is Korean in
 * code page 949 followed by this DLL's own path, so the tool's error box shows which copy was
 * loaded. Nothing else is ever called, since no attachment comes about. */
#include <windows.h>

#include <string.h>

typedef intptr_t ISC_STATUS;

#define STAND_IN_EXPORT __declspec(dllexport)

static HMODULE self;
static char failure[MAX_PATH + 128];

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) self = instance;
    return TRUE;
}

/* "서버에 연결할 수 없습니다 (대역 클라이언트)" (the server cannot be reached, stand-in client)
 * in code page 949, then " [<path of this DLL>]". */
static const char* FailureText(void) {
    static const char korean[] =
        "\xbc\xad\xb9\xf6\xbf\xa1 \xbf\xac\xb0\xe1\xc7\xd2 \xbc\xf6 \xbe\xf8\xbd\xc0\xb4\xcf"
        "\xb4\xd9 (\xb4\xeb\xbf\xaa \xc5\xac\xb6\xf3\xc0\xcc\xbe\xf0\xc6\xae)";
    char path[MAX_PATH] = "";
    GetModuleFileNameA(self, path, MAX_PATH);
    strcpy(failure, korean);
    strcat(failure, " [");
    strcat(failure, path);
    strcat(failure, "]");
    return failure;
}

STAND_IN_EXPORT ISC_STATUS isc_attach_database(ISC_STATUS* status, short nameLength,
                                               const char* name, void* handle, short dpbLength,
                                               const char* dpb) {
    (void)nameLength, (void)name, (void)handle, (void)dpbLength, (void)dpb;
    status[0] = 1;         /* isc_arg_gds */
    status[1] = 335544721; /* isc_network_error */
    status[2] = 2;         /* isc_arg_string */
    status[3] = (ISC_STATUS)FailureText();
    status[4] = 0; /* isc_arg_end */
    return status[1];
}

STAND_IN_EXPORT long isc_sqlcode(const ISC_STATUS* status) {
    (void)status;
    return -902;
}

/* One text per call: the string argument of the status above, then nothing. */
STAND_IN_EXPORT long isc_interprete(char* buffer, const ISC_STATUS** cursor) {
    const ISC_STATUS* at = *cursor;
    if (at[0] != 1) return 0;
    strcpy(buffer, at[2] == 2 ? (const char*)at[3] : "stand-in failure");
    *cursor = at[2] == 2 ? at + 4 : at + 2;
    return (long)strlen(buffer);
}

/* Bound by the tool but never reached: any call fails. */
#define NEVER_REACHED(name)                 \
    STAND_IN_EXPORT ISC_STATUS name(void) { \
        return 1;                           \
    }
NEVER_REACHED(isc_detach_database)
NEVER_REACHED(isc_database_info)
NEVER_REACHED(isc_start_multiple)
NEVER_REACHED(isc_commit_transaction)
NEVER_REACHED(isc_rollback_transaction)
NEVER_REACHED(isc_dsql_alloc_statement2)
NEVER_REACHED(isc_dsql_prepare)
NEVER_REACHED(isc_dsql_sql_info)
NEVER_REACHED(isc_dsql_describe_bind)
NEVER_REACHED(isc_dsql_describe)
NEVER_REACHED(isc_dsql_execute)
NEVER_REACHED(isc_dsql_execute2)
NEVER_REACHED(isc_dsql_set_cursor_name)
NEVER_REACHED(isc_dsql_fetch)
NEVER_REACHED(isc_dsql_free_statement)
NEVER_REACHED(isc_create_blob2)
NEVER_REACHED(isc_put_segment)
NEVER_REACHED(isc_cancel_blob)
NEVER_REACHED(isc_blob_info)
NEVER_REACHED(isc_event_block)
NEVER_REACHED(isc_event_counts)
NEVER_REACHED(isc_que_events)
NEVER_REACHED(isc_cancel_events)
NEVER_REACHED(isc_wait_for_event)
NEVER_REACHED(isc_free)
NEVER_REACHED(isc_service_attach)
NEVER_REACHED(isc_service_detach)
NEVER_REACHED(isc_service_query)
NEVER_REACHED(isc_service_start)
NEVER_REACHED(isc_decode_date)
NEVER_REACHED(isc_encode_date)
NEVER_REACHED(isc_decode_sql_date)
NEVER_REACHED(isc_encode_sql_date)
NEVER_REACHED(isc_decode_sql_time)
NEVER_REACHED(isc_encode_sql_time)
NEVER_REACHED(isc_decode_timestamp)
NEVER_REACHED(isc_encode_timestamp)
NEVER_REACHED(isc_open_blob2)
NEVER_REACHED(isc_get_segment)
NEVER_REACHED(isc_close_blob)
NEVER_REACHED(isc_vax_integer)
