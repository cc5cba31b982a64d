#include "db/ParameterBlock.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <ibase.h>

#include "db/DbError.h"

namespace db {

namespace {

enum class ValueKind { Text, Number };

struct DpbName {
    const char* name;  // without "isc_dpb_", lower case
    unsigned char code;
    ValueKind kind;
};

// The published parameter-block vocabulary.
const DpbName kVocabulary[] = {
    {"cdd_pathname", isc_dpb_cdd_pathname, ValueKind::Text},
    {"allocation", isc_dpb_allocation, ValueKind::Number},
    {"journal", isc_dpb_journal, ValueKind::Text},
    {"page_size", isc_dpb_page_size, ValueKind::Number},
    {"num_buffers", isc_dpb_num_buffers, ValueKind::Number},
    {"buffer_length", isc_dpb_buffer_length, ValueKind::Number},
    {"debug", isc_dpb_debug, ValueKind::Number},
    {"garbage_collect", isc_dpb_garbage_collect, ValueKind::Number},
    {"verify", isc_dpb_verify, ValueKind::Number},
    {"sweep", isc_dpb_sweep, ValueKind::Number},
    {"enable_journal", isc_dpb_enable_journal, ValueKind::Text},
    {"disable_journal", isc_dpb_disable_journal, ValueKind::Number},
    {"dbkey_scope", isc_dpb_dbkey_scope, ValueKind::Number},
    {"number_of_users", isc_dpb_number_of_users, ValueKind::Number},
    {"trace", isc_dpb_trace, ValueKind::Number},
    {"no_garbage_collect", isc_dpb_no_garbage_collect, ValueKind::Number},
    {"damaged", isc_dpb_damaged, ValueKind::Number},
    {"license", isc_dpb_license, ValueKind::Text},
    {"sys_user_name", isc_dpb_sys_user_name, ValueKind::Text},
    {"encrypt_key", isc_dpb_encrypt_key, ValueKind::Text},
    {"activate_shadow", isc_dpb_activate_shadow, ValueKind::Number},
    {"sweep_interval", isc_dpb_sweep_interval, ValueKind::Number},
    {"delete_shadow", isc_dpb_delete_shadow, ValueKind::Number},
    {"force_write", isc_dpb_force_write, ValueKind::Number},
    {"begin_log", isc_dpb_begin_log, ValueKind::Text},
    {"quit_log", isc_dpb_quit_log, ValueKind::Number},
    {"no_reserve", isc_dpb_no_reserve, ValueKind::Number},
    {"user_name", isc_dpb_user_name, ValueKind::Text},
    {"password", isc_dpb_password, ValueKind::Text},
    {"password_enc", isc_dpb_password_enc, ValueKind::Text},
    {"sys_user_name_enc", isc_dpb_sys_user_name_enc, ValueKind::Text},
    {"interp", isc_dpb_interp, ValueKind::Number},
    {"online_dump", isc_dpb_online_dump, ValueKind::Number},
    {"old_file_size", isc_dpb_old_file_size, ValueKind::Number},
    {"old_num_files", isc_dpb_old_num_files, ValueKind::Number},
    {"old_file", isc_dpb_old_file, ValueKind::Text},
    {"old_start_page", isc_dpb_old_start_page, ValueKind::Number},
    {"old_start_seqno", isc_dpb_old_start_seqno, ValueKind::Number},
    {"old_start_file", isc_dpb_old_start_file, ValueKind::Number},
    {"drop_walfile", isc_dpb_drop_walfile, ValueKind::Number},
    {"old_dump_id", isc_dpb_old_dump_id, ValueKind::Number},
    {"wal_backup_dir", isc_dpb_wal_backup_dir, ValueKind::Text},
    {"wal_chkptlen", isc_dpb_wal_chkptlen, ValueKind::Number},
    {"wal_numbufs", isc_dpb_wal_numbufs, ValueKind::Number},
    {"wal_bufsize", isc_dpb_wal_bufsize, ValueKind::Number},
    {"wal_grp_cmt_wait", isc_dpb_wal_grp_cmt_wait, ValueKind::Number},
    {"lc_messages", isc_dpb_lc_messages, ValueKind::Text},
    {"lc_ctype", isc_dpb_lc_ctype, ValueKind::Text},
    {"cache_manager", isc_dpb_cache_manager, ValueKind::Number},
    {"shutdown", isc_dpb_shutdown, ValueKind::Number},
    {"online", isc_dpb_online, ValueKind::Number},
    {"shutdown_delay", isc_dpb_shutdown_delay, ValueKind::Number},
    {"reserved", isc_dpb_reserved, ValueKind::Text},
    {"overwrite", isc_dpb_overwrite, ValueKind::Number},
    {"sec_attach", isc_dpb_sec_attach, ValueKind::Number},
    {"disable_wal", isc_dpb_disable_wal, ValueKind::Number},
    {"connect_timeout", isc_dpb_connect_timeout, ValueKind::Number},
    {"dummy_packet_interval", isc_dpb_dummy_packet_interval, ValueKind::Number},
    {"gbak_attach", isc_dpb_gbak_attach, ValueKind::Text},
    {"sql_role_name", isc_dpb_sql_role_name, ValueKind::Text},
    {"set_page_buffers", isc_dpb_set_page_buffers, ValueKind::Number},
    {"working_directory", isc_dpb_working_directory, ValueKind::Text},
    {"sql_dialect", isc_dpb_sql_dialect, ValueKind::Number},
    {"set_db_readonly", isc_dpb_set_db_readonly, ValueKind::Number},
    {"set_db_sql_dialect", isc_dpb_set_db_sql_dialect, ValueKind::Number},
    {"gfix_attach", isc_dpb_gfix_attach, ValueKind::Number},
    {"gstat_attach", isc_dpb_gstat_attach, ValueKind::Number},
    {"set_db_charset", isc_dpb_set_db_charset, ValueKind::Text},
    {"gsec_attach", isc_dpb_gsec_attach, ValueKind::Number},
    {"address_path", isc_dpb_address_path, ValueKind::Text},
    {"process_id", isc_dpb_process_id, ValueKind::Number},
    {"no_db_triggers", isc_dpb_no_db_triggers, ValueKind::Number},
    {"trusted_auth", isc_dpb_trusted_auth, ValueKind::Text},
    {"process_name", isc_dpb_process_name, ValueKind::Text},
    {"trusted_role", isc_dpb_trusted_role, ValueKind::Text},
    {"org_filename", isc_dpb_org_filename, ValueKind::Text},
    {"utf8_filename", isc_dpb_utf8_filename, ValueKind::Number},
    {"ext_call_depth", isc_dpb_ext_call_depth, ValueKind::Number},
    {"auth_block", isc_dpb_auth_block, ValueKind::Text},
    {"client_version", isc_dpb_client_version, ValueKind::Text},
    {"remote_protocol", isc_dpb_remote_protocol, ValueKind::Text},
    {"host_name", isc_dpb_host_name, ValueKind::Text},
    {"os_user", isc_dpb_os_user, ValueKind::Text},
    {"specific_auth_data", isc_dpb_specific_auth_data, ValueKind::Text},
    {"auth_plugin_list", isc_dpb_auth_plugin_list, ValueKind::Text},
    {"auth_plugin_name", isc_dpb_auth_plugin_name, ValueKind::Text},
    {"config", isc_dpb_config, ValueKind::Text},
    {"nolinger", isc_dpb_nolinger, ValueKind::Number},
    {"reset_icu", isc_dpb_reset_icu, ValueKind::Number},
    {"map_attach", isc_dpb_map_attach, ValueKind::Number},
};

const DpbName* Lookup(const std::string& name) {
    for (const DpbName& entry : kVocabulary)
        if (name == entry.name) return &entry;
    return nullptr;
}

}  // namespace

std::string BuildParameterBlock(const std::vector<std::string>& lines) {
    std::string block(1, static_cast<char>(isc_dpb_version1));
    for (const std::string& line : lines) {
        if (line.empty()) continue;
        const std::size_t equals = line.find('=');
        const std::string name = line.substr(0, equals);
        const std::string value =
            equals == std::string::npos ? std::string() : line.substr(equals + 1);
        std::string key = name;
        for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (key.compare(0, 8, "isc_dpb_") == 0) key.erase(0, 8);
        const DpbName* entry = Lookup(key);
        if (!entry) throw DbError("DPB Constant (" + name + ") is unknown");
        block += static_cast<char>(entry->code);
        if (entry->kind == ValueKind::Text) {
            // The length is one byte: a longer value would corrupt the block.
            if (value.size() > 255) throw DbError("DPB Constant (" + name + ") value is too long");
            block += static_cast<char>(value.size());
            block += value;
        } else if (value.empty()) {
            block += '\0';
        } else {
            errno = 0;
            char* end = nullptr;
            const long number = std::strtol(value.c_str(), &end, 10);
            if (*end != '\0' || errno == ERANGE)
                throw DbError("DPB Constant (" + name + ") needs a numeric value");
            const std::uint32_t bits = static_cast<std::uint32_t>(number);
            block += '\4';
            for (int shift = 0; shift < 32; shift += 8)
                block += static_cast<char>((bits >> shift) & 0xFF);
        }
    }
    return block;
}

}  // namespace db
