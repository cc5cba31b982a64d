#include "db/OtherAttachments.h"

#include "db/DbConnection.h"
#include "db/DbQuery.h"
#include "db/DbTransaction.h"

namespace db {

namespace {

// The tool's own attachments all carry its process id, so a second attachment of the tool
// (or a test's checking connection in the same process) is not another program.
const char* const kOtherAttachmentsSql =
    "select a.MON$REMOTE_PROCESS, a.MON$REMOTE_PID, a.MON$REMOTE_ADDRESS"
    " from MON$ATTACHMENTS a"
    " where a.MON$SYSTEM_FLAG = 0 and a.MON$ATTACHMENT_ID <> CURRENT_CONNECTION"
    " and a.MON$REMOTE_PID is distinct from (select s.MON$REMOTE_PID from MON$ATTACHMENTS s"
    " where s.MON$ATTACHMENT_ID = CURRENT_CONNECTION)"
    " order by a.MON$ATTACHMENT_ID";

}  // namespace

std::vector<Attachment> OtherAttachments(DbConnection& connection) {
    DbTransaction transaction(&connection, DbTransaction::Action::Rollback);
    DbQuery query(&connection, &transaction);
    query.OpenQuery(kOtherAttachmentsSql);
    std::vector<Attachment> attachments;
    if (query.HasRows()) {
        while (!query.Eof()) {
            Attachment attachment;
            if (!query.FieldIsNullAt(0)) attachment.process = query.FieldTextAt(0);
            attachment.pid = query.FieldTextAt(1);
            attachment.address = query.FieldTextAt(2);
            attachments.push_back(std::move(attachment));
            query.Next();
        }
    }
    transaction.Rollback();
    return attachments;
}

DatabaseFile DatabaseFileOf(DbConnection& connection) {
    DbTransaction transaction(&connection, DbTransaction::Action::Rollback);
    DbQuery query(&connection, &transaction);
    // Multiplied here: a dialect 1 connection refuses BIGINT in the text, and the product of the
    // two in SQL would come back as a DOUBLE there.
    query.OpenQuery("select MON$DATABASE_NAME, MON$PAGES, MON$PAGE_SIZE from MON$DATABASE");
    // MON$PAGE_SIZE is a SMALLINT: a page of 32 KB (allowed from Firebird 4 on) reads negative.
    long long pageSize = std::stoll(query.FieldTextAt(2));
    if (pageSize < 0) pageSize += 65536;
    DatabaseFile file{query.FieldTextAt(0), std::stoull(query.FieldTextAt(1)) *
                                                static_cast<unsigned long long>(pageSize)};
    transaction.Rollback();
    while (!file.path.empty() && file.path.back() == ' ') file.path.pop_back();
    return file;
}

}  // namespace db
