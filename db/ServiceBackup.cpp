#include "db/ServiceBackup.h"

#include <cstring>
#include <vector>

#include "db/DbConnection.h"
#include "db/DbError.h"
#include "db/DbInternal.h"

namespace db {

namespace {

// The value of a "name=value" parameter line; names as the attachment block reads them.
std::string ParamValue(const std::vector<std::string>& lines, const std::string& wanted) {
    for (const std::string& line : lines) {
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        std::string name = line.substr(0, equals);
        for (char& c : name)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (name.rfind("isc_dpb_", 0) == 0) name.erase(0, 8);
        if (name == wanted) return line.substr(equals + 1);
    }
    return {};
}

void AddShortItem(std::string& block, char item, const std::string& value) {
    block += item;
    block += static_cast<char>(value.size() & 0xff);
    block += value;
}

void AddLongItem(std::string& block, char item, const std::string& value) {
    block += item;
    block += static_cast<char>(value.size() & 0xff);
    block += static_cast<char>((value.size() >> 8) & 0xff);
    block += value;
}

class ServiceHandle {
public:
    ~ServiceHandle() {
        if (handle != 0) {
            StatusVector ignored;
            Api().isc_service_detach(ignored.get(), &handle);
        }
    }
    isc_svc_handle handle = 0;
};

std::string TrimmedRight(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\n'))
        text.pop_back();
    return text;
}

bool EndsWith(const std::string& text, const char* tail) {
    const std::size_t n = std::strlen(tail);
    return text.size() >= n && text.compare(text.size() - n, n, tail) == 0;
}

// The size in "... N bytes written", or -1.
long long WrittenBytes(const std::string& line) {
    static const char* const kTail = " bytes written";
    if (!EndsWith(line, kTail)) return -1;
    std::size_t end = line.size() - std::strlen(kTail);
    std::size_t begin = end;
    while (begin > 0 && line[begin - 1] >= '0' && line[begin - 1] <= '9') --begin;
    if (begin == end) return -1;
    return std::stoll(line.substr(begin, end - begin));
}

}  // namespace

ServiceTarget ServiceTargetOf(const std::string& connectionString) {
    const std::size_t colon = connectionString.find(':');
    // No server part, or only a drive letter.
    if (colon == std::string::npos || colon == 1) return {"service_mgr", connectionString};
    return {connectionString.substr(0, colon) + ":service_mgr", connectionString.substr(colon + 1)};
}

long long BackUpThroughServer(const DbConnection& connection, const std::string& backupPath,
                              const BackupProgress& progress, const BackupStop& stop) {
    const FbApi& api = Api();
    if (!api.isc_service_attach || !api.isc_service_start || !api.isc_service_query ||
        !api.isc_service_detach)
        throw DbError("The client library has no Services API (isc_service_attach)");

    const ServiceTarget target = ServiceTargetOf(connection.DatabaseName());
    std::string attachBlock;
    attachBlock += static_cast<char>(isc_spb_version);
    attachBlock += static_cast<char>(isc_spb_current_version);
    AddShortItem(attachBlock, isc_spb_user_name, ParamValue(connection.Params(), "user_name"));
    AddShortItem(attachBlock, isc_spb_password, ParamValue(connection.Params(), "password"));

    StatusVector status;
    ServiceHandle service;
    if (api.isc_service_attach(status.get(), static_cast<unsigned short>(target.service.size()),
                               target.service.data(), &service.handle,
                               static_cast<unsigned short>(attachBlock.size()), attachBlock.data()))
        RaiseServerError(status.v);

    std::string startBlock(1, static_cast<char>(isc_action_svc_backup));
    AddLongItem(startBlock, isc_spb_dbname, target.database);
    AddLongItem(startBlock, isc_spb_bkp_file, backupPath);
    startBlock += static_cast<char>(isc_spb_verbose);
    if (api.isc_service_start(status.get(), &service.handle, nullptr,
                              static_cast<unsigned short>(startBlock.size()), startBlock.data()))
        RaiseServerError(status.v);

    // One line per query; a query waits at most a second, so progress keeps flowing.
    const char send[] = {isc_info_svc_timeout, 4, 0, 1, 0, 0, 0};
    const char request[] = {isc_info_svc_line};
    std::vector<char> reply(4096);
    std::string lastLine;
    int announced = 0, done = 0;
    for (;;) {
        std::memset(reply.data(), 0, reply.size());
        if (api.isc_service_query(status.get(), &service.handle, nullptr, sizeof send, send,
                                  sizeof request, request,
                                  static_cast<unsigned short>(reply.size()), reply.data()))
            RaiseServerError(status.v);
        if (stop && stop()) throw DbError("The backup was left unfinished");
        const char* p = reply.data();
        const char* const end = p + reply.size();
        if (*p != isc_info_svc_line) throw DbError("Unexpected reply from the service manager");
        const int length = static_cast<int>(api.isc_vax_integer(p + 1, 2));
        if (length < 0 || p + 3 + length > end)
            throw DbError("Unexpected reply from the service manager");
        const std::string line = TrimmedRight(std::string(p + 3, static_cast<std::size_t>(length)));
        bool more = false;
        for (p += 3 + length; p < end && *p != isc_info_end; ++p) {
            if (*p == isc_info_svc_timeout || *p == isc_info_data_not_ready ||
                *p == isc_info_truncated)
                more = true;
        }
        if (length == 0) {
            if (!more) break;
            continue;
        }
        lastLine = line;
        if (line.find("writing table ") != std::string::npos) {
            ++announced;
        } else if (EndsWith(line, " records written")) {
            ++done;
        } else {
            continue;
        }
        if (progress) progress(done, announced);
    }

    const long long bytes = WrittenBytes(lastLine);
    if (bytes < 0)
        throw DbError(lastLine.empty() ? "The backup ended without any output" : lastLine);
    // Not every announced table reports its records (an empty one may not).
    if (progress) progress(announced, announced);
    return bytes;
}

}  // namespace db
