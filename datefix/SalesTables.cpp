#include "datefix/SalesTables.h"

#include "db/SqlQuote.h"

namespace datefix {

using db::SqlQuote;

namespace {

// Completes "substring(<stamp>" to the test that the stamp begins with a date YYYY-MM-DD: month
// 01 to 12, day 01 to 31. The hyphens stand in brackets: a bare "-" is special in SIMILAR TO.
constexpr const char* kDateShape =
    " from 1 for 10) similar to '[0-9]{4}[-](0[1-9]|1[0-2])[-](0[1-9]|[12][0-9]|3[01])' ";

}  // namespace

const std::array<SingleDateTable, 20> kSingleDateTables = {{
    {"OS_Order", "Sal_Seq, Tbl_Sal_Seq", "Upd_Dt", "Sal_Seq", "OS_ORDER->", true},
    {"OS_Order_h", "Sal_Seq", "Upd_Dt", "Sal_Seq", "OS_Order_h->", false},
    {"os_order_setitem", "Sal_Seq", "Upd_Dt", "Sal_Seq", "os_order_setitem->", false},
    {"OS_MASTER", "Sal_Seq", "Upd_Dt", "Sal_Seq", "OS_MASTER->", false},
    {"OS_PAY", "Sal_Seq", "Upd_Dt", "Sal_Seq", "OS_PAY->", false},
    {"OS_PAY_INFO", "Sal_Seq", nullptr, "Sal_Seq", "OS_PAY_INFO->", false},
    {"os_order_tbl_seq", "Sal_Seq", "Reg_Dt", "Sal_Seq", "os_order_tbl_seq->", false},
    {"cs_master", "bill_no", "Upd_Dt", "bill_no", "cs_master->", false},
    {"CS_BALANCE", "Sal_Seq", "Upd_Dt", "Sal_Seq", "CS_BALANCE->", false},
    {"MS_POINT_DETAIL", "Sal_Seq", "Upd_Dt", "Sal_Seq", "MS_POINT_DETAIL->", false},
    {"OS_ASSOCIATES", "Sal_Seq", "Upd_Dt", "Sal_Seq", "OS_ASSOCIATES->", false},
    {"OS_FISHING_GAME", "Sal_Seq", "Upd_Dt", "Sal_Seq", "OS_FISHING_GAME->", false},
    {"OS_MOBILE_PAY", "Sal_Seq", "Upd_Dt", "Sal_Seq", "OS_MOBILE_PAY->", false},
    {"OS_TAXPAY", "Sal_Seq", "Upd_Dt", "Sal_Seq", "OS_TAXPAY->", false},
    {"OS_ETC_INWON", "Sal_Seq", nullptr, "Sal_Seq", "OS_ETC_INWON->", false},
    {"OS_ETC_INWON_PAY", "Sal_Seq", nullptr, "Sal_Seq", "OS_ETC_INWON_PAY->", false},
    {"OS_INWON_DETAIL", "Sal_Seq", nullptr, "Sal_Seq", "OS_INWON_DETAIL->", false},
    {"OS_LSTICKET_APV_BARCODE", "Sal_Seq", nullptr, "Sal_Seq", "OS_LSTICKET_APV_BARCODE->", false},
    {"OS_LSTICKET_APV_DETAIL", "Sal_Seq", nullptr, "Sal_Seq", "OS_LSTICKET_APV_DETAIL->", false},
    {"OS_LSTICKET_APV_HEAD", "Sal_Seq", nullptr, "Sal_Seq", "OS_LSTICKET_APV_HEAD->", false},
}};

const SingleDateTable kRegisterTable = {"OC_REGISTER",   "",   nullptr, nullptr,
                                        "OC_REGISTER->", false};

const std::array<RealignTable, 20> kRealignTables = {{
    {"os_pay_info", nullptr},
    {"OS_LSTICKET_APV_HEAD", nullptr},
    {"OS_LSTICKET_APV_DETAIL", nullptr},
    {"OS_LSTICKET_APV_BARCODE", nullptr},
    {"OS_INWON_DETAIL", nullptr},
    {"OS_ETC_INWON_PAY", nullptr},
    {"OS_ETC_INWON", nullptr},
    {"os_order", "upd_dt"},
    {"os_order_h", "upd_dt"},
    {"os_pay", "upd_dt"},
    {"os_master", "upd_dt"},
    {"os_order_setitem", "upd_dt"},
    {"os_order_tbl_seq", "reg_dt"},
    {"cs_master", "upd_dt"},
    {"CS_BALANCE", "upd_dt"},
    {"MS_POINT_DETAIL", "upd_dt"},
    {"OS_ASSOCIATES", "upd_dt"},
    {"OS_FISHING_GAME", "upd_dt"},
    {"OS_MOBILE_PAY", "upd_dt"},
    {"OS_TAXPAY", "upd_dt"},
}};

// The statements are written one fragment per line, as they are sent; the formatter would split
// them mid-phrase.
// clang-format off

std::string TargetCountSql(const std::string& table, const std::string& targetDate) {
    return " Select count(*) cnt From " + table +
           "  Where Sal_Ymd = " + SqlQuote(targetDate) +
           " ";
}

std::string TargetKeysSql(const SingleDateTable& table, const std::string& targetDate) {
    return std::string(" Select distinct ") + table.key +
           " From " + table.name +
           "  Where Sal_Ymd = " + SqlQuote(targetDate) +
           " ";
}

std::string SelectionSql(const SingleDateTable& table, const std::string& date) {
    return std::string(" Select RDB$DB_KEY") + (table.key ? ", " : "") + table.columns +
           " From " + table.name +
           "  Where Sal_Ymd = " + SqlQuote(date) +
           " ";
}

// One block text per table, prepared once and run for every batch: the rows travel as one
// parameter, so no statement text is built or compiled per row, and each row is reached through
// its RDB$DB_KEY, not by a search of the table. A row the block cannot move as selected stops it:
// a failure is caught per row so that the row is known (a cancel is not caught: the caller finds
// the row itself).
std::string MoveRowsBlockSql(const SingleDateTable& table) {
    std::string set = std::string("Sal_Ymd = :todate");
    if (table.stamp)
        set += std::string(", ") + table.stamp + " = :todashed || coalesce(substring(" +
               table.stamp + " from 11 for 9), '')";
    std::string where = "rdb$db_key = :k and Sal_Ymd = :fromdate";
    if (table.key) where += std::string(" and ") + table.key + " = :s";
    if (table.tblSalSeq) where += " and Tbl_Sal_Seq = :t";
    return std::string(
        "execute block (rowlist varchar(32000) character set none = ?,"
        " fromdate varchar(8) character set none = ?, todate varchar(8) character set none = ?,"
        " todashed varchar(10) character set none = ?)"
        " returns (moved integer, failed integer) as"
        " declare p integer = 1;"
        " declare k char(8) character set octets;"
        " declare s varchar(32000) character set none;"
        " declare t varchar(32000) character set none;"
        " declare l integer;"
        " begin"
        "  moved = 0;"
        "  failed = 0;"
        "  while (p < octet_length(rowlist)) do"
        "  begin"
        "   k = substring(rowlist from p for 8);"
        "   p = p + 8;") +
        (table.key ? "   l = ascii_val(substring(rowlist from p for 1)) * 256"
                     " + ascii_val(substring(rowlist from p + 1 for 1));"
                     "   s = substring(rowlist from p + 2 for l);"
                     "   p = p + 2 + l;"
                   : "") +
        (table.tblSalSeq ? "   l = ascii_val(substring(rowlist from p for 1)) * 256"
                           " + ascii_val(substring(rowlist from p + 1 for 1));"
                           "   t = substring(rowlist from p + 2 for l);"
                           "   p = p + 2 + l;"
                         : "") +
        "   begin"
        "    update " + table.name + " set " + set + " where " + where + ";"
        "    if (row_count <> 1) then failed = moved + 1;"
        "    when any do failed = moved + 1;"
        "   end"
        "   if (failed > 0) then leave;"
        "   moved = moved + 1;"
        "  end"
        "  suspend;"
        " end";
}

namespace {

void PackValue(std::string& batch, const std::string& value) {
    batch += static_cast<char>((value.size() >> 8) & 0xFF);
    batch += static_cast<char>(value.size() & 0xFF);
    batch += value;
}

}  // namespace

void PackRow(std::string& batch, const SingleDateTable& table, const std::string& dbKey,
             const std::string& key, const std::string& tblSalSeq) {
    batch += dbKey;
    if (table.key) PackValue(batch, key);
    if (table.tblSalSeq) PackValue(batch, tblSalSeq);
}

std::string RowUpdateSql(const SingleDateTable& table, const std::string& targetDate,
                         const std::string& targetDashed, const std::string& wrongDate,
                         const std::string& key, const std::string& tblSalSeq) {
    std::string sql = std::string(" Update ") + table.name +
                      " Set   Sal_Ymd = " + SqlQuote(targetDate);
    if (table.stamp) {
        // The database builds each row's stamp from the row itself: the target date, then the
        // row's own separator and time of day (characters 11 to 19), or the date alone when the
        // stamp is null or has no time part.
        const std::string column = table.stamp;
        sql += ", ";
        sql += " " + column + " = " + SqlQuote(targetDashed) +
               " || coalesce(substring(" + column + " from 11 for 9), '')";
    }
    sql += " ";
    sql += " Where Sal_Ymd = " + SqlQuote(wrongDate);
    sql += " ";
    sql += std::string(" And ") + table.key + " = " + SqlQuote(key) + " ";
    if (table.tblSalSeq) sql += " And Tbl_Sal_Seq = " + SqlQuote(tblSalSeq) + " ";
    return sql;
}

std::string RegisterUpdateSql(const std::string& targetDate, const std::string& wrongDate) {
    return " Update OC_REGISTER Set   Sal_Ymd = " + SqlQuote(targetDate) +
           " " +
           " Where Sal_Ymd = " + SqlQuote(wrongDate) +
           " ";
}

std::string SpanSql(const std::string& fromDate, const std::string& toDate) {
    return " select min(upd_dt)sal_ymd1, max(upd_dt)sal_ymd2  from (  select replace(substring(upd_dt from 1 for 10), '-', '') upd_dt from os_master  where sal_ymd between " +
           SqlQuote(fromDate) +
           " and " +
           SqlQuote(toDate) +
           " " +
           " and sal_ymd <> replace(substring(upd_dt from 1 for 10), '-', '') " +
           " and substring(upd_dt" + kDateShape +
           " group by replace(substring(upd_dt from 1 for 10), '-', '') " +
           " ) ";
}

std::string SpanCountSql(const std::string& first, const std::string& last) {
    return " Select Count(*) cnt From OS_Master  where sal_ymd between " + SqlQuote(first) +
           " and " + SqlQuote(last) +
           " ";
}

std::string RealignSql(const RealignTable& table, const std::string& fromDate,
                       const std::string& toDate) {
    const std::string range = SqlQuote(fromDate) + " and " + SqlQuote(toDate) + " ";
    if (!table.stamp) {
        return " update " + std::string(table.name) + " a     set a.sal_ymd = replace(substring((select c.upd_dt from os_master c  where c.sal_ymd = a.sal_ymd and c.sal_seq = a.sal_seq) from 1 for 10), '-', '')   where sal_ymd between " +
               range +
               "    and exists ( select b.sal_seq from os_master b " +
               "                  where b.sal_ymd between " +
               range +
               "                    and b.sal_ymd <> replace(substring(b.upd_dt from 1 for 10), '-', '') " +
               "                    and substring(b.upd_dt" + kDateShape +
               "                    and b.sal_ymd = a.sal_ymd " +
               "                    and b.sal_seq = a.sal_seq " +
               "               ) ";
    }
    const std::string stamp = table.stamp;
    return " update " + std::string(table.name) + "     set sal_ymd = replace(substring(" + stamp + " from 1 for 10), '-', ''),         " + stamp + " = substring(" + stamp + " from 1 for 11) || substring(" + stamp + " from 12 for 8)   where sal_ymd between " +
           range +
           "    and sal_ymd <> replace(substring(" + stamp + " from 1 for 10), '-', '') " +
           "    and substring(" + stamp + kDateShape;
}

std::string KeptBackCountSql(const std::string& fromDate, const std::string& toDate) {
    const std::string range = SqlQuote(fromDate) + " and " + SqlQuote(toDate) + " ";
    std::string sql = " select 0";
    for (const RealignTable& table : kRealignTables) {
        if (!table.stamp) continue;
        const std::string stamp = table.stamp;
        sql += " + (select count(*) from " + std::string(table.name) +
               " where sal_ymd between " + range +
               " and sal_ymd <> replace(substring(" + stamp + " from 1 for 10), '-', '') " +
               " and not substring(" + stamp + kDateShape + ")";
    }
    return sql + " cnt from rdb$database ";
}

// clang-format on

}  // namespace datefix
